#!/usr/bin/env bash
# The Debian package: built from the native tool and the Windows stub and sample product,
# installed with dpkg, used with no other argument (the sample product, a product from init),
# and removed again, also when a step fails.
set -euo pipefail
bash scripts/deps-libjpeg-win32.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Quillset sample_product
cmake --preset native >/dev/null
cmake --build --preset native --target quillset
rm -f build/native/quillset_*.deb
(cd build/native && cpack -G DEB >/dev/null)
deb="$(ls build/native/quillset_*.deb)"
echo "package: $deb"
dpkg-deb -c "$deb" | awk '{ print "  " $6 }' | grep -E 'bin/quillset$|Quillset.exe$|schema.json$|man1/|completions/|product/quillset.toml$'

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if dpkg -s quillset >/dev/null 2>&1; then
  echo "package: a quillset package is installed already; not touching it" >&2
  exit 1
fi
work="$(mktemp -d)"
cleanup() {
  $SUDO dpkg -r quillset >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
$SUDO dpkg -i "$deb" >/dev/null

q=/usr/bin/quillset
fail() { echo "package: FAIL: $*" >&2; exit 1; }
cd "$work"
for f in /usr/share/quillset/Quillset.exe /usr/share/quillset/quillset.schema.json /usr/share/man/man1/quillset.1 \
  /usr/share/bash-completion/completions/quillset /usr/share/doc/quillset/examples/product/quillset.toml; do
  [ -f "$f" ] || fail "$f is not installed"
done
"$q" build /usr/share/doc/quillset/examples/product/quillset.toml -o sample.exe 2>err
grep -qF "stub: /usr/share/quillset/Quillset.exe (installed)" err || fail "the installed stub was not taken: $(cat err)"
"$q" test sample.exe
"$q" init x && "$q" build x/quillset.toml -o x.exe && "$q" test x.exe
head -1 x/quillset.toml | grep -qx '#:schema /usr/share/quillset/quillset.schema.json' || fail "init's schema line"
echo "package: installed, used and removed"
