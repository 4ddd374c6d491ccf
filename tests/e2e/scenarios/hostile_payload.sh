# Hostile payloads behind the stub: garbage, a valid payload cut short, and a payload with a byte
# changed in the middle. Each start-up ends in the error box (stop icon, caption "Quillset Version
# 2.0", the message ending in a full stop); the process stays alive until the box is answered,
# then the wizard window opens with what was read before the failure (nothing for garbage) and
# closing it ends the program.
source "$here/products/mini.sh"
palm_desktop "U.S. Robotics" 'C:\Palm' "1:Ann Example:ExampleA"
mini_installer "MiniHostile.exe"
good="$mini_dir/payload"
size=$(stat -c %s "$good")

bad="$e2e/hostile"
mkdir -p "$bad"
# Deterministic garbage: a byte pattern that is no component stream.
awk 'BEGIN { for (i = 0; i < 4096; i++) printf "%c", (i * 131 + 7) % 251 + 1 }' >"$bad/garbage"
head -c $((size / 2)) "$good" >"$bad/truncated"
head -c 40 "$good" >"$bad/header-only"
# The component stream's signature followed by a huge length field.
{ printf 'TPF0\xff\xff\xff\x7fTFormTools'; head -c 64 /dev/zero; } >"$bad/huge-length"

for kind in garbage truncated header-only huge-length; do
  echo "== $kind"
  install_stub "Hostile.exe" "$bad/$kind"
  start_installer 'C:\qs\Hostile.exe'
  out="$(drive "wait-startbox 30" "text-msgbox" "sleep 1000" "wait-startbox 5" "answer ok" | tr -d '\r')"
  echo "$out"
  # The box was still open after a second: the program did not die behind it.
  check grep -q '^msgbox=Quillset Version 2.0|.*\.$' <<<"$out"
  [ "$kind" = garbage ] && shot hostile-error
  # Garbage fails before any component is read: the window has none. A payload that breaks off
  # later keeps what was read before the break.
  if [ "$kind" = garbage ]; then drive "wait-form 30" "expect-absent Notebook1" "expect-absent BNext"; fi
  drive "wait-form 30" "close" "wait-gone 15"
  wait_installer
  only_stub_left "Hostile.exe"
done
