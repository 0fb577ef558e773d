#!/usr/bin/env python3
"""Times `nimbrel build` end to end and prints the figures.

  bench/build_speed.py [--build-dir build] [--runs 7]

1. A web-address build (whole process), median of the runs, with the share of
   each stage taken from the moments the progress texts arrive on stderr, and
   the size of the finished bundle.
2. A local-folder build of a generated site (50 MiB in 2,000 files) against
   `cp -r` of the same folder, measured alternately in the same run: the whole
   build, and its site-copy stage alone ("Bundling website files…" to
   "Generating icon…"). Like is compared with like: both sides write a fresh
   destination folder, and the disk is synced before each side, so neither
   pays for the other's write-back.

Every figure is the median of the runs with the smallest and largest beside it.

Registration and temporary files go to a private folder. When the stand-in
tools are not built, no-op tools take their place (and the figures say so).
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TOOLS = ["iconutil", "xattr", "codesign", "ditto", "xcrun", "lsregister"]


def prepare_bundle(build_dir, scratch):
    """The built bundle, or a private copy of it with no-op tools when its own are missing."""
    bundle = os.path.join(build_dir, "Nimbrel.app")
    tools = os.path.join(bundle, "Contents", "Resources", "tools")
    if all(os.access(os.path.join(tools, t), os.X_OK) for t in TOOLS):
        return None, "stand-in tools"
    private = os.path.join(scratch, "Nimbrel.app")
    resources = os.path.join(private, "Contents", "Resources")
    shutil.copytree(os.path.join(bundle, "Contents", "Resources"), resources, symlinks=True)
    os.makedirs(os.path.join(resources, "tools"), exist_ok=True)
    for t in TOOLS:
        path = os.path.join(resources, "tools", t)
        with open(path, "w") as f:
            f.write("#!/bin/sh\nexit 0\n")
        os.chmod(path, 0o755)
    return private, "no-op tools (stand-ins not built)"


def timed_build(nimbrel, args, env):
    """Seconds for the whole run, and the moment (from start) each progress text arrived."""
    start = time.perf_counter()
    proc = subprocess.Popen([nimbrel, "build", *args], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, env=env, text=True)
    marks = {}
    for line in proc.stderr:
        marks[line.rstrip("\n")] = time.perf_counter() - start
    out = proc.stdout.read()
    status = proc.wait()
    total = time.perf_counter() - start
    if status != 0:
        sys.exit(f"nimbrel failed ({status}): {marks}")
    return total, marks, out.strip()


def settle():
    """Writes back what earlier runs left dirty, so no run pays for another's writes."""
    os.sync()


def fresh(folder):
    """An empty folder that did not exist before, the previous run's output gone and written back."""
    shutil.rmtree(folder, ignore_errors=True)
    settle()
    return folder


def timed_copy(source, target):
    settle()
    start = time.perf_counter()
    subprocess.run(["cp", "-r", source, target], check=True)
    return time.perf_counter() - start


def make_site(folder, files=2000, total=50 * 1024 * 1024):
    rng = random.Random(7)
    per_file = total // files
    os.makedirs(folder)
    with open(os.path.join(folder, "index.html"), "w") as f:
        f.write("<!doctype html><title>Bench</title><p>Bench site</p>\n")
    for i in range(files - 1):
        sub = os.path.join(folder, f"section{i % 40:02d}", f"part{i % 7}")
        os.makedirs(sub, exist_ok=True)
        with open(os.path.join(sub, f"asset{i:04d}.bin"), "wb") as f:
            f.write(rng.randbytes(per_file))


def folder_size(path):
    size = 0
    for base, _, names in os.walk(path):
        for n in names:
            p = os.path.join(base, n)
            if not os.path.islink(p):
                size += os.path.getsize(p)
    return size


def ms(seconds):
    return f"{seconds * 1000:7.1f} ms"


def spread(values):
    """Median, with the smallest and largest run."""
    return f"{ms(statistics.median(values))}  ({min(values) * 1000:.0f}-{max(values) * 1000:.0f})"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()
    nimbrel = os.path.abspath(os.path.join(args.build_dir, "nimbrel"))

    with tempfile.TemporaryDirectory(prefix="nimbrel-bench-") as scratch:
        private, tools_note = prepare_bundle(os.path.abspath(args.build_dir), scratch)
        env = dict(os.environ)
        for var in ("XDG_DATA_HOME", "XDG_CONFIG_HOME", "TMPDIR"):
            env[var] = os.path.join(scratch, var.lower())
            os.makedirs(env[var])
        if private:
            env["NIMBREL_MAIN_BUNDLE"] = private
        out = os.path.join(scratch, "out")
        os.makedirs(out)
        print(f"nimbrel: {nimbrel}  ({tools_note}), median of {args.runs} runs")

        # 1. Web address.
        icon, sign, totals, stage1 = "Generating icon\u2026", "Signing app\u2026", [], []
        stage2, stage3, app = [], [], None
        for _ in range(args.runs):
            total, marks, app = timed_build(
                nimbrel, ["--url", "example.org", "--name", "Bench", "--out", out, "--replace"], env)
            totals.append(total)
            stage1.append(marks[icon])
            stage2.append(marks[sign] - marks[icon])
            stage3.append(total - marks[sign])
        t = statistics.median(totals)
        print("\nURL build (whole process)        median (min-max ms)")
        print(f"  total                          {spread(totals)}")
        for label, values in (("start-up + bundle assembly", stage1), ("icon set", stage2),
                              ("attributes, signing, register", stage3)):
            m = statistics.median(values)
            print(f"  {label:30} {spread(values)}  {100 * m / t:4.1f} %")
        print(f"  bundle size                    {folder_size(app) / 1024:7.1f} KiB")

        # 2. Local folder against cp -r, each writing a fresh destination.
        site = os.path.join(scratch, "site")
        make_site(site)
        count = sum(len(n) for _, _, n in os.walk(site))
        print(f"\nFolder build: {folder_size(site) / 2**20:.1f} MiB in {count} files, median (min-max ms)")
        bundling, builds, copies, icons, finishing, ratios = [], [], [], [], [], []
        bundle_text = "Bundling website files\u2026"
        timed_copy(site, fresh(os.path.join(scratch, "warm")))  # same cache state for both sides
        for _ in range(args.runs):
            copies.append(timed_copy(site, fresh(os.path.join(scratch, "copy"))))
            target = fresh(os.path.join(scratch, "built"))
            os.makedirs(target)
            settle()
            total, marks, _ = timed_build(nimbrel, ["--folder", site, "--name", "Site", "--out", target], env)
            builds.append(total)
            ratios.append(total / copies[-1])
            bundling.append(marks[icon] - marks[bundle_text])
            icons.append(marks[sign] - marks[icon])
            finishing.append(total - marks[sign])
        c, b, s = statistics.median(copies), statistics.median(builds), statistics.median(bundling)
        print(f"  cp -r                          {spread(copies)}")
        print(f"  site-copy stage of the build   {spread(bundling)}  {s / c:.2f} x cp -r")
        print(f"  whole build (process)          {spread(builds)}  {b / c:.2f} x cp -r"
              f" (run by run {min(ratios):.2f}-{max(ratios):.2f} x)")
        print(f"    of which icon set            {spread(icons)}")
        print(f"    of which attributes, signing, register {spread(finishing)}")


if __name__ == "__main__":
    main()
