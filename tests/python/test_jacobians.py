"""Derivatives from Python: calculate(jacobians=...) against central differences
of calculate itself and against the command line, simulate(jacobians=...)
against seasky batch and against calculate, and the weighting-function plot."""

import subprocess

import numpy as np
import pytest
import xarray as xr

import seasky
from conftest import CLI, run_cli, scenes


def test_calculate_derivatives_match_central_differences_and_broadcast():
    freq = np.array([10.65, 23.8, 89.0])
    # 53 degrees lies between the angle nodes of the reflected-sky table (45, 55).
    base = dict(angle=53.0, azimuth=40.0, temp=18.0, salinity=34.0, wind=6.0, band=0.1)
    r = seasky.calculate("tropical-cloudy", freq=freq, jacobians=True, **base)
    d = r["jacobians"]
    levels = seasky.profile("tropical-cloudy")["height"].size
    assert d["wind"]["tbH"].shape == (3,)
    assert d["airTemperature"]["tbV"].shape == (3, levels)
    assert d["units"]["humidity"] == "K/(g/m3)"
    # The forward values are those of a call without derivatives, bit for bit.
    plain = seasky.calculate("tropical-cloudy", freq=freq, **base)
    np.testing.assert_array_equal(r["tbV"], plain["tbV"])
    # Central differences of the calculation itself. The steps are small enough
    # that the truncation error (step^2 f'''/6) stays below 1e-7 relative and
    # large enough that the rounding error (1e-13 K / step) does too.
    for name, key, step in (("wind", "wind", 1e-3), ("sst", "temp", 1e-3), ("salinity", "salinity", 1e-3),
                            ("azimuth", "azimuth", 1e-3), ("angle", "angle", 1e-4)):
        up = seasky.calculate("tropical-cloudy", freq=freq, **{**base, key: base[key] + step})
        down = seasky.calculate("tropical-cloudy", freq=freq, **{**base, key: base[key] - step})
        for output in ("tbV", "tbH", "tbPlus45", "tbUp"):
            central = (up[output] - down[output]) / (2 * step)
            exact = d[name][output]
            scale = np.maximum(np.abs(exact), 1e-3)  # absolute near a zero derivative
            assert np.all(np.abs(central - exact) <= 1e-6 * scale), (name, output, central, exact)
    # One level's humidity, through a profile mapping.
    p = seasky.profile("tropical-cloudy")
    for i in (0, 3, 10):
        h = 1e-4 * max(p["humidity"][i], 1e-3)
        q_up = {**p, "humidity": p["humidity"] + h * (np.arange(levels) == i)}
        q_down = {**p, "humidity": p["humidity"] - h * (np.arange(levels) == i)}
        central = (seasky.calculate(q_up, freq=freq, **base)["tbV"] -
                   seasky.calculate(q_down, freq=freq, **base)["tbV"]) / (2 * h)
        np.testing.assert_allclose(central, d["humidity"]["tbV"][:, i], rtol=1e-6, atol=1e-9)
    # At the node 55 degrees the angle derivative is the one from above: a
    # second-order one-sided difference (-3 f0 + 4 f1 - f2) / 2h agrees, the
    # central one (the mean of both sides) does not.
    at = {**base, "angle": 55.0}
    exact = seasky.calculate("tropical-cloudy", freq=freq, jacobians=["angle"], **at)["jacobians"]["angle"]["tbV"]
    f = [seasky.calculate("tropical-cloudy", freq=freq, **{**at, "angle": 55.0 + k * 1e-4})["tbV"] for k in (0, 1, 2)]
    np.testing.assert_allclose((-3 * f[0] + 4 * f[1] - f[2]) / 2e-4, exact, rtol=1e-6)
    below = seasky.calculate("tropical-cloudy", freq=freq, **{**at, "angle": 55.0 - 1e-4})["tbV"]
    assert np.all(np.abs((f[1] - below) / 2e-4 - exact) > 1e-3 * np.abs(exact))


def test_calculate_derivatives_equal_the_command_and_refusals_are_nan():
    got = seasky.calculate("subarctic-summer", freq=36.5, angle=53.0, wind=9.0, jacobians=["sst", "humidity"])
    cli = run_cli("calc", "--profile", "subarctic-summer", "--freq", 36.5, "--angle", 53, "--wind", 9,
                  "--jacobians", "sst,humidity")["jacobians"]
    assert got["jacobians"]["sst"]["tbV"] == cli["surface"]["sst"]["tbV"]
    assert list(got["jacobians"]["humidity"]["opacity"]) == cli["levels"]["humidity"]["opacity"]
    assert set(got["jacobians"]) == {"sst", "humidity", "units"}
    flagged = seasky.calculate("tropical", freq=18.7, wind=[5.0, 30.0], jacobians=True, errors="flag")
    assert list(flagged["status"]) == [0, 1]
    assert np.isfinite(flagged["jacobians"]["wind"]["tbV"][0])
    assert np.isnan(flagged["jacobians"]["wind"]["tbV"][1])
    assert np.all(np.isnan(flagged["jacobians"]["airTemperature"]["tbV"][1]))
    with pytest.raises(ValueError, match="depth"):
        seasky.calculate("tropical", jacobians=["depth"])


