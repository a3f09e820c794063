"""Sensor channels over an xarray Dataset of scenes, in process or with dask."""

import datetime
import os

import numpy as np

from . import _seasky, _vocabulary
from ._api import _model_assignments, _record


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


def _variables(ds, names=None):
    """The numeric variables of a Dataset (data and coordinates) as the core's
    files of fields see them: name, dimensions, shape, units, standard name,
    long name and ECMWF parameter id (cfgrib's and the data store's
    GRIB_paramId attribute)."""
    out = []
    for name, var in ds.variables.items():
        if names is not None and name not in names:
            continue
        if not np.issubdtype(var.dtype, np.number) or np.issubdtype(var.dtype, np.timedelta64):
            continue
        attrs = var.attrs
        param = attrs.get("GRIB_paramId")
        try:
            param = int(param) if param is not None else None
        except (TypeError, ValueError):
            param = None
        entry = {"name": str(name), "dims": [str(d) for d in var.dims], "shape": [int(n) for n in var.shape],
                 "units": str(attrs.get("units", "")), "standard_name": str(attrs.get("standard_name", "")),
                 "long_name": str(attrs.get("long_name", "")), "param_id": param}
        out.append(entry)
    return out


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


def _simulate_fields_numpy(*arrays, meta, grid, level_dim, sensor_text, channels, options, extrapolate, models,
                           jacobians=None):
    """The channels over a chunk of scenes: the variables used, each over the
    grid's dimensions (and the level one last), given as numpy arrays. A
    module-level function, so that dask can send it to workers (it pickles by
    name)."""
    scene_shape = arrays[0].shape[:len(grid)]
    files = {"ds": [], "surface": []}
    for (source, entry), a in zip(meta, arrays):
        # Contiguous and aligned: dask's workers may hand arrays rebuilt from bytes at any address.
        a = np.require(a, dtype=np.float64, requirements=["C_CONTIGUOUS", "ALIGNED"])
        dims = list(grid) + ([level_dim] if a.ndim > len(grid) else [])
        files[source].append({**entry, "dims": dims, "shape": list(a.shape), "values": a.ravel()})
    result = _seasky.simulate_fields(sensor_text, list(channels), files["ds"], files["surface"] or None, dict(options),
                                     extrapolate, list(models), jacobians)
    c = len(channels)
    outputs = tuple(result[key].reshape(scene_shape + (c,)) for key in _OUTPUTS)
    texts = tuple(np.array(result[key], dtype=object).reshape(scene_shape) for key in _PER_SCENE)
    derivatives = tuple(result[key].reshape(scene_shape + ((c, result[key].shape[-1]) if per_level else (c,)))
                        for key, per_level, _ in _derivative_names(jacobians))
    heights = (result["height"].reshape(scene_shape + (result["height"].shape[-1],)),) if "height" in result else ()
    return outputs + texts + derivatives + heights


def _inputs(ds, surface, plan):
    """The variables the plan uses, each over the grid's dimensions in order
    (broadcast where it lacks one) and the level dimension last."""
    grid, level_dim = plan["grid"], plan["level_dim"]
    sizes = {**dict(ds.sizes), **(dict(surface.sizes) if surface is not None else {})}
    meta, inputs, core = [], [], []
    for source, name in plan["used"]:
        dataset = ds if source == "ds" else surface
        var = dataset[name]
        missing = {d: sizes[d] for d in grid if d not in var.dims}
        if missing:
            var = var.expand_dims(missing)
        has_level = level_dim in var.dims
        var = var.transpose(*grid, *([level_dim] if has_level else []))
        entry = _variables(dataset, names={name})[0]
        del entry["dims"], entry["shape"]
        meta.append((source, entry))
        inputs.append(var.astype(np.float64))
        core.append([level_dim] if has_level else [])
    return meta, inputs, core


# The scalar coordinates cfgrib gives each kind of level; they differ between
# the parts of one file (2 m and 10 m above ground) and say nothing the
# variables' names do not.
_LEVEL_COORDINATES = ("heightAboveGround", "surface", "meanSea", "depthBelowSea", "depthBelowSeaLayer",
                      "entireAtmosphere", "step", "number")


def open_fields(path):
    """A file of fields as one xarray Dataset: NetCDF opened by xarray, GRIB by
    cfgrib, all its messages (cfgrib opens the 2 m and 10 m fields of an ERA5
    single-level file as separate datasets: cfgrib.open_datasets, merged here
    without their level coordinates)."""
    import xarray as xr

    path = os.fspath(path)
    if os.path.splitext(path)[1].lower() not in (".grib", ".grb", ".grib1", ".grib2", ".grb2", ".grb1"):
        return xr.open_dataset(path)
    import cfgrib

    parts = cfgrib.open_datasets(path, backend_kwargs={"indexpath": ""})
    parts = [p.drop_vars([c for c in _LEVEL_COORDINATES if c in p.coords]) for p in parts]
    return xr.merge(parts, compat="override", combine_attrs="drop_conflicts")


