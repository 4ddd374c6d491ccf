# The sample product (samples/product): its installer built by "quillset build" from the manifest
# and installed for two Palm Desktop users. Every page shows the product's texts; the module tree
# comes from the module list; each user's install folder receives the handheld files and the
# HotSync flags are set; the PC files land in the destination directory with the readme's
# shortcut; the companion program runs; the conduit's registration tool runs with the program
# directory and finds its library; nothing is left beside the installer but the tool's log.
#
# Needs the native tool (QS_TOOL, default build/native/tools/quillset/quillset) and the sample
# product that the Windows build stages ($QS_WIN_BUILD/sample-product, target sample_product, made
# here when it is missing or out of date).
tool="${QS_TOOL:-$root/build/native/tools/quillset/quillset}"
product="$build/sample-product"
cmake --build "$build" --target sample_product >"$logs/sample-product-build.log" 2>&1
check test -x "$tool"
check test -f "$product/quillset.toml"
"$tool" build "$product/quillset.toml" --payload-only -o "$e2e/sample.payload"

palm_desktop "U.S. Robotics" 'C:\Palm' "1:Ann Example:ExampleA" "3:Bob:BobB"
dest="$drive_c/Program Files/Hello Palm"
rm -rf "$dest"
install_stub "HelloSetup.exe" "$e2e/sample.payload"
start_installer 'C:\qs\HelloSetup.exe'

drive "wait-form 30" "wait-page Welcome 10" "expect-title Hello Palm Setup" \
  "expect-text Label1 Welcome to Hello Palm" "expect-visible MemoWelcome 1" \
  "expect-contains MemoWelcome Hello Palm greets you" "expect-enabled BPrev 0"
shot sample-0-welcome
drive "click BNext" "wait-page Licence 10" "expect-text Label3 Licence agreement" \
  "expect-contains MemoLicence 2001 Quillset sample authors"
shot sample-1-licence
drive "click BNext" "wait-page Destination_Dir 10" "expect-text DirectoryEdit1 C:\\Program Files\\Hello Palm"
shot sample-2-directory
drive "click BNext" "wait-page SelectModule 10" \
  "expect-tree Tree1 0 - Handheld|1 0 Hello Palm application|1 0 Greetings database|0 - Desktop|1 0 Hello Palm desktop companion|1 0 Hello Palm readme|0 - Runtime|1 0 QsRuntime.prc" \
  "click Button1" "sleep 300" \
  "expect-tree Tree1 0 - Handheld|1 1 Hello Palm application|1 1 Greetings database|0 - Desktop|1 1 Hello Palm desktop companion|1 1 Hello Palm readme|0 - Runtime|1 1 QsRuntime.prc"
shot sample-3-modules
drive "click BNext" "wait-page Select_User 10" "click Button3" "sleep 300" \
  "expect-tree CkUserList 0 - Users|1 1 Ann Example|1 1 Bob"
shot sample-4-users
drive "click BNext" "wait-page Finish 60" "expect-text Label6 Hello Palm is installed" "expect-text BCancel &Quit"
shot sample-5-finish
drive "click BCancel" "wait-gone 15"
wait_installer

# Handheld files: queued in each chosen user's install folder, flags set.
for folder in ExampleA BobB; do
  for f in HelloPalm.prc HelloData.pdb QsRuntime.prc; do
    check cmp "$drive_c/Palm/$folder/Install/$f" "$product/palm/$f"
  done
done
reg_export 'HKEY_CURRENT_USER\Software\U.S. Robotics\Pilot Desktop\HotSync Manager' "$logs/sample-flags.reg"
flags="$(cat "$logs/sample-flags.reg")"
echo "$flags"
check grep -q '"Install1"=dword:00000001' <<<"$flags"
check grep -q '"Install3"=dword:00000001' <<<"$flags"

# PC files and the extra copy of the database; the companion ran from the destination directory.
check cmp "$dest/HELLO.EXE" "$product/bin/HELLO.EXE"
check cmp "$dest/readme.txt" "$product/readme.txt"
check cmp "$dest/HelloData.pdb" "$product/palm/HelloData.pdb"
check test ! -e "$dest/HelloPalm.prc"
check grep -q 'program=C:\\Program Files\\Hello Palm\\HELLO.EXE' "$dest/HELLO.RUN"

# The readme's shortcut in the Start menu's program group.
lnk="$(find "$drive_c/users" -path '*Hello Palm/Hello Palm readme.lnk' | head -1)"
check test -n "$lnk"
check test "$(lnk_field "$lnk" 'Local path')" = 'C:\Program Files\Hello Palm\readme.txt'
check test -z "$(lnk_field "$lnk" 'Working directory')"
check test -z "$(lnk_field "$lnk" 'Command line arguments')"

# The conduit: run once, with the program directory, beside its library; both deleted afterwards.
log="$drive_c/qs/CONDREG.LOG"
cat "$log"
check grep -q '^args=C:\\qs\\' "$log"
check grep -q '^library=200' "$log"
check test "$(grep -c '^cmdline=' "$log")" -eq 1
rm -f "$log"
only_stub_left "HelloSetup.exe"
