"""simulate against seasky batch, in process and with dask."""

import subprocess

import numpy as np
import pytest
import xarray as xr

import seasky
from conftest import CLI, scenes


def test_simulate_equals_the_batch_command(tmp):
    ds = scenes(40)
    ds["ws"][5] = 25.0  # refused
    path = tmp / "scenes.nc"
    ds.to_netcdf(path)
    out = tmp / "out.nc"
    done = subprocess.run([CLI, "batch", "--scenes", path, "--sensor", "amsr2", "--output", out, "--quiet"],
                          capture_output=True, text=True)
    assert done.returncode == 3, done.stderr
    batch = xr.open_dataset(out)
    sim = seasky.simulate(ds, sensor="amsr2")
    np.testing.assert_array_equal(sim["tb"].values, batch["tb"].values)
    np.testing.assert_array_equal(sim["tb_up"].values, batch["tb_up"].values)
    np.testing.assert_array_equal(sim["emissivity_h"].values, batch["emissivity_h"].values)
    np.testing.assert_array_equal(sim["status"].values, batch["status"].values)
    assert list(sim["channel_name"].values) == list(batch["channel_name"].values)
    assert sim["message"].values[5] == batch["message"].values[5] != ""
    assert sim.attrs["sensor"] == batch.attrs["sensor"] == "amsr2"
    np.testing.assert_array_equal(sim["lat"].values, ds["lat"].values)
    # The same names and attributes: units, CF standard name, long name.
    for key in ("tb", "tb_up", "tb_down", "opacity", "emissivity_v", "emissivity_h", "status", "message",
                "channel_frequency", "channel_incidence_angle", "channel_passband"):
        for attribute in ("units", "standard_name", "long_name"):
            assert sim[key].attrs.get(attribute) == batch[key].attrs.get(attribute), (key, attribute)
    assert sim["tb"].attrs["standard_name"] == "toa_brightness_temperature"
    assert sim["opacity"].attrs["units"] == "Np"


def test_extra_dimensions_are_kept_and_channels_chosen():
    ds = scenes(12)
    grid = ds.assign_coords(scene=np.arange(12)).set_index(scene="scene")
    grid = grid.coarsen(scene=4).construct(scene=("row", "column"))
    sim = seasky.simulate(grid, sensor="gmi", channels=["36.5V", "36.5H"])
    assert sim["tb"].dims == ("row", "column", "channel")
    assert sim["tb"].shape == (3, 4, 2)
    flat = seasky.simulate(ds, sensor="gmi", channels=["36.5V", "36.5H"])
    np.testing.assert_array_equal(sim["tb"].values.reshape(12, 2), flat["tb"].values)
    with pytest.raises(ValueError, match="no channel"):
        seasky.simulate(ds, sensor="gmi", channels=["99V"])


def test_dask_input_is_lazy_and_chunked_like_the_input():
    ds = scenes(30)
    eager = seasky.simulate(ds, sensor="windsat", channels=["10.7+45", "37.0R", "6.8H"])
    lazy = seasky.simulate(ds.chunk({"scene": 7}), sensor="windsat", channels=["10.7+45", "37.0R", "6.8H"])
    assert lazy["tb"].chunks is not None
    assert lazy["tb"].chunks[0] == (7, 7, 7, 7, 2)
    np.testing.assert_array_equal(lazy["tb"].compute().values, eager["tb"].values)
    with pytest.raises(ValueError, match="must be one chunk"):
        seasky.simulate(ds.chunk({"scene": 10, "level": 5}), sensor="windsat")


def test_missing_units_or_variables_are_refused():
    ds = scenes(3)
    del ds["pa"].attrs["units"]
    with pytest.raises(ValueError, match="no units"):
        seasky.simulate(ds)
    ds = scenes(3)
    ds["pa"].attrs["units"] = "inHg"
    with pytest.raises(ValueError, match="inHg"):
        seasky.simulate(ds)
    with pytest.raises(ValueError, match="wind_speed"):
        seasky.simulate(scenes(3).drop_vars("ws"))


def test_scenes_beyond_one_block_are_each_the_single_calculation(tmp):
    # More scenes than one block of the scene loop holds (4096): each is the
    # single calculation at the channel's centre with its width (a channel of
    # one sub-band is exactly that), and a scene refused in the second block is
    # refused there alone.
    n = 4100
    rng = np.random.default_rng(7)
    height = np.broadcast_to([0.0, 1000.0, 2000.0], (n, 3))
    ta = np.array([288.0, 281.5, 275.0]) + rng.uniform(-5.0, 5.0, (n, 1))
    pa = np.broadcast_to([1013.0, 900.0, 795.0], (n, 3))
    rho = np.array([10.0, 6.0, 3.0]) * rng.uniform(0.5, 1.5, (n, 1))
    clw = np.zeros((n, 3))
    sst = rng.uniform(0.0, 30.0, n)
    sss = rng.uniform(30.0, 37.0, n)
    ws = rng.uniform(0.0, 20.0, n)
    az = rng.uniform(0.0, 360.0, n)
    ws_missing = ws.copy()
    ws_missing[4098] = np.nan
    ds = xr.Dataset({
        "z": (("scene", "level"), height, {"standard_name": "height", "units": "m"}),
        "ta": (("scene", "level"), ta, {"standard_name": "air_temperature", "units": "K"}),
        "pa": (("scene", "level"), pa, {"standard_name": "air_pressure", "units": "hPa"}),
        "rho": (("scene", "level"), rho, {"standard_name": "mass_concentration_of_water_vapor_in_air",
                                          "units": "g m-3"}),
        "clw": (("scene", "level"), clw, {"standard_name": "mass_concentration_of_cloud_liquid_water_in_air",
                                          "units": "g m-3"}),
        "sst": ("scene", sst, {"standard_name": "sea_surface_temperature", "units": "degC"}),
        "sss": ("scene", sss, {"standard_name": "sea_water_salinity", "units": "1e-3"}),
        "ws": ("scene", ws_missing, {"standard_name": "wind_speed", "units": "m s-1"}),
        "relative_wind_direction": ("scene", az, {"units": "degree"}),
    })
    sensor = tmp / "one.json"
    sensor.write_text('{"name": "one", "channels": [{"name": "18.625V", "centre": 18.625, '
                      '"subBands": [[18.5, 18.75]], "polarisation": "V", "incidenceAngle": 55.0}]}')
    sim = seasky.simulate(ds, sensor=str(sensor))
    profile = {"height": height, "air_temperature": ta, "pressure": pa, "humidity": rho, "cloud_water": clw}
    single = seasky.calculate(profile, freq=18.625, band=0.25, angle=55.0, azimuth=az, temp=sst, salinity=sss,
                              wind=ws)
    tb = sim["tb"].values[:, 0]
    accepted = np.arange(n) != 4098
    np.testing.assert_array_equal(tb[accepted], single["tbV"][accepted])
    assert np.isnan(tb[4098])
    assert sim["status"].values[4098, 0] == 1
    # The profiles end at 2 km: every computed channel is flagged for the air
    # missing above (status 32), nothing else.
    assert (sim["status"].values[accepted, 0] == 32).all()
    assert "ws" in sim["message"].values[4098]
    assert (sim["message"].values[accepted] == "").all()
