"""Sensor channels over an xarray Dataset of scenes, in process or with dask."""

import datetime
import os

import numpy as np

from . import _seasky, _vocabulary
from ._api import _model_assignments, _record

# The quantities of a scene: the standard names that identify a variable (in
# order of preference), the variable name looked for otherwise, whether it has
# the level dimension and whether it is required. The same rules as seasky
# batch's NetCDF input (the vocabulary's kSceneQuantities).
_QUANTITIES = _vocabulary.scene_quantities()

# The results per scene and channel, then the status, and the message and the
# note per scene.
_RESULTS = _vocabulary.rows("channel_results")
_STATUS = _vocabulary.row("status")
_MESSAGE = _vocabulary.row("message")
_NOTE = _vocabulary.row("note")
_CHANNEL = _vocabulary.row("channel")
_OUTPUTS = tuple(q["variable"] for q in _RESULTS) + (_STATUS["variable"],)
_PER_SCENE = (_MESSAGE["variable"], _NOTE["variable"])

# The variables that locate the scenes (by standard_name, else by name), made
# coordinates of the result as a batch run's coordinates attribute makes them.
_LOCATING = (("time", ("time",)), ("latitude", ("lat", "latitude")), ("longitude", ("lon", "longitude")))


def _find(ds, standard_names, fallback, required):
    """The variable of one quantity: by standard_name, else by name."""
    for wanted in standard_names:
        for name, var in ds.data_vars.items():
            if var.attrs.get("standard_name") == wanted:
                return name, wanted
    for candidate in (fallback,) + tuple(standard_names):
        if candidate in ds.data_vars:
            return candidate, ds[candidate].attrs.get("standard_name", candidate)
    if required:
        raise ValueError(f"no variable for {fallback} (by standard_name or by name)")
    return None, None


def _derivative_names(selection):
    """The dtb_d<x> outputs of a selection, in the compiled call's order, each
    with whether it has the level dimension and its unit."""
    if selection is None:
        return []
    names = _seasky.jacobian_names()
    units = names["units"]
    aliases = names["aliases"]
    wanted = list(units) if selection == "all" else [aliases.get(w, w) for w in selection.split(",")]
    unknown = [w for w in wanted if w not in units and w != "all"]
    if unknown:
        raise ValueError(f"unknown derivative {', '.join(unknown)} (known: {', '.join(units)}, all)")
    if "all" in wanted:
        wanted = list(units)
    out = []
    for name in units:  # the compiled order: surface inputs, columns, level quantities, weighting
        if name in wanted:
            key = "dtb_weighting" if name == "weighting" else "dtb_d" + name
            out.append((key, name in names["level"] or name == "weighting", units[name]))
    return out


def _simulate_numpy(*arrays, sensor_text, channels, variables, extrapolate, models, jacobians=None):
    """The channels over blocks of scenes given as numpy arrays (profiles with the
    level axis last). A module-level function, so that dask can send it to
    workers (it pickles by name)."""
    scene_shape = arrays[0].shape[:-1]
    levels = arrays[0].shape[-1]
    n = int(np.prod(scene_shape, dtype=np.int64))
    flat = []
    for k, a in enumerate(arrays):
        a = np.asarray(a, dtype=np.float64)
        if variables[k][0] == "":
            flat.append(np.zeros(0))
            continue
        target = scene_shape + ((levels,) if k < 5 else ())
        flat.append(np.ascontiguousarray(np.broadcast_to(a, target)).ravel())
    result = _seasky.simulate(sensor_text, list(channels), flat, list(variables), n, levels, extrapolate,
                              list(models), jacobians)
    c = len(channels)
    outputs = tuple(result[key].reshape(scene_shape + (c,)) for key in _OUTPUTS)
    texts = tuple(np.array(result[key], dtype=object).reshape(scene_shape) for key in _PER_SCENE)
    derivatives = tuple(result[key].reshape(scene_shape + ((c, levels) if per_level else (c,)))
                        for key, per_level, _ in _derivative_names(jacobians))
    return outputs + texts + derivatives


