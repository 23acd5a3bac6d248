#!/usr/bin/env bash
# A real run of the GUI program under Xvfb, for screenshots anyone can reproduce:
# builds the program, makes a folder of 600 Word documents (every 150th carries the
# harmless test signature), starts the program, saves a picture after start-up, scans the
# folder through the "指定目录查杀" button, saves a picture while it scans and one of the
# result.
#   tests/gui/screenshots.sh [OUTPUT_DIR]        (default: <build>/screenshots)
# The build folder is build/ unless BUILD_DIR says otherwise. The scan repairs the sample
# documents in place and leaves their quarantine copies in <build>/bin/RepairBrack/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
out=${1:-$build/screenshots}
"$root/scripts/install-deps"
cmake -S "$root" -B "$build" -G Ninja -DQUORVANE_GUI=ON >/dev/null
cmake --build "$build" --target Quorvane gui_screenshot_run quorvane_make_corpus qzmacro_vlb
samples=$(mktemp -d)
trap 'rm -rf "$samples"' EXIT
"$build/tests/quorvane_make_corpus" "$samples" 600 20 40 150
mkdir -p "$out"
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1280x800x24" \
  "$build/bin/gui_screenshot_run" "$samples" "$out"
echo "screenshots: $(ls "$out"/*.png | tr '\n' ' ')"
