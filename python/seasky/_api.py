"""The array functions of seasky over the compiled core."""

import datetime
import json
import os
import warnings
from collections.abc import Mapping

import numpy as np

from . import _seasky
from . import humidity as _humidity
from ._vocabulary import COUNT_KEYS, PROFILE_KEYS as _PROFILE_KEYS, accepts_old_keywords, defaults

_CALCULATION_DEFAULTS = defaults("calculation_inputs")


class ValidationError(ValueError):
    """A value the program refuses.

    Attributes: input (the quantity's name), unit, value, lower and upper (the
    bounds, +-inf where there is none), lower_inclusive, upper_inclusive,
    message (the program's own text), index (the position of the first refused
    case in the broadcast inputs, as a tuple).
    """

    def __init__(self, index, input, unit, value, lower, lower_inclusive, upper, upper_inclusive, message):
        super().__init__(message)
        self.index = index
        self.input = input
        self.unit = unit
        self.value = value
        self.lower = lower
        self.lower_inclusive = lower_inclusive
        self.upper = upper
        self.upper_inclusive = upper_inclusive
        self.message = message


def _model_assignments(models, direction_rows=None):
    """The model set as the compiled calls take it: a list of "NAME=CHOICE".

    models is a mapping {name: choice} (e.g. {"surface": "mw2012"}), or the path
    of a model-set file: a JSON object of choices, or any seasky JSON result
    (its "models" are read); direction_rows, the older keyword, is the choice
    of the model direction-rows, overridden by models."""
    if models is None:
        models = {}
    elif isinstance(models, (str, os.PathLike)):
        with open(models, encoding="utf-8") as f:
            data = json.load(f)
        models = data["models"] if isinstance(data, dict) and isinstance(data.get("models"), dict) else data
    if not isinstance(models, Mapping):
        raise TypeError("models must be a mapping {name: choice} or the path of a model-set file")
    assignments = [] if direction_rows is None else ["direction-rows=" + str(direction_rows)]
    for name, choice in models.items():
        if not isinstance(choice, str):
            raise TypeError("the choice of model %s must be a string, not %r" % (name, choice))
        assignments.append(str(name) + "=" + choice)
    return assignments


def surface_wind(u, v, look_azimuth):
    """The wind of the sea-surface model from the wind vector and the look
    direction: {"wind": speed (m/s), "azimuth": degrees in [0, 360)}.

    u, v: the eastward and northward wind components (m/s, toward which the
    air moves: ERA5's u10, v10); look_azimuth: degrees clockwise from north of
    the horizontal direction from the radiometer toward the footprint. The
    azimuth is (phi_w - look_azimuth) mod 360 with phi_w = atan2(-u, -v), the
    direction the wind comes from: 0 when looking upwind, into the wind.
    Numbers or arrays that broadcast."""
    return {"wind": _seasky.wind_speed_of(u, v), "azimuth": _seasky.relative_azimuth_of(u, v, look_azimuth)}


def models():
    """The model set: {model: {"meaning": ..., "choices": {choice: source}}},
    the first choice of each model its default."""
    return {name: {"meaning": meaning, "choices": dict(choices)} for name, meaning, choices in _seasky.model_table()}


def _record(assignments):
    """What made a result: the program version and the full model set."""
    return {"version": _seasky.version(), "models": _seasky.model_record(assignments)}


def _errors_mode(errors):
    if errors not in ("raise", "flag"):
        raise ValueError("errors must be 'raise' or 'flag'")
    return errors == "raise"


def _flat(values, shape):
    """The inputs broadcast to shape, as flat contiguous float64 arrays."""
    return [np.ascontiguousarray(np.broadcast_to(np.asarray(v, dtype=np.float64), shape)).ravel() for v in values]


