"""Shared pieces of the Python tests: the seasky command, scene datasets."""

import json
import os
import subprocess

import numpy as np
import pytest

import seasky

CLI = os.environ.get("SEASKY_CLI", "seasky")


def run_cli(*args):
    """seasky ARGS --json, parsed."""
    done = subprocess.run([CLI, *map(str, args), "--json"], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    return json.loads(done.stdout)


def scenes(n, seed=1):
    """An xarray Dataset of n scenes: the bundled atmospheres in turn, varied seas,
    with the names and units of a batch run's NetCDF input."""
    import xarray as xr

    rng = np.random.default_rng(seed)
    names = seasky.profiles()
    profiles = [seasky.profile(name) for name in names]
    levels = profiles[0]["height"].size
    pick = [profiles[i % len(profiles)] for i in range(n)]
    stack = {key: np.stack([p[key] for p in pick]) for key in pick[0]}
    ds = xr.Dataset(
        {
            "z": (("scene", "level"), stack["height"], {"standard_name": "height", "units": "m"}),
            "ta": (("scene", "level"), stack["air_temperature"], {"standard_name": "air_temperature", "units": "K"}),
            "pa": (("scene", "level"), stack["pressure"] * 100.0, {"standard_name": "air_pressure", "units": "Pa"}),
            "rho": (("scene", "level"), stack["humidity"],
                    {"standard_name": "mass_concentration_of_water_vapor_in_air", "units": "g m-3"}),
            "clw": (("scene", "level"), stack["cloud_water"],
                    {"standard_name": "mass_concentration_of_cloud_liquid_water_in_air", "units": "g m-3"}),
            "sst": ("scene", 273.15 + rng.uniform(0.0, 30.0, n), {"standard_name": "sea_surface_temperature",
                                                                  "units": "K"}),
            "sss": ("scene", rng.uniform(30.0, 37.0, n), {"standard_name": "sea_water_salinity", "units": "1e-3"}),
            "ws": ("scene", rng.uniform(0.0, 20.0, n), {"standard_name": "wind_speed", "units": "m s-1"}),
            "relative_wind_direction": ("scene", rng.uniform(0.0, 360.0, n), {"units": "degree"}),
        },
        coords={"lat": ("scene", np.linspace(-60.0, 60.0, n)), "scene": np.arange(n)},
    )
    assert levels == ds.sizes["level"]
    return ds


@pytest.fixture
def tmp(tmp_path):
    return tmp_path
