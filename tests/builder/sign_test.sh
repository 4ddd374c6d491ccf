#!/usr/bin/env bash
# Signed installers: a throw-away CA and code-signing certificate, "build --sign" and "sign", the
# signature checked by osslsigncode and by "quillset test" and "info", a changed byte caught.
#   sign_test.sh QUILLSET SAMPLE_DIR      (exit 77: osslsigncode or openssl missing)
set -euo pipefail
q="$1"
sample="$2"
command -v osslsigncode >/dev/null && command -v openssl >/dev/null || { echo "skipped: no osslsigncode/openssl"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"

# A stand-in stub: the smallest PE32 header that signing accepts, zero-filled to the stub's length.
poke() { printf "$2" | dd of=stub.exe bs=1 seek=$(($1)) conv=notrunc status=none; }
head -c 629760 /dev/zero >stub.exe
poke 0 'MZ'; poke 0x3C '\x40'
poke 0x40 'PE\0\0\x4c\x01'; poke 0x54 '\xe0\x00\x02\x01'         # i386, no sections, optional header
poke 0x58 '\x0b\x01'; poke 0x74 '\x00\x00\x40\x00\x00\x10\x00\x00\x00\x02'  # PE32, base, alignments
poke 0x88 '\x04'; poke 0x90 '\x00\x10\x00\x00\x00\x02'; poke 0x9C '\x02'; poke 0xB4 '\x10'

cp -r "$sample" product
mkdir -p product/bin
for n in HELLO.EXE CONDREG.EXE VEVORO20.DLL; do printf 'MZ %s' "$n" >"product/bin/$n"; done
m=product/quillset.toml

# The CA, and a code-signing certificate it issued, in a PKCS#12 file with a password.
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Throwaway CA" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout maker.key -out maker.csr -subj "/CN=Example Maker" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >leaf.cnf
openssl x509 -req -in maker.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile leaf.cnf \
  -out maker.pem 2>/dev/null
echo 'not a secret' >pw
openssl pkcs12 -export -out maker.pfx -inkey maker.key -in maker.pem -passout file:pw

"$q" build "$m" --stub stub.exe -o plain.exe >/dev/null
"$q" build "$m" --stub stub.exe -o signed.exe --sign maker.pfx --password-file pw >/dev/null
osslsigncode verify -in signed.exe -CAfile ca.pem >verify.log 2>&1 || fail "osslsigncode: $(tail -3 verify.log)"
# The payload is the unsigned one; the signature follows it.
payload=$(($(stat -c %s plain.exe) - 629760))
cmp -s <(tail -c +629761 plain.exe) <(tail -c +629761 signed.exe | head -c $payload) || fail "the payload changed"

"$q" test signed.exe --ca ca.pem >out 2>err || fail "test of the signed installer: $(cat err)"
grep -q "signature: signed by /CN=Example Maker, verifies" out || fail "test: $(cat out)"
grep -q "warning: .* bytes follow the form's record: the file's signature" err || fail "test: $(cat err)"
"$q" test signed.exe >out 2>err || fail "a signature from an unknown CA fails the test"
grep -q "does not verify" out || fail "unknown CA: $(cat out)"
"$q" info plain.exe | grep -q "^signature  none$" || fail "info of the unsigned installer"
"$q" info signed.exe --ca ca.pem | grep -q "^signature  signed by /CN=Example Maker, verifies$" || fail "info"

# Signing an existing installer, in place.
cp plain.exe later.exe
"$q" sign later.exe --cert maker.pfx --password-file pw >/dev/null
osslsigncode verify -in later.exe -CAfile ca.pem >/dev/null 2>&1 || fail "sign: does not verify"
[ "$(ls | grep -c 'later.exe')" = 1 ] || fail "sign left files behind: $(ls)"

# A byte of the stub changed after signing; a wrong password signs nothing.
cp signed.exe changed.exe
printf 'x' | dd of=changed.exe bs=1 seek=4096 conv=notrunc status=none
rc=0; "$q" test changed.exe --ca ca.pem >out 2>err || rc=$?
[ $rc = 1 ] && grep -q "changed after it was signed" err || fail "a changed installer: $rc $(cat err)"
echo wrong >badpw
rc=0; "$q" build "$m" --stub stub.exe -o bad.exe --sign maker.pfx --password-file badpw >/dev/null 2>err || rc=$?
[ $rc = 1 ] && grep -q "failed" err && [ ! -e bad.exe ] && [ ! -e bad.exe.unsigned ] || fail "wrong password: $(cat err)"
echo "sign: all checks passed"
