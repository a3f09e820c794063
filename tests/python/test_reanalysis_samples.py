"""The worked example of the docs: an ERA5 pair (the sample files of
tools/make_reanalysis_samples.cpp, in the data store's netCDF and as GRIB) to
AMSR2 brightness temperatures, by seasky batch and by three lines of Python."""

import os
import subprocess
import warnings

import numpy as np
import xarray as xr

import seasky
from conftest import CLI

SAMPLES = os.environ.get("SEASKY_SAMPLES_DIR", "")


def batch(tmp, levels, surface, output):
    out = tmp / output
    done = subprocess.run([CLI, "batch", "--scenes", os.path.join(SAMPLES, levels), "--surface",
                           os.path.join(SAMPLES, surface), "--sensor", "amsr2", "--salinity", "35",
                           "--look-azimuth", "100", "--output", out, "--quiet"], capture_output=True, text=True)
    # Three scenes refused: the land point (no sst) at both times, and a 24 m/s gale.
    assert done.returncode == 3, done.stderr
    assert "ciwc" in done.stderr  # the ice water, noted as not used
    return out


def test_netcdf_pair_by_the_command_and_by_python(tmp):
    out = batch(tmp, "era5-pl.nc", "era5-sfc.nc", "tb.nc")
    result = xr.open_dataset(out)
    assert result["tb"].dims == ("valid_time", "latitude", "longitude", "channel")
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        sim = seasky.simulate(os.path.join(SAMPLES, "era5-pl.nc"), "amsr2",
                              surface=os.path.join(SAMPLES, "era5-sfc.nc"), salinity=35, look_azimuth=100)
    np.testing.assert_array_equal(sim["tb"].values, result["tb"].values)
    np.testing.assert_array_equal(sim["status"].values, result["status"].values)
    # The gale: refused with its flag and note, the wind model not extended.
    gale = result["status"].sel(valid_time=result["valid_time"][1], latitude=30.0, longitude=15.0).values
    assert (gale == 1 | 64).all()
    # The grid's coordinates, the channel index and the record of the inputs.
    assert float(result["tb"].sel(channel="18.7V", latitude=15.0, longitude=0.0)[0]) > 150.0
    assert result.attrs["input_height"].startswith("z [geopotential")
    assert "era5-sfc.nc" in result.attrs["surface_file"]


def test_grib_pair_by_the_command_and_by_python_through_cfgrib(tmp):
    grib = xr.open_dataset(batch(tmp, "era5-pl.grib", "era5-sfc.grib", "tb.nc"))
    netcdf = xr.open_dataset(batch(tmp, "era5-pl.nc", "era5-sfc.nc", "tb-nc.nc"))
    # The netCDF holds the GRIB's values as float32: some 1e-5 K apart.
    np.testing.assert_allclose(grib["tb"].values, netcdf["tb"].values, atol=1e-4)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        sim = seasky.simulate(os.path.join(SAMPLES, "era5-pl.grib"), "amsr2",
                              surface=os.path.join(SAMPLES, "era5-sfc.grib"), salinity=35, look_azimuth=100)
    # cfgrib holds GRIB values as float32 too; every field of the single-level
    # file is there (open_fields merges cfgrib's parts).
    np.testing.assert_allclose(sim["tb"].values, grib["tb"].values, atol=1e-4)
    np.testing.assert_array_equal(sim["status"].values, grib["status"].values)
    assert {"u10", "v10", "t2m", "d2m", "sst", "sp"} <= set(seasky.open_fields(os.path.join(SAMPLES, "era5-sfc.grib")))