def _finish(result, shape, errors, nested=False):
    """Shapes the compiled call's result; raises or flags its refusals."""
    refusals = result["refusals"]
    if refusals and errors == "raise":
        index, *rest = refusals[0]
        raise ValidationError(np.unravel_index(index, shape) if shape else (), *rest)
    out = {}
    for key, value in result["values"].items():
        value = value.reshape(shape)
        if key in COUNT_KEYS:
            value = np.where(np.isnan(value), -1, value).astype(np.int64) if errors == "flag" else value.astype(np.int64)
        if not shape:
            value = value[()]  # a scalar for scalar inputs
        if nested and "." in key:
            group, name = key.split(".", 1)
            out.setdefault(group, {})[name] = value
        else:
            out[key] = value
    if errors == "flag":
        status = result["status"].reshape(shape)
        messages = np.full(shape if shape else (), "", dtype=object)
        for index, *rest in refusals:
            messages[np.unravel_index(index, shape) if shape else ()] = rest[-1]
        out["status"] = status if shape else status[()]
        out["message"] = messages if shape else messages[()]
    return out


def profiles():
    """The names of the bundled atmospheres."""
    return list(_seasky.profile_names())


def read_profile(path, sounding=None):
    """A profile file or a radiosonde sounding file as a profile mapping: the
    arrays height (m), air_temperature (K), pressure (hPa), humidity (g/m^3),
    cloud_water (g/m^3), and "notes", a list of what the reader of a sounding
    converted, left out or assumed (empty for a seasky profile file).

    The format is recognised from the file: the seasky profile format, a
    University of Wyoming text listing (plain or the HTML page), or an IGRA 2
    data file. An IGRA 2 file holds many soundings: the first is read, or
    sounding=N (from 0), or sounding=TIME, the nominal date and hour (UTC) of
    its header, as a datetime, numpy.datetime64 or text such as
    "2024-07-15T12". The result can be given to calculate as it is."""
    index = time = None
    if sounding is not None:
        if isinstance(sounding, (bool, np.bool_)):
            raise TypeError("sounding must be a number (from 0) or a time, not a bool")
        if isinstance(sounding, (int, np.integer)):
            index = int(sounding)
        else:
            t = np.datetime64(sounding, "h").astype(datetime.datetime)
            time = (t.year, t.month, t.day, t.hour)
    return dict(_seasky.read_profile(os.fspath(path), index, time))


# The keys of a profile mapping that give the humidity, exactly one of them, with
# their units; every one is converted to the absolute humidity (g/m^3) by the
# core's formulas (seasky.humidity). Each key has one unit (a dew point in K as
# air_temperature is): a unit per key keeps a mapping self-describing, where a
# (values, unit) pair would be a second way to say the same thing.
HUMIDITY_KEYS = {
    "humidity": "g/m^3 (absolute humidity, water-vapour density)",
    "absolute_humidity": "g/m^3",
    "specific_humidity": "kg/kg (of moist air)",
    "mixing_ratio": "kg/kg (of dry air)",
    "relative_humidity": "% (over liquid water)",
    "dew_point": "K",
}
# A read_profile result's notes may stay in the mapping; they are not used.
_NOTES_KEY = "notes"


def _accepted_keys():
    return list(_PROFILE_KEYS[:3]) + list(HUMIDITY_KEYS) + [_PROFILE_KEYS[4], _NOTES_KEY]


def _check_not_mass_fraction(rho, temperature, height, key):
    """Refuses an absolute humidity that is almost certainly a mass fraction in
    kg/kg: below 0.1 g/m^3 at every level (and not all zero, a dry atmosphere)
    while the air at the lowest level is warmer than 273 K, where even air of
    10 % relative humidity holds about 0.5 g/m^3."""
    if not (rho.shape == temperature.shape == height.shape) or rho.ndim < 1 or rho.shape[-1] == 0:
        return  # the shapes are refused later, with the arrays named
    lowest = np.take_along_axis(temperature, np.argmin(height, axis=-1)[..., None], axis=-1)[..., 0]
    peak = np.max(rho, axis=-1)
    if np.any((peak > 0.0) & (peak < 0.1) & (lowest > 273.0)):
        raise ValueError(f"profile key {key!r} is the absolute humidity in g/m^3, but it is below 0.1 g/m^3 at every "
                         "level while the air at the lowest level is warmer than 273 K: these look like a mixing "
                         "ratio or specific humidity in kg/kg; give them with the key 'mixing_ratio' or "
                         "'specific_humidity' (kg/kg)")


