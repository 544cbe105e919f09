#!/usr/bin/env bash
# Installs the Debian packages Corvane needs, only those missing, showing apt's own
# progress. Without an option: what building and running the window takes.
#   --test   also what the test suites and the install checks take
#   --fuzz   also what the fuzz targets take
#   --bench  also what the benchmarks take
#   --windows  also the Windows cross build: mingw-w64, Wine, the installer maker, the
#              icon converter and what drives the window under Wine in a virtual X server
# As root it runs apt-get itself, otherwise through sudo; with neither it prints
# the exact command to run and stops.
set -euo pipefail

packages=(
  g++ make cmake pkg-config
  libwxgtk3.2-dev
  gettext locales
  fonts-ipafont-gothic
)
for option in "$@"; do
  case "$option" in
  --test) packages+=(googletest libgtest-dev xvfb xauth xdotool desktop-file-utils appstream man-db clang-format) ;;
  --fuzz) packages+=(clang libclang-rt-14-dev) ;;
  --bench) packages+=(time python3 zip p7zip-full) ;;
  --windows) packages+=(g++-mingw-w64-x86-64-posix wine wine64 nsis dpkg-dev imagemagick xvfb xauth xdotool) ;;
  *)
    echo "usage: $0 [--test] [--fuzz] [--bench] [--windows]" >&2
    exit 2
    ;;
  esac
done

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then
    as_root=(sudo)
  else
    as_root=(none)
  fi
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  install=(apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}")
  if [ "${as_root[*]}" = none ]; then
    echo "Missing packages. Run as root, then start this again:" >&2
    echo "  apt-get update && ${install[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive "${install[@]}"
fi

# The Japanese interface needs its locale; generating it takes a second.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  if [ "${as_root[*]}" = none ]; then
    echo "note: the ja_JP.UTF-8 locale is missing; as root run: localedef -i ja_JP -f UTF-8 ja_JP.UTF-8" >&2
  else
    "${as_root[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 || echo "note: could not generate the ja_JP.UTF-8 locale" >&2
  fi
fi
