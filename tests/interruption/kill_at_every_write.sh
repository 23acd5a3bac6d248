#!/usr/bin/env bash
# Kills quorvane-scan right before every call by which it changes a file (creating, writing,
# renaming, removing, changing permissions) while it repairs each harmless sample — in a run of
# writes into one file (a rebuilt package being written) the first, the last and every eighth,
# as the ones between leave the same state — then checks
# the document after the next run has put right what the killed one left: it is either exactly
# as it was (and still detected), or fully repaired (not detected, the same as an uninterrupted
# repair) with a quarantine copy that restores the original; and nothing is left over (no
# rebuilt file beside it, no half-made copy, no journal, no temporary folder). A second pass
# sends SIGHUP, SIGINT or SIGTERM at every such call instead: the run finishes the document in
# hand and stops (at every third change, the three signals in turn). Last, two repair runs at
# once over the same folder and quarantine: no spurious failures, no second copies.
#
#   kill_at_every_write.sh PROGRAM_FOLDER SAMPLES_PROGRAM WRITE_INTERRUPTER [SAMPLE...]
# (samples by quorvane-samples' names; default: doc xls xls4 docm xlsm)
set -uo pipefail
bin=$1 samples=$2 interrupter=$3
shift 3
chosen=("$@")
[ ${#chosen[@]} -gt 0 ] || chosen=(doc xls xls4 docm xlsm)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/tmp" "$work/originals"
cp "$bin/quorvane-scan" "$bin/libquorvane-cli.so" "$bin/libSCanVirus.so" "$bin/qzmacro.vlb" "$work/program/"
scan=$work/program/quorvane-scan
export TMPDIR=$work/tmp  # the engine's temporary folders, checked for leftovers
failures=0 points=0

fail() {
  echo "FAIL [$1]: $2"
  failures=$((failures + 1))
}

# Runs quorvane-scan under the write interrupter with the given settings; answers its exit code
# (137 when killed), without the shell's notice of the kill.
interrupted_run() {
  (env "$@" LD_PRELOAD="$interrupter" "$scan" scan --repair --quarantine "$work/case/quarantine" \
     "$work/case/docs/$name" >/dev/null 2>"$work/err"; echo $? >"$work/rc") 2>/dev/null
  return "$(cat "$work/rc")"
}

# A fresh folder with the original document and an empty quarantine.
fresh_case() {
  rm -rf "$work/case"
  mkdir -p "$work/case/docs" "$work/case/quarantine"
  cp "$work/originals/$1" "$work/case/docs/$1"
}

# The state after the interrupted run `$2` and the next (report-only) run.
check_case() {
  local name=$1 what=$2 kind=$3
  local doc=$work/case/docs/$name q=$work/case/quarantine
  local out rc
  out=$("$scan" scan --json --quarantine "$q" "$doc" 2>&1)
  rc=$?
  if cmp -s "$doc" "$work/originals/$name"; then
    [ $rc -eq 1 ] || fail "$what" "the original document was not detected (exit $rc): $out"
  else
    [ $rc -eq 0 ] || fail "$what" "a changed document is not clean (exit $rc): $out"
    if [ "$kind" = package ]; then
      # A rebuilt package differs from another only in its entries' times; the engine read it
      # whole above (a damaged one is reported, never clean).
      [ "$(stat -c %s "$doc")" = "$(stat -c %s "$work/reference/$name")" ] ||
        fail "$what" "the rebuilt package differs from an uninterrupted repair"
    else
      cmp -s "$doc" "$work/reference/$name" || fail "$what" "neither the original nor the repaired document"
    fi
    local restored=no vir
    for vir in "$q"/*.vir; do
      [ -f "$vir" ] || continue
      rm -f "$work/restored"
      "$scan" restore --quarantine "$q" "$vir" "$work/restored" >/dev/null 2>&1 &&
        cmp -s "$work/restored" "$work/originals/$name" && restored=yes
    done
    [ $restored = yes ] || fail "$what" "no quarantine copy restores the original"
  fi
  local left
  left=$(cd "$work/case/docs" && ls -A | grep -vxF "$name")
  [ -z "$left" ] || fail "$what" "left beside the document: $left"
  left=$(find "$q" -name '*.vir' -size 0)
  [ -z "$left" ] || fail "$what" "an empty quarantine copy: $left"
  left=$(ls -A "$q/in-progress" 2>/dev/null | grep -vxF run.lock)
  [ -z "$left" ] || fail "$what" "left in the quarantine's in-progress folder: $left"
  left=$(ls -A "$work/tmp")
  [ -z "$left" ] || fail "$what" "left in the temporary folder: $left"
  rm -rf "$work/tmp"/*
}

"$samples" -o "$work/originals" "${chosen[@]}" >/dev/null || { echo "the samples could not be written" >&2; exit 1; }
mkdir -p "$work/reference"
for name in $(ls "$work/originals"); do
  kind=compound
  [ "$(head -c 2 "$work/originals/$name")" = PK ] && kind=package  # a zip package is rebuilt, not patched
  # The uninterrupted repair: the reference, and how many changes it makes.
  fresh_case "$name"
  rm -f "$work/count"
  QV_WRITE_COUNT_FILE=$work/count QV_WRITE_TRACE_FILE=$work/trace LD_PRELOAD=$interrupter \
    "$scan" scan --repair --quarantine "$work/case/quarantine" "$work/case/docs/$name" >/dev/null 2>&1
  rc=$?
  [ $rc -eq 1 ] || fail "$name" "the uninterrupted repair answered $rc"
  cp "$work/case/docs/$name" "$work/reference/$name"
  if "$scan" scan --quarantine "$work/case/quarantine" "$work/reference/$name" >/dev/null 2>&1; then :; else
    fail "$name" "the uninterrupted repair did not clean it"
  fi
  total=$(tail -n 1 "$work/count")
  # Every change that begins, ends or is not in a run of writes to one descriptor, and every
  # eighth inside such a run.
  points_of_sample=$(awk '{ n[NR] = $1; fd[NR] = $2 }
    END { for (i = 1; i <= NR; ++i) {
            inside = fd[i] != "-" && fd[i] == fd[i - 1] && fd[i] == fd[i + 1]
            run = inside ? run + 1 : 0
            if (!inside || run % 8 == 0) print n[i] } }' "$work/trace")
  for k in $points_of_sample; do
    fresh_case "$name"
    interrupted_run QV_KILL_AT_WRITE=$k
    rc=$?
    [ $rc -eq 137 ] || [ $rc -eq 1 ] || fail "$name kill $k" "the run answered $rc: $(cat "$work/err")"
    check_case "$name" "$name kill $k/$total" "$kind"
    points=$((points + 1))
  done
  # A hang-up, Ctrl-C or termination at a change: the document in hand is finished first.
  signals=(1 2 15)
  turn=0
  for k in $points_of_sample; do
    turn=$((turn + 1))
    [ $((turn % 3)) -eq 0 ] || continue
    signal=${signals[$((turn / 3 % 3))]}
    fresh_case "$name"
    interrupted_run QV_SIGNAL_AT_WRITE=$k QV_SIGNAL_NUMBER=$signal
    rc=$?
    { [ $rc -eq 2 ] && grep -q "interrupted" "$work/err"; } || [ $rc -eq 1 ] ||
      fail "$name signal $signal at $k" "the run answered $rc: $(cat "$work/err")"
    check_case "$name" "$name signal $signal at $k/$total" "$kind"
  done
done

# Two repair runs at once over one folder and one quarantine: each document is repaired once,
# with one copy, and neither run reports a failure.
for round in 1 2 3; do
  rm -rf "$work/case"
  mkdir -p "$work/case/docs" "$work/case/quarantine"
  cp "$work/originals"/* "$work/case/docs/"
  for run in a b; do
    "$scan" scan --repair --quarantine "$work/case/quarantine" "$work/case/docs" >"$work/out.$run" 2>&1 &
  done
  wait
  if grep -E "repair failed|backup failed" "$work/out.a" "$work/out.b"; then fail "two runs, round $round" "a spurious failure"; fi
  copies=$(ls "$work/case/quarantine" | grep -c '\.vir$')
  [ "$copies" -eq "$(ls "$work/originals" | wc -l)" ] || fail "two runs, round $round" "$copies copies: $(ls "$work/case/quarantine")"
  "$scan" scan --quarantine "$work/case/quarantine" "$work/case/docs" >/dev/null 2>&1 ||
    fail "two runs, round $round" "not everything is clean afterwards"
done
echo "kill points: $points over ${#chosen[@]} samples; failures: $failures"
[ $failures -eq 0 ]