def _absolute_humidity(key, values, temperature, pressure, height):
    """The absolute humidity (g/m^3) of the humidity given under key."""
    if key in ("humidity", "absolute_humidity"):
        _check_not_mass_fraction(values, temperature, height, key)
        return values
    if key == "dew_point":
        if values.size and np.nanmax(values) < 100.0:
            raise ValueError("profile key 'dew_point' is in K, and every value is below 100: these look like "
                             "degrees C; add 273.15")
        e = _humidity.from_dew_point(values)
    elif key == "relative_humidity":
        e = _humidity.from_relative_humidity(values, temperature)
    elif key == "mixing_ratio":
        e = _humidity.from_mixing_ratio(values, pressure)
    else:
        e = _humidity.from_specific_humidity(values, pressure)
    return np.asarray(_humidity.absolute_humidity(e, temperature), dtype=np.float64)


def _mapping_profile(source):
    """The five arrays of a profile mapping, the humidity converted."""
    accepted = _accepted_keys()
    for key in source.keys():
        if key not in accepted:
            raise ValueError(f"unknown profile key {key!r}; the accepted keys are " + ", ".join(accepted) +
                             " (humidity: exactly one of " + ", ".join(f"{k} in {u}" for k, u in HUMIDITY_KEYS.items())
                             + ")")
    for key in _PROFILE_KEYS[:3]:
        if key not in source:
            raise ValueError(f"the profile mapping has no {key!r}")
    given = [key for key in HUMIDITY_KEYS if key in source]
    if len(given) != 1:
        raise ValueError("a profile mapping gives the humidity under exactly one of the keys " +
                         ", ".join(HUMIDITY_KEYS) + ("; it has none" if not given else "; it has " + ", ".join(given)))
    height_key, temperature_key, pressure_key, humidity_key, cloud_key = _PROFILE_KEYS
    p = {key: np.asarray(source[key], dtype=np.float64) for key in (height_key, temperature_key, pressure_key)}
    p[humidity_key] = _absolute_humidity(given[0], np.asarray(source[given[0]], dtype=np.float64),
                                         p[temperature_key], p[pressure_key], p[height_key])
    cloud = source.get(cloud_key) if hasattr(source, "get") else None
    p[cloud_key] = np.zeros_like(p[height_key]) if cloud is None else np.asarray(cloud, dtype=np.float64)
    return p


def profile(source):
    """A profile as a dict of arrays: a bundled atmosphere's name, the path of a
    profile file or sounding file (see read_profile; a sounding's notes are
    issued as warnings), or a mapping (returned with float64 arrays). The exact
    name of a bundled atmosphere always means the bundled one; a file of that
    name is given as a path ("./tropical").

    A mapping has height (m), air_temperature (K), pressure (hPa), optionally
    cloud_water (g/m^3), and the humidity under exactly one key: humidity or absolute_humidity (g/m^3), specific_humidity or
    mixing_ratio (kg/kg), relative_humidity (%, over water), dew_point (K); the
    result has it as humidity (g/m^3)."""
    if isinstance(source, (str, os.PathLike)):
        name = os.fspath(source)
        if isinstance(source, str) and name in _seasky.profile_names():
            return dict(_seasky.bundled_profile(name))
        p = read_profile(name)
        for note in p.pop(_NOTES_KEY):
            warnings.warn(f"{name}: {note}", stacklevel=3)
        return p
    return _mapping_profile(source)


