# The sample product's whole walk, photographed: one screenshot of each of the seven pages in
# $QS_E2E_DIR/screenshots (01-Welcome.png ... 07-Finish.png) and a summary of what the run did in
# $QS_E2E_DIR/summary.txt (queued handheld files, HotSync flags, files in the destination
# directory). The demo (scripts/demo.sh) runs this scenario alone.
#
# The installer waits for the PC programs it runs, with its Installation page on the screen: the
# product's companion program is replaced here by qspause.exe (tests/e2e/driver), which waits for
# the walk's go-ahead, so that page can be photographed. Everything else is the sample product.
tool="${QS_TOOL:-$root/build/native/tools/quillset/quillset}"
pause="$build/tests/e2e/driver/qspause.exe"
cmake --build "$build" --target sample_product qspause >"$logs/walk-build.log" 2>&1 || true
check test -x "$tool"
check test -f "$pause"
check test -f "$build/sample-product/quillset.toml"
product="$e2e/walk-product"
rm -rf "$product"
cp -r "$build/sample-product" "$product"
cp "$pause" "$product/bin/HELLO.EXE"
"$tool" build "$product/quillset.toml" --payload-only -o "$e2e/walk.payload"

pictures="$e2e/screenshots"
rm -rf "$pictures"
mkdir -p "$pictures"
page_shot() {
  sleep 0.3
  import -window root -display "$DISPLAY" "$pictures/$1.png"
  cp "$pictures/$1.png" "$shots/walk-$1.png"
}

palm_desktop "U.S. Robotics" 'C:\Palm' "1:Ann Example:ExampleA" "3:Bob:BobB"
dest="$drive_c/Program Files/Hello Palm"
rm -rf "$dest"
install_stub "HelloSetup.exe" "$e2e/walk.payload"
start_installer 'C:\qs\HelloSetup.exe'

drive "wait-form 30" "wait-page Welcome 10" "expect-title Hello Palm Setup"
page_shot 01-Welcome
drive "click BNext" "wait-page Licence 10"
page_shot 02-Licence
drive "click BNext" "wait-page Destination_Dir 10"
page_shot 03-Destination_Dir
drive "click BNext" "wait-page SelectModule 10" "click Button1" "sleep 300"
page_shot 04-SelectModule
drive "click BNext" "wait-page Select_User 10" "click Button3" "sleep 300" \
  "expect-tree CkUserList 0 - Users|1 1 Ann Example|1 1 Bob"
page_shot 05-Select_User
drive "click BNext" "wait-page Installation 30"
for _ in $(seq 100); do [ -f "$dest/HELLO.EXE" ] && break; sleep 0.1; done
page_shot 06-Installation
: >"$dest/QSPAUSE.GO"
drive "wait-page Finish 60" "expect-text BCancel &Quit"
page_shot 07-Finish
drive "click BCancel" "wait-gone 15"
wait_installer
rm -f "$dest/QSPAUSE.GO"

{
  echo "Queued for the handheld (each user's Install folder):"
  for folder in ExampleA BobB; do
    echo "  C:\\Palm\\$folder\\Install: $(find "$drive_c/Palm/$folder/Install" -type f -printf '%f ' 2>/dev/null)"
  done
  reg_export 'HKEY_CURRENT_USER\Software\U.S. Robotics\Pilot Desktop\HotSync Manager' "$logs/walk-flags.reg"
  echo "HotSync flags (HKCU\\Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager):"
  grep -o '"Install[0-9]*"=dword:[0-9a-f]*' "$logs/walk-flags.reg" | sed 's/^/  /'
  echo "Installed in C:\\Program Files\\Hello Palm (HELLO.EXE is the walk's stand-in):"
  find "$dest" -type f -printf '  %f (%s bytes)\n' | sort
  echo "Start menu: $(find "$drive_c/users" -path '*Hello Palm/*.lnk' -printf '%f ' 2>/dev/null)"
  echo "Screenshots: $pictures"
} >"$e2e/summary.txt"
cat "$e2e/summary.txt"

for folder in ExampleA BobB; do
  for f in HelloPalm.prc HelloData.pdb QsRuntime.prc; do
    check cmp "$drive_c/Palm/$folder/Install/$f" "$product/palm/$f"
  done
done
for p in 01-Welcome 02-Licence 03-Destination_Dir 04-SelectModule 05-Select_User 06-Installation 07-Finish; do
  check test -s "$pictures/$p.png"
done
rm -f "$drive_c/qs/CONDREG.LOG"
only_stub_left "HelloSetup.exe"
