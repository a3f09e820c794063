"""The matplotlib helpers draw the numbers of the calculation."""

import matplotlib

matplotlib.use("Agg")

import numpy as np

import seasky
import seasky.plot


def test_spectrum_draws_the_calculated_brightness():
    freq = np.array([10.0, 20.0, 30.0])
    ax = seasky.plot.spectrum("tropical", freq=freq, polarisations=("V", "H"), angle=55.0)
    lines = ax.get_lines()
    assert [line.get_label() for line in lines] == ["V tropical", "H tropical"]
    expected = seasky.calculate("tropical", freq=freq, angle=55.0)
    np.testing.assert_array_equal(lines[0].get_ydata(), expected["tbV"])
    np.testing.assert_array_equal(lines[1].get_ydata(), expected["tbH"])
    assert ax.get_xlabel() == "Frequency (GHz)"


def test_profile_draws_four_quantities_against_height():
    axes = seasky.plot.profile("tropical-cloudy")
    assert len(axes) == 4
    p = seasky.profile("tropical-cloudy")
    np.testing.assert_array_equal(axes[3].get_lines()[0].get_xdata(), p["cloud_water"])
    np.testing.assert_array_equal(axes[0].get_lines()[0].get_ydata(), p["height"] / 1000.0)


def test_weighting_draws_the_weighting_functions_against_height():
    ax = seasky.plot.weighting("tropical", freq=[23.8], polarisations=("V",), angle=55.0)
    (line,) = [l for l in ax.get_lines() if l.get_label() == "23.8 GHz V"]
    p = seasky.profile("tropical")
    w = seasky.calculate("tropical", freq=23.8, angle=55.0, jacobians=["weighting"])["jacobians"]["weighting"]["tbV"]
    np.testing.assert_array_equal(line.get_xdata(), w)  # the levels of the file run upwards
    np.testing.assert_array_equal(line.get_ydata(), p["height"] / 1000.0)
    assert ax.get_ylim()[1] < p["height"][-1] / 1000.0  # cut above where nothing is left
    ax = seasky.plot.weighting("midlatitude-summer", sensor="amsr2", channels=["18.7V", "89.0H"])
    assert [l.get_label() for l in ax.get_lines() if not l.get_label().startswith("_")] == ["18.7V", "89.0H"]
    assert ax.get_xlabel() == "Weighting function (K/K per km)"
