#!/usr/bin/python3
"""Draws docs/wind-convention.png: the wind vector (u, v), the look azimuth of
the radiometer and the relative azimuth phi the sea-surface model takes, seen
from above with north up (docs/wind-convention.md, src/surface/wind_vector.h).

    /usr/bin/python3 tools/wind_convention_figure.py [OUTPUT.png]

The example drawn: a radiometer looking toward azimuth 45 degrees (north-east)
and a wind of u = -5.64, v = 2.05 m/s (6 m/s from 110 degrees, east-south-east),
so phi = 110 - 45 = 65 degrees.
"""
import math
import os
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.patches import Arc, FancyArrowPatch  # noqa: E402

LOOK = 45.0          # look azimuth, degrees clockwise from north (sensor -> footprint)
U, V = -5.64, 2.05   # wind toward which the air moves: eastward, northward, m/s


def wind_from(u, v):
    """The meteorological direction (where the wind comes from), degrees clockwise from north."""
    return math.degrees(math.atan2(-u, -v)) % 360.0


def relative_azimuth(u, v, look):
    """phi = (wind_from - look) mod 360: 0 looking upwind, 180 downwind."""
    return (wind_from(u, v) - look) % 360.0


def unit(azimuth):
    """The unit vector (east, north) of an azimuth clockwise from north."""
    a = math.radians(azimuth)
    return math.sin(a), math.cos(a)


def arrow(ax, start, end, colour, style="-|>", line="-", width=2.0):
    ax.add_patch(FancyArrowPatch(start, end, arrowstyle=style, mutation_scale=18, color=colour,
                                 linestyle=line, linewidth=width, shrinkA=0, shrinkB=0))


def clockwise_arc(ax, centre, radius, start, stop, colour, label, label_radius, label_at=None):
    """An arc from azimuth start clockwise to stop, labelled at azimuth label_at (its middle by default)."""
    ax.add_patch(Arc(centre, 2 * radius, 2 * radius, theta1=90.0 - stop, theta2=90.0 - start, color=colour,
                     linewidth=1.6))
    tip = unit(stop)
    before = unit(stop - 4.0)
    arrow(ax, (centre[0] + radius * before[0], centre[1] + radius * before[1]),
          (centre[0] + radius * tip[0], centre[1] + radius * tip[1]), colour, width=1.6)
    middle = unit(0.5 * (start + stop) if label_at is None else label_at)
    ax.text(centre[0] + label_radius * middle[0], centre[1] + label_radius * middle[1], label, color=colour,
            ha="center", va="center", fontsize=12)


def draw(path):
    speed = math.hypot(U, V)
    phi_w = wind_from(U, V)
    phi = relative_azimuth(U, V, LOOK)
    fig, ax = plt.subplots(figsize=(7.6, 7.6), dpi=110)
    ax.set_aspect("equal")
    ax.set_xlim(-5.2, 4.6)
    ax.set_ylim(-5.0, 4.8)
    ax.axis("off")

    footprint = (0.0, 0.0)
    look = unit(LOOK)
    sensor = (-3.6 * look[0], -3.6 * look[1])

    # North, at the sensor and at the footprint.
    arrow(ax, (-4.6, 2.6), (-4.6, 4.2), "black")
    ax.text(-4.6, 4.45, "N", ha="center", va="center", fontsize=14, weight="bold")
    for origin in (sensor, footprint):
        ax.plot([origin[0], origin[0]], [origin[1], origin[1] + 2.0], color="0.55", linestyle=":", linewidth=1.2)

    # The look direction: from the sensor to the footprint, and on beyond it.
    ax.plot(*sensor, marker="s", markersize=11, color="tab:blue")
    ax.text(sensor[0] - 0.15, sensor[1] - 0.4, "radiometer", color="tab:blue", ha="center", fontsize=11)
    arrow(ax, sensor, (-0.12 * look[0], -0.12 * look[1]), "tab:blue")
    ax.plot([0, 3.2 * look[0]], [0, 3.2 * look[1]], color="tab:blue", linestyle="--", linewidth=1.2)
    # The label beside the line, on its left (seen along the look).
    side = (-look[1], look[0])
    ax.text(2.6 * look[0] + 0.25 * side[0], 2.6 * look[1] + 0.25 * side[1], "look direction", color="tab:blue",
            fontsize=10, rotation=90.0 - LOOK, ha="center", va="center")
    ax.plot(*footprint, marker="o", markersize=9, color="black")
    ax.text(0.35, -0.75, "footprint", fontsize=11, ha="center")
    clockwise_arc(ax, sensor, 1.0, 0.0, LOOK, "tab:blue", f"look azimuth\n{LOOK:g}°", 1.65)

    # The wind vector (where the air moves to) and where it comes from.
    to = unit((phi_w + 180.0) % 360.0)
    scale = 3.0 / speed
    arrow(ax, footprint, (U * scale, V * scale), "tab:red", width=2.6)
    ax.text(U * scale - 0.2, V * scale + 0.35, f"wind (u, v) = ({U:g}, {V:g}) m/s\nblows TO",
            color="tab:red", ha="center", fontsize=10)
    frm = unit(phi_w)
    ax.plot([0, 3.4 * frm[0]], [0, 3.4 * frm[1]], color="tab:red", linestyle="--", linewidth=1.4)
    ax.text(3.5 * frm[0] + 0.1, 3.5 * frm[1] - 0.45, f"comes FROM\nφ_w = {phi_w:.0f}° (upwind)", color="tab:red",
            ha="center", fontsize=10)
    assert abs(to[0] * speed - U) < 1e-9 and abs(to[1] * speed - V) < 1e-9

    # The relative azimuth: from the look direction clockwise to where the wind comes from.
    clockwise_arc(ax, footprint, 1.5, LOOK, LOOK + phi, "darkgreen", f"φ = {phi:.0f}°", 1.95)
    clockwise_arc(ax, footprint, 0.8, 0.0, phi_w, "0.4", "φ_w", 0.5, label_at=88.0)

    ax.set_title("Relative azimuth of the sea-surface model, seen from above\n"
                 f"φ = (φ_w − look azimuth) mod 360° = ({phi_w:.0f}° − {LOOK:g}°) = {phi:.0f}°,"
                 "   φ_w = atan2(−u, −v)", fontsize=12)
    ax.text(-5.1, -4.85, "φ = 0: looking upwind (into the wind);  φ = 180°: looking downwind", fontsize=10)
    fig.tight_layout()
    fig.savefig(path)
    print(path)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    draw(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "docs", "wind-convention.png"))
