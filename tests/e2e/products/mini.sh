# The small product of products/mini, built into an installer with changes to its manifest.
# Sourced by scenarios (run.sh's variables: $here, $root, $e2e, $logs, $drive_c).
#
#   mini_installer SETUP.exe [SED-EXPRESSION...]
#
# copies products/mini to $e2e/mini-SETUP, applies each sed expression to its quillset.toml, builds
# the payload with the native tool (QS_TOOL) and places the installer as C:\qs\SETUP.exe.
# The built manifest is left in $mini_dir for the scenario's checks.
mini_tool="${QS_TOOL:-$root/build/native/tools/quillset/quillset}"
mini_installer() {
  local setup="$1" e
  shift
  mini_dir="$e2e/mini-${setup%.*}"
  rm -rf "$mini_dir"
  cp -r "$here/products/mini" "$mini_dir"
  for e in "$@"; do sed -i "$e" "$mini_dir/quillset.toml"; done
  "$mini_tool" build "$mini_dir/quillset.toml" --payload-only -o "$mini_dir/payload" >"$logs/build-$setup.log" 2>&1 ||
    { cat "$logs/build-$setup.log"; return 1; }
  install_stub "$setup" "$mini_dir/payload"
}

# installed_in DIR FOLDER: the handheld files queued in C:\DIR\FOLDER\Install, sorted, on one line.
installed_in() {
  local d="$drive_c/$1/$2/Install"
  [ -d "$d" ] || { echo; return; }
  find "$d" -type f -printf '%f\n' | sort | tr '\n' ' ' | sed 's/ $//'
}

# hotsync_flags VENDOR: the Install<n> values of the HotSync Manager key, sorted, on one line.
hotsync_flags() {
  reg_export "HKEY_CURRENT_USER\\Software\\$1\\Pilot Desktop\\HotSync Manager" "$logs/flags.reg"
  grep -o '"Install[0-9]*"=dword:[0-9a-f]*' "$logs/flags.reg" | sort | tr '\n' ' ' | sed 's/ $//'
}
