#!/usr/bin/env bash
# Two starts of the real editor over the same settings under Xvfb, driven from outside:
#   1. a second start hands its file to the running editor, which loads it on its current
#      channel and comes forward, and the second ends with status 0;
#   2. a second start whose first editor does not answer (stopped with SIGSTOP) runs on its own,
#      says in its caption that it keeps no channels, and the first, woken again, does not
#      open the file the second opened itself;
#   3. the lock of an editor that was killed is taken over by the next start, which answers
#      later starts in its turn;
#   4. SIGTERM ends an editor with status 0, and the channels it had come back at the next start.
#
#   two_editors_test.sh BIN_DIR
#
# The editors use the built-in simulator: no JACK server is needed. Exit status 77 (skipped)
# when a tool is missing.
set -euo pipefail

BIN_DIR=$(cd "$1" && pwd)
source "$(dirname "$0")/gui_session.sh"

readonly NAME_A="Two:First File"
readonly NAME_B="Two:Second File"
readonly NOT_KEPT="(channels not kept)"
# A first editor that runs answers at once; the deadline only bounds a broken run.
readonly PATIENT_MS=30000
readonly IMPATIENT_MS=300

WORK=$(mktemp -d "${TMPDIR:-/tmp}/morvane-two.XXXXXX")
# A name made under Latin-1, not UTF-8: opened from the command line and handed over by its bytes.
FILE_B="$WORK/b-caf"$'\xe9'".syx"
readonly FILE_B

trap finish_run EXIT
trap 'exit 130' INT TERM

morvane() { "$BIN_DIR/morvane" "$@"; }

# editor DEADLINE_MS ARGS...: the editor over this run's settings and data, in place of the
# calling (background) shell, so that $! is the editor's own process id.
editor() {
  local deadline=$1
  shift
  exec "${WITH_PARENT[@]}" env XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" \
    QT_QPA_PLATFORM=xcb \
    JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER=morvane-two-no-server MORVANE_MIDI_API= \
    MORVANE_ANSWER_DEADLINE_MS=$deadline "$BIN_DIR/morvane-editor" "$@"
}

# start_editor NAME DEADLINE_MS ARGS...: an editor in the background; sets PID and WINDOW once
# its window shows.
start_editor() {
  local name=$1
  shift
  editor "$@" >"$WORK/$name.log" 2>&1 &
  PID=$!
  remember_pid "$PID"
  wait_until 20 window_of "$PID" >/dev/null || fail "$name: no window appeared"
  WINDOW=$(window_of "$PID")
}
window_of() {
  local windows
  windows=$(xdotool search --all --onlyvisible --pid "$1" --classname morvane-editor 2>/dev/null) ||
    return 1
  [[ -n $windows ]] && echo "${windows%%$'\n'*}"
}

shows() { [[ $(window_title "$1") == "$2" ]]; }
expect_title() {
  wait_until 15 shows "$1" "$2" || fail "$3: caption '$(window_title "$1")', expected '$2'"
}

# hand_over ARGS...: a later start that must hand over and end with status 0.
hand_over() {
  editor "$PATIENT_MS" "$@" >"$WORK/later.log" 2>&1 &
  local pid=$! status=0
  remember_pid "$pid"
  wait_until 60 process_gone "$pid" || fail "the later start did not end"
  wait "$pid" || status=$?
  ((status == 0)) || fail "the later start ended with status $status: $(tail -2 "$WORK/later.log")"
}

# ends PID: waits for PID to end and fails unless its status is 0.
ends() {
  local status=0
  wait_until 30 process_gone "$1" || fail "$2 did not end"
  wait "$1" || status=$?
  ((status == 0)) || fail "$2 ended with status $status"
}

main() {
  require_tools Xvfb xdpyinfo xdotool import
  mkdir -p "$WORK/config/keltano"
  printf '[setup]\nkeepchannels=1\nlibrarybackup=0\n' >"$WORK/config/keltano/mrveditor.conf"
  morvane rename "$BIN_DIR/init.syx" "$NAME_A" -o "$WORK/a.syx"
  morvane rename "$BIN_DIR/init.syx" "$NAME_B" -o "$FILE_B"
  local initial
  initial=$(morvane info "$BIN_DIR/init.syx" | sed -n 's/^name: "\(.*\)"$/\1/p' | sed 's/ *$//')
  start_xvfb "$WORK"

  log "1. a second start hands its file to the first"
  start_editor first "$PATIENT_MS"
  local first=$PID first_window=$WINDOW
  expect_title "$first_window" "$initial" "the first editor"
  hand_over "$WORK/a.syx"
  expect_title "$first_window" "$NAME_A*" "the first editor after the hand-over"
  [[ $(xdotool search --onlyvisible --classname morvane-editor | wc -l) -eq 1 ]] ||
    fail "more than one editor window shows"

  log "2. a first editor that does not answer"
  kill -STOP "$first"
  start_editor alone "$IMPATIENT_MS" "$FILE_B"
  local alone=$PID
  expect_title "$WINDOW" "$NAME_B* $NOT_KEPT" "the editor whose first did not answer"
  kill -CONT "$first"
  # Handled after the call the stopped editor never answered: by then it has seen that one.
  hand_over
  expect_title "$first_window" "$NAME_A*" "the first editor, woken again"
  kill -TERM "$alone"
  ends "$alone" "the editor on its own, on SIGTERM,"

  log "3. the lock of a killed editor is taken over"
  kill -KILL "$first"
  wait "$first" 2>/dev/null || true
  compgen -G "$WORK/data/*/channels.session.lock" >/dev/null || fail "no lock was left behind"
  start_editor next "$PATIENT_MS"
  local next=$PID next_window=$WINDOW
  wait_until 15 title_is_kept "$next_window" || fail "the next editor does not keep its channels"
  hand_over "$FILE_B"
  expect_title "$next_window" "$NAME_B*" "the next editor after the hand-over"

  log "4. SIGTERM keeps the channels and ends the editor"
  kill -TERM "$next"
  ends "$next" "the editor, on SIGTERM,"
  start_editor last "$PATIENT_MS"
  expect_title "$WINDOW" "$NAME_B*" "the start after SIGTERM"
  log "PASS: one editor per set of channels"
}
title_is_kept() {
  local title
  title=$(window_title "$1")
  [[ -n $title && $title != *"$NOT_KEPT" ]]
}

main