def simulate(ds, sensor="amsr2", channels=None, *, extrapolate=False, models=None, direction_rows=None,
             level_dim="level", jacobians=None):
    """The brightness temperatures of a sensor's channels over every scene of ds.

    ds is an xarray.Dataset with the variables, names and units of seasky
    batch's NetCDF scenes: profiles with the dimension level_dim ("level") and
    any others (scene, time, lat, lon, ...: the scene dimensions, all kept);
    per-scene surface values with the scene dimensions alone. sensor is a
    preset name or a sensor file; channels a list of channel names (default all).

    Returns a Dataset with tb(..., channel) (standard_name
    toa_brightness_temperature), tb_up, tb_down, opacity, emissivity_v,
    emissivity_h, status(..., channel) (bits, with CF flag_masks and
    flag_meanings: 1 refused, 2 passband beyond 6.75-89 GHz, 4 centre
    extrapolated, 8 no cloud variable, 16 profile starts above the sea, 32
    profile ends below the channel's levels, 64 wind beyond 20 m/s),
    message(...) and note(...) (what the scene's flags mean), the channel
    coordinate channel (the channel names: result.tb.sel(channel="18.7V")) and
    the other channel coordinates and attributes of a batch run (with history),
    and ds's coordinates.

    jacobians (True, or a list of sst, salinity, wind, azimuth, angle, lntcwv,
    lnlwp, airTemperature (formerly temperature, still accepted), pressure,
    humidity, cloud, weighting) adds the exact
    derivatives of tb as in a batch run: dtb_d<x>(..., channel) for the surface
    inputs and columns, dtb_d<x>(..., channel, level) for the level quantities
    and dtb_weighting, with units attributes; humidity and cloud per g/m^3
    whatever the units of ds; NaN at levels a scene does not have.

    With dask-backed variables the calculation is lazy
    (xarray.apply_ufunc(dask="parallelized")): the output chunks follow the
    scene chunks, and the level dimension must be one chunk.

    models chooses the physical models as in seasky.calculate; the result's
    attributes record the program version (seasky_version) and the full model
    set (model_surface, model_cosmic, model_direction_rows, ...).
    """
    import xarray as xr

    now = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")
    assignments = _model_assignments(models, direction_rows)
    record = _record(assignments)
    text = _seasky.sensor_text(os.fspath(sensor))
    info = _seasky.parse_sensor(text)
    names = [c["name"] for c in info["channels"]]
    if channels is None:
        chosen = list(range(len(names)))
    else:
        unknown = [c for c in channels if c not in names]
        if unknown:
            raise ValueError(f"sensor {info['name']} has no channel {', '.join(unknown)} (channels: {', '.join(names)})")
        chosen = [names.index(c) for c in channels]

    found = []
    variables = []
    for standard_names, fallback, profile, required in _QUANTITIES:
        name, standard = _find(ds, standard_names, fallback, required)
        if name is None:
            found.append(None)
            variables.append(("", "", ""))
            continue
        var = ds[name]
        if "units" not in var.attrs:
            raise ValueError(f"variable {name}: no units attribute")
        has_level = level_dim in var.dims
        if profile != has_level:
            raise ValueError(f"variable {name}: " + ("needs" if profile else "must not have") +
                             f" the dimension {level_dim}")
        found.append(var)
        variables.append((name, standard, str(var.attrs["units"])))

    scene_dims = [d for d in found[0].dims if d != level_dim]
    inputs = []
    for var in found:
        if var is None:
            inputs.append(xr.DataArray(np.zeros(())))
            continue
        inputs.append(var.astype(np.float64))
    core = [[level_dim] if (v is not None and level_dim in v.dims) else [] for v in found]
    dask_backed = any(v is not None and v.chunks is not None for v in found)
    if dask_backed:
        for v in found:
            if v is not None and level_dim in v.dims and v.chunks is not None:
                axis = v.dims.index(level_dim)
                if len(v.chunks[axis]) > 1:
                    raise ValueError(f"the dimension {level_dim} of {v.name} must be one chunk "
                                     f"(e.g. ds.chunk({{'{level_dim}': -1}}))")
    c = len(chosen)
    selection = None
    if jacobians is not None and jacobians is not False:
        selection = "all" if jacobians is True else (jacobians if isinstance(jacobians, str) else ",".join(jacobians))
    derivatives = _derivative_names(selection)
    levels = found[0].sizes[level_dim]
    out = xr.apply_ufunc(
        _simulate_numpy,
        *inputs,
        input_core_dims=core,
        output_core_dims=[["channel"]] * len(_OUTPUTS) + [[]] * len(_PER_SCENE) +
                         [["channel", level_dim] if per_level else ["channel"] for _, per_level, _ in derivatives],
        kwargs=dict(sensor_text=text, channels=tuple(chosen), variables=tuple(variables), extrapolate=extrapolate,
                    models=tuple(assignments), jacobians=selection),
        dask="parallelized" if dask_backed else "forbidden",
        output_dtypes=[np.float64] * (len(_OUTPUTS) - 1) + [np.int8] + [object] * len(_PER_SCENE) +
                      [np.float64] * len(derivatives),
        dask_gufunc_kwargs={"output_sizes": {"channel": c, **({level_dim: levels} if any(
            per_level for _, per_level, _ in derivatives) else {})}} if dask_backed else None,
        keep_attrs=False,
    )
    keys = _OUTPUTS + _PER_SCENE + tuple(key for key, _, _ in derivatives)
    result = xr.Dataset({key: value for key, value in zip(keys, out)})
    for q in _RESULTS:
        result[q["variable"]].attrs.update(_vocabulary.attributes(q))
    for q in (_STATUS, _MESSAGE, _NOTE):
        result[q["variable"]].attrs.update(_vocabulary.attributes(q, numeric=False))
    for key, per_level, unit in derivatives:
        result[key].attrs["units"] = unit
        what = "the weighting function (temperature derivative per km)" if key == "dtb_weighting" else \
            "derivative of tb with respect to " + key[len("dtb_d"):] + (" of each level" if per_level else "")
        result[key].attrs["long_name"] = what
    result[_STATUS["variable"]].attrs["flag_masks"] = np.array([m for m, _ in _vocabulary.STATUS_FLAGS], dtype=np.int8)
    result[_STATUS["variable"]].attrs["flag_meanings"] = " ".join(w for _, w in _vocabulary.STATUS_FLAGS)
    selected = [info["channels"][i] for i in chosen]
    bands = max(len(ch["sub_bands"]) for ch in selected)
    passband = np.full((c, bands, 2), np.nan)
    for i, ch in enumerate(selected):
        for b, (lo, hi) in enumerate(ch["sub_bands"]):
            passband[i, b] = (lo, hi)
    name, frequency, passband_q, polarisation, angle = _vocabulary.rows("channel_coordinates")
    result = result.assign_coords({
        _CHANNEL["variable"]: ("channel", [ch["name"] for ch in selected],
                               _vocabulary.attributes(_CHANNEL, numeric=False)),
        name["variable"]: ("channel", [ch["name"] for ch in selected], _vocabulary.attributes(name, numeric=False)),
        frequency["variable"]: ("channel", [ch["centre"] for ch in selected], _vocabulary.attributes(frequency)),
        polarisation["variable"]: ("channel", [ch["polarisation"] for ch in selected],
                                   _vocabulary.attributes(polarisation, numeric=False)),
        angle["variable"]: ("channel", [np.nan if ch["incidence_angle"] is None else ch["incidence_angle"]
                                        for ch in selected], _vocabulary.attributes(angle)),
    })
    result[passband_q["variable"]] = (("channel", "sub_band", "bound"), passband, _vocabulary.attributes(passband_q))
    # The scene coordinates of ds come with the inputs; other per-scene variables
    # (e.g. lat, lon held as data variables) pass through as in a batch run.
    used = {v.name for v in found if v is not None}
    passed = [name for name, var in ds.data_vars.items()
              if name not in used and set(var.dims) <= set(scene_dims) and var.dims]
    for name in passed:
        result[name] = ds[name]
    locating = []
    for standard_name, names in _LOCATING:
        by_standard = [n for n in passed if ds[n].attrs.get("standard_name") == standard_name]
        by_name = [n for n in passed if n in names]
        if by_standard or by_name:
            locating.append((by_standard or by_name)[0])
    result = result.set_coords(locating)
    result.attrs.update({
        "title": "Brightness temperatures of " + (info["title"] or info["name"]),
        "Conventions": "CF-1.8",
        "source": record["version"] + " (Python)",
        "seasky_version": record["version"],
        "date_created": now,
        "history": f"{now}: seasky.simulate(sensor={os.fspath(sensor)!r}, channels={channels!r}, "
                   f"extrapolate={extrapolate!r}, models={assignments!r}, jacobians={selection!r})",
        "sensor": info["name"],
        "sensor_sources": "; ".join(info["sources"]),
        **{"model_" + name.replace("-", "_"): choice for name, choice in record["models"].items()},
        "extrapolate": "yes" if extrapolate else "no",
    })
    return result
