"""The compiled module's entry points called directly with counts that lie about
their arrays: each refuses with a ValueError naming the count, before it reads
an array past its end or allocates for cases no input holds. Truthful calls,
one value shared by every case included, equal the package's functions."""

import numpy as np
import pytest

import seasky
from seasky import _seasky

# The model calls: (entry point, a valid value per input, the trailing
# arguments after n, the package's function).
_MODELS = [
    (_seasky.absorption, (60.0, 250.0, 300.0, 2.5, 0.1), (False,), seasky.absorption),
    (_seasky.permittivity, (22.235, 12.0, 30.0), ([], False), seasky.permittivity),
    (_seasky.emissivity, (18.7, 53.1, 30.0, 20.0, 35.0, 7.0), ([], False), seasky.emissivity),
    (_seasky.sky_correction, (37.0, 0.85, 45.0, 12.0), (False,), seasky.sky_correction),
]


def _arrays(values, sizes):
    return [np.full(size, value, dtype=np.float64) for value, size in zip(values, sizes)]


def test_model_calls_refuse_counts_their_arrays_do_not_hold():
    for call, values, rest, public in _MODELS:
        k = len(values)
        name = call.__name__
        # Every array shorter than n: read past their end before.
        with pytest.raises(ValueError, match=f"{name}: 2 values of freq given, not n = 5"):
            call(*_arrays(values, [2] * k), 5, *rest)
        # One array shorter than the others.
        with pytest.raises(ValueError, match="2 values of .* given, not n = 3"):
            call(*_arrays(values, [3] * (k - 1) + [2]), 3, *rest)
        # Arrays of one value each (shared by every case) and a huge n: the
        # results of 10^9 cases were allocated before.
        with pytest.raises(ValueError, match="n = 1000000000 cases, more than the 1 values"):
            call(*_arrays(values, [1] * k), 10**9, *rest)
        with pytest.raises(ValueError, match="n = -1 must not be negative"):
            call(*_arrays(values, [1] * k), -1, *rest)
        with pytest.raises(ValueError, match="more than any array holds"):
            call(*_arrays(values, [1] * k), 2**70, *rest)
        # Truthful: three cases, the first input shared.
        result = call(*_arrays(values, [1] + [3] * (k - 1)), 3, *rest)
        assert result["refusals"] == []
        expected = public(*values)
        for key, got in result["values"].items():
            group, _, field = key.partition(".")
            want = expected[group][field] if field else expected[key]
            assert list(got) == [want] * 3, (name, key)


def _profile(count, levels=None):
    """The tropical atmosphere as count profiles (the five arrays, (count, levels))."""
    p = seasky.profile("tropical")
    keys = ("height", "air_temperature", "pressure", "humidity", "cloud_water")
    arrays = [np.ascontiguousarray(np.broadcast_to(p[key], (count, p[key].size))) for key in keys]
    if levels is not None:
        arrays = [a[:, :levels].copy() for a in arrays]
    return arrays


