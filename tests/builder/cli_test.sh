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

# Looking inside.
"$q" list "$work/a.exe" >"$work/list"
for t in "caption    Hello Palm Setup" "ILIST.QSP" "DORUVU Hello Palm runtime library" "runtime: QsRuntime.prc" \
  "action run-wait" "shortcut in Hello Palm" "CKInstallDoviConduit=on"; do
  grep -qF -- "$t" "$work/list" || fail "list lacks '$t'"
done
"$q" test "$work/a.exe" | grep -q "OK (8 packed files" || fail "test of a sound installer"
{ cat "$work/a.exe"; printf 'trailing'; } >"$work/tail.exe"
"$q" test "$work/tail.exe" 2>"$work/err" | grep -q "OK (8 packed files" || fail "bytes after the record fail the test"
grep -q "warning: 8 bytes follow the form's record; the installer ignores them" "$work/err" || fail "no warning: $(cat "$work/err")"
"$q" extract "$work/a.exe" --all -d "$work/all" --quiet >/dev/null
cmp -s "$work/all/VEVORO20.DLL" "$work/product/bin/VEVORO20.DLL" && [ "$(ls "$work/all" | wc -l)" = 8 ] || fail "extract --all"
"$q" extract "$work/a.exe" README.TXT -o "$work/readme" >/dev/null
cmp -s "$work/readme" "$sample/readme.txt" || fail "extracted readme differs"
(cd "$work" && "$q" extract a.exe condreg.exe >/dev/null && cmp -s condreg.exe product/bin/CONDREG.EXE) ||
  fail "extract to the default name"
# A container with another signature expands as the installer expands it, with a warning.
"$q" pack "$sample/readme.txt" "$work/readme.gdg"
{ printf 'XYZ'; tail -c +4 "$work/readme.gdg"; } >"$work/other.gdg"
"$q" unpack "$work/other.gdg" "$work/other.txt" 2>"$work/err" || fail "unpack refuses another signature"
cmp -s "$work/other.txt" "$sample/readme.txt" || fail "unpack of another signature differs"
grep -qF 'warning: it does not start with "GDG"' "$work/err" || fail "no signature warning: $(cat "$work/err")"

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
# Without --stub: the stub installed beside the tool (PREFIX/share/quillset), else none.
mkdir -p "$work/prefix/bin"
cp "$q" "$work/prefix/bin/quillset"
expect_fail "no stub" "$work/prefix/bin/quillset" build "$m" -o "$work/c.exe"
mkdir -p "$work/prefix/share/quillset"
cp "$work/stub.exe" "$work/prefix/share/quillset/Quillset.exe"
"$work/prefix/bin/quillset" build "$m" -o "$work/c.exe" >/dev/null 2>"$work/err"
grep -qF "stub: $work/prefix/share/quillset/Quillset.exe (installed)" "$work/err" ||
  fail "the installed stub was not named: $(cat "$work/err")"
cmp -s "$work/a.exe" "$work/c.exe" || fail "the installed stub gave another installer"
rm "$work/c.exe"
head -c 629759 "$work/stub.exe" >"$work/short.exe"
expect_fail "629759 bytes long; a Quillset.exe stub is exactly 629760 bytes" \
  "$q" build "$m" --stub "$work/short.exe" -o "$work/c.exe"
