"""simulate on reanalysis Datasets as the Copernicus data store delivers ERA5
(pressure levels with the single-level fields), against the same scenes
converted by hand into seasky's own layout."""

import numpy as np
import pytest
import xarray as xr

import seasky

G0, R0 = 9.80665, 6356766.0          # U.S. Standard Atmosphere 1976
RD, EPS = 287.05, 0.62198            # dry air, R_d / R_v
LEVELS = np.array([1000.0, 975.0, 925.0, 850.0, 700.0, 500.0, 300.0, 200.0, 100.0, 50.0, 10.0, 1.0])


def era5_pair():
    """A pressure-level and a single-level Dataset in the data store's netCDF
    layout: its dimension and variable names, GRIB_paramId attributes, ECMWF
    units and standard_name "unknown" where it writes it."""
    times = np.array(["2024-07-01T00", "2024-07-01T12"], dtype="datetime64[ns]")
    lat = np.array([10.0, 0.0, -10.0])
    lon = np.array([140.0, 141.0])
    shape = (2, LEVELS.size, 3, 2)
    t_idx, l_idx, y_idx, x_idx = np.indices(shape)
    p = LEVELS[l_idx]
    base = 300.0 - 2.0 * np.abs(lat[y_idx]) / 10.0 + 0.5 * t_idx
    # Temperature falling with log-pressure to a tropopause near 100 hPa.
    t = np.maximum(base - 32.0 * np.log(1000.0 / p), 195.0 + 0.1 * x_idx)
    q = 0.018 * (p / 1000.0) ** 3 * (1.0 + 0.1 * x_idx)
    clwc = np.where((p >= 850.0) & (p <= 925.0) & (y_idx != 2), 2e-4, 0.0)
    # The hypsometric height of each level above a 1000 hPa level that lies
    # below the sea where sp < 1000 hPa (negative geopotential).
    sp = 1000.0 + np.array([[6.0, 9.0], [-3.0, 2.0], [12.0, 0.5]])  # hPa, per (lat, lon)
    # About 8 m per hPa: the 1000 hPa level lies 8 (sp - 1000) m below the sea.
    z = np.empty(shape)
    z[:, 0] = -8.0 * (sp - 1000.0)[None] * G0 * np.ones((2, 1, 1))
    for k in range(1, LEVELS.size):
        tv = 0.5 * (t[:, k] + t[:, k - 1])
        z[:, k] = z[:, k - 1] + RD * tv * np.log(LEVELS[k - 1] / LEVELS[k])
    dims = ("valid_time", "pressure_level", "latitude", "longitude")
    coords = {"valid_time": times, "pressure_level": ("pressure_level", LEVELS, {"units": "hPa",
              "standard_name": "air_pressure", "long_name": "pressure"}),
              "latitude": ("latitude", lat, {"units": "degrees_north", "standard_name": "latitude"}),
              "longitude": ("longitude", lon, {"units": "degrees_east", "standard_name": "longitude"})}

    def var(values, param, short, units, standard):
        return (dims, values.astype(np.float32), {"GRIB_paramId": param, "GRIB_shortName": short, "units": units,
                                                  "standard_name": standard})
    pl = xr.Dataset({"z": var(z, 129, "z", "m**2 s**-2", "geopotential"),
                     "t": var(t, 130, "t", "K", "air_temperature"),
                     "q": var(q, 133, "q", "kg kg**-1", "specific_humidity"),
                     "clwc": var(clwc, 246, "clwc", "kg kg**-1", "unknown"),
                     "ciwc": var(clwc * 0.1, 247, "ciwc", "kg kg**-1", "unknown")}, coords=coords)
    sdims = ("valid_time", "latitude", "longitude")
    ones = np.ones((2, 3, 2))

    def svar(values, param, short, units, standard="unknown"):
        return (sdims, (values * ones).astype(np.float32), {"GRIB_paramId": param, "GRIB_shortName": short,
                                                            "units": units, "standard_name": standard})
    sfc = xr.Dataset({"sst": svar(301.5 - 0.2 * np.abs(lat)[None, :, None], 34, "sst", "K"),
                      "u10": svar(np.array([[3.0, -6.0], [0.5, 7.0], [-2.0, 1.0]]), 165, "10u", "m s**-1"),
                      "v10": svar(np.array([[4.0, 2.0], [-8.0, 1.0], [5.0, -1.5]]), 166, "10v", "m s**-1"),
                      "sp": svar(sp * 100.0, 134, "sp", "Pa", "surface_air_pressure"),
                      "t2m": svar(np.array([[300.0, 299.5], [301.0, 300.2], [298.0, 299.0]]), 167, "2t", "K"),
                      "d2m": svar(np.array([[296.0, 295.5], [297.0, 296.2], [293.0, 294.0]]), 168, "2d", "K"),
                      "msl": svar(sp * 100.0, 151, "msl", "Pa", "air_pressure_at_mean_sea_level")},
                     coords={k: coords[k] for k in ("valid_time", "latitude", "longitude")})
    return pl, sfc


