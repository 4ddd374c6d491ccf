#!/usr/bin/env bash
# Start-up of the installer under Wine, beside an NSIS installer of the same files, in one run.
#
#   tests/bench/startup_wine.sh [RUNS]      (default 7 runs of each installer)
#
# The product: about 200 files / 23 MB found on this machine (text, then binaries, as the mix of
# scripts/bench.sh). Three installers of it, started one after the other in turns (the order
# rotates each round) under one Xvfb display and one Wine prefix whose server is kept alive (so
# neither the server's start nor the prefix's set-up is measured):
#   quillset  Quillset.exe with the product's payload (quillset build, one module per file);
#   nsis      an NSIS installer of the same files: a directory page and an install-files page,
#             makensis's default compression (zlib, file by file) and its default CRC check of the
#             whole installer at start;
#   floor     Quillset.exe with a payload of one small file: what starting any installer costs.
# Each run is the wall time from starting "wine INSTALLER" until a visible top-level window with the
# installer's title exists (first_window.c, from X events), then the installer is killed. Prints the
# median and the spread (min, max) of each, and the ratio quillset/nsis (goal: at most 1.5). Nothing
# passes or fails on a time; a machine without Wine (or one that cannot run 32-bit programs),
# Xvfb, makensis or the X headers is told so and the script ends with status 0.
#
# Environment: QS_WIN_BUILD  the Windows build directory (default build/windows; its Quillset is built)
#              QS_TOOL       the native tool (default build/native/tools/quillset/quillset; built)
#              QS_STUB_BEFORE another Quillset.exe (say, of an earlier commit): its installer of the same
#                            payload is timed in the same turns as "before", with its own ratio to NSIS
#              QS_BENCH_DIR  where the product, the installers and the prefix go (default build/bench-startup;
#                            the prefix is kept for the next run)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
cd "$root"
runs="${1:-7}"

skip() {
  echo "startup_wine: skipped: $*"
  exit 0
}
for c in wine wineserver wineboot Xvfb makensis cc python3; do
  command -v "$c" >/dev/null 2>&1 || skip "$c is not installed"
done
[ -f /usr/include/X11/Xlib.h ] || skip "the X headers (libx11-dev) are not installed"
WINEDEBUG=-all wine --version >/dev/null 2>&1 || skip "Wine does not start here (a kernel without 32-bit programs?)"

# ---- builds ----------------------------------------------------------------------------------
build="${QS_WIN_BUILD:-build/windows}"
tool="${QS_TOOL:-build/native/tools/quillset/quillset}"
if [ -z "${QS_WIN_BUILD:-}" ]; then
  bash scripts/deps-libjpeg-win32.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target Quillset >/dev/null
fi
if [ -z "${QS_TOOL:-}" ]; then
  cmake --preset native >/dev/null
  cmake --build --preset native --target quillset >/dev/null
fi
stub="$build/src/app/Quillset.exe"
[ -f "$stub" ] && [ -x "$tool" ] || { echo "startup_wine: missing $stub or $tool" >&2; exit 2; }

dir="${QS_BENCH_DIR:-build/bench-startup}"
mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"
work="$dir/work"
rm -rf "$work"
mkdir -p "$work/product/text" "$work/product/bin" "$work/floor"
cc -O2 -Wall -Wextra -o "$work/first_window" "$here/first_window.c" -lX11

# ---- the product -----------------------------------------------------------------------------
# 100 text files of 24 to 256 KB (about 6 MB), then 100 binaries of 96 to 320 KB (about 17 MB),
# each list in path order (a list stops early past 7 or 17 MB); copied as t000.txt ... and b000.bin ....
python3 - "$work/product" <<'PY'
import os, shutil, sys
out = sys.argv[1]
def gather(roots, exts, lo, hi, count, budget, sub, pattern):
    files = []
    for root in roots:
        for d, _, names in os.walk(root):
            for n in names:
                p = os.path.join(d, n)
                if os.path.islink(p) or not os.path.isfile(p): continue
                if exts and os.path.splitext(n)[1] not in exts: continue
                if lo <= os.path.getsize(p) <= hi: files.append(p)
    taken = 0
    for i, f in enumerate(sorted(files)):
        if i >= count or taken >= budget: break
        try:
            shutil.copyfile(f, os.path.join(out, sub, pattern % i))
        except OSError:
            continue
        taken += os.path.getsize(f)
