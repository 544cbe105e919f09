#!/usr/bin/env python3
"""Side-by-side timing of `bxa pack` against the plain tools that move the same bytes.

    bench/pack_bench.py [--bxa BXA] [--floor FLOOR] [--work DIR] [--runs N]
                        [--sets small,mid,big,tiny] [--same-as OLD_BXA]

Data sets, made once in DIR (default /var/tmp/bxa-bench) and reused:
    small  65,535 files of 0.5-4 KiB in 64 folders
    mid    4,096 files of 256 KiB
    big    one 1 GiB file
    tiny   one 10-byte file
Every tool of a set runs once per round, in a rotating order, for N rounds; the
figures are medians. Before each timed run, untimed: the old output is removed, a
scratch file as large as the output is written and deleted (so the run does not
land on memory the host has just taken back), and sync. Peak memory comes from
/usr/bin/time -f %M in one more run of each tool.

With --same-as, the outputs of OLD_BXA and BXA are built from every set with a
few option sets and compared byte for byte instead; nothing is timed.
The cpu column (user + system time of the process) is steadier than wall time on a
busy machine. Nothing here asserts anything about time; it prints figures.
"""
import argparse
import filecmp
import glob
import os
import random
import shutil
import statistics
import subprocess
import sys
import time

MIB = 1 << 20
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def write_random(path, size, rng):
    with open(path, "wb") as f:
        f.write(rng.randbytes(size))