def _profile_arrays(source):
    """The profile's five arrays as (profiles, levels) and its leading shape."""
    p = profile(source)
    shapes = {key: p[key].shape for key in _PROFILE_KEYS}
    if len(set(shapes.values())) != 1:
        raise ValueError(f"the profile arrays must have one shape, not {shapes}")
    full = p[_PROFILE_KEYS[0]].shape
    if len(full) < 1:
        raise ValueError("a profile needs a level axis (the last)")
    leading, levels = full[:-1], full[-1]
    return [np.ascontiguousarray(p[key]).reshape(-1, levels) for key in _PROFILE_KEYS], leading


def _broadcast_profiles(arrays, leading, shape):
    """The profiles broadcast against the cases: one shared, or one per case."""
    if int(np.prod(leading, dtype=np.int64)) == 1:
        return arrays
    levels = arrays[0].shape[-1]
    return [np.ascontiguousarray(np.broadcast_to(a.reshape(leading + (levels,)), shape + (levels,))).reshape(-1, levels)
            for a in arrays]


@accepts_old_keywords
def absorption(freq, air_temperature, pressure, humidity, cloud_water=0.0, *, models=None, errors="raise"):
    """Absorption coefficients (Np/km) at one level: nitrogen, oxygen,
    waterVapour, gasTotal, cloud, total. freq GHz (0 < f <= 1000),
    air_temperature K, pressure mb, humidity and cloud_water g/m^3 (the old
    keywords temp and cloud still work). The record: version and the model
    set (no model of the set changes the absorption yet)."""
    stop = _errors_mode(errors)
    assignments = _model_assignments(models)
    values = (freq, air_temperature, pressure, humidity, cloud_water)
    shape = np.broadcast_shapes(*(np.shape(v) for v in values))
    n = int(np.prod(shape, dtype=np.int64))
    result = _seasky.absorption(*_flat(values, shape), n, stop)
    return {**_finish(result, shape, errors), **_record(assignments)}


@accepts_old_keywords
def permittivity(freq, sea_temperature, salinity, *, models=None, errors="raise"):
    """The complex permittivity of sea water: real, imag and frequencyCode.
    freq GHz (6.75 to 89), sea_temperature degrees C (the old keyword temp
    still works), salinity per mille; that of the surface model of models
    (surface="mw2012": the form of its authors' code), and the record."""
    stop = _errors_mode(errors)
    assignments = _model_assignments(models)
    values = (freq, sea_temperature, salinity)
    shape = np.broadcast_shapes(*(np.shape(v) for v in values))
    n = int(np.prod(shape, dtype=np.int64))
    result = _seasky.permittivity(*_flat(values, shape), n, assignments, stop)
    return {**_finish(result, shape, errors), **_record(assignments)}


@accepts_old_keywords
def emissivity(freq, angle, azimuth, sea_temperature, salinity, wind, *, models=None, direction_rows=None,
               errors="raise"):
    """The sea-surface emissivity and its terms, as seasky emissivity --json:
    frequencyCode, specularV/H, windV/H, direction (code, V, H, HalfSum,
    Difference, Third, Fourth), totalV/H, and the record: version and the
    model set (models={"surface": ..., "direction-rows": ...}, see calculate).
    sea_temperature degrees C (the old keyword temp still works)."""
    stop = _errors_mode(errors)
    assignments = _model_assignments(models, direction_rows)
    values = (freq, angle, azimuth, sea_temperature, salinity, wind)
    shape = np.broadcast_shapes(*(np.shape(v) for v in values))
    n = int(np.prod(shape, dtype=np.int64))
    result = _seasky.emissivity(*_flat(values, shape), n, assignments, stop)
    return {**_finish(result, shape, errors, nested=True), **_record(assignments)}


def sky_correction(freq, transmittance, angle, wind, *, models=None, errors="raise"):
    """The reflected-sky correction factors omegaV, omegaH, and the record (the
    correction is the same for every surface model)."""
    stop = _errors_mode(errors)
    assignments = _model_assignments(models)
    values = (freq, transmittance, angle, wind)
    shape = np.broadcast_shapes(*(np.shape(v) for v in values))
    n = int(np.prod(shape, dtype=np.int64))
    result = _seasky.sky_correction(*_flat(values, shape), n, stop)
    return {**_finish(result, shape, errors), **_record(assignments)}


