#!/usr/bin/env bash
# The Windows window under Wine, run inside a virtual X server by windows.sh:
#   windows-window.sh BUILD_DIR
# the GUI suite; corvane.exe from the build (title, one copy only, File > Exit writes
# Corvane.ini, screenshots in English and Japanese); then the installer, installed
# silently into the private Wine prefix, and the installed copy checked the same way.
# WINEPREFIX, WINEDEBUG and WINEARCH come from windows.sh.
set -euo pipefail
build=$1
wine=$(command -v wine64 || command -v wine)
title="Corvane for Windows Ver.1.08"
shots="$build/shots"
mkdir -p "$shots"

fail() {
  echo "windows-window: $*" >&2
  # Whatever still runs in the private prefix would keep the X server's run waiting.
  wineserver -k 2>/dev/null || true
  exit 1
}

# The id of the first visible window named exactly `title`, waiting up to 30 s.
find_window() {
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Whether process `pid` ended within `seconds`.
ends_within() {
  local pid=$1 seconds=$2
  for _ in $(seq $((seconds * 10))); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

# Starts `exe` in its own folder, checks the title and that a second copy ends at once,
# takes a screenshot, then File > Exit must end it and leave a 2628-byte Corvane.ini.
check_window() {
  local exe=$1 shot=$2 lang=$3
  local dir ini pid window second
  dir=$(dirname "$exe")
  ini="$dir/Corvane.ini"
  rm -f "$ini"
  LANG=$lang "$wine" "$exe" >/dev/null 2>&1 &
  pid=$!
  window=$(find_window "$title") || fail "$exe: no window titled \"$title\""

  LANG=$lang timeout 30 "$wine" "$exe" >/dev/null 2>&1 || fail "$exe: the second copy failed or hung"
  [ "$(xdotool search --onlyvisible --name "^$title\$" | wc -l)" -eq 1 ] || fail "$exe: a second window appeared"

  sleep 1 # the list and the bars paint after the title appears
  import -window root "$shot"

  # File > Exit from the keyboard: Alt+F opens the File menu, X is Exit's mnemonic.
  # --sync waits for the focus, so it is bounded: a window that never takes it fails below.
  timeout 20 xdotool windowfocus --sync "$window" key --delay 200 alt+f x || true
  ends_within "$pid" 20 || fail "$exe: File > Exit did not end the program"
  wait "$pid" || fail "$exe: ended with status $?"
  [ -f "$ini" ] || fail "$exe: no Corvane.ini beside the executable"
  [ "$(stat -c %s "$ini")" -eq 2628 ] || fail "$exe: Corvane.ini is $(stat -c %s "$ini") bytes, not 2628"
  [ "$(head -c 4 "$ini")" = CRVN ] || fail "$exe: Corvane.ini does not start with CRVN"
  echo "windows-window: $exe: titled, one copy, File > Exit wrote Corvane.ini ($lang, $shot)"
}

# The GUI suite; its filter for what cannot run under Wine lives in tests/gui/CMakeLists.txt.
(cd "$build" && ctest -R '^corvane_gui_tests$' --output-on-failure)

check_window "$build/bin/corvane.exe" "$shots/window-en.png" en_US.UTF-8
check_window "$build/bin/corvane.exe" "$shots/window-ja.png" ja_JP.UTF-8

setup=$(ls "$build"/Corvane-*-setup.exe)
timeout 120 "$wine" "$setup" /S || fail "$setup /S failed"
installed="$WINEPREFIX/drive_c/Program Files/Corvane"
for f in corvane.exe bxa.exe corvane.ico uninstall.exe locale/ja/LC_MESSAGES/corvane.mo; do
  [ -f "$installed/$f" ] || fail "the installer left out $f"
done
ls "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Corvane/Corvane.lnk" >/dev/null ||
  fail "no Start-menu entry"
check_window "$installed/corvane.exe" "$shots/installed-en.png" en_US.UTF-8

# The uninstaller takes the programs and the menu entry and leaves the user's settings.
# It copies itself away and starts the copy, which ends later: wait for every process.
timeout 120 "$wine" "$installed/uninstall.exe" /S
timeout 120 wineserver -w
[ ! -e "$installed/corvane.exe" ] || fail "the uninstaller left corvane.exe"
[ -f "$installed/Corvane.ini" ] || fail "the uninstaller removed the user's Corvane.ini"
echo "windows-window: installer: installed, started, ended, uninstalled"
