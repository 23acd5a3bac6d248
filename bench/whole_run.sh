#!/usr/bin/env bash
# Whole-run benchmark of the command-line scanner: builds a corpus of clean and infected Word
# documents, times `quorvane-scan scan` over it (report only, then --repair on a fresh copy)
# and, as the I/O floor, the same corpus read with cat. Reports files/s and MB/s.
#   bench/whole_run.sh [COUNT] [MIN_KIB] [MAX_KIB] [INFECTED_EVERY]
# Defaults: 2000 documents of 20..200 KiB, every 10th infected with the harmless test
# signature. BUILD_DIR selects the build folder (default build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
count=${1:-2000}
min_kib=${2:-20}
max_kib=${3:-200}
every=${4:-10}

cmake --build "$build" --target quorvane-scan quorvane_make_corpus qzmacro_vlb >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
for f in quorvane-scan libquorvane-cli.so libSCanVirus.so qzmacro.vlb; do
  cp "$build/bin/$f" "$work/bin/"
done
"$build/tests/quorvane_make_corpus" "$work/corpus" "$count" "$min_kib" "$max_kib" "$every" >&2
bytes=$(find "$work/corpus" -type f -printf '%s\n' | awk '{s += $1} END {print s}')

now() { date +%s.%N; }
report() {  # name start end
  awk -v name="$1" -v t0="$2" -v t1="$3" -v n="$count" -v b="$bytes" \
    'BEGIN { t = t1 - t0; printf "%-22s %8.2f s %10.1f files/s %9.1f MB/s\n", name, t, n / t, b / 1e6 / t }'
}

# Warm the page cache once so that every timing below reads from memory alike.
find "$work/corpus" -type f -print0 | xargs -0 cat >/dev/null

t0=$(now)
find "$work/corpus" -type f -print0 | xargs -0 cat >/dev/null
t1=$(now)
report "cat (I/O floor)" "$t0" "$t1"

t0=$(now)
status=0
"$work/bin/quorvane-scan" scan "$work/corpus" >"$work/report.txt" || status=$?
t1=$(now)
[ "$status" -le 1 ] || { echo "scan failed with exit code $status" >&2; exit 1; }
report "scan (report only)" "$t0" "$t1"

cp -r "$work/corpus" "$work/repair"
t0=$(now)
status=0
"$work/bin/quorvane-scan" scan --repair "$work/repair" >"$work/repair.txt" || status=$?
t1=$(now)
[ "$status" -le 1 ] || { echo "scan --repair failed with exit code $status" >&2; exit 1; }
report "scan --repair" "$t0" "$t1"

echo "corpus: $count files, $((bytes / 1048576)) MiB; findings: $(grep -c ': ' "$work/report.txt" || true)"
tail -n 1 "$work/report.txt"
