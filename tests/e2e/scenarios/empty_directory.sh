# Licence and directory pages switched off and an empty default directory: Next from Welcome shows
# the directory page with the error box; a directory of spaces is still empty; once one is typed
# the walk goes on. One module and one user are ticked with Space on the selected node; Next with no
# user ticked keeps the Select_User page with its error box. Only the ticked module reaches only
# the ticked user; the unticked PC file is not written.
source "$here/products/mini.sh"
mini_installer "MiniNoDir.exe" 's/^Copyright = .*/Copyright = false/' \
  's/^CKDisplaySelectDirectory = .*/CKDisplaySelectDirectory = false/' 's/^directory = .*/directory = ""/'
palm_desktop "U.S. Robotics" 'C:\Palm' "1:Ann Example:ExampleA" "3:Bob:BobB"
rm -rf "$drive_c/Typed Dir"
start_installer 'C:\qs\MiniNoDir.exe'

drive "wait-form 30" "wait-page Welcome 10" "click BNext" "wait-msgbox 10" \
  "expect-msgbox Parameter information|Directory is empty. Please indicate a directory." "expect-page Destination_Dir"
shot empty-directory-error
drive "answer ok" "sleep 300" "expect-page Destination_Dir" "expect-text DirectoryEdit1 " \
  "settext DirectoryEdit1    " "click BNext" "wait-msgbox 10" \
  "expect-msgbox Parameter information|Directory is empty. Please indicate a directory." "answer ok" "sleep 300" \
  "expect-page Destination_Dir" "settext DirectoryEdit1 C:\\Typed Dir" "click BNext" "wait-page SelectModule 10" \
  "expect-tree Tree1 0 - Handheld|1 0 Mini application|1 0 Mini notes|0 - Desktop|1 0 Mini readme" \
  "tree-space Tree1 Handheld/Mini notes" "sleep 300" \
  "expect-tree Tree1 0 - Handheld|1 0 Mini application|1 1 Mini notes|0 - Desktop|1 0 Mini readme" \
  "click BNext" "wait-page Select_User 10" "expect-tree CkUserList 0 - Users|1 0 Ann Example|1 0 Bob" \
  "click BNext" "wait-msgbox 10" "expect-msgbox User selection|You must select at once one user." "answer ok" \
  "sleep 300" "expect-page Select_User" \
  "tree-space CkUserList Users/Bob" "sleep 300" "expect-tree CkUserList 0 - Users|1 0 Ann Example|1 1 Bob" \
  "click BNext" "wait-page Finish 60"
drive "click BCancel" "wait-gone 15"
wait_installer

check test "$(installed_in Palm BobB)" = "NOTES.PDB"
check test -z "$(installed_in Palm ExampleA)"
flags="$(hotsync_flags "U.S. Robotics")"
echo "flags: $flags"
check test "$flags" = '"Install3"=dword:00000001'
check test ! -e "$drive_c/Typed Dir/readme.txt"
only_stub_left "MiniNoDir.exe"
