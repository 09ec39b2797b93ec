#!/usr/bin/env bash
# The real editor under Xvfb against the simulator on a private JACK server, driven
# only from outside with xdotool: menu shortcuts, answers to the questions, paths pasted
# into the file dialogs and a drag on the Layer page.
#
#   editor_session_test.sh BIN_DIR OUT_DIR
#
# BIN_DIR holds morvane-editor (with its data files), morvane-sim and morvane; the
# screenshot taken after the first Request is written to OUT_DIR/gui-after-request.png.
#
# The story, each step checked from outside:
#   1. Load preset A (Ctrl+O, path pasted, Enter) and answer Yes at "send?": the
#      caption shows A and the simulator receives A's dump.
#   2. Load preset B and answer No: the editor shows B, the simulator keeps A.
#   3. Request (Ctrl+F9, Yes): the caption turns back to A, so A came from the
#      simulator. Screenshot.
#   4. Drag the Layer page's "vol" control to the left: the simulator receives the
#      parameter edit with the new value.
#   5. Load B again (No at "send?"), Request again: the caption shows A again.
#   6. Save (Ctrl+S, path pasted, Enter): the file is A with the dragged volume, as the
#      simulator sent it, with the edit buffer's preset number 7F 7F at bytes 7-8
#      (BF is ticked at start): byte for byte what `morvane dump --preset -1` gives.
#
# Exit status 77 (skipped) when a tool is missing; scripts/deps.sh installs them all.
#
# Qt's message boxes: the question boxes have the buttons Yes and No with Yes as the
# default button, so Enter (Return) presses Yes; Alt+Y and Alt+N press the buttons by
# their mnemonics ("&Yes", "&No"), and Escape presses No. The test uses all four: the
# second Load and Request are answered with the mnemonics.
set -euo pipefail

BIN_DIR=$(cd "$1" && pwd)
OUT_DIR=$(cd "$2" && pwd)
source "$(dirname "$0")/gui_session.sh"

readonly NAME_A="Gui:Loaded One"
readonly NAME_B="Gui:Loaded Two"
readonly VOLUME_PARAM="0B:02"
readonly VOLUME_A=-10
# dragger1 "vol", in the Layer page's panel.
readonly VOL_X=9 VOL_Y=40 VOL_WIDTH=46 VOL_HEIGHT=16
readonly PAGE_CONTROL_TOP=72
readonly DRAG_MOVES=5
# The simulator's log line of a parameter edit of the volume: the value's two bytes.
readonly VOLUME_EDIT_PATTERN='^<- F0 18 0F 00 55 01 02 02 0B ([0-9A-F]{2}) ([0-9A-F]{2}) F7$'

WORK=$(mktemp -d "${TMPDIR:-/tmp}/morvane-gui.XXXXXX")
MAIN_WINDOW=""
DIALOG=""

trap finish_run EXIT
trap 'exit 130' INT TERM

morvane() { "$BIN_DIR/morvane" "$@"; }

make_presets() {
  morvane rename "$BIN_DIR/init.syx" "$NAME_A" -o "$WORK/a-named.syx"
  morvane set "$WORK/a-named.syx" "$VOLUME_PARAM" "$VOLUME_A" --layer 1 -o "$WORK/a.syx"
  morvane rename "$BIN_DIR/init.syx" "$NAME_B" -o "$WORK/b.syx"
}

start_editor() {
  local sim=$1 out_index in_index
  out_index=$(editor_device_index "$sim-in:in" input)
  in_index=$(editor_device_index "$sim-out:out" output)
  write_settings "$WORK/config" "$out_index" "$sim-in:in" "$in_index" "$sim-out:out"
  # Data of its own: the channels' lock and socket are no other run's.
  XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" MORVANE_MIDI_API=jack \
    QT_QPA_PLATFORM=xcb \
    "${WITH_PARENT[@]}" "$BIN_DIR/morvane-editor" >"$WORK/editor.log" 2>&1 &
  remember_pid $!
  JACK_CLIENTS+=(morvane-editor)
  wait_until 20 has_editor_window || fail "the editor's window never appeared"
  MAIN_WINDOW=$(editor_windows)
  MAIN_WINDOW=${MAIN_WINDOW%%$'\n'*}
  local initial
  initial=$(morvane info "$BIN_DIR/init.syx" | sed -n 's/^name: "\(.*\)"$/\1/p' | sed 's/ *$//')
  wait_until 10 main_window_shows "$initial" ||
    fail "caption '$(window_title "$MAIN_WINDOW")', expected the initial preset '$initial'"
  log "editor up: window $MAIN_WINDOW, caption '$initial'"
}

