# Helpers for driving the real editor from outside, as a person would: a private X
# server (Xvfb), a private JACK server, the simulator as a process, and xdotool.
# Sourced by tests/gui/editor_session_test.sh and bench/startup/measure_startup.sh.
# Every process started here is recorded and stopped by its id in stop_all; started with
# WITH_PARENT in front, it also dies with the script when the script is killed (ctest ends a
# test that runs past its limit with SIGKILL, and no trap runs then).

# The editor's client area; the window adds the menu bar above it.
readonly CLIENT_WIDTH=331
readonly CLIENT_HEIGHT=527
readonly POLL_STEP=0.05
readonly SKIPPED=77

STARTED_PIDS=()
JACK_SERVER=""
JACK_PID=""
# The JACK clients this run starts, by name.
JACK_CLIENTS=()

log() { printf '[%s] %s\n' "$(date +%T.%3N)" "$*" >&2; }
fail() {
  log "FAIL: $*"
  exit 1
}

# require_tools TOOL...: ends the run as skipped when one is missing.
require_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      log "SKIPPED: $tool is not installed (scripts/deps.sh installs it)"
      exit "$SKIPPED"
    fi
  done
}

# wait_until SECONDS COMMAND...: polls COMMAND until it succeeds; false after SECONDS.
wait_until() {
  local limit=$1
  shift
  local deadline=$((SECONDS + limit))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep "$POLL_STEP"
  done
}

remember_pid() { STARTED_PIDS+=("$1"); }

# Put in front of a command started in the background, so that it is killed when this script
# dies; the command replaces setpriv, so $! is its id.
readonly WITH_PARENT=(setpriv --pdeathsig KILL --)

