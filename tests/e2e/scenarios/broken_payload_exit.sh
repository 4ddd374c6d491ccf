# A payload that breaks off just before its end: after the error box is answered, the window has
# every control but only Cancel is usable (Back and Next are disabled), and Cancel asks
# the product's question and ends the program with exit code 0.
source "$here/products/mini.sh"
palm_desktop "U.S. Robotics" 'C:\Palm' "1:Ann Example:ExampleA"
mini_installer "MiniBroken.exe" \
  's/^\[messages\]/[messages]\nidExit = "Leave Mini Setup now?"\nidStop = "Mini Setup: leave"/'
size=$(stat -c %s "$mini_dir/payload")
head -c $((size - 1)) "$mini_dir/payload" >"$e2e/broken.payload"
install_stub "Broken.exe" "$e2e/broken.payload"
# Started by wine itself (not through the desktop's launcher) on the same virtual desktop, so
# that wine hands back the program's own exit code.
reg_import <<'REG'
[HKEY_CURRENT_USER\Software\Wine\AppDefaults\Broken.exe\Explorer]
"Desktop"="qs"
REG
rm -f "$e2e/broken.exit"
(
  set +e
  wine 'C:\qs\Broken.exe' >>"$logs/installer.log" 2>&1
  echo $? >"$e2e/broken.exit"
) &
installer_pid=$!

out="$(drive "wait-startbox 30" "text-msgbox" "answer ok" | tr -d '\r')"
echo "$out"
check grep -q '^msgbox=Quillset Version 2.0|stream read error\.$' <<<"$out"
drive "wait-form 30" "expect-enabled BNext 0" "expect-enabled BPrev 0" "expect-enabled BCancel 1" \
  "click BCancel" "wait-msgbox 10" \
  "expect-msgbox Mini Setup: leave|Leave Mini Setup now?" "answer yes" "wait-gone 15"
wait_installer
check test "$(cat "$e2e/broken.exit")" = 0
only_stub_left "Broken.exe"
