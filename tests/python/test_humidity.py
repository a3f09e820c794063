"""seasky.humidity and seasky.surface_wind: the core's conversions over numpy
arrays, against the formulas written out here."""

import numpy as np

import seasky
import seasky.humidity as h


def test_conversions_broadcast_and_agree_with_the_formulas():
    t = np.array([253.15, 283.15, 303.15])
    es = 6.112 * np.exp(17.67 * (t - 273.15) / (t - 273.15 + 243.5))
    np.testing.assert_allclose(h.saturation_vapour_pressure(t), es, rtol=1e-15)
    np.testing.assert_allclose(h.from_dew_point(t), es, rtol=1e-15)
    np.testing.assert_allclose(h.from_relative_humidity(50.0, t), 0.5 * es, rtol=1e-15)
    w = np.array([0.002, 0.01, 0.02])
    q = w / (1 + w)
    np.testing.assert_allclose(h.from_mixing_ratio(w, 900.0), h.from_specific_humidity(q, 900.0), rtol=1e-13)
    e = h.from_mixing_ratio(w, 900.0)
    np.testing.assert_allclose(h.absolute_humidity(e, 290.0), e * 100 / (287.05 / 0.62198 * 290.0) * 1000,
                               rtol=1e-14)
    assert seasky.humidity is h
    # ERA5's geopotential of 11 km geopotential height: 11019.07 m.
    assert abs(h.geometric_height(11000 * 9.80665) - 11019.07) < 0.01


def test_surface_wind_of_the_wind_vector_and_the_look_direction():
    # A wind from the north (v < 0) seen looking north, south and east; one
    # from the south-west seen looking into it; arrays broadcast.
    w = seasky.surface_wind(np.array([0.0, 0.0, 0.0, 6.0]), np.array([-5.0, -5.0, -5.0, 6.0]),
                            np.array([0.0, 180.0, 90.0, 225.0]))
    np.testing.assert_allclose(w["wind"], [5.0, 5.0, 5.0, np.hypot(6.0, 6.0)], rtol=1e-15)
    np.testing.assert_allclose(w["azimuth"], [0.0, 180.0, 270.0, 0.0], atol=1e-12)
    assert seasky.surface_wind(0.0, 0.0, 40.0)["azimuth"] == 0.0