# finish_run: the EXIT trap of a test whose files lie in $WORK. It stops every process it started
# (a stopped one is resumed first); on a failure it keeps $WORK with a picture of the screen and
# shows the logs' last lines, otherwise it removes $WORK. Ends with the test's status.
finish_run() {
  local status=$?
  if ((status != 0 && status != SKIPPED)) && [[ -n ${DISPLAY:-} ]]; then
    import -window root "$WORK/failure.png" 2>/dev/null || true
  fi
  stop_all
  if ((status != 0 && status != SKIPPED)); then
    log "kept for inspection: $WORK"
    for file in "$WORK"/*.log; do
      [[ -e $file ]] || continue
      log "--- $(basename "$file") (last lines)"
      tail -n 8 "$file" | cut -c1-160 >&2
    done
  else
    rm -rf "$WORK"
  fi
  exit "$status"
}

# stop_pid PID: SIGTERM, up to 3 s for it to end, then SIGKILL. Returns 1 if it had to be killed.
# A stopped process (SIGSTOP) is resumed first: it takes no other signal until then.
stop_pid() {
  local pid=$1
  kill -0 "$pid" 2>/dev/null || return 0
  kill -CONT "$pid" 2>/dev/null || true
  kill -TERM "$pid" 2>/dev/null || true
  local tries=60
  while kill -0 "$pid" 2>/dev/null && ((tries-- > 0)); do sleep "$POLL_STEP"; done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    return 1
  fi
  wait "$pid" 2>/dev/null || true
}

# Stops every recorded process. The JACK server goes first: it shuts down in order and
# tells its clients, whereas a client that dies under a running server in synchronous
# mode can stall the server's graph so that it no longer ends on SIGTERM. The rest go
# newest first, so that X clients end before Xvfb. Nothing of the server's stays in /dev/shm
# (JACK's registry of servers, which other runs' servers share, stays as JACK leaves it).
stop_all() {
  if [[ -n $JACK_PID ]] && ! stop_pid "$JACK_PID" && [[ -n $JACK_SERVER ]]; then
    forget_killed_jack_server "$JACK_SERVER"
  fi
  local index
  for ((index = ${#STARTED_PIDS[@]} - 1; index >= 0; index--)); do
    stop_pid "${STARTED_PIDS[index]}" || true
  done
  # A server stopped under its clients leaves their semaphores, and a client still ending may
  # open one again after the server has gone: they go once every client has ended.
  local client
  for client in "${JACK_CLIENTS[@]}"; do
    rm -f /dev/shm/jack_sem.*_"$JACK_SERVER"_"$client"
  done
  STARTED_PIDS=()
  JACK_PID=""
}

# forget_killed_jack_server NAME: a server that had to be killed leaves its name registered and
# its shared memory in /dev/shm; a server of the same name started and stopped in order takes
# them back, and the files that carry the name (its clients' semaphores) go.
forget_killed_jack_server() {
  local name=$1 pid
  JACK_DEFAULT_SERVER=$name jackd --no-realtime -n "$name" -d dummy >/dev/null 2>&1 &
  pid=$!
  JACK_DEFAULT_SERVER=$name jack_wait -w -t 5 >/dev/null 2>&1 || true
  stop_pid "$pid" || true
  rm -f /dev/shm/*"$name"* 2>/dev/null || true
}


# start_xvfb DIR: a private X server on the first free display; sets DISPLAY.
# Without -noreset the server resets each time its last client leaves (every xdotool call, an
# editor killed), and drops a client that connects during the reset: a program started just
# then finds no display.
start_xvfb() {
  local dir=$1
  : >"$dir/display"
  "${WITH_PARENT[@]}" Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp \
    3>"$dir/display" 2>"$dir/xvfb.log" &
  remember_pid $!
  wait_until 10 test -s "$dir/display" || fail "Xvfb did not start ($(tail -1 "$dir/xvfb.log"))"
  export DISPLAY=":$(head -1 "$dir/display")"
  wait_until 10 xdpyinfo_quiet || fail "display $DISPLAY does not answer"
}
xdpyinfo_quiet() { xdpyinfo >/dev/null 2>&1; }

# start_jackd BASE DIR: a private JACK server with the dummy driver, named BASE-1 or, when
# another run holds that name, BASE-2 or BASE-3; sets JACK_DEFAULT_SERVER for the
# programs started after it. JACK keeps eight server slots and frees the slot of a
# server that died without ending in order only when a server of the same name
# starts: a fixed set of names keeps killed servers from using up the slots.
# Synchronous mode and 1024-frame periods keep new RtMidi clients from missing their
# first cycles on a loaded 2-core machine; the long client timeout keeps one slow
# client from stopping the graph.
start_jackd() {
  local base=$1 dir=$2 attempt
  for attempt in 1 2 3; do
    JACK_SERVER="$base-$attempt"
    export JACK_DEFAULT_SERVER=$JACK_SERVER JACK_NO_START_SERVER=1
    if [[ $(jack_wait -c 2>/dev/null) == running ]]; then
      log "JACK server $JACK_SERVER belongs to another run"
      continue
    fi
    "${WITH_PARENT[@]}" jackd --no-realtime -S -t 5000 -n "$JACK_SERVER" -d dummy -r 48000 -p 1024 \
      >"$dir/jackd.log" 2>&1 &
    JACK_PID=$!
    # Still alive once the server answers: the answer came from this run's server.
    if jack_wait -w -t 10 >/dev/null 2>&1 && kill -0 "$JACK_PID" 2>/dev/null; then
      return 0
    fi
    stop_pid "$JACK_PID" || true
    JACK_PID=""
    log "jackd $JACK_SERVER did not start: $(grep -v -e '^Copyright' -e '^jackdmp' "$dir/jackd.log" | head -2 | tr '\n' ' ')"
    forget_dead_jack_servers "$dir/jackd.log"
  done
  fail "no JACK server could be started"
}

# When every slot is held by servers that died and no JACK server runs on the
# machine, the registry holds only the dead: remove it so that the next server
# creates a fresh one.
forget_dead_jack_servers() {
  grep -q 'Too many servers already active' "$1" || return 0
  if ! any_process_named jackd; then
    log "removing JACK's registry of dead servers"
    rm -f /dev/shm/jack-shm-registry
  fi
}

any_process_named() {
  local comm
  for comm in /proc/[0-9]*/comm; do
    [[ $(cat "$comm" 2>/dev/null) == "$1" ]] && return 0
  done
  return 1
}

jack_has_port() {
  local ports
  ports=$(jack_lsp 2>/dev/null) || return 1
  grep -qx "$1" <<<"$ports"
}

# start_simulator BIN NAME LOG: morvane-sim on the JACK server, logging every message.
start_simulator() {
  local bin=$1 name=$2 logfile=$3
  "${WITH_PARENT[@]}" "$bin/morvane-sim" --api jack --name "$name" --verbose >"$logfile" 2>&1 &
  remember_pid $!
  JACK_CLIENTS+=("$name-in" "$name-out")
  wait_until 15 grep -q '^ready' "$logfile" || fail "the simulator did not start: $(tail -2 "$logfile")"
  wait_until 15 jack_has_port "$name-in:in" || fail "the simulator's input port never appeared"
  wait_until 15 jack_has_port "$name-out:out" || fail "the simulator's output port never appeared"
}

# jack_midi_ports input|output: the JACK MIDI ports with that direction, in the server's
# order (the order in which RtMidi lists them).
jack_midi_ports() {
  local direction=$1
  jack_lsp -p -t 2>/dev/null | awk -v want="$direction" '
    /^[^ \t]/ { name = $0; next }
    /properties:/ { is_dir = ($0 ~ "properties: " want ",") ; next }
    /midi/ { if (is_dir) print name }'
}

