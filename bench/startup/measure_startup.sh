#!/usr/bin/env bash
# Start-up time and memory of the real editor under Xvfb, run by hand:
#
#   bench/startup/measure_startup.sh [BIN_DIR] [RUNS]     (defaults build/bin and 5)
#
# Each run starts build/bin/morvane-editor with fresh settings (a first start: no
# device to reopen) and measures, on the monotonic clock, from just before the process
# starts until its window is mapped with the initial preset's name as its caption
# (polled with xdotool every 5 ms, so a reading is late by up to about 10 ms), then
# reads the resident memory (VmRSS from /proc) once the window has been up for 0.3 s.
# One run before the measured ones warms the disk cache. Prints the median, minimum
# and maximum of both; the targets are 0.30 s and 40 MiB.
#
# No JACK server runs for the editor (it is pointed at a server name that none has), so
# that looking for one is part of what is timed; whatever the editor prints on the
# terminal is shown, as it should print nothing. Each run also starts a bare Qt window of
# the editor's size (morvane-bare-window) the same way, and the medians of both and their
# ratio are printed: what the editor's own work adds to a start-up on this machine.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BIN_DIR=$(cd "${1:-$ROOT/build/bin}" && pwd)
RUNS=${2:-5}
source "$ROOT/tests/gui/gui_session.sh"

readonly TIME_TARGET_S=0.30
readonly MEMORY_TARGET_MIB=40
readonly SETTLE_S=0.3
readonly DETECT_STEP=0.005

WORK=$(mktemp -d "${TMPDIR:-/tmp}/morvane-startup.XXXXXX")
EDITOR_PID=""
trap '[[ -z $EDITOR_PID ]] || stop_pid "$EDITOR_PID" || true; stop_all; rm -rf "$WORK"' EXIT

monotonic_s() { perl -MTime::HiRes=clock_gettime,CLOCK_MONOTONIC -e 'printf "%.4f\n", clock_gettime(CLOCK_MONOTONIC)'; }

readonly NO_JACK_SERVER=morvane-startup-no-server
readonly BARE_TITLE=morvane-bare-window

# Prints "SECONDS KIB" for one start of the editor.
run_once() {
  local config=$1 caption=$2 start shown
  mkdir -p "$config"
  start=$(monotonic_s)
  # Data of its own too: no channels kept by another run are brought back.
  XDG_CONFIG_HOME="$config" XDG_DATA_HOME="$config/data" QT_QPA_PLATFORM=xcb \
    JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER=$NO_JACK_SERVER MORVANE_MIDI_API= \
    "$BIN_DIR/morvane-editor" >"$WORK/editor.log" 2>&1 &
  EDITOR_PID=$!
  local deadline=$((SECONDS + 20))
  until xdotool search --onlyvisible --name "^$caption" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || fail "the window never showed '$caption': $(cat "$WORK/editor.log")"
    sleep "$DETECT_STEP"
  done
  shown=$(monotonic_s)
  sleep "$SETTLE_S"
  local rss_kib
  rss_kib=$(awk '/^VmRSS:/ { print $2 }' "/proc/$EDITOR_PID/status")
  stop_pid "$EDITOR_PID" || true
  EDITOR_PID=""
  awk -v a="$start" -v b="$shown" -v kib="$rss_kib" 'BEGIN { printf "%.4f %d\n", b - a, kib }'
}

# Prints "SECONDS" for one start of the bare window of WIDTH x HEIGHT.
run_bare() {
  local width=$1 height=$2 start shown pid
  start=$(monotonic_s)
  QT_QPA_PLATFORM=xcb "$BIN_DIR/morvane-bare-window" "$width" "$height" "$BARE_TITLE" \
    >/dev/null 2>&1 &
  pid=$!
  local deadline=$((SECONDS + 20))
  until xdotool search --onlyvisible --name "^$BARE_TITLE\$" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || fail "the bare window never showed"
    sleep "$DETECT_STEP"
  done
  shown=$(monotonic_s)
  stop_pid "$pid" || true
  awk -v a="$start" -v b="$shown" 'BEGIN { printf "%.4f\n", b - a }'
}

# Prints "WIDTH HEIGHT" of the editor's window once it shows.
editor_size() {
  local config=$1 caption=$2 pid wid
  mkdir -p "$config"
  XDG_CONFIG_HOME="$config" XDG_DATA_HOME="$config/data" QT_QPA_PLATFORM=xcb \
    JACK_DEFAULT_SERVER=$NO_JACK_SERVER \
    "$BIN_DIR/morvane-editor" >/dev/null 2>&1 &
  pid=$!
  wid=$(xdotool search --sync --onlyvisible --name "^$caption" | head -1)
  xdotool getwindowgeometry --shell "$wid" | awk -F= '/^(WIDTH|HEIGHT)=/ { printf "%s ", $2 } END { print "" }'
  stop_pid "$pid" || true
}

# Prints "median min max" of the numbers on standard input.
summary() {
  sort -g | awk '{ v[NR] = $1 } END {
    median = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    print median, v[1], v[NR] }'
}

main() {
  require_tools Xvfb xdpyinfo xdotool perl
  start_xvfb "$WORK"
  local caption
  caption=$("$BIN_DIR/morvane" info "$BIN_DIR/init.syx" | sed -n 's/^name: "\(.*\)"$/\1/p' | sed 's/ *$//')
  export XDG_RUNTIME_DIR="$WORK/runtime"
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
  run_once "$WORK/warm-up" "$caption" >/dev/null
  local width height
  read -r width height < <(editor_size "$WORK/size" "$caption")
  run_bare "$width" "$height" >/dev/null
  local run
  : >"$WORK/bare"
  : >"$WORK/results"
  for ((run = 1; run <= RUNS; run++)); do
    run_once "$WORK/config-$run" "$caption" >>"$WORK/results"
    [[ -s $WORK/editor.log ]] && { echo "the editor printed:"; cat "$WORK/editor.log"; } >&2
    run_bare "$width" "$height" >>"$WORK/bare"
  done
  awk '{ printf "run %d: %.3f s, %.1f MiB\n", NR, $1, $2 / 1024 }' "$WORK/results"
  read -r time_median time_min time_max < <(cut -d' ' -f1 "$WORK/results" | summary)
  read -r rss_median rss_min rss_max < <(cut -d' ' -f2 "$WORK/results" | summary)
  printf 'start-up to window with caption: median %.3f s, min %.3f s, max %.3f s (target <= %s s)\n' \
    "$time_median" "$time_min" "$time_max" "$TIME_TARGET_S"
  awk -v a="$rss_median" -v b="$rss_min" -v c="$rss_max" -v t="$MEMORY_TARGET_MIB" 'BEGIN {
    printf "resident memory once started:    median %.1f MiB, min %.1f MiB, max %.1f MiB (target <= %s MiB)\n",
      a / 1024, b / 1024, c / 1024, t }'
  local bare_median bare_min bare_max
  read -r bare_median bare_min bare_max < <(summary <"$WORK/bare")
  printf 'bare %sx%s Qt window, same runs:  median %.3f s, min %.3f s, max %.3f s\n' \
    "$width" "$height" "$bare_median" "$bare_min" "$bare_max"
  awk -v e="$time_median" -v b="$bare_median" 'BEGIN {
    printf "editor / bare window (medians):  %.2f, with no JACK server running\n", e / b }'
}

main