gather(["/usr/include", "/usr/share/doc"], [".h", ".hpp", ".txt", ".md", ".html", ""], 24 << 10, 256 << 10, 100, 7 << 20, "text", "t%03d.txt")
gather(["/usr/bin", "/usr/lib/x86_64-linux-gnu"], [], 96 << 10, 320 << 10, 100, 17 << 20, "bin", "b%03d.bin")
PY
mapfile -t files < <(cd "$work/product" && find text bin -type f | sort)
bytes=$(cd "$work/product" && cat "${files[@]}" | wc -c)

# The manifests: every file a module of the Quillset installer, in one group per folder. A Palm
# Desktop is set up below, so no question comes before the first window.
manifest() {
  cat <<EOF
caption = "$1"
directory = "C:\\\\StartupBench"

[options]
Copyright = false
Welcome = false
AutoInstallFirstUser = false
CKInstallDoviConduit = false
CKDisplaySelectDirectory = true
EOF
}
{
  manifest "QS Bench Setup"
  for f in "${files[@]}"; do
    printf '\n[[module]]\nfile = "%s"\ntitle = "%s"\ngroup = "%s"\n' "$f" "${f##*/}" "${f%%/*}"
  done
} >"$work/product/quillset.toml"
echo "startup_wine floor file" >"$work/floor/readme.txt"
{
  manifest "QS Floor Setup"
  printf '\n[[module]]\nfile = "readme.txt"\ntitle = "readme"\ngroup = "Desktop"\n'
} >"$work/floor/quillset.toml"
"$tool" build "$work/product/quillset.toml" --payload-only -o "$work/big.payload" >"$work/build-big.log" 2>&1 ||
  { cat "$work/build-big.log"; exit 1; }
"$tool" build "$work/floor/quillset.toml" --payload-only -o "$work/floor.payload" >"$work/build-floor.log" 2>&1 ||
  { cat "$work/build-floor.log"; exit 1; }

{
  printf 'Name "NSIS Bench"\nCaption "NSIS Bench Setup"\nOutFile "%s"\n' "$work/nsis.exe"
  printf 'InstallDir "C:\\StartupBench"\nRequestExecutionLevel user\nPage directory\nPage instfiles\n'
  printf 'Section\n  SetOutPath "$INSTDIR"\n'
  for f in "${files[@]}"; do printf '  File "%s"\n' "$work/product/$f"; done
  printf 'SectionEnd\n'
} >"$work/nsis.nsi"
makensis -V1 "$work/nsis.nsi" >"$work/makensis.log" 2>&1 || { cat "$work/makensis.log"; exit 1; }

# ---- display and prefix ----------------------------------------------------------------------
export WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32
xvfb_pid=""
keeper_pid=""
cleanup() {
  [ -n "$keeper_pid" ] && kill "$keeper_pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
display=""
for n in $(seq 151 180); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "startup_wine: no free X display" >&2; exit 2; }
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done

mkdir -p "$work/logs"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >"$work/logs/wineboot.log" 2>&1
  wineserver -w
fi
wineserver -p
# A resident program of the prefix (a console waiting for a line that never comes) keeps Wine's own
# processes (desktop, services) running between the runs, as on a machine in use.
mkfifo "$work/keeper"
exec 9<>"$work/keeper"
wine cmd /c pause <"$work/keeper" >"$work/logs/keeper.log" 2>&1 &
keeper_pid=$!

