#!/usr/bin/env bash
# A real run of the GUI program under Xvfb, for screenshots anyone can reproduce:
# builds the program, makes a folder of 600 Word documents (every 150th carries the
# harmless test signature), starts the program, saves a picture after start-up, scans the
# folder through the "指定目录查杀" button, saves a picture while it scans and one of the
# result.
#   tests/gui/screenshots.sh [OUTPUT_DIR]        (default: <build>/screenshots)
#   tests/gui/screenshots.sh --windows [OUTPUT_DIR]
#       the same with the x86_64 Quorvane.exe (Win32 backend) under wine64 and Xvfb, in a
#       Wine prefix of its own (default: build-windows/x86_64/screenshots)
# The build folder is build/ unless BUILD_DIR says otherwise. The scan repairs the sample
# documents in place and leaves their quarantine copies in <build>/bin/RepairBrack/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# Parallel jobs: one per core unless CMAKE_BUILD_PARALLEL_LEVEL says otherwise.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
build=${BUILD_DIR:-$root/build}
windows=0
if [ "${1:-}" = --windows ]; then
  windows=1
  shift
fi
if [ "$windows" = 1 ]; then
  out=${1:-$root/build-windows/x86_64/screenshots}
  "$root/scripts/build-windows" --arch x86_64
  cmake --build "$root/build-windows/x86_64" --target gui_screenshot_run
  # The sample folder comes from the corpus maker of this machine's build.
  "$root/scripts/install-deps"
  cmake -S "$root" -B "$build" -G Ninja
  cmake --build "$build" --target quorvane_make_corpus
  samples=$(mktemp -d)
  prefix=$(mktemp -d)
  trap 'rm -rf "$samples" "$prefix"' EXIT
  "$build/tests/quorvane_make_corpus" "$samples" 600 20 40 150
  mkdir -p "$out"
  wine=$(dpkg -L wine64 | grep -m1 '/lib/wine/wine64$')
  winpath() { printf 'Z:%s' "$(cd "$1" && pwd | tr / '\\')"; }
  log="$out/run.log"
  # The engine traces every file on standard output; the rows and the summary are picked out.
  WINEPREFIX=$prefix WINEDEBUG=-all xvfb-run -a -s "-screen 0 1280x800x24" \
    "$wine" "$root/build-windows/x86_64/bin/gui_screenshot_run.exe" "$(winpath "$samples")" "$(winpath "$out")" \
    >"$log" 2>&1 || { tail -n 20 "$log"; exit 1; }
  tr '\r' '\n' <"$log" | grep -a -o -E '(saved|could not save) .*|row [0-9]+: .*|status: .*' || true
  echo "screenshots: $(ls "$out"/*.png | tr '\n' ' ')"
  exit 0
fi
out=${1:-$build/screenshots}
"$root/scripts/install-deps"
cmake -S "$root" -B "$build" -G Ninja -DQUORVANE_GUI=ON
cmake --build "$build" --target Quorvane gui_screenshot_run quorvane_make_corpus qzmacro_vlb
samples=$(mktemp -d)
trap 'rm -rf "$samples"' EXIT
"$build/tests/quorvane_make_corpus" "$samples" 600 20 40 150
mkdir -p "$out"
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1280x800x24" \
  "$build/bin/gui_screenshot_run" "$samples" "$out"
echo "screenshots: $(ls "$out"/*.png | tr '\n' ' ')"
