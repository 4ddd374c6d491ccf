# No Palm Desktop in the registry: start-up asks with the built-in question (even though this
# payload brings its own idDesktopAsk / idDesktop). No ends the program; Yes opens the wizard with
# a "Users" node that has no users, so Select_User cannot be passed and Cancel is the way out.
source "$here/products/mini.sh"
mini_installer "MiniNoDesk.exe" 's/^Copyright = .*/Copyright = false/' \
  's/^\[messages\]/[messages]\nidDesktopAsk = "Not shown"\nidDesktop = "Not shown either"/'
palm_desktop none
ask="Desktop installation ..|It seems that the Palm Desktop was not installed on this computer. Since this component is necessary to complete the installation do you want to continue anyway ?"

start_installer 'C:\qs\MiniNoDesk.exe'
drive "wait-startbox 30" "expect-msgbox $ask"
shot desktop-missing-question
drive "wait-startbox 5" "answer no" "wait-gone 15"
wait_installer
only_stub_left "MiniNoDesk.exe"

start_installer 'C:\qs\MiniNoDesk.exe'
drive "wait-startbox 30" "expect-msgbox $ask" "answer yes"
drive "wait-form 30" "wait-page Welcome 10" "expect-title Mini Setup" \
  "click BNext" "wait-page Destination_Dir 10" "click BNext" "wait-page SelectModule 10" \
  "click BNext" "wait-page Select_User 10" "expect-tree CkUserList 0 - Users" \
  "click Button3" "sleep 300" "expect-tree CkUserList 0 - Users" \
  "click BNext" "wait-msgbox 10" "expect-msgbox User selection|You must select at once one user." "answer ok" \
  "sleep 300" "expect-page Select_User" \
  "click BCancel" "wait-msgbox 10" "answer yes" "wait-gone 15"
wait_installer
check test ! -e "$drive_c/Mini"
only_stub_left "MiniNoDesk.exe"
