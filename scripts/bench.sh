#!/usr/bin/env bash
# Benchmarks: builds every benchmark of tests/bench (native preset) and runs each one. A benchmark
# measures our code beside its peers in the same run and prints the ratios at the end; nothing
# here passes or fails on a time. Arguments go to every benchmark (Google Benchmark flags, e.g.
# --benchmark_filter=mix or --benchmark_repetitions=3). Then the tool as whole processes: quillset
# pack / unpack beside lz4 -1 / lz4 -d on the same 50 MB mix, best wall time of three runs and peak
# resident memory; and quillset build of a 64 MB, 200-file product beside quillset pack of the same
# bytes as one file (reading and compressing them alone), with build's peak resident memory beside
# the installer's size. Last, the installer's start-up under Wine beside an NSIS installer of the
# same files (tests/bench/startup_wine.sh; told and left out where Wine, Xvfb or makensis is
# missing). Run it on a quiet machine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset native >/dev/null
make -C build/native/tests/bench -j2 --no-print-directory >/dev/null
make -C build/native quillset -j2 --no-print-directory >/dev/null
shopt -s nullglob
for bench in build/native/tests/bench/bench_*; do
  [ -x "$bench" ] || continue
  echo "==== $bench"
  "$bench" "$@" || echo "==== $bench failed (status $?)" >&2
done

# The mix of the in-memory benchmark: 25 MB of text, then 25 MB of binaries, files in path order.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 - "$work/mix" <<'PY'
import os, sys
def gather(roots, budget, exts, out):
    files = []
    for root in roots:
        for d, _, names in os.walk(root):
            for n in names:
                p = os.path.join(d, n)
                if os.path.isfile(p) and not os.path.islink(p) and (not exts or os.path.splitext(n)[1] in exts):
                    files.append(p)
    for f in sorted(files):
        if budget <= 0: break
        try:
            b = open(f, "rb").read(budget)
        except OSError:
            continue
        out.write(b); budget -= len(b)
with open(sys.argv[1], "wb") as out:
    gather(["/usr/include", "/usr/share/doc"], 25 << 20, [".h", ".hpp", ".txt", ".md", ".html", ""], out)
    gather(["/usr/bin", "/usr/lib/x86_64-linux-gnu"], 25 << 20, [], out)
PY
q=build/native/tools/quillset/quillset
# run NAME CMD...: prints "seconds kilobytes", the best time of three runs and the largest peak.
run() {
  local best="" peak=0 t m
  for _ in 1 2 3; do
    /usr/bin/time -o "$work/time" -f "%e %M" "$@" >/dev/null 2>&1
    read -r t m <"$work/time"
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
    if [ "$m" -gt "$peak" ]; then peak=$m; fi
  done
  echo "$best $peak"
}
size=$(stat -c %s "$work/mix")
"$q" pack "$work/mix" "$work/mix.gdg"
lz4 -q -1 -f "$work/mix" "$work/mix.lz4"
read -r qp qpm < <(run "$q" pack "$work/mix" "$work/p.gdg")
read -r lp lpm < <(run lz4 -q -1 -f "$work/mix" "$work/p.lz4")
read -r qu qum < <(run "$q" unpack "$work/mix.gdg" "$work/u.q")
read -r lu lum < <(run lz4 -q -d -f "$work/mix.lz4" "$work/u.lz4")
cmp -s "$work/mix" "$work/u.q" || { echo "unpack gave other bytes" >&2; exit 1; }
echo "==== whole processes on a $((size >> 20)) MB mix (best of 3 wall times, peak resident memory)"
awk -v s="$size" -v qp="$qp" -v lp="$lp" -v qu="$qu" -v lu="$lu" -v qpm="$qpm" -v lpm="$lpm" -v qum="$qum" -v lum="$lum" 'BEGIN {
  printf "quillset pack   %7.1f MB/s %6d KB   lz4 -1 %7.1f MB/s %6d KB   ratio %.2f (goal 0.75)\n", s/qp/1048576, qpm, s/lp/1048576, lpm, lp/qp
  printf "quillset unpack %7.1f MB/s %6d KB   lz4 -d %7.1f MB/s %6d KB   ratio %.2f (goal 0.50)\n", s/qu/1048576, qum, s/lu/1048576, lum, lu/qu
  printf "peak resident memory of quillset: %d KB (goal at most 32768 KB)\n", (qpm > qum ? qpm : qum)
}'

# A product of 200 files, 64 MB in all: slices of varied sizes (a few KB to a few MB) of the same
# text and binaries, taken in turn, and a stand-in stub (a stub's length, starting "MZ").
python3 - "$work/mix" "$work/product" <<'PY'
import os, random, sys
pool = open(sys.argv[1], "rb").read()
half = len(pool) // 2
os.makedirs(sys.argv[2])
rnd = random.Random(7)
sizes = [rnd.lognormvariate(0, 1.2) for _ in range(200)]
scale = (64 << 20) / sum(sizes)
with open(os.path.join(sys.argv[2], "quillset.toml"), "w") as m:
    m.write('stub = "stub.exe"\n')
    for i, s in enumerate(sizes):
        n = min(int(s * scale), half)
        base = 0 if i % 2 == 0 else half
        at = base + rnd.randrange(0, half - n + 1)
        name = "f%03d.%s" % (i, "txt" if i % 2 == 0 else "bin")
        open(os.path.join(sys.argv[2], name), "wb").write(pool[at:at + n])
        m.write('[[file]]\nfile = "%s"\n' % name)
open(os.path.join(sys.argv[2], "stub.exe"), "wb").write(b"MZ" + bytes(629760 - 2))
PY
cat "$work"/product/f*.* >"$work/product.all"
"$q" build -q "$work/product/quillset.toml" -o "$work/setup.exe" >/dev/null
read -r qb qbm < <(run "$q" build -q "$work/product/quillset.toml" -o "$work/b.exe")
read -r qa qam < <(run "$q" pack "$work/product.all" "$work/b.gdg")
psize=$(stat -c %s "$work/product.all")
isize=$(stat -c %s "$work/setup.exe")
echo "==== quillset build of a 200-file, $((psize >> 20)) MB product (best of 3 wall times, peak resident memory)"
awk -v p="$psize" -v i="$isize" -v qb="$qb" -v qa="$qa" -v qbm="$qbm" -v qam="$qam" 'BEGIN {
  printf "quillset build %7.1f MB/s %6d KB   quillset pack of the same bytes %7.1f MB/s %6d KB\n", p/qb/1048576, qbm, p/qa/1048576, qam
  printf "time of build / time of reading and packing alone: %.2f (goal at most 1.20)\n", qb/qa
  printf "peak resident memory of build / installer size (%d KB): %.2f (goal at most 1.50)\n", i/1024, qbm*1024/i
}'

# The installer's start-up under Wine beside an NSIS installer (it says so when it cannot run here).
echo "==== tests/bench/startup_wine.sh"
bash tests/bench/startup_wine.sh || echo "==== tests/bench/startup_wine.sh failed (status $?)" >&2
