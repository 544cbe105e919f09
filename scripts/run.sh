#!/usr/bin/env bash
# Installs what the window needs, builds only the window and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target corvane
exec ./build/bin/corvane "$@"
