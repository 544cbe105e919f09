#!/usr/bin/env bash
# Cross-builds Corvane for 64-bit Windows with mingw-w64 and tests it under Wine:
# the core suite, bxa.exe against the Linux bxa, and (with the window) the installer.
#   windows.sh [--core]   --core: bxa.exe and the core tests only, no wxWidgets
# Needs the Linux build in ./build for the comparison (scripts/test.sh makes it).
set -euo pipefail
cd "$(dirname "$0")/.."

gui=ON
[ "${1:-}" = "--core" ] && gui=OFF
./scripts/install-deps.sh --windows

build=build-win
flags=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release -DCORVANE_GUI=$gui)
if [ $gui = ON ]; then
  wx=$(./scripts/windows-toolchain.sh | tail -n 1)
  flags+=(-DwxWidgets_CONFIG_EXECUTABLE="$wx/bin/wx-config")
fi
cmake -S . -B $build "${flags[@]}" >/dev/null
cmake --build $build -j"$(nproc)"

# Nothing but the system's own libraries may be needed at run time.
for exe in $build/bin/*.exe; do
  extra=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
    grep -viE '^((kernel32|user32|gdi32|comdlg32|comctl32|advapi32|shell32|ole32|oleaut32|uuid|winspool|winmm|shlwapi|version|uxtheme|oleacc|rpcrt4|msvcrt|ws2_32|imm32|wininet|dwmapi)\.dll|winspool\.drv)$' || true)
  if [ -n "$extra" ]; then
    echo "$exe needs DLLs beyond the system's: $extra" >&2
    exit 1
  fi
done

export WINEDEBUG=-all WINEPREFIX="$PWD/$build/wineprefix" WINEARCH=win64
# Wine would copy the installer's Start-menu entries into this machine's own menus.
export WINEDLLOVERRIDES=winemenubuilder.exe=d
wine=$(command -v wine64 || command -v wine)
# The first start creates the private prefix (several seconds); do it once, visibly.
# Without .NET and the HTML engine, which nothing here uses: their installers would
# otherwise ask on any display they find and wait for an answer.
# Every Wine run has a time limit: a hang in Wine must fail the test command, not stall it.
[ -d "$WINEPREFIX" ] || WINEDLLOVERRIDES="mscoree,mshtml=" timeout 300 "$wine" wineboot --init >/dev/null 2>&1
TZ=UTC0 timeout 600 "$wine" $build/bin/corvane_core_tests.exe --gtest_brief=1
./scripts/windows-pack-compare.sh build/bin/bxa $build/bin/bxa.exe

if [ $gui = ON ]; then
  cmake --build $build --target corvane_setup
  # -noreset: Wine's processes come and go; a server that resets when the last one
  # leaves refuses the next for a moment.
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ./scripts/windows-window.sh $build
fi
