#!/usr/bin/env bash
# Packs the same files with the Linux bxa and with bxa.exe under Wine and compares
# archive, header and log byte for byte. The paths hold no separator, so the two
# systems' path rules agree on them. A list's entries become absolute paths, which no
# two systems share, so full paths are compared on file arguments, kept as typed.
#   windows-pack-compare.sh LINUX_BXA WINDOWS_BXA_EXE
set -euo pipefail
linux_bxa=$(realpath "$1")
windows_bxa=$(realpath "$2")
wine=$(command -v wine64 || command -v wine)
# Wine's own prefix of the build that made bxa.exe, unless the caller names one.
export WINEPREFIX=${WINEPREFIX:-$(dirname "$(dirname "$windows_bxa")")/wineprefix} WINEDEBUG=${WINEDEBUG:--all}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/files"
cd "$work/files"
# Sizes that end off and on the alignment, an empty member, and odd-second times;
# one large enough for Linux's in-kernel copy, one longer than a build step's chunk.
head -c 5000 /dev/urandom >bgm01.qsd
head -c 2048 /dev/urandom >bgm02.qsd
head -c 200001 /dev/urandom >bgm03.qsd
head -c $((64 * 1024 * 1024 + 5)) /dev/urandom >movie.qmv
: >se01.qsd
head -c 1 /dev/urandom >'voice 1.qmv'
touch -d '2023-11-14 22:13:21 UTC' bgm01.qsd se01.qsd
touch -d '1999-12-31 23:59:59 UTC' bgm02.qsd bgm03.qsd 'voice 1.qmv'
printf '3\tbgm01.qsd\n7\tbgm02.qsd\r\n8\tse01.qsd\nvoice 1.qmv\n12\tbgm03.qsd\n' >holes.lst
printf 'bgm01.qsd\nbgm02.qsd\n' >pair.lst

# name | bxa arguments
cases=(
  "holes-default|-l holes.lst out.bxa"
  "align-0|-a 0 -l holes.lst out.bxa"
  "align-16-prefix|-a 16 -p SE_ -l holes.lst voice.bxa"
  "only-filename|-m only-filename -l pair.lst names.bxa"
  "cut-overlapping|-m cut-overlapping -l pair.lst names.bxa"
  "full-path|-m full-path -p X names.bxa bgm02.qsd se01.qsd bgm01.qsd"
  "file-arguments|-a 0 args bgm02.qsd se01.qsd bgm01.qsd"
  "two-chunks|-a 2048 chunks.bxa bgm01.qsd movie.qmv bgm03.qsd"
)
failed=0
for c in "${cases[@]}"; do
  name=${c%%|*}
  read -r -a args <<<"${c#*|}"
  for side in linux windows; do
    # Links, not copies: the members are only read, and the large one stays one file.
    rm -rf "../$side" && mkdir "../$side" && cp -lp ./* "../$side/"
    (
      cd "../$side"
      if [ $side = linux ]; then
        TZ=UTC0 timeout 120 "$linux_bxa" pack -q "${args[@]}" >stdout.txt
      else
        TZ=UTC0 timeout 120 "$wine" "$windows_bxa" pack -q "${args[@]}" >stdout.txt
      fi
    ) || { echo "FAIL $name: bxa on $side exited with $?"; failed=1; continue 2; }
  done
  if ! compgen -G "../linux/*.bxa" >/dev/null; then
    echo "FAIL $name: no archive written"
    failed=1
  elif diff -r ../linux ../windows >/dev/null; then
    echo "ok   $name"
  else
    echo "FAIL $name: outputs differ"
    diff -r ../linux ../windows | head -5
    failed=1
  fi
done
exit $failed