def by_hand(pl, sfc, salinity, look):
    """seasky's own scene layout, converted here with the published formulas."""
    p = np.broadcast_to(pl["pressure_level"].values[None, :, None, None], pl["t"].shape).astype(np.float64)
    t = pl["t"].values.astype(np.float64)
    q = pl["q"].values.astype(np.float64)
    w = pl["clwc"].values.astype(np.float64)
    H = pl["z"].values.astype(np.float64) / G0
    height = R0 * H / (R0 - H)
    rho_air = p * 100.0 / (RD * t * (1.0 + q * (1.0 / EPS - 1.0)))
    sp = sfc["sp"].values.astype(np.float64) / 100.0
    below = (height < 0.0) | (p > sp[:, None])
    height = np.where(below, np.nan, height)
    t2m = sfc["t2m"].values.astype(np.float64)
    td = sfc["d2m"].values.astype(np.float64)
    e = 6.112 * np.exp(17.67 * (td - 273.15) / (td - 273.15 + 243.5))
    rho_sea = e * 100.0 / (RD / EPS * t2m) * 1000.0

    def stack(level_values, sea_value):
        return np.concatenate([level_values, sea_value[:, None]], axis=1)
    u = sfc["u10"].values.astype(np.float64)
    v = sfc["v10"].values.astype(np.float64)
    frm = np.degrees(np.arctan2(-u, -v))
    azimuth = np.mod(frm - look, 360.0)
    n = t2m.size
    L = p.shape[1]

    def flat(a):
        return np.moveaxis(a, 1, -1).reshape(n, L)
    ds = xr.Dataset({
        "height": (("scene", "level"), stack(flat(height), np.zeros(n)), {"units": "m"}),
        "air_temperature": (("scene", "level"), stack(flat(t), t2m.ravel()), {"units": "K"}),
        "air_pressure": (("scene", "level"), stack(flat(p), sp.ravel()), {"units": "hPa"}),
        "humidity": (("scene", "level"), stack(flat(q * rho_air * 1000.0), rho_sea.ravel()),
                     {"standard_name": "mass_concentration_of_water_vapor_in_air", "units": "g m-3"}),
        "cloud": (("scene", "level"), stack(flat(w * rho_air * 1000.0), np.zeros(n)),
                  {"standard_name": "mass_concentration_of_cloud_liquid_water_in_air", "units": "g m-3"}),
        "sst": ("scene", sfc["sst"].values.astype(np.float64).ravel() - 273.15,
                {"standard_name": "sea_surface_temperature", "units": "degC"}),
        "sss": ("scene", np.full(n, salinity), {"standard_name": "sea_water_salinity", "units": "1e-3"}),
        "ws": ("scene", np.hypot(u, v).ravel(), {"standard_name": "wind_speed", "units": "m s-1"}),
        "relative_wind_direction": ("scene", azimuth.ravel(), {"units": "degree"}),
    })
    return ds


def test_era5_pair_equals_the_scenes_converted_by_hand():
    pl, sfc = era5_pair()
    with pytest.warns(UserWarning, match="ciwc"):
        sim = seasky.simulate(pl, "amsr2", surface=sfc, salinity=34.5, look_azimuth=250.0)
    assert sim["tb"].dims == ("valid_time", "latitude", "longitude", "channel")
    np.testing.assert_array_equal(sim["latitude"].values, pl["latitude"].values)
    hand = seasky.simulate(by_hand(pl, sfc, 34.5, 250.0), "amsr2")
    np.testing.assert_allclose(sim["tb"].values.reshape(-1, sim.sizes["channel"]), hand["tb"].values,
                               rtol=1e-12, atol=0)
    assert (sim["status"].values == hand["status"].values.reshape(sim["status"].shape)).all()
    assert "z [geopotential" in sim.attrs["input_height"]
    assert "clwc" in sim.attrs["input_cloud"]
    assert "34.5 per mille" in sim.attrs["input_salinity"]


