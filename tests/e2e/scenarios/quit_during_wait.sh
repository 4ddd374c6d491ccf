# A quit request while the installer waits for a program it started: Cancel on the Installation
# page asks its question, and Yes ends the installer at once. The started program keeps running,
# and the modules after it are not installed.
pause="$build/tests/e2e/driver/qspause.exe"
cmake --build "$build" --target qspause >"$logs/quit-build.log" 2>&1 || true
check test -f "$pause"
source "$here/products/mini.sh"
mkdir -p "$e2e/quit-bin"
cp "$pause" "$e2e/quit-bin/WAITER.EXE"
# The waiting program comes first, the handheld files after it.
mini_installer "MiniQuit.exe" \
  "s|^\[\[module\]\]$|[[module]]\nfile = \"$e2e/quit-bin/WAITER.EXE\"\ntitle = \"Waiter\"\ngroup = \"Desktop\"\naction = \"run-wait\"\n\n[[module]]|;T;:a;n;ba"
palm_desktop "U.S. Robotics" 'C:\Palm' "1:Ann Example:ExampleA"
rm -rf "$drive_c/Mini"
start_installer 'C:\qs\MiniQuit.exe'

drive "wait-form 30" "wait-page Welcome 10" "click BNext" "wait-page Licence 10" \
  "click BNext" "wait-page Destination_Dir 10" "click BNext" "wait-page SelectModule 10" \
  "click Button1" "sleep 300" "click BNext" "wait-page Select_User 10" "click Button3" "sleep 300" \
  "click BNext" "wait-page Installation 30"
for _ in $(seq 100); do [ -f "$drive_c/Mini/WAITER.EXE" ] && break; sleep 0.1; done
check test -f "$drive_c/Mini/WAITER.EXE"
sleep 0.5
drive "click BCancel" "wait-msgbox 10" "answer yes" "wait-gone 15"
# The installer's process is gone; the program it waited for is still there (and keeps Wine's
# desktop, the launcher, alive until it ends).
# (Wine shows a program's Windows path as its command line; the launcher's own line names it too.)
running() { ps -eo args= | grep -i "^[A-Z]:\\\\[^ ]*\\\\$1\$" || true; }
for _ in $(seq 100); do [ -z "$(running MiniQuit.exe)" ] && break; sleep 0.1; done
check test -z "$(running MiniQuit.exe)"
check test -n "$(running WAITER.EXE)"
: >"$drive_c/Mini/QSPAUSE.GO"
wait_installer
check test -z "$(running WAITER.EXE)"
# Nothing after the waiting program was installed.
check test -z "$(installed_in Palm ExampleA)"
check test ! -e "$drive_c/Mini/readme.txt"
