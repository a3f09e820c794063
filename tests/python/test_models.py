"""The model set from Python: the same choices, refusals and records as the
command line's --model, in calculate, emissivity and simulate."""

import json
import subprocess

import numpy as np
import pytest
import xarray as xr

import seasky
from conftest import CLI, run_cli, scenes


def test_models_lists_every_model_with_its_default_first():
    models = seasky.models()
    assert list(models["surface"]["choices"]) == ["default", "mw2012"]
    assert list(models["cosmic"]["choices"]) == ["default", "effective"]
    assert list(models["direction-rows"]["choices"]) == ["v-h", "sum-difference"]
    assert "Meissner" in models["surface"]["choices"]["mw2012"] or "RSS" in models["surface"]["choices"]["mw2012"]


def test_calculate_with_a_model_set_equals_calc_with_model(tmp_path):
    chosen = {"surface": "mw2012", "cosmic": "effective"}
    expected = run_cli("calc", "--freq", 89, "--wind", 27, "--azimuth", 60, "--model", "surface=mw2012",
                       "--model", "cosmic=effective")
    got = seasky.calculate(freq=89.0, wind=27.0, azimuth=60.0, models=chosen)
    assert got["models"] == expected["models"] == {"surface": "mw2012", "cosmic": "effective",
                                                   "direction-rows": "v-h", "wind-range": "default"}
    assert got["version"] == expected["version"]
    for key in ("tbV", "tbH", "tbPlus45", "tbFourthStokes", "cosmicTemperature", "emissivityV"):
        assert got[key] == expected[key], key
    # A model-set file, or a whole result of the command line, as models=.
    record = tmp_path / "result.json"
    record.write_text(json.dumps(expected))
    assert seasky.calculate(freq=89.0, wind=27.0, azimuth=60.0, models=record)["tbV"] == expected["tbV"]
    # The default set is the program's own, bit for bit, whatever the spelling.
    plain = seasky.calculate(freq=36.5)
    assert seasky.calculate(freq=36.5, models={"surface": "default", "cosmic": "default"})["tbV"] == plain["tbV"]
    assert plain["models"]["surface"] == "default" and plain["cosmicTemperature"] == 2.73


def test_bad_model_sets_are_refused_with_what_there_is():
    with pytest.raises(ValueError, match="default, mw2012"):
        seasky.calculate(models={"surface": "mw2013"})
    with pytest.raises(ValueError, match="surface, cosmic, direction-rows"):
        seasky.emissivity(18.7, 53.1, 0.0, 20.0, 35.0, 7.0, models={"ocean": "mw2012"})
    with pytest.raises(TypeError):
        seasky.calculate(models={"surface": 2012})
    with pytest.raises(TypeError):
        seasky.calculate(models=["surface=mw2012"])
    # The wind range follows the surface model.
    with pytest.raises(seasky.ValidationError, match="20"):
        seasky.calculate(wind=30.0)
    assert np.isfinite(seasky.calculate(wind=30.0, models={"surface": "mw2012"})["tbV"])
    # direction_rows is the older spelling of the model direction-rows.
    a = seasky.emissivity(18.7, 53.1, 30.0, 20.0, 35.0, 7.0, direction_rows="sum-difference")
    b = seasky.emissivity(18.7, 53.1, 30.0, 20.0, 35.0, 7.0, models={"direction-rows": "sum-difference"})
    assert a["totalV"] == b["totalV"] and a["models"] == b["models"]


def test_simulate_records_the_model_set_like_the_batch_command(tmp_path):
    ds = scenes(6)
    path = tmp_path / "scenes.nc"
    ds.to_netcdf(path)
    out = tmp_path / "out.nc"
    done = subprocess.run([CLI, "batch", "--scenes", path, "--sensor", "gmi", "--output", out, "--quiet",
                           "--model", "surface=mw2012", "--model", "cosmic=effective"],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    batch = xr.open_dataset(out)
    sim = seasky.simulate(ds, sensor="gmi", models={"surface": "mw2012", "cosmic": "effective"})
    np.testing.assert_array_equal(sim["tb"].values, batch["tb"].values)
    for name in ("model_surface", "model_cosmic", "model_direction_rows"):
        assert sim.attrs[name] == batch.attrs[name], name
    assert batch.attrs["model_surface"] == "mw2012" and batch.attrs["model_cosmic"] == "effective"
    assert sim.attrs["seasky_version"] == batch.attrs["source"]
    plain = seasky.simulate(ds, sensor="gmi")
    assert plain.attrs["model_surface"] == "default"
    assert not np.array_equal(plain["tb"].values, sim["tb"].values)


def test_the_extended_wind_range_as_the_command_line_takes_it():
    assert list(seasky.models()["wind-range"]["choices"]) == ["default", "extended"]
    assert "straight line" in seasky.models()["wind-range"]["choices"]["extended"]
    with pytest.raises(seasky.ValidationError, match="от 0 до 20 м/с"):
        seasky.calculate(freq=10.65, wind=20.5)
    expected = run_cli("calc", "--freq", 10.65, "--wind", 33, "--azimuth", 120, "--model", "wind-range=extended")
    got = seasky.calculate(freq=10.65, wind=33.0, azimuth=120.0, models={"wind-range": "extended"})
    assert got["models"]["wind-range"] == expected["models"]["wind-range"] == "extended"
    for key in ("tbV", "tbH", "emissivityV", "windH"):
        assert got[key] == expected[key], key
    with pytest.raises(seasky.ValidationError, match="от 0 до 40 м/с"):
        seasky.calculate(wind=41.0, models={"wind-range": "extended"})



def test_the_package_version_is_the_programs_and_every_result_records_it(tmp_path):
    done = subprocess.run([CLI, "--version"], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    assert done.stdout.split() == ["seasky", seasky.__version__]
    assert seasky.calculate()["version"] == "seasky " + seasky.__version__
    path = tmp_path / "scenes.nc"
    scenes(2).to_netcdf(path)
    out = tmp_path / "out.nc"
    subprocess.run([CLI, "batch", "--scenes", path, "--sensor", "amsr2", "--output", out, "--quiet"], check=True)
    batch = xr.open_dataset(out)
    assert batch.attrs["source"] == "seasky " + seasky.__version__
    assert seasky.simulate(scenes(2), "amsr2", channels=["18.7V"]).attrs["seasky_version"] == batch.attrs["source"]
