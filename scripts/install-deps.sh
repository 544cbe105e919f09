#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Corvane need.
# Only missing packages are installed; uses sudo when not run as root.
set -euo pipefail

packages=(
  g++ make cmake pkg-config
  libwxgtk3.2-dev
  googletest libgtest-dev
  gettext locales
  xvfb xauth
  fonts-ipafont-gothic
  clang libclang-rt-14-dev
)
if [ "${1:-}" = "--bench" ]; then
  packages+=(hyperfine time)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Japanese interface needs its locale; generating it takes a second.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 || echo "note: could not generate the ja_JP.UTF-8 locale" >&2
fi
