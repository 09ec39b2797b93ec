#!/usr/bin/env bash
# Time to the editor's window when its remembered devices are on a JACK server that does not
# answer, run by hand:
#
#   bench/startup/measure_jack_stall.sh [BIN_DIR] [RUNS]     (defaults build/bin and 5)
#
# A private JACK server runs the simulator, and the editor's settings remember the simulator's
# ports, as after a session on them. Each run starts the editor three ways, interleaved, and
# measures on the monotonic clock from just before the process starts until its main window is
# mapped (polled with xdotool every 5 ms):
#   none     no JACK server at all (the editor is pointed at a name no server has);
#   stalled  the server stopped with SIGSTOP (a debugger, a suspended session);
# and, once the stalled runs are done, after the server was killed with SIGKILL (its socket file
# left behind):
#   killed   a start with the devices remembered, which a trial once saw take 15 s.
# A window that does not appear within LIMIT_S seconds counts as LIMIT_S and is named. Prints the
# median, minimum and maximum of each, and the stalled median's excess over none's (target
# <= 1 s). The editor may open error boxes about the missing devices: only the main window counts.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BIN_DIR=$(cd "${1:-$ROOT/build/bin}" && pwd)
RUNS=${2:-5}
source "$ROOT/tests/gui/gui_session.sh"

readonly LIMIT_S=20
readonly DETECT_STEP=0.005
readonly EXCESS_TARGET_S=1.0
readonly NO_JACK_SERVER=morvane-stall-no-server
readonly SIM=morvane-stall-sim

WORK=$(mktemp -d "${TMPDIR:-/tmp}/morvane-stall.XXXXXX")
EDITOR_PID=""
trap '[[ -z $EDITOR_PID ]] || stop_pid "$EDITOR_PID" || true; stop_all; rm -rf "$WORK"' EXIT

monotonic_s() { perl -MTime::HiRes=clock_gettime,CLOCK_MONOTONIC -e 'printf "%.4f\n", clock_gettime(CLOCK_MONOTONIC)'; }

# The editor's main window: the one whose title is the program's.
main_window_up() { xdotool search --onlyvisible --classname morvane-editor >/dev/null 2>&1; }

# Prints the seconds one start of the editor with the remembered devices took to show its
# window, on server SERVER.
run_once() {
  local server=$1 config=$WORK/config-$RANDOM start shown
  cp -r "$WORK/settings" "$config"
  start=$(monotonic_s)
  XDG_CONFIG_HOME="$config" XDG_DATA_HOME="$config/data" QT_QPA_PLATFORM=xcb \
    JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER=$server MORVANE_MIDI_API= \
    "${WITH_PARENT[@]}" "$BIN_DIR/morvane-editor" >"$WORK/editor.log" 2>&1 &
  EDITOR_PID=$!
  local deadline=$((SECONDS + LIMIT_S))
  until main_window_up; do
    if ((SECONDS >= deadline)); then
      echo "no window within $LIMIT_S s ($server)" >&2
      break
    fi
    sleep "$DETECT_STEP"
  done
  shown=$(monotonic_s)
  stop_pid "$EDITOR_PID" || true
  EDITOR_PID=""
  rm -rf "$config"
  awk -v a="$start" -v b="$shown" 'BEGIN { printf "%.4f\n", b - a }'
}

# Prints "median min max" of the numbers on standard input.
summary() {
  sort -g | awk '{ v[NR] = $1 } END {
    median = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    print median, v[1], v[NR] }'
}

report() {
  local name=$1 median min max
  read -r median min max < <(summary <"$WORK/$name")
  printf '%-8s median %.3f s, min %.3f s, max %.3f s\n' "$name" "$median" "$min" "$max"
}

main() {
  require_tools Xvfb xdpyinfo xdotool perl jackd jack_wait jack_lsp setpriv
  start_xvfb "$WORK"
  export XDG_RUNTIME_DIR="$WORK/runtime"
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
  start_jackd morvane-stall "$WORK"
  start_simulator "$BIN_DIR" "$SIM" "$WORK/sim.log"
  JACK_CLIENTS+=(morvane-editor)
  write_settings "$WORK/settings" "$(editor_device_index "$SIM-in:in" input)" "$SIM-in:in" \
    "$(editor_device_index "$SIM-out:out" output)" "$SIM-out:out"
  run_once "$NO_JACK_SERVER" >/dev/null # warms the disk cache
  : >"$WORK/none"
  : >"$WORK/stalled"
  : >"$WORK/killed"
  local run
  for ((run = 1; run <= RUNS; run++)); do
    run_once "$NO_JACK_SERVER" >>"$WORK/none"
    kill -STOP "$JACK_PID"
    run_once "$JACK_SERVER" >>"$WORK/stalled"
    kill -CONT "$JACK_PID"
  done
  kill -KILL "$JACK_PID"
  wait "$JACK_PID" 2>/dev/null || true
  for ((run = 1; run <= RUNS; run++)); do
    run_once "$JACK_SERVER" >>"$WORK/killed"
  done
  forget_killed_jack_server "$JACK_SERVER"
  JACK_PID=""
  report none
  report stalled
  report killed
  local none stalled
  none=$(summary <"$WORK/none" | cut -d' ' -f1)
  stalled=$(summary <"$WORK/stalled" | cut -d' ' -f1)
  awk -v s="$stalled" -v n="$none" -v t="$EXCESS_TARGET_S" 'BEGIN {
    printf "stalled - none (medians): %.3f s (target <= %.1f s)\n", s - n, t }'
}

main
