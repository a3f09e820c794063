"""Quick looks with matplotlib: a brightness-temperature spectrum and a profile.

    import seasky.plot
    ax = seasky.plot.spectrum("tropical", angle=55.0)
    seasky.plot.profile("tropical-cloudy")

Each function draws into the axes it is given (or a new figure) and returns
them. Weighting functions follow once the derivatives of the calculation exist.
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
