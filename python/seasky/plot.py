"""Quick looks with matplotlib: a brightness-temperature spectrum and a profile.

    import seasky.plot
    ax = seasky.plot.spectrum("tropical", angle=55.0)
    seasky.plot.profile("tropical-cloudy")

    seasky.plot.weighting("tropical", sensor="amsr2")

Each function draws into the axes it is given (or a new figure) and returns
them.
"""

import numpy as np

from . import _api

_COLOURS = {"V": "#1f77b4", "H": "#d62728", "+45": "#2ca02c", "-45": "#ff7f0e"}
_KEYS = {"V": "tbV", "H": "tbH", "+45": "tbPlus45", "-45": "tbMinus45"}


def spectrum(profile="midlatitude-summer", freq=None, *, polarisations=("V", "H"), ax=None, label=None,
             linestyle="-", **inputs):
    """The top-of-atmosphere brightness temperatures against frequency (GHz),
    one line per polarisation (coloured by polarisation; pass another linestyle
    to tell several profiles apart in one axes). freq defaults to 6.75-89 GHz
    every 0.25 GHz; the other inputs are those of seasky.calculate."""
    import matplotlib.pyplot as plt

    freq = np.arange(6.75, 89.0001, 0.25) if freq is None else np.asarray(freq, dtype=float)
    result = _api.calculate(profile, freq=freq, **inputs)
    if ax is None:
        _, ax = plt.subplots(figsize=(8, 4.5))
    name = label if label is not None else (profile if isinstance(profile, str) else "profile")
    for p in polarisations:
        ax.plot(freq, result[_KEYS[p]], color=_COLOURS.get(p), label=f"{p} {name}".strip(), linewidth=1.5,
                linestyle=linestyle)
    ax.set_xlabel("Frequency (GHz)")
    ax.set_ylabel("Brightness temperature (K)")
    ax.grid(True, alpha=0.3)
    ax.legend()
    return ax


def profile(profile="midlatitude-summer", *, axes=None):
    """The profile's air temperature (K), pressure (mb), humidity and cloud water
    (g/m^3) against height (km), side by side."""
    import matplotlib.pyplot as plt

    p = _api.profile(profile)
    if axes is None:
        _, axes = plt.subplots(1, 4, figsize=(11, 4.5), sharey=True)
    height = p["height"] / 1000.0
    panels = (("air_temperature", "Air temperature (K)"), ("pressure", "Pressure (mb)"),
              ("humidity", "Humidity (g/m³)"), ("cloud_water", "Cloud water (g/m³)"))
    for ax, (key, title) in zip(axes, panels):
        ax.plot(p[key], height, color="#d62728", linewidth=1.5)
        ax.set_xlabel(title)
        ax.grid(True, alpha=0.3)
    axes[0].set_ylabel("Height (km)")
    return axes


def weighting(profile="midlatitude-summer", freq=(6.925, 10.65, 18.7, 23.8, 36.5, 89.0), *, sensor=None,
              channels=None, polarisations=("V", "H"), ax=None, **inputs):
    """Temperature weighting functions against height (km): the derivative of
    the brightness temperature with respect to each level's air temperature
    per km of the height the level stands for (K/K/km).

    With sensor (a preset name or a sensor file), one line per channel (all, or
    those named in channels), each over its own passband and incidence angle;
    the surface inputs temp, salinity, wind and azimuth may be given.
    Otherwise one line per frequency (GHz) and polarisation, with the inputs of
    seasky.calculate."""
    import matplotlib.pyplot as plt

    p = _api.profile(profile) if isinstance(profile, str) else {k: np.asarray(v, float) for k, v in profile.items()}
    order = np.argsort(p["height"], kind="stable")
    height = p["height"][order] / 1000.0
    if ax is None:
        _, ax = plt.subplots(figsize=(6, 6))
    if sensor is not None:
        import xarray as xr

        from . import _simulate

        levels = ("scene", "level")
        ds = xr.Dataset({
            "height": (levels, p["height"][None, :], {"units": "m"}),
            "air_temperature": (levels, p["air_temperature"][None, :], {"units": "K"}),
            "air_pressure": (levels, p["pressure"][None, :], {"units": "hPa"}),
            "mass_concentration_of_water_vapor_in_air": (levels, p["humidity"][None, :], {"units": "g m-3"}),
            "mass_concentration_of_cloud_liquid_water_in_air":
                (levels, p.get("cloud_water", np.zeros_like(p["height"]))[None, :], {"units": "g m-3"}),
            "sea_surface_temperature": ("scene", [inputs.get("temp", 20.0)], {"units": "degC"}),
            "sea_water_salinity": ("scene", [inputs.get("salinity", 35.0)], {"units": "1e-3"}),
            "wind_speed": ("scene", [inputs.get("wind", 10.0)], {"units": "m s-1"}),
            "relative_wind_direction": ("scene", [inputs.get("azimuth", 0.0)], {"units": "degree"}),
        })
        out = _simulate.simulate(ds, sensor, channels, jacobians=["weighting"])
        curves = []
        for c, name in enumerate(out["channel_name"].values):
            style = "-" if c < 10 else "--"  # the colour cycle has ten colours
            curves.append(out["dtb_weighting"].values[0, c][order])
            ax.plot(curves[-1], height, linewidth=1.5, linestyle=style, label=name)
        ax.set_title(out.attrs["title"].replace("Brightness temperatures of ", ""))
    else:
        freq = np.atleast_1d(np.asarray(freq, dtype=float))
        result = _api.calculate(p, freq=freq, jacobians=["weighting"], **inputs)
        w = result["jacobians"]["weighting"]
        curves = []
        for i, f in enumerate(freq):
            for pol in polarisations:
                curves.append(w[_KEYS[pol]][i][order])
                ax.plot(curves[-1], height, linewidth=1.5,
                        linestyle="-" if pol in ("V", "+45") else "--", label=f"{f:g} GHz {pol}")
    # Heights up to one level above the highest where a curve still reaches
    # 0.1 % of the largest value (every level is in the data).
    largest = max(np.nanmax(np.abs(c)) for c in curves)
    significant = np.nonzero(np.any([np.abs(c) >= 1e-3 * largest for c in curves], axis=0))[0]
    if largest > 0 and len(significant):
        ax.set_ylim(min(0.0, height[0]), height[min(significant[-1] + 1, len(height) - 1)])
    ax.axvline(0.0, color="#7f7f7f", linewidth=0.8)
    ax.set_xlabel("Weighting function (K/K per km)")
    ax.set_ylabel("Height (km)")
    ax.grid(True, alpha=0.3)
    ax.legend(fontsize="small")
    return ax
