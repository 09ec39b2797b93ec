#!/usr/bin/env bash
# Prints one line per test that the last ctest run in BUILD_DIR skipped, with the reason the
# test gave ("NAME: reason"); prints nothing when every test ran. Exit status 0 either way.
set -euo pipefail
log="${1:?usage: scripts/skipped-tests.sh BUILD_DIR}/Testing/Temporary/LastTest.log"
[ -f "$log" ] || exit 0
# A GoogleTest skip prints "FILE:LINE: Skipped" and its message up to "[  SKIPPED ]"; a test
# script says "SKIPPED: reason".
awk '
  /^[0-9]+\/[0-9]+ Testing: / { name = $0; sub(/^[0-9]+\/[0-9]+ Testing: /, "", name); next }
  inReason && /^\[  SKIPPED \]/ { print name ": " reason; inReason = 0; next }
  inReason { reason = reason (reason == "" ? "" : " ") $0; next }
  /: Skipped$/ { inReason = 1; reason = ""; next }
  /SKIPPED: / { line = $0; sub(/.*SKIPPED: /, "", line); print name ": " line }
' "$log"
