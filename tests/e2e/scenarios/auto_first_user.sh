# AutoInstallFirstUser: the Select_User page is skipped both ways and the handheld files go to the
# first Palm Desktop user of the list (position 0), whose HotSync flag alone is set. Back from
# SelectModule still goes to the directory page.
source "$here/products/mini.sh"
mini_installer "MiniAuto.exe" 's/^AutoInstallFirstUser = .*/AutoInstallFirstUser = true/' \
  's/^Copyright = .*/Copyright = false/' 's/^directory = .*/directory = "C:\\\\Mini Auto"/'
palm_desktop "Palm Computing" 'C:\PalmA' "5:Cara:CaraC" "2:Dan:DanD"
rm -rf "$drive_c/Mini Auto"
start_installer 'C:\qs\MiniAuto.exe'

drive "wait-form 30" "wait-page Welcome 10" "expect-title Mini Setup" \
  "click BNext" "wait-page Destination_Dir 10" "expect-text DirectoryEdit1 C:\\Mini Auto" \
  "click BNext" "wait-page SelectModule 10" \
  "click BPrev" "wait-page Destination_Dir 10" "click BNext" "wait-page SelectModule 10" \
  "click Button1" "sleep 300" \
  "expect-tree Tree1 0 - Handheld|1 1 Mini application|1 1 Mini notes|0 - Desktop|1 1 Mini readme" \
  "click BNext" "wait-page Finish 60" "expect-text BCancel &Quit" "expect-enabled BNext 0"
drive "click BCancel" "wait-gone 15"
wait_installer

check test "$(installed_in PalmA CaraC)" = "MINI.PRC NOTES.PDB"
check test -z "$(installed_in PalmA DanD)"
check cmp "$drive_c/PalmA/CaraC/Install/MINI.PRC" "$mini_dir/palm/MINI.PRC"
flags="$(hotsync_flags "Palm Computing")"
echo "flags: $flags"
check test "$flags" = '"Install5"=dword:00000001'
check cmp "$drive_c/Mini Auto/readme.txt" "$mini_dir/readme.txt"
only_stub_left "MiniAuto.exe"
