# Cancel asks the product's own question (idExit / idStop from the payload): No stays on the page,
# Yes ends the program without installing anything.
source "$here/products/mini.sh"
mini_installer "MiniCancel.exe" \
  's/^\[messages\]/[messages]\nidExit = "Leave Mini Setup now?"\nidStop = "Mini Setup: leave"/'
palm_desktop "U.S. Robotics" 'C:\Palm' "1:Ann Example:ExampleA"
rm -rf "$drive_c/Mini"
start_installer 'C:\qs\MiniCancel.exe'

drive "wait-form 30" "wait-page Welcome 10" "click BNext" "wait-page Licence 10" \
  "expect-contains MemoLicence Mini licence line two." \
  "click BCancel" "wait-msgbox 10" "expect-msgbox Mini Setup: leave|Leave Mini Setup now?"
shot cancel-question
drive "answer no" "sleep 500" "expect-page Licence" "expect-enabled BNext 1" \
  "click BNext" "wait-page Destination_Dir 10" \
  "click BCancel" "wait-msgbox 10" "expect-msgbox Mini Setup: leave|Leave Mini Setup now?" "answer yes" "wait-gone 15"
wait_installer
check test -z "$(installed_in Palm ExampleA)"
check test ! -e "$drive_c/Mini"
check test -z "$(hotsync_flags "U.S. Robotics")"
only_stub_left "MiniCancel.exe"
