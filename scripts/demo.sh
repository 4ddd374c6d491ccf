#!/usr/bin/env bash
# The main job: builds everything and runs Quillset on the bundled sample.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset native >/dev/null && cmake --build --preset native
bash scripts/deps-libjpeg-win32.sh
cmake --preset windows >/dev/null && cmake --build --preset windows
# Lists the Palm Desktop users of the sample desktop (registry + users.dat).
build/native/tools/quillset/quillset users --registry samples/desktop/registry.reg --drive C=samples/desktop/C
# Builds the sample product's installer (samples/product) from its manifest, lists and checks it.
q=build/native/tools/quillset/quillset
$q build build/windows/sample-product/quillset.toml --stub build/windows/src/app/Quillset.exe -o build/HelloPalmSetup.exe
$q list build/HelloPalmSetup.exe
$q test build/HelloPalmSetup.exe
