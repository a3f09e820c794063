#!/usr/bin/env python3
"""The worst accepted cases of the cost limits: wall time and peak memory of
`seasky calc` on each, and of loading the largest accepted profile into the
window, beside a small case in the same run.

    bench/worst_case.py [--build build/release] [--gui]

A calculation's work is sub-frequencies x (levels + 13 x grid layers), x 8 with
derivatives, at most 3,000,000, with at most 2000 sub-frequencies, 100000 levels
(25000 with derivatives) and heights within +-1000 km (10000 layers); profile
files at most 64 MB. Each case below sits at one of those limits.
"""
import argparse
import math
import os
import subprocess
import sys
import tempfile
import time


def profile(path, heights, digits=0):
    """A profile file at the given heights (m): a 6.5 K/km lapse rate to
    216.65 K, pressure with a 7.5 km and humidity with a 2 km scale height;
    digits pads every number with that many extra zero decimals."""
    pad = "0" * digits
    with open(path, "w") as f:
        f.write(f"{len(heights)}\n")
        for z in heights:
            t = max(288.15 - 0.0065 * min(z, 50000.0), 216.65)
            f.write(f"{z:.3f}{pad} {t:.4f}{pad} {1013.25 * math.exp(-z / 7500.0):.6e} "
                    f"{11.5 * math.exp(-z / 2000.0):.6e} 0\n")
    return path


def spaced(n, top):
    return [top * i / (n - 1) for i in range(n)]


def run(args):
    """Wall time (s) and peak resident memory (MB) of one process."""
    start = time.perf_counter()
    proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    err = proc.stderr.read().decode()
    proc.stderr.close()
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        sys.exit(f"{' '.join(map(str, args))} failed ({code}): {err}")
    return elapsed, usage.ru_maxrss / 1024.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--gui", action="store_true", help="also time the window's load (seasky-gui, offscreen)")
    a = parser.parse_args()
    seasky = os.path.join(a.build, "seasky")
    with tempfile.TemporaryDirectory() as tmp:
        small = profile(os.path.join(tmp, "small.txt"), spaced(36, 50000.0))
        levels = profile(os.path.join(tmp, "levels.txt"), spaced(100000, 1000.0))          # 10 layers
        half = profile(os.path.join(tmp, "half.txt"), spaced(25000, 1000.0))
        both = profile(os.path.join(tmp, "both.txt"), spaced(100000, 999999.0))            # 9999 layers
        tall = profile(os.path.join(tmp, "tall.txt"), spaced(2000, 999999.0))
        thin = profile(os.path.join(tmp, "thin.txt"), [0.0, 150.0])                        # 1 layer
        # The largest file accepted: 100000 levels of numbers padded to 64 MB.
        biggest = profile(os.path.join(tmp, "biggest.txt"), spaced(100000, 30000.0), digits=300)
        size = os.path.getsize(biggest) / 2**20
        cases = [
            ("36 levels, 18.7 GHz (for scale)", [small, "--freq", "18.7"]),
            ("100000 levels, 10 layers, 29 sub-frequencies", [levels, "--freq", "60", "--band", "1.4"]),
            ("100000 levels, 9999 layers, 13 sub-frequencies", [both, "--freq", "60", "--band", "0.6"]),
            ("2000 levels, 9999 layers, 22 sub-frequencies", [tall, "--freq", "60", "--band", "1.05"]),
            ("2 levels, 1 layer, 1780 sub-frequencies", [thin, "--freq", "89", "--band", "177.9"]),
            ("100000 levels, 9999 layers, one frequency", [both, "--freq", "89"]),
            (f"largest file ({size:.0f} MB), one frequency", [biggest, "--freq", "18.7"]),
            ("derivatives: 25000 levels, 10 layers, 14 sub-frequencies",
             [half, "--freq", "60", "--band", "0.65", "--jacobians"]),
            ("derivatives as JSON: same", [half, "--freq", "60", "--band", "0.65", "--jacobians", "--json"]),
        ]
        print(f"{'seasky calc':62s} {'time s':>7s} {'peak MB':>8s}")
        for name, extra in cases:
            t, m = run([seasky, "calc", "--profile"] + extra)
            print(f"{name:62s} {t:7.3f} {m:8.1f}")
        if a.gui:
            gui = os.path.join(a.build, "seasky-gui")
            env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
            os.environ.update(env)
            shot = os.path.join(tmp, "shot.png")
            print(f"\n{'seasky-gui --load FILE --screenshot (1.5 s of it waiting)':62s} {'time s':>7s} {'peak MB':>8s}")
            base = None
            for name, path in (("36 levels", small), ("100000 levels", both), (f"largest file ({size:.0f} MB)", biggest)):
                t, m = run([gui, "--load", path, "--screenshot", shot])
                base = t if base is None else base
                print(f"{name:62s} {t:7.3f} {m:8.1f}   load: {t - base:+.3f} s beyond 36 levels")


if __name__ == "__main__":
    main()