expect_fail "exactly 629760 bytes" "$q" build "$m" --stub "$work/a.exe" -o "$work/c.exe"
sed -i 's/^Copyright = true/Copyrigth = true/' "$m"
line="$(grep -n '^Copyrigth' "$m" | cut -d: -f1)"
expect_fail "quillset.toml:$line: unknown option 'Copyrigth'" "$q" build "$m" --stub "$work/stub.exe" -o "$work/c.exe"
sed -i 's/^Copyrigth = true/Copyright = true/; s|palm/HelloData.pdb|palm/Missing.pdb|' "$m"
expect_fail "file 'palm/Missing.pdb' not found" "$q" build "$m" --stub "$work/stub.exe" -o "$work/c.exe"
sed -i 's|palm/Missing.pdb|palm/HelloData.pdb|; 1i stub = "nostub.exe"' "$m"
expect_fail "quillset.toml:1: stub: file '$work/product/nostub.exe' not found" "$q" build "$m" -o "$work/c.exe"
[ ! -e "$work/c.exe" ] && [ ! -e "$work/c.exe.part" ] || fail "a refused build left a file"
# A new product from init builds and passes the test at once; its name reaches the texts.
"$q" init "$work/new" --name 'Say "Hi" 2' >/dev/null
"$q" build "$work/new/quillset.toml" --stub "$work/stub.exe" -o "$work/new.exe" >/dev/null
"$q" test "$work/new.exe" | grep -q "OK (3 packed files" || fail "test of init's product"
"$q" list "$work/new.exe" | grep -qF 'caption    Say "Hi" 2 Setup' || fail "init's name is not in the caption"
grep -qx 'Say "Hi" 2' "$work/new/texts/welcome.txt" || fail "init's name is not in the welcome text"
expect_fail "exists and is not empty" "$q" init "$work/new"
expect_fail "has no place in code page 1252" "$q" init "$work/other" --name $'\u0100'
# The man page describes every command the tool has.
man="$(sed 's/\\-/-/g' "$sample/../../docs/quillset.1")"
for c in $("$q" --help | awk '/^Subcommands:/ { on = 1; next } on && NF { print $1 }'); do
  grep -q "^\.SS \"$c " <<<"$man" || fail "the man page lacks the command $c"
done

# info and list --json: the listing, the same document twice, valid where a parser is at hand.
"$q" info "$work/a.exe" >"$work/info"
for t in "caption    Hello Palm Setup" "[handheld, queue-and-copy]" "shortcut  \"Hello Palm readme\"" \
  "Image1   TJPEGImage" "runtime modules (1): QsRuntime.prc" "after the form: nothing"; do
  grep -qF -- "$t" "$work/info" || fail "info lacks '$t'"
done
"$q" list "$work/a.exe" --json >"$work/j1"
"$q" list "$work/a.exe" --json >"$work/j2"
cmp -s "$work/j1" "$work/j2" || fail "two listings differ"
grep -q '"format_version": 1,' "$work/j1" || fail "no format version"
if command -v jq >/dev/null; then
  [ "$(jq -r '.modules[2].kind + " " + .modules[2].action_name' "$work/j1")" = "pc run-wait" ] || fail "json modules"
fi
cat "$work/a.exe" - <<<"trailing" >"$work/t.exe"
"$q" list "$work/t.exe" --json | grep -q '"kind": "unknown"' || fail "bytes after the form"

# extract --all: every file under its stored name; existing files kept unless --force.
(cd "$work" && "$q" extract a.exe --all --quiet) || fail "extract --all"
cmp -s "$work/a/readme.txt" "$sample/readme.txt" || fail "extract --all: readme differs"
[ "$(ls "$work/a" | wc -l)" -eq 8 ] || fail "extract --all: not 8 files"
echo changed >"$work/a/readme.txt"
"$q" extract "$work/a.exe" --all -d "$work/a" --quiet 2>/dev/null
grep -q changed "$work/a/readme.txt" || fail "an existing file was replaced without --force"
"$q" extract "$work/a.exe" --all -d "$work/a" --quiet --force
cmp -s "$work/a/readme.txt" "$sample/readme.txt" || fail "--force did not replace"
rm "$work/a/HELLO.EXE" && ln -s "$work/outside" "$work/a/HELLO.EXE"
expect_fail "is a symbolic link" "$q" extract "$work/a.exe" --all -d "$work/a" --force --quiet
[ ! -e "$work/outside" ] || fail "written through a symbolic link"