def atmosphere(profile, freq, band=0.0, angle=0.0, *, models=None, errors="raise"):
    """The atmosphere seen from below (down) and from above (up): brightness (K)
    and opacity (Np), as seasky atmosphere --json, and the grid's layerCount,
    precipitableWater and liquidWaterPath (kg/m^2), and the record (no model
    of the set changes the atmosphere yet)."""
    stop = _errors_mode(errors)
    assignments = _model_assignments(models)
    arrays, leading = _profile_arrays(profile)
    shape = np.broadcast_shapes(leading, *(np.shape(v) for v in (freq, band, angle)))
    n = int(np.prod(shape, dtype=np.int64))
    arrays = _broadcast_profiles(arrays, leading, shape)
    result = _seasky.atmosphere(*arrays, *_flat((freq, band, angle), shape), n, stop)
    return {**_finish(result, shape, errors, nested=True), **_record(assignments)}


def _jacobian_list(jacobians):
    """The derivatives asked for, as the compiled calls take them: None for
    none, "all", or a comma-separated list of names."""
    if jacobians is None or jacobians is False:
        return None
    if jacobians is True:
        return "all"
    if isinstance(jacobians, str):
        return jacobians
    return ",".join(jacobians)


def _is_data_array(value):
    import sys
    return "xarray" in sys.modules and isinstance(value, sys.modules["xarray"].DataArray)


def _xarray_template(inputs):
    """The xarray DataArrays among the inputs broadcast together (their
    dimensions and coordinates), or None when there are none."""
    arrays = [v for v in inputs if _is_data_array(v)]
    if not arrays:
        return None
    import xarray as xr
    return xr.broadcast(*arrays)[0]


def _as_dataset(out, template):
    """calculate's results as an xarray Dataset over the inputs' dimensions: a
    variable per result (and per derivative, d<output>_d<input>, with a level
    dimension for the level quantities), the record as attributes."""
    import xarray as xr
    dims, shape = template.dims, template.shape
    ds = xr.Dataset(coords=template.coords)
    for key, value in out.items():
        if key not in ("version", "models", "jacobians") and np.shape(value) == shape:
            ds[key] = (dims, np.asarray(value))
    for name, outputs in out.get("jacobians", {}).items():
        if name == "units":
            continue
        for output, value in outputs.items():
            value = np.asarray(value)
            ds[f"d{output}_d{name}"] = (dims + (("level",) if value.ndim > len(dims) else ()), value,
                                        {"units": out["jacobians"]["units"].get(name, "")})
    ds.attrs["seasky_version"] = out["version"]
    ds.attrs.update({"model_" + k.replace("-", "_"): v for k, v in out["models"].items()})
    return ds


