#!/usr/bin/env bash
# The main job: builds everything and runs Quillset on the bundled sample: the sample product's
# installer is built, checked, and then run under Wine and walked through all seven pages by the
# end-to-end driver - in a visible window when $DISPLAY answers, otherwise on a virtual display
# (Xvfb). Screenshots of the pages go to build/demo/screenshots; a summary of what was installed is
# printed at the end.
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
# Runs the installer under Wine through the whole walk (tests/e2e, scenario "screenshots").
cmake --build --preset windows --target qsdrive qspause sample_product >/dev/null
QS_E2E_DIR=build/demo QS_E2E_VISIBLE=1 timeout 600 bash tests/e2e/run.sh screenshots
echo
echo "== What the installer did (build/demo/summary.txt)"
cat build/demo/summary.txt
