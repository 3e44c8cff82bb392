#!/usr/bin/env bash
# Installs what is missing, builds Marlit (with Tessaly and marlit-cli beside it) and starts it,
# on FILE when one is given, else on a small sample program that the build makes.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target marlit tessaly marlit-cli sample
if [ $# -ge 1 ]; then
  exec build/default/mainwindow/marlit "$@"
fi
exec build/default/mainwindow/marlit build/default/tests/sample/sample.exe