def test_profile_calls_refuse_counts_their_profiles_do_not_hold():
    def atmosphere(profiles, sizes, n):
        return _seasky.atmosphere(*profiles, *_arrays((23.8, 0.2, 30.0), sizes), n, False)

    def calculate(profiles, sizes, n):
        inputs = _arrays((36.5, 55.0, 10.0, 15.0, 34.0, 6.0, 1.0), sizes)
        return _seasky.calculate(*profiles, inputs, n, [], False, None)

    for call, k in ((atmosphere, 3), (calculate, 7)):
        # Two profiles for three cases.
        with pytest.raises(ValueError, match="2 profiles given, not n = 3"):
            call(_profile(2), [3] * k, 3)
        # The inputs shorter than n with one shared profile.
        with pytest.raises(ValueError, match="2 values of freq given, not n = 4"):
            call(_profile(1), [2] * k, 4)
        # An empty array of a million profiles without levels holds nothing:
        # it asks for no million results.
        empty = [np.zeros((10**6, 0)) for _ in range(5)]
        with pytest.raises(ValueError, match="n = 1000000 cases, more than the 1 values"):
            call(empty, [1] * k, 10**6)
        with pytest.raises(ValueError, match="must not be negative"):
            call(_profile(1), [1] * k, -3)
        # The five profile arrays of different shapes.
        mixed = _profile(1)
        mixed[2] = mixed[2][:, :-1].copy()
        with pytest.raises(ValueError, match="same shape"):
            call(mixed, [1] * k, 1)
    with pytest.raises(ValueError, match="2 values of band given, not n = 3"):
        _seasky.calculate(*_profile(1), _arrays((36.5,) * 7, [3] * 6 + [2]), 3, [], False, None)
    # Truthful: one profile shared by two cases, and one profile per case.
    shared = calculate(_profile(1), [2] * 7, 2)
    own = calculate(_profile(2), [1] * 7, 2)
    expected = seasky.calculate("tropical", freq=36.5, angle=55.0, azimuth=10.0, temp=15.0, salinity=34.0, wind=6.0,
                                band=1.0)["tbV"]
    assert list(shared["values"]["tbV"]) == list(own["values"]["tbV"]) == [expected, expected]
    # A single empty profile is refused by its level count, as before.
    flagged = calculate([np.zeros((1, 0)) for _ in range(5)], [1] * 7, 1)
    assert flagged["refusals"][0][1] == "levelCount"


def _scenes(scenes):
    """simulate's arrays and variables for scenes copies of the tropical atmosphere."""
    p = _profile(scenes)
    arrays = [p[0], p[1], p[2] * 100.0, p[3], np.zeros(0),  # height m, K, Pa, g/m^3, no cloud
              np.full(scenes, 300.0), np.full(scenes, 35.0), np.full(scenes, 7.0), np.full(scenes, 40.0),
              np.zeros(0)]
    variables = [("z", "height", "m"), ("ta", "air_temperature", "K"), ("pa", "air_pressure", "Pa"),
                 ("rho", "mass_concentration_of_water_vapor_in_air", "g m-3"), ("", "", ""),
                 ("sst", "sea_surface_temperature", "K"), ("sss", "sea_water_salinity", "1e-3"),
                 ("ws", "wind_speed", "m s-1"), ("relative_wind_direction", "relative_wind_direction", "degree"),
                 ("", "", "")]
    return [np.ascontiguousarray(a, dtype=np.float64).ravel() for a in arrays], variables


def test_simulate_refuses_counts_its_arrays_do_not_hold():
    text = _seasky.sensor_text("gmi")

    def simulate(arrays, variables, scenes, levels):
        return _seasky.simulate(text, [0, 1], arrays, variables, scenes, levels, False, [], None)

    arrays, variables = _scenes(2)
    levels = arrays[0].size // 2
    done = simulate(arrays, variables, 2, levels)
    assert done["tb"].shape == (2, 2) and np.all(np.isfinite(done["tb"]))
    with pytest.raises(ValueError, match=f"variable z holds {2 * levels} values, not scenes x levels = {3 * levels}"):
        simulate(arrays, variables, 3, levels)
    with pytest.raises(ValueError, match="variable z holds"):
        simulate(arrays, variables, 2, levels + 1)
    with pytest.raises(ValueError, match="variable sst holds 2 values, not scenes = 1"):
        simulate(arrays, variables, 1, 2 * levels)  # the profiles hold 1 x 2 levels, the surface 2 scenes
    with pytest.raises(ValueError, match="scenes = -1 must not be negative"):
        simulate(arrays, variables, -1, levels)
    with pytest.raises(ValueError, match="levels = -5 must not be negative"):
        simulate(arrays, variables, 2, -5)
    # 2^32 x 2^32 wraps to 0 in 64 bits: refused, not taken as no values.
    with pytest.raises(ValueError, match="scenes x levels"):
        simulate(arrays, variables, 2**32, 2**32)
    # No scenes: no array holds the levels, which stay within a profile's.
    empty = [np.zeros(0) for _ in arrays]
    assert simulate(empty, variables, 0, levels)["tb"].shape == (0, 2)
    with pytest.raises(ValueError, match="with no scenes"):
        simulate(empty, variables, 0, 10**12)
