#!/usr/bin/python3
"""The Python module against the C++ batch runner on the same work, in the same
run on the same machine, and a dask LocalCluster against the in-process call.

    PYTHONPATH=build/release/python bench/python_bench.py [--build build/release] [--scenes 10000]

1. seasky.calculate over N scenes (one profile per scene, arrays from Python)
   against `seasky batch --threads 1` with a one-channel sensor of the same
   frequency (one single calculation per scene) on the same scenes.
2. seasky.simulate (AMSR2, 14 channels) in process against `seasky batch
   --threads 1` on the same scenes.
3. seasky.simulate on a LocalCluster (2 workers x 1 thread) against in process.
The overhead is (Python time / batch time - 1); the batch time includes its
reading and writing of NetCDF.
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

import numpy as np


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--scenes", type=int, default=10000)
    a = parser.parse_args()
    sys.path.insert(0, os.path.join(a.build, "python"))
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "python"))
    import seasky
    from conftest import scenes
    seasky_cli = os.path.join(a.build, "seasky")
    n = a.scenes
    ds = scenes(n, seed=3)
    folder = tempfile.mkdtemp(prefix="seasky-python-bench-")
    path = os.path.join(folder, "scenes.nc")
    ds.to_netcdf(path)

    def batch(sensor, out):
        start = time.perf_counter()
        subprocess.run([seasky_cli, "batch", "--scenes", path, "--sensor", sensor, "--output", out, "--threads", "1",
                        "--quiet"], check=True, stderr=subprocess.DEVNULL)
        return time.perf_counter() - start

    # 1. calculate against a one-channel batch at 18.7 GHz, 55 degrees, one frequency.
    one = os.path.join(folder, "one.json")
    with open(one, "w") as f:
        json.dump({"name": "one", "channels": [{"name": "18.7V", "centre": 18.7, "subBands": [[18.7, 18.7 + 1e-9]],
                                                 "polarisation": "V", "incidenceAngle": 55.0}]}, f)
    # The same profiles as the scenes, from Python arrays.
    profile = {"height": ds["z"].values, "air_temperature": ds["ta"].values, "pressure": ds["pa"].values / 100.0,
               "humidity": ds["rho"].values, "cloud_water": ds["clw"].values}
    sst = ds["sst"].values - 273.15
    start = time.perf_counter()
    r = seasky.calculate(profile, freq=18.7, angle=55.0, azimuth=ds["relative_wind_direction"].values, temp=sst,
                         salinity=ds["sss"].values, wind=ds["ws"].values)
    python_calculate = time.perf_counter() - start
    batch_one = batch(one, os.path.join(folder, "one.nc"))
    assert r["tbV"].shape == (n,)
    print(f"calculate, {n} scenes: {python_calculate / n * 1e3:.3f} ms per scene; "
          f"seasky batch (1 channel): {batch_one / n * 1e3:.3f} ms per scene; "
          f"overhead {100 * (python_calculate / batch_one - 1):+.1f} %")

    # 2. simulate against batch, AMSR2.
    start = time.perf_counter()
    sim = seasky.simulate(ds, sensor="amsr2")
    python_simulate = time.perf_counter() - start
    batch_amsr2 = batch("amsr2", os.path.join(folder, "amsr2.nc"))
    print(f"simulate (AMSR2, 14 channels), {n} scenes: {python_simulate / n * 1e3:.3f} ms per scene; "
          f"seasky batch: {batch_amsr2 / n * 1e3:.3f} ms per scene; "
          f"overhead {100 * (python_simulate / batch_amsr2 - 1):+.1f} %")

    # 3. LocalCluster against in process.
    from dask.distributed import Client, LocalCluster
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster):
        lazy = seasky.simulate(ds.chunk({"scene": 500}), sensor="amsr2")
        start = time.perf_counter()
        distributed = lazy.compute()
        cluster_time = time.perf_counter() - start
    assert np.array_equal(distributed["tb"].values, sim["tb"].values, equal_nan=True)
    print(f"LocalCluster (2 workers x 1 thread): {n / cluster_time:,.0f} scenes/s; in process: "
          f"{n / python_simulate:,.0f} scenes/s ({python_simulate / cluster_time:.2f}x); results identical")


if __name__ == "__main__":
    main()
