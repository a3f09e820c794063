"""seasky: microwave brightness temperatures of the ocean-atmosphere system as a
satellite radiometer sees them from above the atmosphere.

The same engine as the seasky command, over numpy arrays that broadcast:

    import seasky
    r = seasky.calculate("tropical", freq=[6.925, 18.7, 36.5], angle=55.0)
    r["tbV"], r["tbH"]            # arrays of shape (3,)

Every function checks its inputs against the program's validation table. A
value out of range raises ValidationError (a ValueError) carrying the failure:
input, value, bounds and message. With errors="flag" the refused cases come
back as NaN with status 1 and a message instead, as in a batch run.

Profiles are a bundled atmosphere's name (seasky.profiles()), the path of a
profile file or a radiosonde sounding (University of Wyoming listing, IGRA 2;
seasky.read_profile), or a mapping with the arrays "height" (m),
"air_temperature" (K), "pressure" (mb), the humidity under one key ("humidity"
g/m^3, or "specific_humidity", "mixing_ratio" kg/kg, "relative_humidity" %,
"dew_point" K) and optionally "cloud_water" (g/m^3), the level axis last.

Sensors: seasky.sensors(), seasky.sensor("amsr2"), and seasky.simulate(ds,
sensor="amsr2") over an xarray Dataset of scenes (see simulate).
"""

from ._seasky import __version__
from ._api import (
    ValidationError,
    absorption,
    atmosphere,
    calculate,
    emissivity,
    models,
    permittivity,
    profile,
    profiles,
    read_profile,
    sensor,
    sensors,
    sky_correction,
    surface_wind,
)
from ._simulate import open_fields, simulate
from . import humidity

ValidationError.__module__ = "seasky"

__all__ = [
    "__version__",
    "ValidationError",
    "absorption",
    "atmosphere",
    "calculate",
    "emissivity",
    "open_fields",
    "permittivity",
    "profile",
    "profiles",
    "read_profile",
    "sensor",
    "sensors",
    "simulate",
    "sky_correction",
]
