# Helpers of the end-to-end runs (sourced by run.sh; the scenarios use them).
# Expects: WINEPREFIX, DISPLAY, $stub, $driver, $logs, $shots, $drive_c, $here.

step() { echo "-- $(date +%T) $*"; }

# The Unix path of a path on drive C: ("C:\Palm\users.dat" -> $drive_c/Palm/users.dat).
unix_path() {
  local p="${1#[Cc]:}"
  echo "$drive_c${p//\\//}"
}

# ---- registry --------------------------------------------------------------------------------

# Imports .reg text (REGEDIT4, code page 1252) given on stdin.
reg_import() {
  local f
  f="$(mktemp --tmpdir="$logs" reg-XXXX.reg)"
  { printf 'REGEDIT4\r\n\r\n'; sed 's/$/\r/'; } >"$f"
  wine regedit /S "$(winepath -w "$f")" >>"$logs/wine.log" 2>&1
}

# Exports a key to a file as 8-bit text (regedit writes UTF-16).
reg_export() {
  local key="$1" out="$2" tmp
  tmp="$(mktemp --tmpdir="$logs" export-XXXX.reg)"
  rm -f "$tmp"
  wine regedit /E "$(winepath -w "$tmp")" "$key" >>"$logs/wine.log" 2>&1 || true
  if [ ! -f "$tmp" ]; then : >"$out"; return; fi
  if head -c2 "$tmp" | od -An -tx1 | grep -q 'ff fe'; then
    iconv -f UTF-16 -t CP1252 "$tmp" | tr -d '\r' >"$out"
  else
    tr -d '\r' <"$tmp" >"$out"
  fi
  rm -f "$tmp"
}

# ---- the Palm Desktop ------------------------------------------------------------------------

# Writes users.dat: each user as NUMBER:NAME:FOLDER; entries after the first follow a filler that
# ends in the entry marker 01 80, as the Palm Desktop writes them.
write_users_dat() {
  local out="$1"
  shift
  {
    printf "\\x$(printf %02x $#)"
    printf '\x00%.0s' $(seq 12)
    local first=1 u num name folder
    for u in "$@"; do
      IFS=: read -r num name folder <<<"$u"
      if [ $first = 0 ]; then printf '\x00\x00\x07\x01\x80'; fi
      first=0
      printf "\\x$(printf %02x $((num & 255)))\\x$(printf %02x $((num >> 8)))\\x00\\x00"
      printf "\\x$(printf %02x ${#name})%s" "$name"
      printf "\\x$(printf %02x ${#folder})%s" "$folder"
      printf '\x00'
    done
  } >"$out"
}

# palm_desktop VENDOR DIR USER...: a Palm Desktop below HKCU\Software\VENDOR whose directory is DIR
# (a C: path) with the given users (NUMBER:NAME:FOLDER), each with an empty user folder.
# palm_desktop none: no Palm Desktop at all. Both vendor keys are removed first.
palm_desktop() {
  local vendor="$1"
  printf '[-HKEY_CURRENT_USER\\Software\\U.S. Robotics]\n[-HKEY_CURRENT_USER\\Software\\Palm Computing]\n' | reg_import
  [ "$vendor" = none ] && return
  local dir="$2"
  shift 2
  local udir
  udir="$(unix_path "$dir")"
  rm -rf "$udir"
  mkdir -p "$udir"
  local u num name folder
  for u in "$@"; do
    IFS=: read -r num name folder <<<"$u"
    mkdir -p "$udir/$folder"
  done
  write_users_dat "$udir/users.dat" "$@"
  reg_import <<EOF
[HKEY_CURRENT_USER\\Software\\$vendor\\Pilot Desktop\\Core]
"Path"="${dir//\\/\\\\}"

[HKEY_CURRENT_USER\\Software\\$vendor\\Pilot Desktop\\HotSync Manager]
EOF
}

# programs_folder WINPATH: the Start menu's Programs folder of the current user, as the shortcut
# step finds it (the value "Programs" of the shell's "Shell Folders" key), created empty.
# programs_folder none: the value removed.
programs_folder() {
  local key='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
  if [ "$1" = none ]; then
    printf '[%s]\n"Programs"=-\n' "$key" | reg_import
    return
  fi
  rm -rf "$(unix_path "$1")"
  mkdir -p "$(unix_path "$1")"
  printf '[%s]\n"Programs"="%s"\n' "$key" "${1//\\/\\\\}" | reg_import
}

# ---- the installer ---------------------------------------------------------------------------

installer_pid=""

# install_stub NAME [PAYLOAD]: C:\qs\NAME, the stub followed by the payload file (if any).
install_stub() {
  local dir="$drive_c/qs"
  rm -rf "$dir"
  mkdir -p "$dir"
  if [ $# -gt 1 ]; then cat "$stub" "$2" >"$dir/$1"; else cp "$stub" "$dir/$1"; fi
}

# start_installer WINPATH: runs it on the virtual desktop "qs" (output to the scenario's logs).
start_installer() {
  wine explorer /desktop=qs,1024x768 "$1" >>"$logs/installer.log" 2>&1 &
  installer_pid=$!
}

# drive COMMAND...: runs the driver (see tests/e2e/driver/qsdrive.c); fails with its output.
drive_n=0
drive() {
  drive_n=$((drive_n + 1))
  local log="$logs/drive-$drive_n.log"
  if wine "$driver" "$@" >"$log" 2>&1; then
    cat "$log"
  else
    cat "$log"
    return 1
  fi
}

# shot NAME: a screenshot of the whole display.
shot() {
  sleep 0.3
  import -window root -display "$DISPLAY" "$shots/$1.png"
}

# Waits for the installer's launcher to end (after the wizard has gone).
wait_installer() {
  local i
  for i in $(seq 100); do
    kill -0 "$installer_pid" 2>/dev/null || { installer_pid=""; return 0; }
    sleep 0.1
  done
  echo "the installer's launcher did not end" >&2
  return 1
}

# Ends every Wine process of the prefix (after a failure) and starts a fresh server.
stop_installer() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p
  installer_pid=""
}

# ---- checks ----------------------------------------------------------------------------------

check() {
  if ! "$@"; then
    echo "check failed: $*" >&2
    return 1
  fi
}

# No file is left behind in the program's directory but the program itself.
only_stub_left() {
  local dir="$drive_c/qs" extra
  extra="$(find "$dir" -mindepth 1 ! -name "$1" -printf '%f\n')"
  [ -z "$extra" ] || { echo "left in C:\\qs: $extra" >&2; return 1; }
}

# lnk_field FILE FIELD: a field of a shell link as lnkinfo reads it ("Local path", "Working
# directory", "Command line arguments"); an independent reader of the link format.
lnk_field() {
  lnkinfo "$1" 2>/dev/null | sed -n "s/^[[:space:]]*$2[[:space:]]*: \{0,1\}//p" | head -1
}