# answer KEY: waits for a question box and answers it with KEY.
answer() {
  wait_dialog
  xdotool key "$1"
  wait_until 10 no_dialog || fail "the question box did not close"
}

# shortcut KEYS: a menu shortcut typed into the main window.
shortcut() {
  focus_main
  xdotool key "$1"
}

# choose_file SHORTCUT PATH: opens a file dialog by its shortcut, pastes the whole path into its
# file name box at once, and presses Enter once the box reads the path back. Typed key by key,
# the path would race the dialog's completion, which fills in as the dialog reads a folder: on a
# loaded machine it changed what was typed. While the completion list is open, Enter only closes
# the list (at most completing the same path), so the path is pasted and read back again, and
# Enter pressed again, for as long as that same dialog stays open.
choose_file() {
  shortcut "$1"
  wait_dialog
  local dialog=$DIALOG path=$2 attempt
  for attempt in 1 2 3; do
    ((attempt == 1)) || log "the file dialog is still open: paste and Enter again"
    xdotool windowfocus --sync "$dialog" 2>/dev/null || true
    dialog_gone "$dialog" && return 0
    if ! paste_text "$path"; then
      log "the file dialog's name box reads '$(clipboard_text)', not '$path'"
      continue
    fi
    xdotool key Return
    wait_until 10 dialog_gone "$dialog" && return 0
  done
  fail "the file dialog did not close (windows: $(describe_windows))"
}
dialog_gone() {
  local windows
  windows=$(editor_windows)
  ! grep -qx "$1" <<<"$windows"
}

expect_caption() {
  wait_until 15 main_window_shows "$1" ||
    fail "$2: caption '$(window_title "$MAIN_WINDOW")', expected '$1'"
}

# The number of SysEx messages the simulator logged as received or sent.
sim_lines() { grep -c "^$1 " "$WORK/sim.log" || true; }
sim_has_lines() { (($(sim_lines "$1") >= $2)); }

# The simulator received FILE's dump as sent: its eight messages, one JACK event each, on
# consecutive lines of hex bytes.
sim_received_dump_of() {
  local expected
  expected=" $(morvane dump "$1" --preset -1) "
  { grep '^<- ' "$WORK/sim.log" | sed 's/^<-//' | tr -d '\n'; echo ' '; } | grep -qF "$expected"
}

load() {
  local file=$1 reply=$2 name=$3
  choose_file ctrl+o "$file"
  # Qt's modified mark: the channel may differ from the module until it is sent.
  expect_caption "$name*" "after loading $(basename "$file")"
  answer "$reply" # "send?"
}

# request YES_KEY: Request, answering its question with YES_KEY.
request() {
  local replies_before
  replies_before=$(sim_lines "->")
  shortcut ctrl+F9
  answer "$1" # "This will replace patch on current channel. Continue?"
  wait_until 15 sim_has_lines "->" $((replies_before + 8)) ||
    fail "the simulator did not answer the request (see sim.log)"
}

# The top of dragger1 on screen: the first row, going down the Layer page from the
# page control's top, where the control's dark face begins (a run of dark pixels
# longer than any frame line of the tab row or of the instrument list above it).
# This finds the page's origin below the tab row without knowing the style's sizes.
find_volume_top() {
  local column=$((CLIENT_X + VOL_X + 6)) top=$((CLIENT_Y + PAGE_CONTROL_TOP)) span=120
  # One pixel a line: "0,ROW: (r,g,b)  #RRGGBB ..."; dark means red and blue below
  # half, which holds for the black face and its lime caption alike.
  import -window root -depth 8 -crop "1x${span}+${column}+${top}" txt:- 2>/dev/null |
    awk -v top="$top" -v need=$((VOL_HEIGHT - 4)) '
      NR > 1 {
        split($1, at, /[,:]/)
        dark = (substr($3, 2, 2) < "80" && substr($3, 6, 2) < "80")
        run = dark ? run + 1 : 0
        if (run == need && !found) { found = 1; print top + at[2] - need + 1 }
      }'
}

