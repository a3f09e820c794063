#!/usr/bin/env python3
"""Runs the engine benchmarks (current engine and frozen baseline in the same
process) and prints, per case, both times and their ratio.

    bench/engine_ratios.py [path/to/seasky_bench] [extra Google Benchmark flags]
"""
import json
import subprocess
import sys


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else "build/bench/bench/seasky_bench"
    extra = sys.argv[2:]
    out = subprocess.run([binary, "--benchmark_filter=^Engine/", "--benchmark_format=json",
                          "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true"] + extra,
                         check=True, capture_output=True, text=True).stdout
    runs = json.loads(out)["benchmarks"]
    median = {}
    for r in runs:
        if r.get("aggregate_name") == "median":
            name = r["run_name"]
            median[name] = r
    cases = sorted({n.split("/", 2)[2] for n in median})
    print(f"{'case':45s} {'baseline us':>12s} {'current us':>11s} {'ratio':>7s} {'ns/(level+layer)':>17s}")
    for case in cases:
        cur = median.get("Engine/current/" + case)
        base = median.get("Engine/baseline/" + case)
        if cur is None:
            continue
        per = cur.get("per_level_or_layer", 0.0) * 1e9
        if base is None:
            print(f"{case:45s} {'':>12s} {cur['real_time']:11.1f} {'':>7s} {per:17.1f}")
        else:
            print(f"{case:45s} {base['real_time']:12.1f} {cur['real_time']:11.1f} "
                  f"{base['real_time'] / cur['real_time']:7.2f} {per:17.1f}")


if __name__ == "__main__":
    main()
