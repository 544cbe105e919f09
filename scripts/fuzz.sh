#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (folder build-fuzz) and runs each
# build-fuzz/bin/fuzz_* for the given number of seconds (default 20). A crash,
# a sanitiser report or a failed check ends the script with a failure.
# Seeds in fuzz/seeds/<target>/ are read when present; new inputs go to a
# scratch folder, so the repository stays untouched.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
./scripts/install-deps.sh --fuzz

export CC=clang CXX=clang++
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DCORVANE_FUZZ=ON -DCORVANE_GUI=OFF -DCORVANE_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
status=0
shopt -s nullglob
for target in build-fuzz/bin/fuzz_*; do
  name="$(basename "$target")"
  corpus="$scratch/$name"
  mkdir -p "$corpus"
  dirs=("$corpus")
  [ -d "fuzz/seeds/$name" ] && dirs+=("fuzz/seeds/$name")
  echo "== $name (${seconds}s)"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$scratch/" -print_final_stats=1 "${dirs[@]}" 2>"$scratch/$name.log"; then
    tail -n 60 "$scratch/$name.log" >&2
    for crash in "$scratch"/crash-* "$scratch"/timeout-* "$scratch"/oom-* "$scratch"/leak-*; do
      mkdir -p build-fuzz/artifacts && cp "$crash" build-fuzz/artifacts/
      echo "$name: input kept in build-fuzz/artifacts/$(basename "$crash")" >&2
    done
    status=1
  else
    grep -E '^stat::number_of_executed_units' "$scratch/$name.log" || true
  fi
done
exit "$status"