def test_every_missing_variable_is_named_at_once_with_what_was_found():
    pl, sfc = era5_pair()
    with pytest.raises(ValueError) as refused:
        seasky.simulate(pl.drop_vars(["t", "q"]), "amsr2", surface=sfc.drop_vars(["sst"]), look_azimuth=0.0)
    message = str(refused.value)
    for named in ("air temperature", "water vapour", "sea surface temperature", "salinity"):
        assert named in message, message
    assert "--salinity" in message and "salinity=" in message
    assert "found:" in message and "z [geopotential" in message


def test_salinity_and_look_azimuth_are_each_given_once():
    pl, sfc = era5_pair()
    sal = sfc.assign(sss=(("valid_time", "latitude", "longitude"), np.full((2, 3, 2), 35.0),
                          {"standard_name": "sea_water_salinity", "units": "1e-3"}))
    with pytest.raises(ValueError, match="give one"):
        seasky.simulate(pl, "amsr2", surface=sal, salinity=35.0, look_azimuth=0.0)
    with pytest.raises(ValueError, match="look azimuth"):
        seasky.simulate(pl, "amsr2", surface=sfc, salinity=35.0)
    # A salinity field over the grid gives the same as the same value for the run.
    a = seasky.simulate(pl, "amsr2", surface=sal, look_azimuth=10.0, channels=["10.65V"])
    b = seasky.simulate(pl, "amsr2", surface=sfc, salinity=35.0, look_azimuth=10.0, channels=["10.65V"])
    np.testing.assert_array_equal(a["tb"].values, b["tb"].values)


def test_without_cloud_or_surface_fields_the_scenes_are_flagged():
    pl, sfc = era5_pair()
    sim = seasky.simulate(pl.drop_vars("clwc"), "amsr2", surface=sfc[["sst", "u10", "v10"]], salinity=35.0,
                          look_azimuth=0.0, channels=["18.7H"])
    status = sim["status"].values
    assert ((status & 8) == 8).all()        # no cloud variable
    assert ((status & 16) == 16).any()      # starts above the sea, nothing added


def test_dask_chunks_of_the_grid_give_the_same():
    pl, sfc = era5_pair()
    eager = seasky.simulate(pl, "gmi", surface=sfc, salinity=35.0, look_azimuth=30.0, channels=["36.5H"])
    lazy = seasky.simulate(pl.chunk({"latitude": 2}), "gmi", surface=sfc.chunk({"latitude": 2}), salinity=35.0,
                           look_azimuth=30.0, channels=["36.5H"])
    np.testing.assert_array_equal(lazy["tb"].compute().values, eager["tb"].values)


def test_level_derivatives_carry_the_height_of_each_level_and_the_sea_level_last():
    pl, sfc = era5_pair()
    sim = seasky.simulate(pl, "amsr2", surface=sfc, salinity=35.0, look_azimuth=0.0, channels=["23.8V"],
                          jacobians=["humidity"])
    d = sim["dtb_dhumidity"]
    assert d.dims == ("valid_time", "latitude", "longitude", "channel", "profile_level")
    assert d.sizes["profile_level"] == LEVELS.size + 1
    height = sim["height"].values
    # The level added at the sea is the last, at 0 m; the file's levels keep their order and the
    # heights of their geopotential.
    assert (height[..., -1] == 0.0).all()
    H = pl["z"].values[0, 3].astype(np.float64) / G0      # 850 hPa at the first time
    np.testing.assert_allclose(height[0, ..., 3], R0 * H / (R0 - H), rtol=1e-12)
    # A level below the sea (1000 hPa where sp < 1000 hPa) has neither height nor derivative.
    below = pl["z"].values[:, 0] < 0
    assert np.isnan(height[..., 0][below]).all() and np.isnan(d.values[..., 0, 0][below]).all()
    # Humidity in the warm lower troposphere (500 hPa and below, and at the sea) raises tb at
    # 23.8 GHz over the cold sea; in the cold stratosphere it may lower it.
    low = np.r_[np.arange(6), LEVELS.size]
    present = ~np.isnan(height[..., low])
    assert (d.values[..., 0, :][..., low][present] > 0).all()
