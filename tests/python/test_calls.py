"""The array calls against the command line's --json output, broadcasting, and
the two error behaviours."""

import pathlib

import numpy as np
import pytest

import seasky
from conftest import run_cli


def test_calculate_equals_calc_json_bit_for_bit():
    cases = [
        dict(profile="tropical", freq=18.7, angle=53.1, azimuth=0.0, temp=20.0, salinity=35.0, wind=10.0, band=0.0),
        dict(profile="subarctic-winter", freq=36.5, angle=55.0, azimuth=45.0, temp=2.0, salinity=33.0, wind=7.0,
             band=1.0),
        dict(profile="tropical-cloudy", freq=89.0, angle=0.0, azimuth=180.0, temp=29.0, salinity=36.0, wind=20.0,
             band=3.0),
        dict(profile="us-standard", freq=10.65, angle=65.0, azimuth=90.0, temp=-3.0, salinity=0.0, wind=0.0,
             band=0.1),
    ]
    for case in cases:
        expected = run_cli("calc", "--profile", case["profile"], "--freq", case["freq"], "--angle", case["angle"],
                           "--azimuth", case["azimuth"], f"--temp={case['temp']}", "--salinity", case["salinity"],
                           "--wind", case["wind"], "--band", case["band"])
        got = seasky.calculate(**case)
        # The record: the version and the full model set, as the command line's.
        assert got["version"] == expected["version"] and got["models"] == expected["models"]
        assert set(got) == set(expected) - {"inputs"}
        for key, value in expected.items():
            if key not in ("version", "models", "inputs"):
                assert got[key] == value, (case, key)


def _results(record):
    """A result without its record (the command line's has the inputs too)."""
    return {k: v for k, v in record.items() if k not in ("version", "models", "inputs")}


def test_model_calls_equal_their_commands():
    a = seasky.absorption(60.0, 250.0, 300.0, 2.5, 0.1)
    expected = run_cli("absorption", "--freq", 60, "--temp", 250, "--pressure", 300, "--humidity", 2.5, "--cloud", 0.1)
    assert a["version"] == expected["version"] and a["models"] == expected["models"]
    assert _results(a) == _results(expected)
    p = seasky.permittivity(22.235, 12.0, 30.0)
    assert _results(p) == _results(run_cli("permittivity", "--freq", 22.235, "--temp", 12, "--salinity", 30))
    e = seasky.emissivity(18.7, 53.1, 30.0, 20.0, 35.0, 25.0, direction_rows="sum-difference")
    cli = run_cli("emissivity", "--freq", 18.7, "--angle", 53.1, "--azimuth", 30, "--temp", 20, "--salinity", 35,
                  "--wind", 25, "--direction-rows", "sum-difference")
    assert e["models"]["direction-rows"] == "sum-difference"
    assert _results(e) == _results(cli) and cli["models"] == e["models"]
    s = seasky.sky_correction(37.0, 0.85, 45.0, 12.0)
    assert _results(s) == _results(
        run_cli("sky-correction", "--freq", 37, "--transmittance", 0.85, "--angle", 45, "--wind", 12))
    # The authors' permittivity with the mw2012 surface, as the command line gives it.
    p = seasky.permittivity(36.5, 28.0, 35.0, models={"surface": "mw2012"})
    cli = run_cli("permittivity", "--freq", 36.5, "--sea-temp", 28, "--salinity", 35, "--model", "surface=mw2012")
    assert _results(p) == _results(cli) and p["models"]["surface"] == "mw2012"
    assert p["real"] != seasky.permittivity(36.5, 28.0, 35.0)["real"]
    atm = seasky.atmosphere("midlatitude-winter", 57.3, band=0.4, angle=30.0)
    cli = run_cli("atmosphere", "--profile", "midlatitude-winter", "--freq", 57.3, "--band", 0.4, "--angle", 30)
    assert atm["down"] == cli["down"] and atm["up"] == cli["up"]


