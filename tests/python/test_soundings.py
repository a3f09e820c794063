"""Radiosonde soundings and humidity keys of a profile mapping: read_profile of
the Wyoming and IGRA 2 files of tests/data (synthetic, in the published
layouts), the keys' conversions against seasky.humidity, and the refusals."""

import datetime
import os

import numpy as np
import pytest

import seasky
import seasky.humidity as hum

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
WYOMING = os.path.join(DATA, "sounding-wyoming.txt")
IGRA = os.path.join(DATA, "sounding-igra2.txt")
KELVIN = 273.15


def _z(gpm):
    """Geometric height of a geopotential height (U.S. Standard Atmosphere 1976)."""
    r0 = 6356766.0
    return r0 * gpm / (r0 - gpm)


def test_read_profile_of_a_wyoming_listing_and_its_html_page():
    p = seasky.read_profile(WYOMING)
    assert set(p) == {"height", "air_temperature", "pressure", "humidity", "cloud_water", "notes"}
    assert p["height"].size == 40
    # The surface level: dew point 26.2 C at 28.3 C, 1009.0 hPa, 22 gpm.
    t = 28.3 + KELVIN
    expected = hum.absolute_humidity(hum.from_dew_point(26.2 + KELVIN), t)
    assert p["pressure"][0] == 1009.0
    np.testing.assert_allclose([p["humidity"][0], p["air_temperature"][0], p["height"][0]], [expected, t, _z(22.0)],
                               rtol=1e-12)
    # The level with only the relative humidity (50 %), at 793.0 hPa.
    i = int(np.flatnonzero(p["pressure"] == 793.0)[0])
    np.testing.assert_allclose(p["humidity"][i], hum.absolute_humidity(hum.from_relative_humidity(50.0, 15.0 + KELVIN),
                                                                       15.0 + KELVIN), rtol=1e-12)
    assert not p["cloud_water"].any()
    assert any("no cloud water" in note for note in p["notes"])
    assert any("station's height, 22 m" in note for note in p["notes"])
    html = seasky.read_profile(os.path.join(DATA, "sounding-wyoming.html"))
    for key in ("height", "air_temperature", "pressure", "humidity"):
        assert np.array_equal(html[key], p[key])
    assert html["notes"] == p["notes"]


def test_read_profile_of_an_igra_file_by_number_or_time():
    first = seasky.read_profile(IGRA)
    assert first["pressure"][0] == 1011.0
    assert "2024-07-15 00 UTC: number 0 (counting from 0) of the 2" in first["notes"][0]
    second = seasky.read_profile(IGRA, sounding=1)
    t = 29.7 + KELVIN
    np.testing.assert_allclose(second["humidity"][0], hum.absolute_humidity(hum.from_dew_point(t - 1.5), t),
                               rtol=1e-12)
    for time in ("2024-07-15T12", datetime.datetime(2024, 7, 15, 12), np.datetime64("2024-07-15T12:00")):
        assert np.array_equal(seasky.read_profile(IGRA, sounding=time)["humidity"], second["humidity"])
    with pytest.raises(ValueError, match="no sounding number 2 .* the file holds 2"):
        seasky.read_profile(IGRA, sounding=2)
    with pytest.raises(ValueError, match="no sounding at 2024-07-16 00 UTC"):
        seasky.read_profile(IGRA, sounding="2024-07-16T00")


def test_a_seasky_profile_file_reads_with_no_notes(tmp_path):
    path = tmp_path / "two-levels.txt"
    path.write_text("2\n0 288 1013 10 0\n1000 281 900 5 0\n")
    p = seasky.read_profile(path)
    assert p["notes"] == []
    assert np.array_equal(p["humidity"], [10.0, 5.0])


def test_a_sounding_path_calculates_as_its_profile_and_warns_its_notes():
    with pytest.warns(UserWarning, match="no cloud water"):
        by_path = seasky.calculate(WYOMING, freq=23.8, angle=53.0)
    by_mapping = seasky.calculate(seasky.read_profile(WYOMING), freq=23.8, angle=53.0)
    for key in ("tbV", "tbH", "tbUp", "tbDown", "opacity"):
        assert by_path[key] == by_mapping[key]


