"""The reanalysis sample files (tools/make_reanalysis_samples.cpp): the GRIB
files and the netCDF files of the data store's layout hold the same fields,
as cfgrib (ECMWF's own GRIB-to-xarray reader, independent of seasky) reads
the GRIB; the netCDF is laid out as the data store writes it; the fields are
physically what the samples promise."""

import os

import numpy as np
import pytest

xr = pytest.importorskip("xarray")
pytest.importorskip("cfgrib")

SAMPLES = os.environ.get("SEASKY_SAMPLES_DIR", "")

PRESSURE_LEVELS = [1000, 975, 950, 925, 900, 850, 800, 700, 600, 500, 400, 300, 250, 200, 150, 100, 70, 50,
                   30, 20, 10, 7, 5, 3, 2, 1]


def sample(name):
    path = os.path.join(SAMPLES, name)
    assert os.path.exists(path), f"{path} is missing: run the ctest fixture reanalysis_samples"
    return path


def cfgrib_variables(name):
    """Every variable of a GRIB file as cfgrib reads it (one dataset per level
    type), with the data store's dimension names, without an index file."""
    import cfgrib

    out = {}
    for ds in cfgrib.open_datasets(sample(name), backend_kwargs={"indexpath": ""}):
        ds = ds.swap_dims({"time": "valid_time"}).drop_vars("time")
        if "isobaricInhPa" in ds.dims:
            ds = ds.rename({"isobaricInhPa": "pressure_level"})
        for var in ds.data_vars:
            out[var] = ds[var]
    return out


@pytest.mark.parametrize("stem", ["era5-pl", "era5-sfc"])
def test_cfgrib_reads_the_grib_as_the_same_fields_as_the_netcdf(stem):
    grib = cfgrib_variables(stem + ".grib")
    nc = xr.open_dataset(sample(stem + ".nc"))
    assert sorted(grib) == sorted(nc.data_vars)
    for var, cf in grib.items():
        ref = nc[var]
        # GRIB's 64-bit values rounded to float32, as cfgrib and the converter do.
        cf = cf.astype(np.float32)
        if "pressure_level" in ref.dims:
            cf = cf.sel(pressure_level=ref.pressure_level.values)
        cf = cf.transpose(*ref.dims)
        np.testing.assert_array_equal(cf.latitude.values, ref.latitude.values)
        np.testing.assert_array_equal(cf.longitude.values, ref.longitude.values)
        np.testing.assert_array_equal(cf.valid_time.values, ref.valid_time.values)
        np.testing.assert_array_equal(cf.values, ref.values, err_msg=var)
        assert cf.attrs["GRIB_paramId"] == ref.attrs["GRIB_paramId"]
        assert cf.attrs["units"] == ref.attrs["units"]


def test_netcdf_is_laid_out_as_the_data_store_writes_it():
    pl = xr.open_dataset(sample("era5-pl.nc"), decode_times=False, mask_and_scale=False)
    sfc = xr.open_dataset(sample("era5-sfc.nc"), decode_times=False, mask_and_scale=False)
    assert pl.t.dims == ("valid_time", "pressure_level", "latitude", "longitude")
    assert sfc.sst.dims == ("valid_time", "latitude", "longitude")
    assert pl.valid_time.dtype == np.int64 and pl.valid_time.attrs["units"] == "seconds since 1970-01-01"
    assert pl.valid_time.attrs["calendar"] == "proleptic_gregorian"
    assert list(pl.valid_time.values) == [1704067200, 1704088800]
    assert pl.pressure_level.dtype == np.float64 and list(pl.pressure_level.values) == PRESSURE_LEVELS
    assert pl.pressure_level.attrs["positive"] == "down" and pl.pressure_level.attrs["units"] == "hPa"
    assert np.all(np.diff(pl.latitude.values) < 0) and pl.latitude.attrs["units"] == "degrees_north"
    assert pl.number.dtype == np.int64 and pl.number.ndim == 0
    assert set(pl.expver.values) == {"0001"}
    assert pl.attrs["GRIB_centre"] == "ecmf" and pl.attrs["Conventions"] == "CF-1.7"
    units = {"z": "m**2 s**-2", "t": "K", "q": "kg kg**-1", "clwc": "kg kg**-1", "ciwc": "kg kg**-1",
             "sst": "K", "u10": "m s**-1", "v10": "m s**-1", "sp": "Pa", "t2m": "K", "d2m": "K", "msl": "Pa"}
    unknown = {"clwc", "ciwc", "sst", "t2m", "d2m", "u10", "v10"}
    for ds in (pl, sfc):
        for var in ds.data_vars:
            if var in ("number", "expver"):
                continue
            attrs = ds[var].attrs
            assert ds[var].dtype == np.float32, var
            assert np.isnan(attrs["_FillValue"]), var
            assert attrs["units"] == attrs["GRIB_units"] == units[var], var
            assert (attrs["standard_name"] == "unknown") == (var in unknown), var
            assert attrs["GRIB_cfVarName"] == var


