"""The results of seasky batch and seasky.simulate as xarray users open them:
the scenes' locations as coordinates, the channel as an index, CF attributes
(standard_name, flag_masks/flag_meanings, history), the note per scene, the
height coordinate of the level derivatives, the inputs in CSV."""

import csv
import re
import subprocess

import numpy as np
import xarray as xr

import seasky
from conftest import CLI, scenes

_STAMP = r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ"
_MEANINGS = ("refused passband_beyond_validated_range centre_extrapolated no_cloud_variable "
             "profile_starts_above_sea profile_ends_below_channel_levels wind_beyond_20_m_s")


def _located_scenes(n):
    """Scenes with latitude (the coordinate lat), a longitude found only by its
    standard_name and a time, all per scene."""
    ds = scenes(n)
    ds["geo_x"] = ("scene", np.linspace(-170.0, 170.0, n), {"standard_name": "longitude", "units": "degrees_east"})
    ds["time"] = ("scene", np.datetime64("2024-01-01T00:00") + np.arange(n) * np.timedelta64(6, "h"))
    return ds


def _batch(tmp, ds, output, *extra):
    path = tmp / "scenes.nc"
    ds.to_netcdf(path)
    done = subprocess.run([CLI, "batch", "--scenes", path, "--sensor", "amsr2", "--channels", "18.7V,36.5H",
                           "--output", tmp / output, "--quiet", *extra], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    return tmp / output


def test_a_batch_output_opens_with_the_scenes_locations_as_coordinates_and_the_channel_as_index(tmp):
    ds = _located_scenes(5)
    out = xr.open_dataset(_batch(tmp, ds, "out.nc", "--jacobians", "airTemperature,wind"))
    for name in ("lat", "geo_x", "time"):
        assert name in out["tb"].coords, name
        assert name in out["dtb_dwind"].coords, name
    np.testing.assert_array_equal(out["time"].values, ds["time"].values)
    np.testing.assert_array_equal(out["geo_x"].values, ds["geo_x"].values)
    # The channel names index the channel dimension; the old channel_name stays.
    assert list(out.indexes["channel"]) == ["18.7V", "36.5H"]
    np.testing.assert_array_equal(out["tb"].sel(channel="36.5H").values, out["tb"].values[:, 1])
    assert list(out["channel_name"].values) == ["18.7V", "36.5H"]
    assert out["tb"].attrs["standard_name"] == "toa_brightness_temperature"
    # The level derivatives have each scene's profile heights as a coordinate.
    height = out["dtb_dairTemperature"].coords["height"]
    assert height.dims == ("scene", "level")
    assert height.attrs["units"] == "m"
    np.testing.assert_array_equal(height.values, ds["z"].values)
    # status: CF flags; note: empty without flags.
    assert out["status"].attrs["flag_meanings"] == _MEANINGS
    assert list(out["status"].attrs["flag_masks"]) == [1, 2, 4, 8, 16, 32, 64]
    assert list(out["note"].values) == [""] * 5
    # history: when, then the command by the program's name, never a path.
    history = out.attrs["history"]
    assert re.match(_STAMP + r": seasky batch --scenes ", history), history
    assert "/" not in history.split("seasky", 1)[0], history


def test_a_csv_output_carries_each_scenes_inputs_in_the_models_units(tmp):
    ds = scenes(3)
    with open(_batch(tmp, ds, "out.csv"), newline="") as f:
        rows = list(csv.DictReader(f))
    assert len(rows) == 3 * 2
    names = list(rows[0])
    assert names.index("sea_surface_temperature") == names.index("emissivity_h") + 1
    assert names[names.index("status"):names.index("status") + 3] == ["status", "message", "note"]
    for i, row in enumerate(rows):
        s = i // 2
        assert float(row["sea_surface_temperature"]) == float(ds["sst"].values[s] - 273.15)  # K to degrees C
        assert float(row["sea_water_salinity"]) == float(ds["sss"].values[s])
        assert float(row["wind_speed"]) == float(ds["ws"].values[s])
        assert float(row["relative_wind_direction"]) == float(ds["relative_wind_direction"].values[s])
        assert row["note"] == ""


def test_simulate_gives_the_channel_index_status_meanings_note_and_history():
    ds = _located_scenes(4)
    sim = seasky.simulate(ds, sensor="amsr2", channels=["18.7V", "36.5H"])
    assert list(sim.indexes["channel"]) == ["18.7V", "36.5H"]
    np.testing.assert_array_equal(sim["tb"].sel(channel="18.7V").values, sim["tb"].values[:, 0])
    assert sim["tb"].attrs["standard_name"] == "toa_brightness_temperature"
    assert sim["status"].attrs["flag_meanings"] == _MEANINGS
    assert list(sim["status"].attrs["flag_masks"]) == [1, 2, 4, 8, 16, 32, 64]
    assert sim["note"].dims == ("scene",)
    assert list(sim["note"].values) == [""] * 4
    for name in ("lat", "geo_x", "time"):
        assert name in sim["tb"].coords, name
    assert re.match(_STAMP + r": seasky\.simulate\(sensor='amsr2'", sim.attrs["history"]), sim.attrs["history"]
    # A refused scene (25 m/s, beyond the default wind range): status 1 with
    # the flag of its wind (64), its message and note; the others computed.
    ds["ws"][2] = 25.0
    sim = seasky.simulate(ds, sensor="amsr2", channels=["18.7V"])
    assert list(sim["status"].values[:, 0]) == [0, 0, 1 | 64, 0]
    assert sim["message"].values[2] != ""
    assert "beyond 20 m/s" in sim["note"].values[2]