def test_sea_and_air_temperature_keywords_and_their_old_names():
    # sea_temperature (degrees C) and air_temperature (K), as --sea-temp and --air-temp.
    new = seasky.calculate("tropical", freq=36.5, sea_temperature=12.0)
    assert new["tbV"] == seasky.calculate("tropical", freq=36.5, temp=12.0)["tbV"]
    assert new["tbV"] == run_cli("calc", "--profile", "tropical", "--freq", 36.5, "--sea-temp", 12)["tbV"]
    assert new["tbV"] != seasky.calculate("tropical", freq=36.5)["tbV"]  # the keyword is read
    assert seasky.permittivity(22.0, sea_temperature=5.0, salinity=30.0) == \
        seasky.permittivity(22.0, temp=5.0, salinity=30.0)
    a = seasky.absorption(60.0, air_temperature=250.0, pressure=300.0, humidity=2.5, cloud_water=0.1)
    assert a == seasky.absorption(60.0, temp=250.0, pressure=300.0, humidity=2.5, cloud=0.1)
    assert a["cloud"] > 0.0
    with pytest.raises(TypeError, match="sea_temperature and its old name temp"):
        seasky.calculate("tropical", sea_temperature=10.0, temp=10.0)
    # A refusal names the sea.
    with pytest.raises(seasky.ValidationError) as refused:
        seasky.calculate("tropical", sea_temperature=40.0)
    assert (refused.value.input, refused.value.unit) == ("seaTemperature", "degC")


def test_profiles_from_arrays_equal_the_bundled_ones():
    p = seasky.profile("tropical")
    assert seasky.calculate(p, freq=23.8)["tbV"] == seasky.calculate("tropical", freq=23.8)["tbV"]
    # A profile without cloud water.
    dry = {k: v for k, v in p.items() if k != "cloud_water"}
    assert seasky.calculate(dry, freq=37.0)["tbH"] == seasky.calculate("tropical", freq=37.0)["tbH"]


def test_broadcasting_shapes():
    freq = np.array([6.925, 10.65, 18.7, 36.5])[:, None]
    wind = np.array([0.0, 5.0, 15.0])[None, :]
    r = seasky.calculate("tropical", freq=freq, wind=wind)
    assert r["tbV"].shape == (4, 3)
    assert r["tbV"][2, 1] == seasky.calculate("tropical", freq=18.7, wind=5.0)["tbV"]
    # Profiles with a leading axis broadcast against the inputs.
    one = seasky.profile("tropical")
    two = {k: np.stack([one[k], seasky.profile("subarctic-winter")[k]]) for k in one}
    r = seasky.calculate(two, freq=np.array([18.7, 36.5, 89.0])[:, None])
    assert r["tbH"].shape == (3, 2)
    assert r["tbH"][1, 1] == seasky.calculate("subarctic-winter", freq=36.5)["tbH"]
    assert seasky.absorption([22.0, 23.0], 300.0, 1000.0, [[5.0], [10.0], [15.0]])["total"].shape == (3, 2)
    assert np.ndim(seasky.calculate()["tbV"]) == 0


def test_errors_raise_with_the_failure_or_flag_with_nan():
    with pytest.raises(seasky.ValidationError) as raised:
        seasky.calculate(freq=[18.7, 18.7, 95.0], wind=[1.0, 2.0, 3.0])
    e = raised.value
    assert isinstance(e, ValueError)
    assert (e.input, e.value, e.lower, e.upper, e.unit) == ("frequency", 95.0, 6.75, 89.0, "GHz")
    assert e.lower_inclusive and e.upper_inclusive
    assert e.index == (2,)
    assert e.message.startswith("Введено неверное значение частоты!")
    flagged = seasky.calculate(freq=[18.7, 95.0, 37.0], wind=[5.0, 5.0, 25.0], errors="flag")
    assert list(flagged["status"]) == [0, 1, 1]
    assert np.isnan(flagged["tbV"][1]) and np.isnan(flagged["tbV"][2])
    assert flagged["tbV"][0] == seasky.calculate(freq=18.7, wind=5.0)["tbV"]
    assert "скорости ветра" in flagged["message"][2]
    # A bad profile level is refused like the profile reader refuses it.
    bad = seasky.profile("tropical")
    bad["humidity"] = bad["humidity"].copy()
    bad["humidity"][3] = -1.0
    with pytest.raises(seasky.ValidationError) as raised:
        seasky.calculate(bad)
    assert raised.value.input == "humidity"
    with pytest.raises(seasky.ValidationError):
        seasky.absorption(0.0, 300.0, 1000.0, 1.0)
    with pytest.raises(seasky.ValidationError):
        seasky.atmosphere("tropical", 20.0, band=50.0)
    with pytest.raises(ValueError):
        seasky.calculate(errors="ignore")


def test_sensors_are_the_presets():
    presets = seasky.sensors()
    assert set(presets) == {"amsr2", "amsre", "gmi", "mwri", "ssmi", "ssmis", "tmi", "windsat"}
    amsr2 = seasky.sensor("amsr2")
    assert amsr2["channels"][0]["name"] == "6.925V"
    assert amsr2["channels"][0]["sub_bands"] == [(6.75, 7.1)]
    assert seasky.sensor("tmi")["channels"][0]["incidence_angle"] is None
    with pytest.raises(ValueError):
        seasky.sensor("nosuch")


