#!/usr/bin/python3
"""Writes the seed scene files of the NetCDF fuzz harness into
tests/fuzz/corpus/scenes_netcdf/ (run by hand; the files are kept in the tree).

Small files in the classic formats, each reaching other paths of the reader:
  two-scenes.nc         concentrations and cloud water, lat/lon passed through
  vapour-mass-fraction.nc  mass fractions, degC, km, Pa, a missing level, angles
  packed.nc             short integers with scale_factor, add_offset and
                        missing_value, 64-bit offset format
  refused.nc            a scene with a missing sea temperature and one too cold
                        for its cloud water
"""
import os

import numpy as np
from netCDF4 import Dataset

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "scenes_netcdf")

# Four levels of a tropical atmosphere: height m, temperature K, pressure hPa,
# humidity g/m3, cloud water g/m3.
LEVELS = np.array([
    [0.0, 299.7, 1013.0, 18.99, 0.0],
    [1000.0, 293.7, 904.0, 13.0, 0.2],
    [3000.0, 283.7, 715.0, 4.7, 0.0],
    [10000.0, 237.0, 286.0, 0.05, 0.0],
])


def variable(ds, name, dims, values, standard=None, units=None, dtype="f8", **attributes):
    fill = attributes.pop("_FillValue", None)
    v = ds.createVariable(name, dtype, dims, fill_value=fill)
    if standard:
        v.standard_name = standard
    if units:
        v.units = units
    for key, value in attributes.items():
        v.setncattr(key, value)
    v.set_auto_maskandscale(False)
    v[:] = values
    return v


def profile(scenes, column, scale=1.0):
    return np.tile(LEVELS[:, column] * scale, (scenes, 1))


def two_scenes(path):
    with Dataset(path, "w", format="NETCDF3_CLASSIC") as ds:
        ds.createDimension("scene", 2)
        ds.createDimension("level", 4)
        sl = ("scene", "level")
        variable(ds, "z", sl, profile(2, 0), "height", "m")
        variable(ds, "ta", sl, profile(2, 1), "air_temperature", "K")
        variable(ds, "pa", sl, profile(2, 2), "air_pressure", "hPa")
        variable(ds, "rho", sl, profile(2, 3), "mass_concentration_of_water_vapor_in_air", "g m-3")
        variable(ds, "clw", sl, profile(2, 4), "mass_concentration_of_cloud_liquid_water_in_air", "g m-3")
        variable(ds, "sst", ("scene",), [301.15, 275.15], "sea_surface_temperature", "K")
        variable(ds, "sss", ("scene",), [35.0, 33.0], "sea_water_salinity", "1e-3")
        variable(ds, "ws", ("scene",), [5.0, 12.0], "wind_speed", "m s-1")
        variable(ds, "relative_wind_direction", ("scene",), [0.0, 90.0], None, "degree")
        variable(ds, "lat", ("scene",), [10.0, -40.0], "latitude", "degrees_north")
        variable(ds, "lon", ("scene",), [150.0, 20.0], "longitude", "degrees_east", dtype="f4")


def specific_humidity(path):
    with Dataset(path, "w", format="NETCDF3_CLASSIC") as ds:
        ds.createDimension("scene", 2)
        ds.createDimension("level", 4)
        sl = ("scene", "level")
        height = profile(2, 0, 0.001)
        height[1, 3] = -999.0  # the second scene has three levels
        variable(ds, "alt", sl, height, "height", "km", _FillValue=-999.0)
        variable(ds, "t", sl, profile(2, 1), "air_temperature", "K")
        variable(ds, "p", sl, profile(2, 2, 100.0), "air_pressure", "Pa")
        variable(ds, "q", sl, profile(2, 3, 1e-3 / 1.15), "specific_humidity", "kg kg-1")
        variable(ds, "w", sl, profile(2, 4, 1e-3 / 1.15), "mass_fraction_of_cloud_liquid_water_in_air", "kg kg-1")
        variable(ds, "sst", ("scene",), [28.0, 2.0], "sea_surface_temperature", "degC")
        variable(ds, "sss", ("scene",), [35.0, 33.0], "sea_water_salinity", "PSU")
        variable(ds, "ws", ("scene",), [5.0, 12.0], "wind_speed", "m s-1")
        variable(ds, "phi", ("scene",), [0.0, 90.0], "relative_wind_direction", "degree")
        variable(ds, "eia", ("scene",), [53.0, 55.0], "incidence_angle", "degree")
        variable(ds, "time", ("scene",), [0, 3600], None, "seconds since 2020-01-01", dtype="i4")


def packed(path):
    with Dataset(path, "w", format="NETCDF3_64BIT_OFFSET") as ds:
        ds.createDimension("scene", 1)
        ds.createDimension("level", 4)
        sl = ("scene", "level")
        variable(ds, "height", sl, profile(1, 0, 0.1), None, "m", dtype="i2", scale_factor=10.0)
        variable(ds, "air_temperature", sl, np.round((profile(1, 1) - 250.0) * 100.0), None, "K", dtype="i2",
                 scale_factor=0.01, add_offset=250.0)
        variable(ds, "air_pressure", sl, np.round(profile(1, 2) * 10.0), None, "hPa", dtype="i2", scale_factor=0.1)
        variable(ds, "mass_concentration_of_water_vapor_in_air", sl, np.round(profile(1, 3) * 100.0), None,
                 "g m-3", dtype="i2", scale_factor=0.01, missing_value=-1)
        variable(ds, "sea_surface_temperature", ("scene",), [20.0], None, "degC")
        variable(ds, "sea_water_salinity", ("scene",), [35.0], None, "g kg-1")
        variable(ds, "wind_speed", ("scene",), [7.0], None, "m s-1")
        variable(ds, "relative_wind_direction", ("scene",), [45.0], None, "degree")


def refused(path):
    with Dataset(path, "w", format="NETCDF3_CLASSIC") as ds:
        ds.createDimension("scene", 2)
        ds.createDimension("level", 4)
        sl = ("scene", "level")
        cold = profile(2, 1)
        cold[1, 1] = 220.0  # cloud water at 220 K
        variable(ds, "z", sl, profile(2, 0), "height", "m")
        variable(ds, "ta", sl, cold, "air_temperature", "K")
        variable(ds, "pa", sl, profile(2, 2), "air_pressure", "hPa")
        variable(ds, "rho", sl, profile(2, 3), "mass_concentration_of_water_vapor_in_air", "g m-3")
        variable(ds, "clw", sl, profile(2, 4), "mass_concentration_of_cloud_liquid_water_in_air", "g m-3")
        variable(ds, "sst", ("scene",), [-9999.0, 290.0], "sea_surface_temperature", "K", _FillValue=-9999.0)
        variable(ds, "sss", ("scene",), [35.0, 35.0], "sea_water_salinity", "1e-3")
        variable(ds, "ws", ("scene",), [5.0, 25.0], "wind_speed", "m s-1")
        variable(ds, "relative_wind_direction", ("scene",), [0.0, 400.0], None, "degree")


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    for name, write in [("two-scenes.nc", two_scenes), ("vapour-mass-fraction.nc", specific_humidity),
                        ("packed.nc", packed), ("refused.nc", refused)]:
        write(os.path.join(OUT, name))
        print(os.path.join(OUT, name), os.path.getsize(os.path.join(OUT, name)), "bytes")