def test_simulate_derivatives_equal_batch_and_calculate(tmp):
    ds = scenes(9)
    ds["z"][2, 5] = np.nan  # scene 2 has no level 5
    path = tmp / "scenes.nc"
    ds.to_netcdf(path)
    out = tmp / "out.nc"
    done = subprocess.run([CLI, "batch", "--scenes", path, "--sensor", "amsr2", "--output", out, "--quiet",
                           "--jacobians", "wind,lntcwv,airTemperature,cloud,weighting"], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    batch = xr.open_dataset(out)
    # (temperature: the old name of airTemperature, still accepted.)
    sim = seasky.simulate(ds, sensor="amsr2", jacobians=["wind", "lntcwv", "temperature", "cloud", "weighting"])
    for key in ("dtb_dwind", "dtb_dlntcwv", "dtb_dairTemperature", "dtb_dcloud", "dtb_weighting"):
        np.testing.assert_array_equal(sim[key].values, batch[key].values, err_msg=key)
        assert sim[key].attrs["units"] == batch[key].attrs["units"]
    assert sim["dtb_dairTemperature"].dims == ("scene", "channel", "level")
    assert np.all(np.isnan(sim["dtb_dairTemperature"].values[2, :, 5]))
    assert not np.any(np.isnan(sim["dtb_dairTemperature"].values[3]))
    # A channel of one sub-band is the single calculation at its centre and width.
    channel = [c for c in seasky.sensor("amsr2")["channels"] if c["name"] == "18.7H"][0]
    (lo, hi), = channel["sub_bands"]
    k = [str(n) for n in sim["channel_name"].values].index("18.7H")
    for s in (0, 3):
        profile = {"height": ds["z"].values[s], "air_temperature": ds["ta"].values[s],
                   "pressure": ds["pa"].values[s] / 100.0, "humidity": ds["rho"].values[s],
                   "cloud_water": ds["clw"].values[s]}
        single = seasky.calculate(profile, freq=channel["centre"], angle=channel["incidence_angle"],
                                  azimuth=float(ds["relative_wind_direction"][s]), temp=float(ds["sst"][s]) - 273.15,
                                  salinity=float(ds["sss"][s]), wind=float(ds["ws"][s]), band=hi - lo,
                                  jacobians=["wind", "airTemperature"])["jacobians"]
        np.testing.assert_allclose(sim["dtb_dwind"].values[s, k], single["wind"]["tbH"], rtol=1e-13)
        np.testing.assert_allclose(sim["dtb_dairTemperature"].values[s, k], single["airTemperature"]["tbH"], rtol=1e-12,
                                   atol=1e-18)
    lazy = seasky.simulate(ds.chunk({"scene": 4}), sensor="amsr2", jacobians=["humidity"])
    assert lazy["dtb_dhumidity"].chunks is not None
    eager = seasky.simulate(ds, sensor="amsr2", jacobians=["humidity"])
    np.testing.assert_array_equal(lazy["dtb_dhumidity"].compute().values, eager["dtb_dhumidity"].values)


def test_derivative_names_are_the_documented_ones():
    # The names of the README's "Derivatives", in that order, for calculate and simulate.
    outputs = ["tbV", "tbH", "tbPlus45", "tbMinus45", "tbThirdStokes", "tbFourthStokes", "tbLeftCircular",
               "tbRightCircular", "tbUp", "tbDown", "opacity"]
    names = ["sst", "salinity", "wind", "azimuth", "angle", "lntcwv", "lnlwp", "airTemperature", "pressure", "humidity",
             "cloud", "weighting"]
    d = seasky.calculate("tropical", freq=23.8, jacobians=True)["jacobians"]
    assert list(d) == names + ["units"]
    for name in names:
        assert list(d[name]) == outputs, name
    assert list(d["units"]) == names
    sim = seasky.simulate(scenes(1), sensor="amsr2", channels=["23.8V"], jacobians=True)
    derived = [n for n in sim.data_vars if n.startswith("dtb_")]
    assert derived == ["dtb_d" + n for n in names[:-1]] + ["dtb_weighting"]

