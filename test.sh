#!/usr/bin/env bash
# Installs what is missing, builds the programs and the tests (not the benchmarks) and runs every
# test through ctest. A test whose tool is missing is skipped, and its reason printed at the end.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake --preset default
cmake --build --preset default
status=0
ctest --preset default "$@" || status=$?
skipped=$(scripts/skipped-tests.sh build)
if [ -n "$skipped" ]; then
  printf '\nSkipped tests and why:\n%s\n' "$skipped"
fi
exit "$status"
