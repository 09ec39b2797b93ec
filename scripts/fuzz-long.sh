#!/usr/bin/env bash
# A long run of one fuzz target on every core, for depth that CI's 30 seconds cannot give.
#
#   scripts/fuzz-long.sh TARGET MINUTES
#
# TARGET is the NAME of fuzz/fuzz_NAME.cpp (preset, input, sim, profile, bank). Builds the
# fuzz preset when needed, then runs build-fuzz/bin/morvane-fuzz-TARGET in libFuzzer's fork
# mode with one worker a core, the target's seeds (fuzz/corpus/TARGET) and dictionary
# (fuzz/dict/TARGET.dict). What the run finds new is kept in the local corpus
# fuzz-corpus/TARGET (not in git), minimised at the end, and read again by the next run.
# Crashes, leaks, timeouts and running out of memory do not stop the run; each one is
# kept in fuzz-runs/TARGET-TIME/ and listed at the end with the command that reproduces
# it. Exit status: 0 without findings, 1 with findings, 2 for wrong arguments.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: scripts/fuzz-long.sh TARGET MINUTES" >&2
  echo "targets: $(ls fuzz/fuzz_*.cpp | sed 's|fuzz/fuzz_||;s|\.cpp$||' | tr '\n' ' ')" >&2
  exit 2
}

(($# == 2)) || usage
readonly TARGET=$1 MINUTES=$2
[[ -f fuzz/fuzz_$TARGET.cpp ]] || usage
[[ $MINUTES =~ ^[1-9][0-9]*$ ]] || usage

readonly BINARY=build-fuzz/bin/morvane-fuzz-$TARGET
readonly SEEDS=fuzz/corpus/$TARGET
readonly DICTIONARY=fuzz/dict/$TARGET.dict
readonly CORPUS=fuzz-corpus/$TARGET
RUN_DIR=fuzz-runs/$TARGET-$(date +%Y%m%d-%H%M%S)
readonly RUN_DIR
readonly WORKERS=$(nproc)

[[ -f build-fuzz/CMakeCache.txt ]] || cmake --preset fuzz
cmake --build --preset fuzz --target "morvane-fuzz-$TARGET"

mkdir -p "$CORPUS" "$RUN_DIR"
options=(-artifact_prefix="$RUN_DIR/" -max_total_time=$((MINUTES * 60)) -print_final_stats=1)
[[ -f $DICTIONARY ]] && options+=(-dict="$DICTIONARY")
seeds=()
[[ -d $SEEDS ]] && seeds+=("$SEEDS")

echo "fuzzing $TARGET for $MINUTES min on $WORKERS workers; log: $RUN_DIR/fuzz.log"
"$BINARY" -fork="$WORKERS" -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
  "${options[@]}" "$CORPUS" "${seeds[@]}" >"$RUN_DIR/fuzz.log" 2>&1 || true

# Fork mode adds every input with new coverage; a merge keeps the smallest set with the
# same coverage, so that the next run starts from few, short inputs.
minimised=$CORPUS.minimised
rm -rf "$minimised"
mkdir -p "$minimised"
if "$BINARY" -merge=1 "$minimised" "$CORPUS" "${seeds[@]}" >"$RUN_DIR/merge.log" 2>&1; then
  rm -rf "$CORPUS"
  mv "$minimised" "$CORPUS"
else
  rm -rf "$minimised"
  echo "the corpus was not minimised: see $RUN_DIR/merge.log" >&2
fi

# The fork mode's last progress line: "#RUNS: cov: C ft: F corp: N exec/s E oom/timeout/crash: ..."
progress=$(grep -E '^#[0-9]+: cov:' "$RUN_DIR/fuzz.log" | tail -1 || true)
if [[ -z $progress ]]; then
  echo "the run printed no progress; the end of its log:" >&2
  tail -n 20 "$RUN_DIR/fuzz.log" >&2
  exit 1
fi
read -r runs cov features <<<"$(sed -E 's/^#([0-9]+): cov: ([0-9]+) ft: ([0-9]+).*/\1 \2 \3/' <<<"$progress")"
seconds=$(sed -nE 's/.* time: ([0-9]+)s.*/\1/p' <<<"$progress")
echo "target:     $TARGET"
echo "executions: $runs in ${seconds:-?} s ($((runs / (${seconds:-0} > 0 ? seconds : 1))) a second on $WORKERS workers)"
echo "coverage:   $cov edges, $features features"
echo "corpus:     $(find "$CORPUS" -type f | wc -l) inputs in $CORPUS"

findings=$(find "$RUN_DIR" -maxdepth 1 -type f \
  \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort)
if [[ -z $findings ]]; then
  echo "findings:   none"
  exit 0
fi
echo "findings:   $(wc -l <<<"$findings")"
while read -r finding; do
  echo "  $finding"
  echo "    reproduce: $BINARY $finding"
done <<<"$findings"
exit 1
