#!/usr/bin/env bash
# Whole-run benchmark: builds a corpus of clean and infected Word documents and times, in
# alternating rounds (so that a change of machine load hits every variant alike):
#   floor        bench_floor_read: walk and read every file whole into memory
#   jobs 1       quorvane-scan scan --jobs 1
#   jobs N       quorvane-scan scan (one worker per processor)
#   export file  SCanFileVirus once per file, as the GUI's worker calls it
#   export dir   SCanFileVirus once over the folder
# Reports the median time and peak resident size of each, the CLI's speed as a share of the
# floor, the per-file export calls against the one call over the folder, and the load.
#   bench/whole_run.sh [COUNT] [MIN_KIB] [MAX_KIB] [INFECTED_EVERY] [ROUNDS]
# Defaults: 2000 documents of 20..200 KiB, every 10th infected with the harmless test
# signature, 5 rounds. BUILD_DIR selects the build folder (default build/).
# SMALL_FILES=N instead times one report-only run of each CLI variant over N/10 and over N
# small (4 KiB) documents and reports their peak resident sizes and the growth between the two
# (the memory check: the command line's walk streams, so the peak must not grow with N).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
count=${1:-2000}
min_kib=${2:-20}
max_kib=${3:-200}
every=${4:-10}
rounds=${5:-5}

cmake --build "$build" --target quorvane-scan quorvane_make_corpus qzmacro_vlb bench_floor_read bench_export_calls \
  >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
for f in quorvane-scan libquorvane-cli.so libSCanVirus.so qzmacro.vlb; do
  cp "$build/bin/$f" "$work/bin/"
done
# The export program runs from the same program folder, so it finds the library beside it.
cp "$build/bench/bench_export_calls" "$work/bin/"
# A library written moments ago is read on every call until its file has settled (two seconds),
# as an installed one has long since.
sleep 2.5
floor="$build/bench/bench_floor_read"

if [ -n "${SMALL_FILES:-}" ]; then
  small=$((SMALL_FILES / 10 > 0 ? SMALL_FILES / 10 : 1))
  for n in "$small" "$SMALL_FILES"; do
    rm -rf "$work/corpus"
    "$build/tests/quorvane_make_corpus" "$work/corpus" "$n" 4 4 "$every" >&2
    for jobs in 1 0; do
      args=(scan); [ "$jobs" = 0 ] || args+=(--jobs "$jobs")
      /usr/bin/time -f "%e %M" -o "$work/time" "$work/bin/quorvane-scan" "${args[@]}" "$work/corpus" \
        >"$work/out" 2>&1 || true
      read -r secs kib < <(tail -n 1 "$work/time")
      echo "$kib" >"$work/kib.$jobs.$n"
      printf '%-10s %8s files %8.2f s   peak RSS %6.1f MiB   %s\n' "jobs ${jobs/#0/N}" "$n" "$secs" \
        "$(echo "$kib / 1024" | bc -l)" "$(tail -n 1 "$work/out")"
    done
  done
  for jobs in 1 0; do
    printf '%-10s peak RSS at %s files / at %s files: %s\n' "jobs ${jobs/#0/N}" "$SMALL_FILES" "$small" \
      "$(echo "scale=2; $(cat "$work/kib.$jobs.$SMALL_FILES") / $(cat "$work/kib.$jobs.$small")" | bc -l)"
  done
  exit 0
fi

"$build/tests/quorvane_make_corpus" "$work/corpus" "$count" "$min_kib" "$max_kib" "$every" >&2
bytes=$(find "$work/corpus" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
# Warm the page cache once so that every timing below reads from memory alike.
"$floor" "$work/corpus" >/dev/null

run() {  # name command...: one timed run, appended to $work/<name>.times as "seconds kib cpu-seconds"
  local name=$1
  shift
  /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" >/dev/null 2>&1 || {
    local status=$?
    # quorvane-scan answers 1 when it found something
    [ "$status" -le 1 ] || { echo "$name failed ($status)" >&2; exit 1; }
  }
  # the last line: after a "Command exited with non-zero status" line
  tail -n 1 "$work/time" | awk '{print $1, $2, $3 + $4}' >>"$work/$name.times"
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((r = 0; r < rounds; r++)); do
  run floor "$floor" "$work/corpus"
  run jobs1 "$work/bin/quorvane-scan" scan --jobs 1 "$work/corpus"
  run jobsN "$work/bin/quorvane-scan" scan "$work/corpus"
  run exportfile "$work/bin/bench_export_calls" per-file "$work/corpus"
  run exportdir "$work/bin/bench_export_calls" folder "$work/corpus"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

median() {  # column file
  awk -v c="$1" '{print $c}' "$2" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
report() {  # label name
  local t kib cpu
  t=$(median 1 "$work/$2.times")
  kib=$(median 2 "$work/$2.times")
  cpu=$(median 3 "$work/$2.times")
  awk -v label="$1" -v t="$t" -v kib="$kib" -v cpu="$cpu" -v n="$count" -v b="$bytes" 'BEGIN {
    printf "%-30s %6.2f s %7.0f files/s %7.1f MB/s   cpu %6.2f s   peak RSS %5.1f MiB\n", label, t, n / t, b / 1e6 / t,
      cpu, kib / 1024 }'
}
echo "corpus: $count files, $((bytes / 1048576)) MiB; $rounds alternating rounds; medians; $(nproc) processors"
echo "load average before: $load_before; after: $load_after"
report "floor (walk + read whole)" floor
report "quorvane-scan --jobs 1" jobs1
report "quorvane-scan --jobs $(nproc)" jobsN
report "SCanFileVirus per file" exportfile
report "SCanFileVirus over the folder" exportdir
ratio() {  # column a b
  awk -v a="$(median "$1" "$work/$2.times")" -v b="$(median "$1" "$work/$3.times")" 'BEGIN { printf "%.2f", a / b }'
}
percent() { awk -v r="$1" 'BEGIN { printf "%.0f %%", r * 100 }'; }
echo "CLI --jobs 1 speed / floor speed (wall):             $(percent "$(ratio 1 floor jobs1)")"
echo "CLI --jobs $(nproc) speed / floor speed (wall):             $(percent "$(ratio 1 floor jobsN)")"
echo "per-file export calls / one call over folder (wall): $(ratio 1 exportfile exportdir) x"
echo "per-file export calls / one call over folder (cpu):  $(ratio 3 exportfile exportdir) x"