# Hostile stored names: refused by name with status 1 (the other files are written), nothing
# outside the folder; the one-file extract refuses them too unless -o names the file.
"$q" form "$work/a.exe" >"$work/form.txt"
for bad in '../../escape' '/tmp/abs' 'a\\b' 'c:x' 'CON' 'nul.txt' 'LPT1.prc' '..' '' $'tab\tname'; do
  sed "s|Name = 'HELLO.EXE'|Name = '$bad'|" "$work/form.txt" >"$work/bad.txt"
  "$q" form-compile "$work/bad.txt" "$work/bad.bin" >/dev/null
  cat "$work/stub.exe" "$work/bad.bin" >"$work/bad.exe"
  rm -rf "$work/x" && mkdir -p "$work/x/y"
  expect_fail "is not a plain file name; refused" "$q" extract "$work/bad.exe" --all -d "$work/x/y" --quiet
  [ "$(ls -A "$work/x/y" | wc -l)" -eq 7 ] || fail "extract --all of '$bad': not the other 7 files"
  [ "$(ls -A "$work/x")" = y ] || fail "extract --all of '$bad' wrote outside its folder"
done
grep -qF "'tab\x09name' is not a plain file name" "$work/err" || fail "a control character is not shown as such"
for bad in '../../escape' '/tmp/abs' 'CON'; do
  sed "s|Name = 'HELLO.EXE'|Name = '$bad'|" "$work/form.txt" >"$work/bad.txt"
  "$q" form-compile "$work/bad.txt" "$work/bad.bin" >/dev/null
  cat "$work/stub.exe" "$work/bad.bin" >"$work/bad.exe"
  rm -rf "$work/x" && mkdir -p "$work/x/y"
  (cd "$work/x/y" && expect_fail "'$bad' is not a plain file name" "$q" extract ../../bad.exe "$bad")
  [ "$(ls -A "$work/x")" = y ] && [ -z "$(ls -A "$work/x/y")" ] || fail "extract of '$bad' wrote a file"
  "$q" extract "$work/bad.exe" "$bad" -o "$work/x/y/ok" >/dev/null || fail "extract of '$bad' with -o"
done
[ ! -e /tmp/abs ] && [ ! -e "$work/escape" ] || fail "a stored name led out of the folder"

# plan: the installer's own run on the sample desktop, which stays as it was.
desk="$(cd "$sample/../desktop" && pwd)"
"$q" plan "$work/a.exe" --registry "$desk/registry.reg" --drive "C=$desk/C" --users "Bob Jones" >"$work/plan"
for t in "queued    Bob Jones: C:\\Palm\\JonesB\\Install\\HelloPalm.prc" \
  "\"Install2\" = REG_DWORD 1 (was 0)" "file      C:\\Program Files\\Hello Palm\\HELLO.EXE" \
  "Hello Palm readme.lnk -> C:\\Program Files\\Hello Palm\\readme.txt" "(waited for, regular)" \
  "registered: C:\\Setup\\CONDREG.EXE C:\\Setup\\" "finished"; do
  grep -qF -- "$t" "$work/plan" || fail "plan lacks '$t'"
done
[ ! -e "$desk/C/Palm/JonesB/Install" ] || fail "plan wrote into the desktop it was given"
"$q" plan "$work/a.exe" --json | grep -q '"users": \[$' || fail "plan --json"
expect_fail "offers no user 'Nobody'" "$q" plan "$work/a.exe" --users Nobody
expect_fail "no payload" "$q" plan "$work/stub.exe"
# pack and unpack go file to file chunk by chunk: a file of several chunks (text, noise, zeros)
# gives the very container the builder packs in memory, and comes back whole.
{ head -c 70000 "$sample/../../README.md" "$sample/quillset.toml"; head -c 40000 /dev/urandom; head -c 30000 /dev/zero; } \
  >"$work/big"
"$q" pack "$work/big" "$work/big.gdg"
"$q" unpack "$work/big.gdg" "$work/big.out"
cmp -s "$work/big" "$work/big.out" || fail "unpack of pack differs"
cp "$work/big" "$work/product/readme.txt"
"$q" build "$m" --stub "$work/stub.exe" -o "$work/big.exe" >/dev/null
python3 -c 'import sys; sys.exit(open(sys.argv[1], "rb").read().find(open(sys.argv[2], "rb").read()) < 0)' \
  "$work/big.exe" "$work/big.gdg" || fail "pack's container is not the one the builder packs"
head -c 5000 "$work/big.gdg" >"$work/cut.gdg"
expect_fail "cut short" "$q" unpack "$work/cut.gdg" "$work/x"
echo "cli: all checks passed"
