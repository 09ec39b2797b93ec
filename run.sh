#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake --preset default
cmake --build --preset default
if [ -x build/bin/morvane-editor ]; then
  exec build/bin/morvane-editor "$@"
fi
# Until the editor window exists, show what the command-line tool offers.
exec build/bin/morvane --help
