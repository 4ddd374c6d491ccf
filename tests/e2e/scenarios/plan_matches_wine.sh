# "quillset plan" against the real run: the sample product's installer installed under Wine for two
# Palm Desktop users (every module, both users), and the plan of the same installer on a copy of the
# same desktop. Both must queue the same files for the same users, set the same HotSync flags, write
# the same files into the destination directory, make the same shortcut and start the same program
# and conduit registration.
#
# Needs the native tool (QS_TOOL, default build/native/tools/quillset/quillset) and the sample
# product that the Windows build stages ($QS_WIN_BUILD/sample-product).
tool="${QS_TOOL:-$root/build/native/tools/quillset/quillset}"
product="$build/sample-product"
cmake --build "$build" --target sample_product >"$logs/plan-product-build.log" 2>&1
check test -x "$tool"
"$tool" build "$product/quillset.toml" --payload-only -o "$e2e/plan.payload"
cat "$stub" "$e2e/plan.payload" >"$e2e/PlanSetup.exe"

palm_desktop "U.S. Robotics" 'C:\Palm' "1:Ann Example:ExampleA" "3:Bob:BobB"
dest="$drive_c/Program Files/Hello Palm"
rm -rf "$dest"

# The same desktop for plan, taken before the installer runs: the Palm Desktop's folder, its keys
# and the Start menu's Programs folder as Wine has them.
desk="$e2e/plan-desktop"
rm -rf "$desk"
mkdir -p "$desk/C"
cp -r "$drive_c/Palm" "$desk/C/Palm"
reg_export 'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' "$logs/plan-shell.reg"
programs="$(grep -i '^"Programs"=' "$logs/plan-shell.reg")"
check test -n "$programs"
progdir="$(sed 's/^"Programs"="[A-Za-z]:\\\\//; s/"$//; s/\\\\/\//g' <<<"$programs")"
mkdir -p "$desk/C/$progdir"
printf '%s\r\n' REGEDIT4 '' '[HKEY_CURRENT_USER\Software\U.S. Robotics\Pilot Desktop\Core]' '"Path"="C:\\Palm"' '' \
  '[HKEY_CURRENT_USER\Software\U.S. Robotics\Pilot Desktop\HotSync Manager]' '' \
  '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]' "$programs" >"$desk/desktop.reg"
"$tool" plan "$e2e/PlanSetup.exe" --registry "$desk/desktop.reg" --drive "C=$desk/C" --program 'C:\qs\PlanSetup.exe' \
  >"$logs/plan.txt"
cat "$logs/plan.txt"

# The real run, every module and both users.
install_stub "PlanSetup.exe" "$e2e/plan.payload"
start_installer 'C:\qs\PlanSetup.exe'
drive "wait-form 30" "wait-page Welcome 10" "click BNext" "wait-page Licence 10" "click BNext" \
  "wait-page Destination_Dir 10" "click BNext" "wait-page SelectModule 10" "click Button1" "sleep 300" \
  "click BNext" "wait-page Select_User 10" "click Button3" "sleep 300" "click BNext" "wait-page Finish 60" \
  "click BCancel" "wait-gone 15"
wait_installer

# Windows paths of the files below a Unix folder of drive C, sorted.
win_paths() { find "$@" -type f | sed "s|^$drive_c|C:|; s|/|\\\\|g" | sort; }
# The lines of the plan that start with a label, the label and what follows " (" taken away.
plan_lines() { sed -n "s/^  $1 *//p" "$logs/plan.txt" | sed 's/ ([^(]*)$//' | sort; }
same() {
  if [ "$2" != "$3" ]; then
    printf '%s differ:\n-- Wine:\n%s\n-- plan:\n%s\n' "$1" "$2" "$3" >&2
    return 1
  fi
}

# Queued files per user (the user's folder), and the HotSync flags set.
same "queued files" "$(win_paths "$drive_c/Palm/ExampleA/Install" "$drive_c/Palm/BobB/Install")" \
  "$(plan_lines queued | sed 's/^[^:]*: //' | sort)"
check grep -q '^  queued    Ann Example: C:\\Palm\\ExampleA\\Install\\' "$logs/plan.txt"
check grep -q '^  queued    Bob: C:\\Palm\\BobB\\Install\\' "$logs/plan.txt"
reg_export 'HKEY_CURRENT_USER\Software\U.S. Robotics\Pilot Desktop\HotSync Manager' "$logs/plan-flags.reg"
same "HotSync flags" "$(grep -o '^"Install[0-9]*"=dword:00000001' "$logs/plan-flags.reg" | sort)" \
  "$(sed -n 's/^  value .*HotSync Manager "\(Install[0-9]*\)" = REG_DWORD 1.*/"\1"=dword:00000001/p' "$logs/plan.txt" | sort)"

# Files in the destination directory (HELLO.RUN is written by the program that ran, not the installer).
same "destination files" "$(win_paths "$dest" ! -name HELLO.RUN)" "$(plan_lines file)"

# The shortcut: its link (below the Programs folder) and its target.
lnk="$(find "$drive_c/users" -path '*Hello Palm/Hello Palm readme.lnk' | head -1)"
check test -n "$lnk"
same "shortcuts" "$(echo "$lnk" | sed "s|^$drive_c|C:|; s|/|\\\\|g") -> $(lnk_field "$lnk" 'Local path')" \
  "$(plan_lines shortcut | sort -u)"

# The programs: the companion (run and waited for, once per user) and the conduit's registration tool.
same "programs" "$(sed -n 's/^program=//p' "$dest/HELLO.RUN" | tr -d '\r')" \
  "$(plan_lines program | sort -u | sed 's/^"\(.*\)" *$/\1/')"
check test "$(plan_lines program | wc -l)" -eq 2
check grep -q '(waited for, regular)' "$logs/plan.txt"
cond="$drive_c/qs/CONDREG.LOG"
same "conduit registration" "$(sed -n 's/^cmdline=//p' "$cond" | tr -d '\r')" \
  "$(sed -n 's/^conduit     registered: //p' "$logs/plan.txt")"
rm -f "$cond"
check grep -q '^finished' "$logs/plan.txt"