# editor_device_index PORT input|output: the place of PORT in the editor's device list:
# the built-in "Morvane Simulator" comes first, then the system's devices.
editor_device_index() {
  local port=$1 direction=$2 index
  index=$(jack_midi_ports "$direction" | grep -nx "$port" | cut -d: -f1)
  [[ -n $index ]] || fail "$port is not among the JACK $direction ports"
  echo "$index"
}

# write_settings CONFIG_HOME OUT_INDEX OUT_NAME IN_INDEX IN_NAME: the editor's per-user
# settings as Qt keeps them on Linux (organisation keltano, application mrveditor). Each start
# is a fresh one: no channels kept from a last run, no backups in the user's folders.
write_settings() {
  local home=$1
  mkdir -p "$home/keltano"
  cat >"$home/keltano/mrveditor.conf" <<EOF
[setup]
out=$2
outname=$3
in=$4
inname=$5
keepchannels=0
librarybackup=0
EOF
}

# The editor's top-level windows that are on the screen, one id a line.
editor_windows() { xdotool search --onlyvisible --classname morvane-editor 2>/dev/null || true; }
has_editor_window() { [[ -n $(editor_windows) ]]; }

window_title() { xdotool getwindowname "$1" 2>/dev/null | sed 's/[[:space:]]*$//'; }

# main_window_shows TEXT: true once the recorded main window's caption (trailing spaces
# trimmed) is TEXT.
main_window_shows() { [[ $(window_title "$MAIN_WINDOW") == "$1" ]]; }

# The editor's visible windows as "id 'title' type", for failure messages.
describe_windows() {
  local window
  for window in $(editor_windows); do
    printf "%s '%s' %s; " "$window" "$(window_title "$window")" \
      "$(xprop -id "$window" _NET_WM_WINDOW_TYPE 2>/dev/null | sed 's/.*= //')"
  done
}

# A visible dialog of the editor: a message box or a file dialog, told by its window
# type from the file dialog's completion list, which is a window of its own too.
find_dialog() {
  local window
  for window in $(editor_windows); do
    [[ $window != "$MAIN_WINDOW" ]] || continue
    if [[ $(xprop -id "$window" _NET_WM_WINDOW_TYPE 2>/dev/null) == *_NET_WM_WINDOW_TYPE_DIALOG* ]]; then
      DIALOG=$window
      return 0
    fi
  done
  return 1
}
no_dialog() { ! find_dialog; }

# wait_dialog: waits for a dialog, gives it the keyboard focus and sets DIALOG.
wait_dialog() {
  wait_until 10 find_dialog || fail "no dialog appeared (windows: $(describe_windows))"
  xdotool windowfocus --sync "$DIALOG"
}

focus_main() { xdotool windowfocus --sync "$MAIN_WINDOW"; }

# The clipboard's text, or nothing while no program holds it.
clipboard_text() { xclip -o -selection clipboard 2>/dev/null || true; }
clipboard_holds() { [[ $(clipboard_text) == "$1" ]]; }

# put_on_clipboard TEXT: xclip holds TEXT on the clipboard (its process id in CLIPBOARD_HOLDER)
# until another program takes the clipboard over, and then ends. Returns once the clipboard
# gives TEXT.
CLIPBOARD_HOLDER=""
put_on_clipboard() {
  printf '%s' "$1" | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
  CLIPBOARD_HOLDER=$!
  remember_pid "$CLIPBOARD_HOLDER"
  wait_until 10 clipboard_holds "$1" || fail "the clipboard does not take '$1'"
}

process_gone() {
  ! kill -0 "$1" 2>/dev/null || [[ $(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null) == Z ]]
}

# paste_text TEXT: replaces the text of the focused text box with TEXT from the clipboard, then
# copies the box back (Ctrl+A Ctrl+V Ctrl+A Ctrl+C). True once the box is known to hold TEXT:
# the copy takes the clipboard over from xclip, which then ends, and the program handles its keys
# in order, so by then the paste has been handled and the clipboard holds what the box holds.
# False when the box holds something else, or nothing came back (a paste that found no text).
paste_text() {
  put_on_clipboard "$1"
  local holder=$CLIPBOARD_HOLDER
  xdotool key ctrl+a ctrl+v ctrl+a ctrl+c
  wait_until 20 process_gone "$holder" || return 1
  clipboard_holds "$1"
}

# client_origin: screen position of the window's client area (below the menu bar),
# from the window's geometry: the client area has a fixed size and fills the window
# below the menu bar. Sets CLIENT_X and CLIENT_Y.
client_origin() {
  local X Y WIDTH HEIGHT WINDOW SCREEN
  eval "$(xdotool getwindowgeometry --shell "$MAIN_WINDOW")"
  CLIENT_X=$((X + WIDTH - CLIENT_WIDTH))
  CLIENT_Y=$((Y + HEIGHT - CLIENT_HEIGHT))
}