def make_sets(work):
    rng = random.Random(1)
    os.makedirs(work, exist_ok=True)
    os.chdir(work)
    if not os.path.exists("small.list"):
        print("making 65,535 files of 0.5-4 KiB...", flush=True)
        shutil.rmtree("small", ignore_errors=True)
        paths = []
        for i in range(65535):
            folder = "small/%03d" % (i // 1024)
            if i % 1024 == 0:
                os.makedirs(folder)
            path = "%s/f%05d.qsd" % (folder, i)
            write_random(path, rng.randint(512, 4096), rng)
            paths.append(path)
        with open("small.list.tmp", "w") as f:
            f.write("".join(p + "\n" for p in paths))
        os.rename("small.list.tmp", "small.list")
    if not os.path.exists("mid.list"):
        print("making 4,096 files of 256 KiB...", flush=True)
        shutil.rmtree("mid", ignore_errors=True)
        os.makedirs("mid")
        paths = ["mid/m%04d.qmv" % i for i in range(4096)]
        for p in paths:
            write_random(p, 256 * 1024, rng)
        with open("mid.list.tmp", "w") as f:
            f.write("".join(p + "\n" for p in paths))
        os.rename("mid.list.tmp", "mid.list")
    if not os.path.exists("big.list"):
        print("making one 1 GiB file...", flush=True)
        os.makedirs("big", exist_ok=True)
        with open("big/big.bin", "wb") as f:
            for _ in range(1024):
                f.write(rng.randbytes(MIB))
        with open("big.list", "w") as f:
            f.write("big/big.bin\n")
    if not os.path.exists("tiny.list"):
        os.makedirs("tiny", exist_ok=True)
        with open("tiny/tiny.bin", "wb") as f:
            f.write(b"0123456789")
        with open("tiny.list", "w") as f:
            f.write("tiny/tiny.bin\n")


def members(name):
    with open(name + ".list") as f:
        return f.read().split()


def tools_for(name, bxa, floor, old):
    """(tool, argv, file standard output goes to or None) for one data set."""
    files = members(name)
    target = name if len(files) > 1 else files[0]
    if len(files) > 1:
        bxa_argv = [bxa, "pack", "-q", "-l", name + ".list", "out.bxa"]
    else:
        bxa_argv = [bxa, "pack", "-q", "out.bxa", files[0]]
    tools = [
        ("bxa", bxa_argv, None),
    ] + ([("bxa old", [old] + bxa_argv[1:], None)] if old else []) + [
        ("tar", ["tar", "cf", "out.tar", target], None),
        ("floor", [floor, name + ".list", "out.floor"], None),
    ]
    if name != "small":
        tools.append(("cat", ["cat"] + files, "out.cat"))
    if name != "tiny":
        if shutil.which("zip"):
            tools.append(("zip -0", ["zip", "-0", "-q", "-r", "out.zip", target], None))
        if shutil.which("7z") and name != "big":
            tools.append(("7z -mx0", ["7z", "a", "-mx0", "-bd", "-bso0", "-bsp0", "out.7z", target], None))
    return tools


def prepare(scratch_size):
    for old in glob.glob("out.*"):
        os.remove(old)
    block = bytes(MIB)
    with open("scratch.tmp", "wb") as f:
        left = scratch_size
        while left > 0:
            f.write(block[: min(left, MIB)])
            left -= MIB
    os.remove("scratch.tmp")
    os.sync()


def output_size():
    return sum(os.path.getsize(p) for p in glob.glob("out.*"))


def run(argv, stdout_name, wrapper=()):
    """Wall seconds, CPU seconds (user + system) and standard error of one run."""
    out = open(stdout_name, "wb") if stdout_name else subprocess.DEVNULL
    with open("err.tmp", "w+b") as err:
        t0 = time.perf_counter()
        p = subprocess.Popen(list(wrapper) + argv, stdout=out, stderr=err)
        _, status, usage = os.wait4(p.pid, 0)
        elapsed = time.perf_counter() - t0
        p.returncode = os.waitstatus_to_exitcode(status)
        err.seek(0)
        text = err.read()
    os.remove("err.tmp")
    if stdout_name:
        out.close()
    if p.returncode != 0:
        sys.exit("%s failed (%d): %s" % (argv[0], p.returncode, text.decode(errors="replace")))
    return elapsed, usage.ru_utime + usage.ru_stime, text


def bench_set(name, bxa, floor, old, runs):
    tools = tools_for(name, bxa, floor, old)
    input_size = sum(os.path.getsize(p) for p in members(name))
    sizes = {t[0]: input_size for t in tools}
    times = {t[0]: [] for t in tools}
    cpu = {t[0]: [] for t in tools}
    for _, argv, stdout_name in tools:  # warm the input and the programs, untimed
        prepare(0)
        run(argv, stdout_name)
    for r in range(runs):
        k = r % len(tools)
        for tool, argv, stdout_name in tools[k:] + tools[:k]:
            prepare(sizes[tool])
            elapsed, used, _ = run(argv, stdout_name)
            sizes[tool] = output_size()
            times[tool].append(elapsed)
            cpu[tool].append(used)
    rss = {}
    for tool, argv, stdout_name in tools:
        prepare(sizes[tool])
        _, _, err = run(argv, stdout_name, ("/usr/bin/time", "-f", "%M"))
        rss[tool] = int(err.decode().strip().splitlines()[-1]) / 1024
    prepare(0)
    return {t: statistics.median(v) for t, v in times.items()}, times, {t: statistics.median(v) for t, v in cpu.items()}, rss


def compare(old, new, sets):
    option_sets = [[], ["-a", "0", "-p", "SE_"], ["-a", "512", "-m", "full-path"], ["-m", "cut-overlapping"]]
    bad = 0
    for name in sets:
        for opts in option_sets:
            # The archive's name is written into header and log, so both builds use the same one.
            for tag, bxa in (("old", old), ("new", new)):
                os.makedirs(tag, exist_ok=True)
                argv = [bxa, "pack", "-q"] + opts + ["-l", name + ".list", "out.bxa"]
                p = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                for f in ("out.bxa", "out.h", "out.crg"):
                    os.rename(f, tag + "/" + f)
                with open(tag + "/stdout", "wb") as f:
                    f.write(p.stdout + b"exit %d\n" % p.returncode)
            same = all(filecmp.cmp("old/" + f, "new/" + f, shallow=False)
                       for f in ("out.bxa", "out.h", "out.crg", "stdout"))
            print("%-6s %-28s %s" % (name, " ".join(opts) or "(defaults)", "same" if same else "DIFFERENT"))
            bad += not same
            shutil.rmtree("old")
            shutil.rmtree("new")
    return bad == 0


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--bxa", default=os.path.join(ROOT, "build-bench/bin/bxa"))
    ap.add_argument("--floor", default=os.path.join(ROOT, "build-bench/bin/syscall_floor"))
    ap.add_argument("--work", default="/var/tmp/bxa-bench")
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--sets", default="small,mid,big,tiny")
    ap.add_argument("--same-as", metavar="OLD_BXA")
    ap.add_argument("--old", metavar="OLD_BXA", help="time this bxa too, as 'bxa old'")
    args = ap.parse_args()
    bxa, floor = os.path.abspath(args.bxa), os.path.abspath(args.floor)
    sets = args.sets.split(",")
    make_sets(args.work)
    if args.same_as:
        sys.exit(0 if compare(os.path.abspath(args.same_as), bxa, sets) else 1)

    goals = {"small": [("tar", 0.80), ("floor", 1.3)], "mid": [("cat", 1.15)], "big": [("cat", 1.05)],
             "tiny": [("tar", 1.5)]}
    rss_goal = {"small": 24, "tiny": 8}
    summary = []
    for name in sets:
        old = os.path.abspath(args.old) if args.old else None
        medians, times, cpu, rss = bench_set(name, bxa, floor, old, args.runs)
        print("\n%s (%d runs)          median s      min s      max s  median cpu s   peak MiB" % (name, args.runs))
        for tool, m in medians.items():
            print("  %-10s %12.4f %10.4f %10.4f %13.4f %10.1f" % (tool, m, min(times[tool]), max(times[tool]),
                                                               cpu[tool], rss[tool]))
        for other, goal in goals.get(name, []):
            summary.append("%-6s bxa / %-6s = %5.2f   goal <= %.2f   (cpu time: %5.2f)" %
                           (name, other, medians["bxa"] / medians[other], goal, cpu["bxa"] / max(cpu[other], 1e-6)))
        if name in rss_goal:
            summary.append("%-6s bxa peak RSS = %5.1f MiB   goal <= %d MiB" % (name, rss["bxa"], rss_goal[name]))
        sys.stdout.flush()
    print()
    print("\n".join(summary))


if __name__ == "__main__":
    main()
