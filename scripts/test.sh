#!/usr/bin/env bash
# Installs what is missing, builds Corvane and runs every test (the window's
# tests in a virtual X server). With --sanitize the same suite runs in an
# AddressSanitizer + UndefinedBehaviorSanitizer build of its own. The plain run
# also runs the lint (scripts/lint.sh) and checks what an installed copy carries
# (scripts/check-install.sh) and then the Windows side: the cross build, its suites
# under Wine, bxa.exe against the Linux bxa and the installer (scripts/windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --test

build=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_TESTS=ON -DCORVANE_STRICT_WARNINGS=ON)
if [ "${1:-}" = "--sanitize" ]; then
  build=build-sanitize
  flags=(-DCMAKE_BUILD_TYPE=Debug -DCORVANE_TESTS=ON -DCORVANE_STRICT_WARNINGS=ON -DCORVANE_SANITIZE=ON)
  # The toolkit keeps caches alive until exit; leak reports would only be its own.
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

cmake -S . -B "$build" "${flags[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
export GSETTINGS_BACKEND=memory
if [ "$build" = build ]; then
  ./scripts/lint.sh
  ./scripts/check-install.sh "$build"
fi
cd "$build"
# -noreset: between two test processes the server may have no client, and a server that
# resets then refuses the next connection for a moment.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j"$(nproc)"
cd ..

if [ "$build" = build ]; then
  ./scripts/windows.sh
fi

