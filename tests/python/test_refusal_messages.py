"""Values that are not numbers and profile levels out of range: refused with a
message that says why, as the command line says it."""

import subprocess

import numpy as np
import pytest

import seasky
from conftest import CLI, run_cli


def _cli_refusal(*args):
    """The message of a refused seasky command (standard error, first line)."""
    done = subprocess.run([CLI, *args], capture_output=True, text=True)
    assert done.returncode == 2, done.stdout
    return done.stderr.splitlines()[0]


def test_bandwidths_that_are_not_numbers_are_refused_as_the_command_line_refuses_them():
    for text, band in (("nan", np.nan), ("inf", np.inf), ("-inf", -np.inf)):
        # seasky calc --band=nan: "Неверное число в параметре --band: 'nan'".
        expected = _cli_refusal("calc", f"--band={text}").replace("--band", "band")
        for call in (lambda: seasky.calculate("tropical", freq=18.7, band=band),
                     lambda: seasky.atmosphere("tropical", 18.7, band=band)):
            with pytest.raises(seasky.ValidationError) as raised:
                call()
            e = raised.value
            assert e.message == expected
            assert e.input == "bandwidth" and e.unit == "GHz"
            assert np.isnan(e.value) if np.isnan(band) else e.value == band
    # With errors="flag" only that case is refused (taken as one frequency before).
    flagged = seasky.calculate("tropical", freq=[18.7, 18.7], band=[np.nan, 0.0], errors="flag")
    assert list(flagged["status"]) == [1, 0]
    assert np.isnan(flagged["tbV"][0]) and np.isfinite(flagged["tbV"][1])
    assert flagged["message"][0] == "Неверное число в параметре band: 'nan'"
    # A band of 0 or less is one frequency, as on the command line.
    assert seasky.calculate(band=-1.0)["tbV"] == run_cli("calc", "--band=-1")["tbV"]


# Per quantity of a profile: the values refused (out of range) with their
# text, and the quantity's name, unit and rule in the refusal.
_LEVEL_RULES = {
    "height": (((2.0e6, "2000000"), (-1.5e6, "-1500000")), "высота", "м",
               "допустимо не более 1000000 м по модулю."),
    "air_temperature": (((450.0, "450"), (50.0, "50")), "температура воздуха", "К", "допустимо от 100 до 400 К."),
    "pressure": (((1500.0, "1500"), (-1.0, "-1")), "давление", "мб", "допустимо от 0 до 1200 мб."),
    "humidity": (((150.0, "150"), (-0.5, "-0.5")), "абсолютная влажность", "г/м^3", "допустимо от 0 до 100 г/м^3."),
    "cloud_water": (((12.0, "12"), (-0.1, "-0.1")), "водность облаков", "г/м^3", "допустимо от 0 до 10 г/м^3."),
}


def test_every_profile_level_refusal_carries_its_reason():
    # The whole-profile check that profile files and batch scenes share: the
    # level, the quantity, the value with its unit (or that it is not a
    # number) and the rule.
    inputs = {"height": "height", "air_temperature": "airTemperature", "pressure": "pressure",
              "humidity": "humidity", "cloud_water": "cloudWater"}
    for key, (outside, name, unit, rule) in _LEVEL_RULES.items():
        for value, text in ((np.nan, None), *outside):
            p = seasky.profile("tropical")
            p[key] = p[key].copy()
            p[key][3] = value
            with pytest.raises(seasky.ValidationError) as raised:
                seasky.calculate(p, freq=18.7)
            e = raised.value
            assert e.input == inputs[key]
            said = "не число (NaN)" if text is None else f"{text} {unit}"
            assert e.message == f"Профиль: уровень 4, {name}: {said}, {rule}", e.message
            # The same text where the refused case is flagged.
            flagged = seasky.atmosphere(p, [18.7, 36.5], errors="flag")
            assert list(flagged["status"]) == [1, 1]
            assert flagged["message"][1] == e.message
