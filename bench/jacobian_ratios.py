#!/usr/bin/env python3
"""Runs the derivative benchmarks (the K-matrix of one channel and its forward
calculation, in the same process) and prints both times and their ratio.

    bench/jacobian_ratios.py [path/to/seasky_bench] [extra Google Benchmark flags]
"""
import json
import subprocess
import sys


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else "build/bench/bench/seasky_bench"
    out = subprocess.run([binary, "--benchmark_filter=^Jacobian/", "--benchmark_format=json",
                          "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true"] + sys.argv[2:],
                         check=True, capture_output=True, text=True).stdout
    median = {r["run_name"]: r["real_time"] for r in json.loads(out)["benchmarks"]
              if r.get("aggregate_name") == "median"}
    cases = sorted({n.split("/", 2)[2] for n in median})
    print(f"{'case':32s} {'forward us':>11s} {'K-matrix us':>12s} {'ratio':>6s}")
    for case in cases:
        f, k = median["Jacobian/forward/" + case], median["Jacobian/kmatrix/" + case]
        print(f"{case:32s} {f:11.1f} {k:12.1f} {k / f:6.2f}")


if __name__ == "__main__":
    main()
