# A signed installer: the sample product built with "quillset build --sign" (a throw-away CA and
# code-signing certificate made here), verified by osslsigncode, then run through every page. The
# certificate table after the form's record changes nothing: the module tree, the handheld files
# queued for both users, the PC files and the conduit are those of the unsigned sample.
#
# Needs the native tool (QS_TOOL, default build/native/tools/quillset/quillset), openssl,
# osslsigncode and the staged sample product (target sample_product).
tool="${QS_TOOL:-$root/build/native/tools/quillset/quillset}"
product="$build/sample-product"
cmake --build "$build" --target sample_product >"$logs/signed-product-build.log" 2>&1
check test -x "$tool"
keys="$e2e/signing"
rm -rf "$keys"
mkdir -p "$keys"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$keys/ca.key" -out "$keys/ca.pem" -days 2 \
  -subj "/CN=Throwaway CA" -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout "$keys/maker.key" -out "$keys/maker.csr" -subj "/CN=Hello Palm Maker" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >"$keys/leaf.cnf"
openssl x509 -req -in "$keys/maker.csr" -CA "$keys/ca.pem" -CAkey "$keys/ca.key" -CAcreateserial -days 2 \
  -extfile "$keys/leaf.cnf" -out "$keys/maker.pem" 2>/dev/null
echo 'e2e only' >"$keys/pw"
openssl pkcs12 -export -out "$keys/maker.pfx" -inkey "$keys/maker.key" -in "$keys/maker.pem" -passout "file:$keys/pw"

"$tool" build "$product/quillset.toml" --stub "$stub" -o "$e2e/signed.exe" --sign "$keys/maker.pfx" \
  --password-file "$keys/pw"
check osslsigncode verify -in "$e2e/signed.exe" -CAfile "$keys/ca.pem" >"$logs/signed-verify.log" 2>&1
"$tool" test "$e2e/signed.exe" --ca "$keys/ca.pem" | tee "$logs/signed-test.log"
check grep -q "signed by /CN=Hello Palm Maker, verifies" "$logs/signed-test.log"

palm_desktop "U.S. Robotics" 'C:\Palm' "1:Ann Example:ExampleA" "3:Bob:BobB"
dest="$drive_c/Program Files/Hello Palm"
rm -rf "$dest"
install_stub "SignedSetup.exe"
cp "$e2e/signed.exe" "$drive_c/qs/SignedSetup.exe"
start_installer 'C:\qs\SignedSetup.exe'

drive "wait-form 30" "wait-page Welcome 10" "expect-title Hello Palm Setup" "expect-text Label1 Welcome to Hello Palm"
shot signed-0-welcome
drive "click BNext" "wait-page Licence 10" "expect-contains MemoLicence 2001 Quillset sample authors"
drive "click BNext" "wait-page Destination_Dir 10" "expect-text DirectoryEdit1 C:\\Program Files\\Hello Palm"
drive "click BNext" "wait-page SelectModule 10" \
  "expect-tree Tree1 0 - Handheld|1 0 Hello Palm application|1 0 Greetings database|0 - Desktop|1 0 Hello Palm desktop companion|1 0 Hello Palm readme|0 - Runtime|1 0 QsRuntime.prc" \
  "click Button1" "sleep 300"
drive "click BNext" "wait-page Select_User 10" "click Button3" "sleep 300" \
  "expect-tree CkUserList 0 - Users|1 1 Ann Example|1 1 Bob"
drive "click BNext" "wait-page Finish 60" "expect-text Label6 Hello Palm is installed"
shot signed-5-finish
drive "click BCancel" "wait-gone 15"
wait_installer

for folder in ExampleA BobB; do
  for f in HelloPalm.prc HelloData.pdb QsRuntime.prc; do
    check cmp "$drive_c/Palm/$folder/Install/$f" "$product/palm/$f"
  done
done
check cmp "$dest/HELLO.EXE" "$product/bin/HELLO.EXE"
check cmp "$dest/readme.txt" "$product/readme.txt"
check grep -q '^library=200' "$drive_c/qs/CONDREG.LOG"
rm -f "$drive_c/qs/CONDREG.LOG"
only_stub_left "SignedSetup.exe"
