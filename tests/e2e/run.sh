#!/usr/bin/env bash
# End-to-end runs of the real Quillset.exe under Wine on a virtual X display.
#
#   tests/e2e/run.sh [SCENARIO...]       (default: every scenario in scenarios/)
#
# Environment: QS_WIN_BUILD  the Windows build directory holding src/app/Quillset.exe and
#                            tests/e2e/driver/qsdrive.exe (default build/windows)
#              QS_E2E_DIR    where the prefix, logs and screenshots go (default build/e2e)
#              QS_E2E_KEEP   1: keep the Wine prefix of an earlier run instead of making a new one
#              QS_E2E_VISIBLE 1: show the windows on $DISPLAY when it answers, instead of on Xvfb
#
# A throw-away Wine prefix is made once per run and shared by the scenarios; each scenario resets
# the registry keys and folders it uses. The wizard is driven by qsdrive.exe (tests/e2e/driver),
# screenshots of each page land in $QS_E2E_DIR/shots, Wine's output in $QS_E2E_DIR/logs.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
cd "$root"

build="${QS_WIN_BUILD:-build/windows}"
e2e="${QS_E2E_DIR:-build/e2e}"
mkdir -p "$e2e"
build="$(cd "$build" && pwd)"
e2e="$(cd "$e2e" && pwd)"
stub="$build/src/app/Quillset.exe"
driver="$build/tests/e2e/driver/qsdrive.exe"
for f in "$stub" "$driver"; do
  [ -f "$f" ] || { echo "e2e: missing $f (build the windows preset first)" >&2; exit 2; }
done

export WINEPREFIX="$e2e/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32
logs="$e2e/logs"
shots="$e2e/shots"
rm -rf "$logs" "$shots"
mkdir -p "$logs" "$shots"

source "$here/lib.sh"

# ---- the display and the prefix ------------------------------------------------------------
xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

display=""
# QS_E2E_VISIBLE=1: use the caller's display when it answers (the demo's visible window).
if [ "${QS_E2E_VISIBLE:-0}" = 1 ] && [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  display="$DISPLAY"
fi
for n in $(seq 91 120); do
  [ -n "$display" ] && break
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "e2e: no free X display" >&2; exit 2; }
if [ "$display" != "${DISPLAY:-}" ]; then
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$logs/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY="$display"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi

if [ "${QS_E2E_KEEP:-0}" != 1 ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
  rm -rf "$WINEPREFIX"
  step "creating the Wine prefix"
  wineboot -i >"$logs/wineboot.log" 2>&1
  wineserver -w
fi
# The caption buttons of Wine's own window frames are drawn with Marlett.
if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
# One server for the whole run: every wine command below attaches to it.
wineserver -p
drive_c="$WINEPREFIX/drive_c"
# Wine has no Times New Roman, which the wizard's headings use: Liberation Serif has the same
# metrics, so the pages show their real layout.
for f in /usr/share/fonts/truetype/liberation/LiberationSerif-*.ttf; do
  if [ -f "$f" ] && [ ! -f "$drive_c/windows/Fonts/${f##*/}" ]; then cp "$f" "$drive_c/windows/Fonts/"; fi
done
reg_import <<'REG'
[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Times New Roman"="Liberation Serif"
REG

# ---- scenarios -------------------------------------------------------------------------------
scenarios=("$@")
if [ ${#scenarios[@]} -eq 0 ]; then
  for f in "$here"/scenarios/*.sh; do scenarios+=("$(basename "$f" .sh)"); done
fi
failed=()
for s in "${scenarios[@]}"; do
  step "scenario $s"
  # Not in an "if": errexit must stay in force inside the scenario.
  set +e
  (
    set -euo pipefail
    source "$here/scenarios/$s.sh"
  ) >"$logs/$s.log" 2>&1
  rc=$?
  set -e
  if [ $rc -eq 0 ]; then
    echo "PASS $s"
  else
    echo "FAIL $s (log: $logs/$s.log)"
    import -window root -display "$DISPLAY" "$shots/$s-failure.png" 2>/dev/null || true
    tail -25 "$logs/$s.log" | sed 's/^/    /'
    failed+=("$s")
    stop_installer
  fi
done
echo "screenshots: $shots"
[ ${#failed[@]} -eq 0 ] || { echo "e2e: ${#failed[@]} scenario(s) failed: ${failed[*]}"; exit 1; }
echo "e2e: all ${#scenarios[@]} scenario(s) passed"
