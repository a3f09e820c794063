#!/usr/bin/env python3
"""Batch throughput of seasky for AMSR2 (14 channels with their bands) over the
bundled atmospheres, against 14 separate `seasky calc` runs per scene, measured
in the same run on the same machine.

    bench/batch_bench.py [--build DIR] [--scenes N] [--million]

Prints scenes x channels per second on one core and on all cores, the time per
scene of a batch against that of 14 `seasky calc` processes, and the peak
memory (maximum resident set size) of the batch; with --million also of a run
over 1,000,000 scenes. The scene files are generated into a temporary folder
(seasky-make-scenes, tools/make_scenes.cpp) and removed afterwards.
"""
import argparse
import os
import resource
import shutil
import subprocess
import tempfile
import time

AMSR2 = [(6.925, 0.35), (7.3, 0.35), (10.65, 0.1), (18.7, 0.2), (23.8, 0.4), (36.5, 1.0), (89.0, 3.0)]


def peak_rss_mb(args):
    """The peak RSS of one command, from /proc via a wait4 on its own pid."""
    p = subprocess.Popen(args, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(p.pid, 0)
    if status != 0 and os.WEXITSTATUS(status) not in (0, 3):
        raise RuntimeError(f"{args[0]} failed: {status}")
    return usage.ru_maxrss / 1024.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/bench")
    parser.add_argument("--scenes", type=int, default=20000)
    parser.add_argument("--million", action="store_true")
    a = parser.parse_args()
    seasky = os.path.join(a.build, "seasky")
    make = os.path.join(a.build, "seasky-make-scenes")
    cores = os.cpu_count() or 1
    folder = tempfile.mkdtemp(prefix="seasky-batch-bench-")
    try:
        scenes = os.path.join(folder, "scenes.nc")
        subprocess.run([make, str(a.scenes), scenes], check=True)
        results = {}
        for threads in (1, cores):
            out = os.path.join(folder, f"out{threads}.nc")
            start = time.perf_counter()
            rss = peak_rss_mb([seasky, "batch", "--scenes", scenes, "--sensor", "amsr2", "--output", out,
                               "--threads", str(threads), "--quiet"])
            wall = time.perf_counter() - start
            results[threads] = (wall, rss)
            print(f"batch, {threads} thread(s): {a.scenes} scenes x 14 channels in {wall:.2f} s = "
                  f"{a.scenes * 14 / wall:,.0f} scene-channels/s, {wall / a.scenes * 1e3:.3f} ms per scene, "
                  f"peak RSS {rss:.0f} MB")
        if cores > 1:
            print(f"speed-up on {cores} cores: {results[1][0] / results[cores][0]:.2f}x")

        # The same scene as 14 separate `seasky calc` runs (one per channel), repeated.
        repeats = 20
        start = time.perf_counter()
        for _ in range(repeats):
            for f, band in AMSR2:
                for _pol in ("V", "H"):
                    subprocess.run([seasky, "calc", "--profile", "tropical", "--freq", str(f), "--band", str(band),
                                    "--angle", "55", "--json"], check=True, stdout=subprocess.DEVNULL)
        per_scene = (time.perf_counter() - start) / repeats
        print(f"14 seasky calc runs: {per_scene * 1e3:.2f} ms per scene")
        for threads in sorted(results):
            batch = results[threads][0] / a.scenes
            print(f"  batch per scene, {threads} thread(s): {batch * 1e3:.3f} ms: {per_scene / batch:.1f}x faster")

        if a.million:
            big = os.path.join(folder, "million.nc")
            subprocess.run([make, "1000000", big, "--float"], check=True)
            out = os.path.join(folder, "million-out.nc")
            start = time.perf_counter()
            rss = peak_rss_mb([seasky, "batch", "--scenes", big, "--sensor", "amsr2", "--output", out, "--quiet"])
            wall = time.perf_counter() - start
            print(f"1,000,000 scenes x 14 channels on {cores} cores: {wall:.0f} s, peak RSS {rss:.0f} MB, "
                  f"input {os.path.getsize(big) / 1e6:.0f} MB, output {os.path.getsize(out) / 1e6:.0f} MB")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