@accepts_old_keywords
def calculate(profile="midlatitude-summer", freq=_CALCULATION_DEFAULTS["freq"], angle=_CALCULATION_DEFAULTS["angle"],
              azimuth=_CALCULATION_DEFAULTS["azimuth"], sea_temperature=_CALCULATION_DEFAULTS["sea_temperature"],
              salinity=_CALCULATION_DEFAULTS["salinity"], wind=_CALCULATION_DEFAULTS["wind"],
              band=_CALCULATION_DEFAULTS["band"], *, models=None, direction_rows=None, errors="raise", jacobians=False):
    """The whole calculation, as seasky calc --json: the brightness temperatures
    at the top of the atmosphere (tbV, tbH, tbPlus45, tbMinus45, the Stokes and
    circular terms), tbUp, tbDown, opacity and every component.

    freq GHz (6.75 to 89), angle and azimuth degrees, sea_temperature degrees C
    (the old keyword temp still works), salinity per mille, wind m/s, band GHz
    (0: one frequency); the defaults are the window's. The inputs and the
    profile's leading dimensions broadcast together. Given xarray DataArrays
    among the inputs, they broadcast by their dimension names and the result
    is an xarray Dataset over those dimensions (with their coordinates): a
    variable per result, d<output>_d<input> per derivative, the version and
    model set as attributes.

    models chooses the physical models: a mapping such as {"surface":
    "mw2012", "cosmic": "effective"} (seasky.models() lists every model and
    choice; the defaults are the program's own models), or the path of a
    model-set file (a JSON object of choices, or a seasky JSON result).
    direction_rows="v-h"|"sum-difference" is the older spelling of
    models={"direction-rows": ...}. The result records what made it:
    result["version"] and result["models"], the full model set.

    jacobians=True (or a list of names) adds result["jacobians"], the exact
    derivatives of the results (not differences): jacobians[name][output] for
    the outputs tbV, tbH, tbPlus45, tbMinus45, tbThirdStokes, tbFourthStokes,
    tbLeftCircular, tbRightCircular, tbUp, tbDown and opacity, with the names
      sst (K/K), salinity (K per 1e-3), wind (K/(m/s)), azimuth, angle
        (K/degree): arrays of the broadcast shape;
      airTemperature (K/K; formerly temperature, still accepted in the list),
        pressure (K/hPa), humidity, cloud (K/(g/m^3)) of each level, and
        weighting (the temperature derivative per km of the height a level
        stands for, K/K/km): arrays of the broadcast shape plus the level axis;
      lntcwv, lnlwp (K): a uniform relative change of the whole humidity or
        cloud profile.
    Opacity derivatives are in Np per unit. jacobians["units"] gives the units.
    """
    stop = _errors_mode(errors)
    arrays, leading = _profile_arrays(profile)
    inputs = (freq, angle, azimuth, sea_temperature, salinity, wind, band)
    template = _xarray_template(inputs)
    if template is not None:
        inputs = tuple(v.broadcast_like(template).transpose(*template.dims).values if _is_data_array(v) else v
                       for v in inputs)
    shape = np.broadcast_shapes(leading, *(np.shape(v) for v in inputs))
    if template is not None and tuple(shape) != template.shape:
        raise ValueError(f"with xarray inputs of dimensions {template.dims} the other inputs and the profile must "
                         f"broadcast to their shape {template.shape}, not {tuple(shape)}")
    n = int(np.prod(shape, dtype=np.int64))
    arrays = _broadcast_profiles(arrays, leading, shape)
    selection = _jacobian_list(jacobians)
    assignments = _model_assignments(models, direction_rows)
    result = _seasky.calculate(*arrays, _flat(inputs, shape), n, assignments, stop, selection)
    out = _finish(result, shape, errors)
    out.update(_record(assignments))
    if selection is not None:
        levels = result["levels"]
        names = _seasky.jacobian_names()
        derivatives = {}
        for name, outputs in result["jacobians"].items():
            per_level = name in names["level"] or name == "weighting"
            target = tuple(shape) + ((levels,) if per_level else ())
            derivatives[name] = {key: (value.reshape(target) if target else value.reshape(())[()])
                                 for key, value in outputs.items()}
        derivatives["units"] = {name: unit for name, unit in names["units"].items() if name in derivatives}
        out["jacobians"] = derivatives
    return out if template is None else _as_dataset(out, template)


def sensors():
    """The bundled sensor presets: name -> sensor (as seasky.sensor returns it)."""
    return {name: sensor(name) for name in _seasky.preset_names()}


def sensor(name_or_file):
    """A sensor preset by name, or a sensor file: a dict with name, title,
    sources and channels (name, centre GHz, sub_bands [(lo, hi) GHz],
    polarisation, incidence_angle degrees or None, beam_width, note)."""
    return dict(_seasky.parse_sensor(_seasky.sensor_text(os.fspath(name_or_file))))
