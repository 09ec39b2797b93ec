#!/usr/bin/env bash
# Runs the tests of the Windows cross build (build-mingw, made by `cmake --preset
# mingw` and `cmake --build --preset mingw`) under Wine, headless, in a Wine prefix of
# their own inside the build folder. Prints how many tests ran and why any were skipped.
set -euo pipefail
cd "$(dirname "$0")/.."

# Debian's wine64 package keeps its programs in /usr/lib/wine; the wine package would
# add /usr/bin/wine.
wineDir=/usr/lib/wine
wine=$(command -v wine64 || echo "$wineDir/wine64")
wineserver=$(command -v wineserver || echo "$wineDir/wineserver")
if [ ! -x "$wine" ]; then
  echo "Wine is missing: run scripts/deps.sh --ci as root" >&2
  exit 1
fi
if [ ! -d build-mingw/bin ]; then
  echo "No Windows build: run cmake --preset mingw && cmake --build --preset mingw" >&2
  exit 1
fi

# The same environment the mingw test preset gives each test. Console programs need
# no display; Mono and Gecko are never offered, so nothing waits for an answer.
export WINEPREFIX="$PWD/build-mingw/wine" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

start=$SECONDS
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # A prefix cut short by an earlier run is made again from scratch.
  rm -rf "$WINEPREFIX"
  echo "creating the Wine prefix $WINEPREFIX"
fi
mkdir -p "$WINEPREFIX"
# One server for every test process, stopped when the tests end. Its session is
# started here, before the tests: test processes that start a session together can
# hang as they exit.
"$wineserver" -p
trap '"$wineserver" -k || true; "$wineserver" -w || true' EXIT
if ! timeout 300 "$wine" wineboot --init >build-mingw/wineboot.log 2>&1; then
  cat build-mingw/wineboot.log >&2
  echo "the Wine prefix could not be made" >&2
  exit 1
fi
echo "Wine prefix ready in $((SECONDS - start)) s"

log=build-mingw/wine-tests.log
testStart=$SECONDS
status=0
ctest --preset mingw -j2 -V >"$log" 2>&1 || status=$?
echo "tests ran in $((SECONDS - testStart)) s (output: $log)"

# ctest -V prefixes each line with its test's number: pair each skip with its test.
awk '
  match($0, /^[0-9]+: \[ RUN +\] /) { split($0, f, ":"); name[f[1]] = substr($0, RSTART + RLENGTH) }
  /^[0-9]+: .*: Skipped$/ { split($0, f, ":"); pending[f[1]] = 1; next }
  /^[0-9]+: / { split($0, f, ":"); if (pending[f[1]]) {
      sub(/^[0-9]+: /, ""); print "skipped under Wine: " name[f[1]] ": " $0; pending[f[1]] = 0 } }
' "$log"
ran=$(sed -n 's/.*tests failed out of \([0-9]*\)$/\1/p' "$log")
skipped=$(grep -c -E "^[0-9]+: .*: Skipped$" "$log" || true)
grep -E "tests passed, [0-9]+ tests? failed out of [0-9]+" "$log" || true
echo "${ran:-no} tests ran under Wine, ${skipped} of them skipped"
echo "not in the Windows build: the tests of the RtMidi backend and of a JACK session" \
  "(tests/midi; Windows has winmm instead)"
[ "$status" -eq 0 ] && exit 0

# The numbers of the failed tests, from ctest's closing list ("  12 - Name (Failed)").
failed=$(sed -n '/The following tests FAILED:/,$s/^[[:space:]]*\([0-9][0-9]*\) - .*/\1/p' "$log")
# Now and then Wine fails to start a process (a few times in ten thousand tests here): the
# test's own process, which then prints nothing at all, or the tool a test runs, which the test
# reports as "could not run". The failed tests run once more, with their output; when each
# failed only so, the rerun decides the step, and any other failure fails it.
startFailuresOnly=1
for number in $failed; do
  if grep -q "^$number: \[ RUN" "$log" && ! grep -q "^$number: .*\"could not run " "$log"; then
    startFailuresOnly=0
  fi
done
rerunStatus=0
ctest --preset mingw --rerun-failed --output-on-failure || rerunStatus=$?
if [ -n "$failed" ] && [ "$startFailuresOnly" -eq 1 ]; then
  echo "Wine did not start a process of tests" $failed "the first time; their rerun decides"
  exit "$rerunStatus"
fi
exit "$status"