def simulate(ds, sensor="amsr2", channels=None, *, surface=None, salinity=None, look_azimuth=None,
             extrapolate=False, models=None, direction_rows=None, level_dim=None, jacobians=None):
    """The brightness temperatures of a sensor's channels over every scene of ds.

    ds (and surface) are xarray Datasets, or paths of files opened with
    open_fields. ds holds profiles read exactly as seasky batch reads a file: seasky's own scene layout (profiles over a level dimension and a
    scene dimension), or a reanalysis on pressure levels as delivered (ERA5 from
    the Copernicus data store, opened with xarray from netCDF, or from GRIB with
    engine="cfgrib"), with its single-level fields in surface (sst, u10, v10,
    sp, t2m, d2m). The level dimension is level_dim, else found by its name
    (level, pressure_level, isobaricInhPa, plev, lev, levelist); every other
    dimension of the air temperature is a scene dimension, and all are kept.
    Each quantity is found by standard name, name or ECMWF parameter id, and
    converted (geopotential to height, specific humidity and cloud mass
    fraction to densities, u10/v10 with the look azimuth to the wind and its
    relative direction, a level added at the sea from sp, t2m and d2m): see the
    docs. salinity (per mille) is for every scene when ds has no salinity
    field; look_azimuth (degrees clockwise from north, sensor to footprint) for
    every scene when the wind is given as u10/v10 and ds has no look azimuth.
    Every missing variable is named in one ValueError.

    Returns a Dataset with tb(..., channel) (standard_name
    toa_brightness_temperature), tb_up, tb_down, opacity, emissivity_v,
    emissivity_h, status(..., channel) (bits, with CF flag_masks and
    flag_meanings: 1 refused, 2 passband beyond 6.75-89 GHz, 4 centre
    extrapolated, 8 no cloud variable, 16 profile starts above the sea, 32
    profile ends below the channel's levels, 64 wind beyond 20 m/s),
    message(...) and note(...) (what the scene's flags mean), the channel
    coordinate channel (the channel names: result.tb.sel(channel="18.7V")) and
    the other channel coordinates and attributes of a batch run (with history),
    and ds's coordinates; with input_<quantity>, which variable fed each quantity.
    The notes of the reading are given as warnings.

    jacobians (True, or a list of sst, salinity, wind, azimuth, angle, lntcwv,
    lnlwp, airTemperature (formerly temperature, still accepted), pressure,
    humidity, cloud, weighting) adds the exact derivatives of tb as in a batch
    run: dtb_d<x>(..., channel) for the surface inputs and columns,
    dtb_d<x>(..., channel, level) for the level quantities and dtb_weighting,
    with units attributes; humidity and cloud per g/m^3 whatever the units of
    ds; NaN at levels a scene does not have. With a level added at the sea the
    level dimension of the derivatives is profile_level, one longer than ds's
    (the last is the level at the sea).

    With dask-backed variables the calculation is lazy
    (xarray.apply_ufunc(dask="parallelized")): the output chunks follow the
    scene chunks, and the level dimension must be one chunk.

    models chooses the physical models as in seasky.calculate; the result's
    attributes record the program version (seasky_version) and the full model
    set (model_surface, model_cosmic, model_direction_rows, ...).
    """
    import warnings

    import xarray as xr

    if isinstance(ds, (str, os.PathLike)):
        ds = open_fields(ds)
    if isinstance(surface, (str, os.PathLike)):
        surface = open_fields(surface)
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

    options = {"level_dim": level_dim, "salinity": salinity, "look_azimuth": look_azimuth}
    plan = _seasky.field_plan(_variables(ds), _variables(surface) if surface is not None else None, options)
    for note in plan["notes"]:
        warnings.warn(note, stacklevel=2)
    grid, level = plan["grid"], plan["level_dim"]
    meta, inputs, core = _inputs(ds, surface, plan)
    dask_backed = any(v.chunks is not None for v in inputs)
    if dask_backed:
        for v, c in zip(inputs, core):
            if c and v.chunks is not None and len(v.chunks[-1]) > 1:
                raise ValueError(f"the dimension {level} of {v.name} must be one chunk "
                                 f"(e.g. ds.chunk({{'{level}': -1}}))")
    c = len(chosen)
    selection = None
    if jacobians is not None and jacobians is not False:
        selection = "all" if jacobians is True else (jacobians if isinstance(jacobians, str) else ",".join(jacobians))
    derivatives = _derivative_names(selection)
    levels = plan["levels"]
    out_level = level if levels == ds.sizes[level] else "profile_level"
    per_level_any = int(any(per_level for _, per_level, _ in derivatives))
    out = xr.apply_ufunc(
        _simulate_fields_numpy,
        *inputs,
        input_core_dims=core,
        output_core_dims=[["channel"]] * len(_OUTPUTS) + [[]] * len(_PER_SCENE) +
                         [["channel", out_level] if per_level else ["channel"] for _, per_level, _ in derivatives] +
                         [[out_level]] * per_level_any,
        kwargs=dict(meta=tuple(meta), grid=tuple(grid), level_dim=level, sensor_text=text, channels=tuple(chosen),
                    options=tuple(options.items()), extrapolate=extrapolate, models=tuple(assignments),
                    jacobians=selection),
        dask="parallelized" if dask_backed else "forbidden",
        output_dtypes=[np.float64] * (len(_OUTPUTS) - 1) + [np.int8] + [object] * len(_PER_SCENE) +
                      [np.float64] * (len(derivatives) + per_level_any),
        dask_gufunc_kwargs={"output_sizes": {"channel": c, **({out_level: levels} if per_level_any else {})}}
        if dask_backed else None,
        keep_attrs=False,
    )
    keys = _OUTPUTS + _PER_SCENE + tuple(key for key, _, _ in derivatives)
    result = xr.Dataset({key: value for key, value in zip(keys, out)})
    if per_level_any:
        # The height of each level of each scene (NaN where a scene has none):
        # the coordinate of the level derivatives.
        result = result.assign_coords(height=out[-1])
        result["height"].attrs.update({"units": "m", "standard_name": "height",
                                       "long_name": "height of the profile's level above the sea"})
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
    used = {name for _, name in plan["used"]}
    passed = [name for name, var in ds.data_vars.items()
              if name not in used and set(var.dims) <= set(grid) and var.dims]
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
        **{"input_" + quantity: source for quantity, source in plan["sources"]},
    })
    return result
