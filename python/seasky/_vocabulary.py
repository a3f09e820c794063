"""The program's vocabulary, read from the compiled core (app/vocabulary.h):
every quantity's names (result key, Python keyword, old spellings, NetCDF
variable, CF standard name), unit, long name and default. The package's
keywords, result keys and attributes come from here, as the command line's
options and outputs do."""

import functools
import inspect

from . import _seasky

_TABLE = _seasky.vocabulary()
QUANTITIES = tuple(_TABLE["quantities"])

# The keys of the results that are whole numbers (the layer count and the
# frequency codes).
COUNT_KEYS = frozenset(q["key"] for q in QUANTITIES if q["count"])

# The keys of a profile mapping, the level quantities' keywords in the order of
# a profile file: height, air_temperature, pressure, humidity, cloud_water.
PROFILE_KEYS = tuple(QUANTITIES[i]["keyword"] for i, per_level, _ in _TABLE["scene"] if per_level)


# The status bits of a batch run and their CF flag_meanings words, in bit order.
STATUS_FLAGS = tuple((int(mask), str(meaning)) for mask, meaning in _TABLE["status_flags"])


def rows(name):
    """The rows of one of the front ends' lists: "calculation_inputs",
    "emissivity_inputs", ..., "channel_results"."""
    return [QUANTITIES[i] for i in _TABLE[name]]


def row(index_name):
    """The row named by an index of the table ("status", "message", "note", "channel")."""
    return QUANTITIES[_TABLE[index_name]]


def defaults(name):
    """keyword -> default of the inputs of a list that have one."""
    return {q["keyword"]: q["default"] for q in rows(name) if q["default"] is not None}


def scene_quantities():
    """The quantities of a scene, in the order the compiled simulate takes
    them: (standard names, variable name, per level, required)."""
    return tuple((tuple(QUANTITIES[i]["standard_names"]), QUANTITIES[i]["variable"], per_level, required)
                 for i, per_level, required in _TABLE["scene"])


def attributes(q, numeric=True):
    """The NetCDF attributes of a quantity's variable: long_name, the CF
    standard_name where it has one, and (for numbers) units."""
    attrs = {"long_name": q["long_name"]}
    if q["standard_name"]:
        attrs["standard_name"] = q["standard_name"]
    if numeric:
        attrs["units"] = q["units"]
    return attrs


def accepts_old_keywords(function):
    """Lets function take the old spellings of its keywords (the vocabulary's
    aliases, e.g. temp for sea_temperature or air_temperature, cloud for
    cloud_water) as well; both spellings at once are refused."""
    parameters = inspect.signature(function).parameters
    renames = {}
    for q in QUANTITIES:
        if q["keyword"] in parameters:
            for alias in q["aliases"]:
                if alias != q["keyword"] and alias not in parameters:
                    renames[alias] = q["keyword"]

    @functools.wraps(function)
    def wrapper(*args, **kwargs):
        for old, new in renames.items():
            if old in kwargs:
                if new in kwargs:
                    raise TypeError(f"{function.__name__}() got both {new} and its old name {old}")
                kwargs[new] = kwargs.pop(old)
        return function(*args, **kwargs)

    return wrapper
