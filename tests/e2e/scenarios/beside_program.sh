# A loose distribution: the user's own files beside the installer share their names with a module
# (a handheld file and a PC file) and with the module list. The installation completes and
# installs the payload's files, each of the user's files stays byte for byte as it was, and the
# installer's private temporary folder is gone afterwards.
source "$here/products/mini.sh"
mini_installer "MiniBeside.exe"
palm_desktop "U.S. Robotics" 'C:\Palm' "1:Ann Example:ExampleA"
rm -rf "$drive_c/Mini"
mine=(MINI.PRC readme.txt ILIST.QSP)
for f in "${mine[@]}"; do printf 'the user'"'"'s own %s\r\n' "$f" >"$drive_c/qs/$f"; done
rm -rf "$e2e/beside-before"
cp -r "$drive_c/qs" "$e2e/beside-before"
private() { find "$drive_c/users" -maxdepth 6 -type d -iname 'QS??????.TMP' 2>/dev/null || true; }
check test -z "$(private)"
start_installer 'C:\qs\MiniBeside.exe'

drive "wait-form 30" "wait-page Welcome 10" "click BNext" "wait-page Licence 10" \
  "click BNext" "wait-page Destination_Dir 10" "click BNext" "wait-page SelectModule 10" \
  "expect-tree Tree1 0 - Handheld|1 0 Mini application|1 0 Mini notes|0 - Desktop|1 0 Mini readme" \
  "click Button1" "sleep 300" "click BNext" "wait-page Select_User 10" "click Button3" "sleep 300" \
  "click BNext" "wait-page Finish 60" "click BCancel" "wait-gone 15"
wait_installer

check test "$(installed_in Palm ExampleA)" = "MINI.PRC NOTES.PDB"
check cmp "$drive_c/Palm/ExampleA/Install/MINI.PRC" "$mini_dir/palm/MINI.PRC"
check cmp "$drive_c/Mini/readme.txt" "$mini_dir/readme.txt"
# Beside the installer: exactly what was there, unchanged.
check diff -r "$e2e/beside-before" "$drive_c/qs"
check test -z "$(private)"