def test_sample_fields_are_physical():
    pl = xr.open_dataset(sample("era5-pl.nc"))
    sfc = xr.open_dataset(sample("era5-sfc.nc"))
    g, r = 9.80665, 287.05
    # Hypsometric thickness of each layer from the layer's mean temperature,
    # to the discretisation's 0.1 %.
    z, t, p = pl.z.values.astype(float), pl.t.values.astype(float), pl.pressure_level.values
    thickness = z[:, 1:] - z[:, :-1]
    mean_t = 0.5 * (t[:, 1:] + t[:, :-1])
    estimate = r * mean_t * np.log(p[:-1] / p[1:])[None, :, None, None]
    np.testing.assert_allclose(thickness, estimate, rtol=2e-3)
    # 1000 hPa below the surface (negative geopotential) where the surface
    # pressure is below 1000 hPa at sea, above it elsewhere: both occur.
    sea = ~np.isnan(sfc.sst.values)
    below = sfc.sp.values < 100000.0
    z1000 = pl.z.sel(pressure_level=1000).values
    assert np.all((z1000[sea] < 0) == below[sea]) and below[sea].any() and (~below[sea]).any()
    # The land point alone has no sea-surface temperature.
    assert (~sea).sum() == 2 and np.all(np.isnan(sfc.sst.values[:, 0, 3]))
    # Temperature 190-310 K, humidity decreasing to the stratosphere's, dew point below the air.
    assert 185 < t.min() and t.max() < 310
    q = pl.q.values
    assert np.all(np.diff(q, axis=1) <= 0) and q.min() > 0 and q.max() < 0.025
    assert np.all(sfc.d2m.values < sfc.t2m.values)
    # Liquid cloud 1e-4 kg/kg at its peak, between 925 and 800 hPa; ice at 300-200 hPa.
    clwc = pl.clwc.max(dim=("valid_time", "latitude", "longitude"))
    assert float(clwc.max()) == pytest.approx(1e-4)
    assert set(pl.pressure_level.values[clwc.values > 0]) == {925, 900, 850, 800}
    ciwc = pl.ciwc.max(dim=("valid_time", "latitude", "longitude"))
    assert set(pl.pressure_level.values[ciwc.values > 0]) == {300, 250, 200}
    # Winds of 3-18 m/s in many directions, and one gale of 24 m/s.
    speed = np.hypot(sfc.u10.values, sfc.v10.values)
    assert np.isclose(speed, 24.0, atol=1e-5).sum() == 1
    calm = speed[~np.isclose(speed, 24.0, atol=1e-5)]
    assert calm.min() > 2.99 and calm.max() < 18.01
    heading = np.degrees(np.arctan2(sfc.u10.values, sfc.v10.values)) % 360
    assert len(np.unique(np.floor(heading / 90))) == 4