drag_volume() {
  client_origin
  local face_top
  face_top=$(find_volume_top)
  [[ -n $face_top ]] || fail "the vol control was not found on the Layer page"
  log "Layer page's panel found at client y $((face_top - VOL_Y - CLIENT_Y))"
  local x=$((CLIENT_X + VOL_X + VOL_WIDTH / 2)) y=$((face_top + VOL_HEIGHT / 2 - 1))
  log "dragging vol at $x,$y (client origin $CLIENT_X,$CLIENT_Y)"
  local edits_before
  edits_before=$(grep -cE "$VOLUME_EDIT_PATTERN" "$WORK/sim.log" || true)
  xdotool mousemove --sync "$x" "$y" mousedown 1
  # One motion event per step: the control steps once for each move it sees.
  for ((step = 0; step < DRAG_MOVES; step++)); do
    xdotool mousemove_relative --sync -- -3 0
  done
  xdotool mouseup 1
  wait_until 10 volume_edits_above "$edits_before" ||
    fail "the simulator received no volume edit after the drag"
}
volume_edits_above() { (($(grep -cE "$VOLUME_EDIT_PATTERN" "$WORK/sim.log" || true) > $1)); }

# The value of the last volume edit the simulator received, in decimal.
last_volume_edit() {
  local line
  line=$(grep -E "$VOLUME_EDIT_PATTERN" "$WORK/sim.log" | tail -1)
  [[ $line =~ $VOLUME_EDIT_PATTERN ]]
  morvane decode "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
}

readonly DUMP_SIZE=1605
saved_whole() { [[ -f $1 && $(stat -c %s "$1") -eq $DUMP_SIZE ]]; }

main() {
  require_tools Xvfb xdpyinfo xdotool xclip import jackd jack_wait jack_lsp setpriv
  make_presets
  start_xvfb "$WORK"
  start_jackd morvane-gui "$WORK"
  local sim="morvane-gui-sim"
  start_simulator "$BIN_DIR" "$sim" "$WORK/sim.log"
  start_editor "$sim"

  log "1. load A and send it"
  load "$WORK/a.syx" Return "$NAME_A"
  wait_until 10 sim_received_dump_of "$WORK/a.syx" || fail "the simulator did not receive A"

  log "2. load B, not sent"
  load "$WORK/b.syx" Escape "$NAME_B"

  log "3. request: the simulator's preset comes back"
  request Return
  expect_caption "$NAME_A" "after the request"
  import -window "$MAIN_WINDOW" "$OUT_DIR/gui-after-request.png"

  log "4. drag vol on the Layer page"
  drag_volume
  local volume
  volume=$(last_volume_edit)
  ((volume != VOLUME_A)) || fail "the drag sent the volume unchanged ($volume)"
  log "the simulator received vol = $volume"

  log "5. load B again (not sent), request again"
  load "$WORK/b.syx" alt+n "$NAME_B"
  request alt+y
  expect_caption "$NAME_A" "after the second request"

  log "6. save"
  choose_file ctrl+s "$WORK/saved.syx"
  wait_until 10 saved_whole "$WORK/saved.syx" || fail "no whole preset file was saved"
  [[ $(od -An -j7 -N2 -tx1 "$WORK/saved.syx") == " 7f 7f" ]] ||
    fail "the saved file's preset number is not the edit buffer's 7F 7F"
  morvane set "$WORK/a.syx" "$VOLUME_PARAM" "$volume" --layer 1 -o "$WORK/expected.syx"
  local saved expected
  saved=$(od -An -v -tx1 "$WORK/saved.syx" | tr -s ' \n' ' ' | tr a-f A-F | sed 's/^ //;s/ $//')
  expected=$(morvane dump "$WORK/expected.syx" --preset -1)
  [[ $saved == "$expected" ]] || {
    morvane diff "$WORK/expected.syx" "$WORK/saved.syx" >&2 || true
    fail "the saved file is not A with vol $volume and preset number 7F 7F"
  }
  log "PASS: request, drag, load and save through the window"
}

main