def _base():
    p = seasky.profile("tropical")
    return {key: p[key] for key in ("height", "air_temperature", "pressure")}, p


def test_each_humidity_key_is_converted_by_the_core_formulas():
    base, tropical = _base()
    t, pres = base["air_temperature"], base["pressure"]
    q = np.linspace(0.018, 1e-6, t.size)
    td = t - np.linspace(2.0, 30.0, t.size)
    rh = np.linspace(85.0, 5.0, t.size)
    cases = {
        "specific_humidity": (q, hum.absolute_humidity(hum.from_specific_humidity(q, pres), t)),
        "mixing_ratio": (q, hum.absolute_humidity(hum.from_mixing_ratio(q, pres), t)),
        "relative_humidity": (rh, hum.absolute_humidity(hum.from_relative_humidity(rh, t), t)),
        "dew_point": (td, hum.absolute_humidity(hum.from_dew_point(td), t)),
        "absolute_humidity": (tropical["humidity"], tropical["humidity"]),
        "humidity": (tropical["humidity"], tropical["humidity"]),
    }
    for key, (values, expected) in cases.items():
        p = seasky.profile({**base, key: values})
        assert set(p) == {"height", "air_temperature", "pressure", "humidity", "cloud_water"}, key
        assert np.array_equal(p["humidity"], expected), key
    # A specific humidity is a little more vapour than the same mixing ratio.
    assert np.all(cases["specific_humidity"][1] > cases["mixing_ratio"][1])
    # calculate takes the keys too, with the numbers of the converted humidity.
    by_key = seasky.calculate({**base, "dew_point": td}, freq=22.235)
    by_value = seasky.calculate({**base, "humidity": cases["dew_point"][1]}, freq=22.235)
    assert by_key["tbV"] == by_value["tbV"]


def test_a_profile_mapping_is_refused_with_the_key_named():
    base, tropical = _base()
    with pytest.raises(ValueError) as raised:
        seasky.profile({**base, "humidity": tropical["humidity"], "temperature": base["air_temperature"]})
    text = str(raised.value)
    assert "unknown profile key 'temperature'" in text
    for key in ("height", "air_temperature", "pressure", "humidity", "specific_humidity", "mixing_ratio",
                "relative_humidity", "dew_point", "cloud_water"):
        assert key in text
    with pytest.raises(ValueError, match="exactly one of .* it has humidity, specific_humidity"):
        seasky.profile({**base, "humidity": tropical["humidity"], "specific_humidity": tropical["humidity"] / 1e3})
    with pytest.raises(ValueError, match="it has none"):
        seasky.profile(base)
    with pytest.raises(ValueError, match="no 'pressure'"):
        seasky.profile({"height": base["height"], "air_temperature": base["air_temperature"], "humidity": 1.0})


def test_a_mixing_ratio_given_as_absolute_humidity_is_refused():
    base, _ = _base()
    w = np.linspace(0.018, 1e-6, base["height"].size)
    for key in ("humidity", "absolute_humidity"):
        with pytest.raises(ValueError, match=f"'{key}' .* below 0.1 g/m\\^3 at every level .* 'mixing_ratio'"):
            seasky.calculate({**base, key: w}, freq=23.8)
    # Cold air can be that dry, and an all-dry atmosphere is a choice.
    cold = {**base, "air_temperature": base["air_temperature"] - 40.0}
    assert np.array_equal(seasky.profile({**cold, "humidity": w})["humidity"], w)
    assert not seasky.profile({**base, "humidity": np.zeros_like(w)})["humidity"].any()
    # A dew point in degrees C.
    with pytest.raises(ValueError, match="'dew_point' is in K.*look like degrees C"):
        seasky.profile({**base, "dew_point": base["air_temperature"] - KELVIN - 5.0})
