#!/usr/bin/env bash
# Installs what is missing, builds the editor alone (no tests, no benchmarks) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh --run
cmake --preset default
cmake --build --preset default --target morvane-editor
exec build/bin/morvane-editor "$@"
