"""Humidity as radiosondes and reanalyses give it, converted to the absolute
humidity (water-vapour density, g/m^3) of a seasky profile, and the geometric
height of a geopotential. The formulas are those of the compiled core
(atmosphere/humidity.h) and work on numbers or numpy arrays that broadcast:

    import seasky.humidity as h
    e = h.from_dew_point(dew_point=283.15)              # hPa
    rho = h.absolute_humidity(e, temperature=293.15)    # g/m^3

Saturation over liquid water by Bolton (1980): e_s = 6.112 exp(17.67 t /
(t + 243.5)) hPa, t in degrees C. Ideal gases with R_d = 287.05 J/(kg K) and
R_d/R_v = 0.62198. Geopotential to height by the U.S. Standard Atmosphere 1976:
H = Phi / 9.80665, z = r0 H / (r0 - H), r0 = 6356766 m.
"""

from . import _seasky


def saturation_vapour_pressure(temperature):
    """e_s over liquid water, hPa, at temperature (K)."""
    return _seasky.saturation_vapour_pressure(temperature)


def from_dew_point(dew_point):
    """The vapour pressure (hPa) of a dew point (K)."""
    return _seasky.vapour_pressure_from_dew_point(dew_point)


def from_relative_humidity(relative_humidity, temperature):
    """The vapour pressure (hPa) of a relative humidity (per cent, over water)
    at temperature (K)."""
    return _seasky.vapour_pressure_from_relative_humidity(relative_humidity, temperature)


def from_mixing_ratio(mixing_ratio, pressure):
    """The vapour pressure (hPa) of a mixing ratio (kg/kg of dry air) at
    pressure (hPa)."""
    return _seasky.vapour_pressure_from_mixing_ratio(mixing_ratio, pressure)


def from_specific_humidity(specific_humidity, pressure):
    """The vapour pressure (hPa) of a specific humidity (kg/kg of moist air) at
    pressure (hPa)."""
    return _seasky.vapour_pressure_from_specific_humidity(specific_humidity, pressure)


def absolute_humidity(vapour_pressure, temperature):
    """The water-vapour density (g/m^3) of a vapour pressure (hPa) at
    temperature (K): the humidity of a seasky profile."""
    return _seasky.absolute_humidity(vapour_pressure, temperature)


def geometric_height(geopotential):
    """The geometric height (m) of a geopotential (m^2/s^2), e.g. ERA5's z."""
    return _seasky.geometric_height(geopotential)