def test_requests_beyond_the_cost_limits_are_refused_like_every_input():
    # 60 GHz lies in the oxygen band (0.05 GHz step): a 100 GHz band is 2001
    # sub-frequencies, one more than any calculation takes.
    with pytest.raises(seasky.ValidationError) as raised:
        seasky.calculate(freq=60.0, band=100.0)
    assert raised.value.input == "subFrequencies"
    assert raised.value.upper == 2000
    assert "2000" in raised.value.message
    with pytest.raises(seasky.ValidationError):
        seasky.atmosphere("tropical", 60.0, band=100.0)
    flagged = seasky.calculate(freq=[60.0, 60.0], band=[1.0, 100.0], errors="flag")
    assert list(flagged["status"]) == [0, 1]
    assert np.isfinite(flagged["tbV"][0]) and np.isnan(flagged["tbV"][1])
    # With derivatives at most 25000 levels.
    h = np.linspace(0.0, 1000.0, 25001)
    dense = {"height": h, "air_temperature": np.full_like(h, 288.0), "pressure": np.full_like(h, 1000.0),
             "humidity": np.full_like(h, 10.0), "cloud_water": np.zeros_like(h)}
    with pytest.raises(seasky.ValidationError) as raised:
        seasky.calculate(dense, jacobians=True)
    assert raised.value.upper == 25000


def test_a_bundled_name_is_the_bundled_atmosphere_beside_a_file_of_that_name(tmp_path, monkeypatch):
    # A file "tropical" in the working folder holding another atmosphere: the
    # bare name is the bundled one (as on the command line and in scene files),
    # the path and a pathlib.Path the file.
    source = pathlib.Path(__file__).resolve().parents[2] / "data" / "profiles" / "subarctic-winter.txt"
    (tmp_path / "tropical").write_text(source.read_text())
    monkeypatch.chdir(tmp_path)
    bundled = seasky.profile("tropical")
    by_path = seasky.profile("./tropical")
    assert np.array_equal(by_path["air_temperature"], seasky.profile("subarctic-winter")["air_temperature"])
    assert not np.array_equal(bundled["air_temperature"], by_path["air_temperature"])
    assert np.array_equal(seasky.profile(pathlib.Path("tropical"))["air_temperature"], by_path["air_temperature"])
    assert (seasky.calculate(profile="tropical", freq=23.8)["tbV"]
            == seasky.calculate(profile=bundled, freq=23.8)["tbV"])
    assert (seasky.calculate(profile="./tropical", freq=23.8)["tbV"]
            == seasky.calculate(profile="subarctic-winter", freq=23.8)["tbV"])


def test_xarray_inputs_give_an_xarray_result_over_their_dimensions():
    import xarray as xr
    freq = xr.DataArray([6.925, 18.7, 36.5], dims="frequency", coords={"frequency": [6.925, 18.7, 36.5]})
    wind = xr.DataArray([3.0, 12.0], dims="wind")
    out = seasky.calculate("tropical", freq=freq, wind=wind, angle=55.0, jacobians=["sst", "humidity"])
    assert isinstance(out, xr.Dataset)
    assert out["tbV"].dims == ("frequency", "wind")
    np.testing.assert_array_equal(out["frequency"].values, freq.values)
    plain = seasky.calculate("tropical", freq=np.array([[6.925], [18.7], [36.5]]), wind=np.array([3.0, 12.0]),
                             angle=55.0, jacobians=["sst", "humidity"])
    np.testing.assert_array_equal(out["tbV"].values, plain["tbV"])
    np.testing.assert_array_equal(out["dtbH_dsst"].values, plain["jacobians"]["sst"]["tbH"])
    assert out["dtbH_dhumidity"].dims == ("frequency", "wind", "level")
    assert out.attrs["seasky_version"] == plain["version"]
    assert out.attrs["model_surface"] == "default"
    # Names, not positions, broadcast: the same inputs in another order give the same.
    swapped = seasky.calculate("tropical", freq=freq, wind=wind.rename(wind="w").rename({"w": "wind"}), angle=55.0)
    np.testing.assert_array_equal(swapped["tbV"].values, out["tbV"].values)
    with pytest.raises(ValueError, match="broadcast"):
        seasky.calculate("tropical", freq=freq, wind=np.array([1.0, 2.0, 3.0, 4.0]))