# A Palm Desktop with one user: the installers start straight into their windows.
logs="$work/logs"
drive_c="$WINEPREFIX/drive_c"
source "$root/tests/e2e/lib.sh"
palm_desktop "U.S. Robotics" 'C:\Palm' "1:Bench User:BenchU"

mkdir -p "$drive_c/bench"
cat "$stub" "$work/big.payload" >"$drive_c/bench/qs-big.exe"
cat "$stub" "$work/floor.payload" >"$drive_c/bench/qs-floor.exe"
if [ -n "${QS_STUB_BEFORE:-}" ]; then cat "$QS_STUB_BEFORE" "$work/big.payload" >"$drive_c/bench/qs-before.exe"; fi
cp "$work/nsis.exe" "$drive_c/bench/nsis.exe"

# ---- the runs --------------------------------------------------------------------------------
declare -A title=([quillset]="QS Bench Setup" [nsis]="NSIS Bench Setup" [floor]="QS Floor Setup" [before]="QS Bench Setup")
declare -A exe=([quillset]='C:\bench\qs-big.exe' [nsis]='C:\bench\nsis.exe' [floor]='C:\bench\qs-floor.exe'
  [before]='C:\bench\qs-before.exe')
declare -A times=([quillset]="" [nsis]="" [floor]="" [before]="")
order=(quillset nsis floor)
[ -n "${QS_STUB_BEFORE:-}" ] && order+=(before)
measure() {
  local t
  t="$("$work/first_window" "${title[$1]}" 60 wine "${exe[$1]}" 2>>"$work/logs/runs.log")" || t=timeout
  # Let the killed process leave the server before the next start.
  sleep 0.5
  echo "$t"
}
# One run of each first, not counted: file caches and Wine's own first-use work.
for k in "${order[@]}"; do measure "$k" >/dev/null; done
for ((r = 0; r < runs; r++)); do
  for ((i = 0; i < ${#order[@]}; i++)); do
    k="${order[$(((r + i) % ${#order[@]}))]}"
    t="$(measure "$k")"
    [ "$t" = timeout ] && { echo "startup_wine: $k showed no window \"${title[$k]}\" within 60 s" >&2; continue; }
    times[$k]+="$t "
  done
done

# ---- the table -------------------------------------------------------------------------------
payload=$(stat -c %s "$work/big.payload")
nsis_size=$(stat -c %s "$work/nsis.exe")
awk -v n="${#files[@]}" -v b="$bytes" -v p="$payload" -v s="$nsis_size" -v r="$runs" 'BEGIN {
  printf "==== installer start-up under Wine: %d files, %.1f MB (payload %.1f MB, NSIS installer %.1f MB);", n, b / 1048576, p / 1048576, s / 1048576
  printf " wall time to the first window, %d runs each\n", r }'
stats() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{v[NR]=$1} END {
  if (NR == 0) { print "- - - 0"; exit }
  m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
  printf "%.3f %.3f %.3f %d\n", m, v[1], v[NR], NR }'; }
declare -A med
for k in "${order[@]}"; do
  read -r m lo hi n < <(stats <<<"${times[$k]}")
  med[$k]=$m
  printf '%-9s median %6s s   min %6s s   max %6s s   (%s runs)\n' "$k" "$m" "$lo" "$hi" "$n"
done
awk -v q="${med[quillset]}" -v s="${med[nsis]}" -v f="${med[floor]}" 'BEGIN {
  if (q == "-" || s == "-" || f == "-") { print "no ratio: an installer never showed its window"; exit }
  printf "ratio quillset/nsis %.2f (goal at most 1.5); quillset less the floor %.3f s\n", q / s, q - f }'
if [ -n "${QS_STUB_BEFORE:-}" ]; then
  awk -v b="${med[before]}" -v q="${med[quillset]}" -v s="${med[nsis]}" 'BEGIN {
    if (b == "-" || q == "-" || s == "-") exit
    printf "before: ratio before/nsis %.2f; this stub takes %.2f of the time before\n", b / s, q / b }'
fi
