#!/usr/bin/env bash
# Side-by-side timing of `bxa pack` against the plain tools that move the same bytes:
#   one 1 GiB file:            cat big > out          vs  bxa pack -q out.bxa big
#   65,535 files of 0.5-4 KiB: tar cf out.tar small/  vs  bxa pack -q -l list out.bxa
# and the peak resident memory of bxa in both. Usage:
#   bench/pack_bench.sh [BXA] [WORKDIR] [RUNS]
# The data is made once in WORKDIR (default /tmp/bxa-bench) and reused.
set -euo pipefail

BXA=$(realpath "${1:-build-cli/bin/bxa}")
WORK=${2:-/tmp/bxa-bench}
RUNS=${3:-5}
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (package time)" >&2; exit 2; }

mkdir -p "$WORK"
cd "$WORK"

if [ "$(stat -c %s big.bin 2>/dev/null || echo 0)" != 1073741824 ]; then
    echo "making big.bin (1 GiB)..."
    head -c 1073741824 /dev/urandom >big.bin
fi
if [ "$(wc -l <small.list 2>/dev/null || echo 0)" != 65535 ]; then
    echo "making 65,535 small files..."
    rm -rf small small.list
    python3 - <<'PY'
import os, random
random.seed(1)
os.makedirs("small", exist_ok=True)
with open("small.list", "w") as lst:
    for i in range(65535):
        sub = "small/%03d" % (i // 1024)
        if i % 1024 == 0:
            os.makedirs(sub, exist_ok=True)
        path = "%s/f%05d.dat" % (sub, i)
        with open(path, "wb") as f:
            f.write(os.urandom(random.randint(512, 4096)))
        lst.write(path + "\n")
PY
fi

# Both sides start from warm input and no old output, with earlier dirty pages flushed.
cat big.bin >/dev/null
tar cf /dev/null small
PREP="rm -f out.*; sync"

run() { # name, json, commands...
    local json=$1
    shift
    hyperfine --style basic --warmup 1 --runs "$RUNS" --prepare "$PREP" --export-json "$json" "$@"
}

run big.json "cat big.bin > out.cat" "$BXA pack -q out.bxa big.bin"
run small.json "tar cf out.tar small" "$BXA pack -q -l small.list out.bxa"

peak() { # peak resident set size in KiB
    rm -f out.*
    /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1
}
RSS_BIG=$(peak "$BXA" pack -q out.bxa big.bin)
RSS_SMALL=$(peak "$BXA" pack -q -l small.list out.bxa)
rm -f out.*

python3 - "$RSS_BIG" "$RSS_SMALL" <<'PY'
import json, sys
def means(name):
    r = json.load(open(name))["results"]
    return [(x["mean"], x["stddev"] or 0.0, min(x["times"])) for x in r]
(cat, bxa1), (tar, bxa2) = means("big.json"), means("small.json")
print()
print("%-28s %9s %9s %9s" % ("", "mean s", "stddev", "min s"))
for label, m in (("cat 1 GiB", cat), ("bxa pack 1 GiB", bxa1), ("tar cf 65,535 files", tar), ("bxa pack 65,535 files", bxa2)):
    print("%-28s %9.3f %9.3f %9.3f" % (label, *m))
print()
print("1 GiB:        bxa/cat = %.3f (mean), %.3f (min)   target <= 1.15" % (bxa1[0] / cat[0], bxa1[2] / cat[2]))
print("65,535 files: bxa/tar = %.3f (mean), %.3f (min)   target <= 1.00" % (bxa2[0] / tar[0], bxa2[2] / tar[2]))
print("bxa peak RSS: %.1f MiB (1 GiB), %.1f MiB (65,535 files)   target < 100 MiB" % (int(sys.argv[1]) / 1024, int(sys.argv[2]) / 1024))
PY
