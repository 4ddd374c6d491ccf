#!/usr/bin/env bash
# quillset build, list, extract and test on the sample product, with stand-ins for the programs
# the Windows build makes and for the stub:  cli_test.sh QUILLSET SAMPLE_DIR
set -euo pipefail
q="$1"
sample="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# expect_fail TEXT CMD...: the command ends with status 1 and says TEXT on stderr.
expect_fail() {
  local text="$1" rc=0
  shift
  "$@" >"$work/out" 2>"$work/err" || rc=$?
  [ "$rc" -eq 1 ] || fail "$* ended with $rc"
  grep -qF -- "$text" "$work/err" || fail "$*: expected '$text' in: $(cat "$work/err")"
}

cp -r "$sample" "$work/product"
mkdir -p "$work/product/bin"
for n in HELLO.EXE CONDREG.EXE VEVORO20.DLL; do printf 'MZ %s' "$n" >"$work/product/bin/$n"; done
{ printf 'MZ'; head -c 629758 /dev/zero; } >"$work/stub.exe"
m="$work/product/quillset.toml"

# Build twice: the same bytes; the stub comes first, unchanged.
"$q" build "$m" --stub "$work/stub.exe" -o "$work/a.exe" >/dev/null
"$q" build "$m" --stub "$work/stub.exe" -o "$work/b.exe" >/dev/null
cmp -s "$work/a.exe" "$work/b.exe" || fail "two builds differ"
cmp -s -n 629760 "$work/a.exe" "$work/stub.exe" || fail "the stub is not the installer's head"
"$q" build "$m" --payload-only -o "$work/p.bin" >/dev/null
[ "$(head -c4 "$work/p.bin")" = TPF0 ] || fail "payload without its signature"
tail -c +629761 "$work/a.exe" | cmp -s - "$work/p.bin" || fail "payload-only differs from the installer's payload"

# Inspect.
"$q" list "$work/a.exe" >"$work/list"
for t in "caption    Hello Palm Setup" "ILIST.QSP" "DORUVU Hello Palm runtime library" "runtime: QsRuntime.prc" \
  "action run-wait" "shortcut in Hello Palm" "CKInstallDoviConduit=on"; do
  grep -qF -- "$t" "$work/list" || fail "list lacks '$t'"
done
"$q" test "$work/a.exe" | grep -q "OK (8 packed files" || fail "test of a sound installer"
"$q" extract "$work/a.exe" README.TXT -o "$work/readme" >/dev/null
cmp -s "$work/readme" "$sample/readme.txt" || fail "extracted readme differs"
(cd "$work" && "$q" extract a.exe condreg.exe >/dev/null && cmp -s condreg.exe product/bin/CONDREG.EXE) ||
  fail "extract to the default name"

# Unbuild, then build again: the same installer.
"$q" unbuild "$work/a.exe" -d "$work/un" >/dev/null 2>"$work/err"
[ ! -s "$work/err" ] || fail "unbuild of a built installer warns: $(cat "$work/err")"
"$q" build "$work/un/quillset.toml" --stub "$work/stub.exe" -o "$work/re.exe" >/dev/null
cmp -s "$work/a.exe" "$work/re.exe" || fail "unbuild then build differs"
expect_fail "exists already" "$q" unbuild "$work/a.exe" -d "$work/un"

# Refusals, each with its reason, and no output left behind.
expect_fail "no packed file is called 'nope.prc'" "$q" extract "$work/a.exe" nope.prc -o "$work/x"
head -c -100 "$work/a.exe" >"$work/cut.exe"
expect_fail "the payload cannot be read" "$q" test "$work/cut.exe"
expect_fail "the payload cannot be read" "$q" unbuild "$work/cut.exe" -d "$work/cut"
expect_fail "no payload" "$q" test "$work/stub.exe"
expect_fail "no stub" "$q" build "$m" -o "$work/c.exe"
head -c 629759 "$work/stub.exe" >"$work/short.exe"
expect_fail "629759 bytes long; a Quillset.exe stub is exactly 629760 bytes" \
  "$q" build "$m" --stub "$work/short.exe" -o "$work/c.exe"
expect_fail "exactly 629760 bytes" "$q" build "$m" --stub "$work/a.exe" -o "$work/c.exe"
sed -i 's/^Copyright = true/Copyrigth = true/' "$m"
line="$(grep -n '^Copyrigth' "$m" | cut -d: -f1)"
expect_fail "quillset.toml:$line: unknown option 'Copyrigth'" "$q" build "$m" --stub "$work/stub.exe" -o "$work/c.exe"
sed -i 's/^Copyrigth = true/Copyright = true/; s|palm/HelloData.pdb|palm/Missing.pdb|' "$m"
expect_fail "file 'palm/Missing.pdb' not found" "$q" build "$m" --stub "$work/stub.exe" -o "$work/c.exe"
[ ! -e "$work/c.exe" ] && [ ! -e "$work/c.exe.part" ] || fail "a refused build left a file"
echo "cli: all checks passed"
