# Built-in mode: a program file whose name contains "quillset" ignores any payload and shows the
# built-in wizard; Cancel asks first (No stays, Yes ends the program).
palm_desktop "U.S. Robotics" 'C:\Palm' "1:Ann Example:ExampleA" "3:Bob:BobB"
install_stub "MyQuillSetup.exe"
start_installer 'C:\qs\MyQuillSetup.exe'

drive "wait-form 30" "wait-page Welcome 10" "expect-title Installation" \
  "expect-text Label1 Welcome, " "expect-contains Label2 install %APPTITLE%." \
  "expect-enabled BPrev 0" "expect-enabled BNext 1" "expect-text BNext N&ext >" "expect-text BCancel Ca&ncel" \
  "expect-visible MemoWelcome 0"
shot builtin-0-welcome

drive "click BCancel" "wait-msgbox 10" \
  "expect-msgbox Cancel installation ...|Are you sure you want to exit ? If you exit now your program will not installed."
shot builtin-1-cancel-question
drive "answer no" "sleep 500" "expect-page Welcome"

drive "click BCancel" "wait-msgbox 10" "answer yes" "wait-gone 15"
wait_installer
only_stub_left "MyQuillSetup.exe"
