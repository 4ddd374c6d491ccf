#!/usr/bin/env bash
# Copies the screenshots of the sample product's walk (scenario "screenshots") into docs/screenshots
# for the README: cut to the wizard's window and reduced to 256 colours.
#
#   tests/e2e/docs-screenshots.sh [FROM]     (default build/e2e/screenshots)
set -euo pipefail
cd "$(dirname "$0")/../.."
from="${1:-build/e2e/screenshots}"
convert=convert
[ -x /usr/bin/convert ] && convert=/usr/bin/convert
mkdir -p docs/screenshots
for f in "$from"/*.png; do
  "$convert" "$f" -trim +repage -colors 256 "PNG8:docs/screenshots/$(basename "$f")"
done
ls -l docs/screenshots
