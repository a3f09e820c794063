"""Writes the synthetic radiosonde soundings of the tests in the published
layouts: a University of Wyoming text listing (plain and HTML page variants)
and an IGRA 2 data file of two soundings. The atmosphere is made up (a warm,
moist tropical column integrated hydrostatically); no real data is copied.

    python3 tests/data/make_sounding_files.py   # from the source tree's root
"""

import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
RD, G0, EPS = 287.05, 9.80665, 0.62198


def es(t_c):  # Bolton (1980), hPa
    return 6.112 * math.exp(17.67 * t_c / (t_c + 243.5))


def temperature(z):  # degrees C at geopotential height z (gpm)
    return 28.4 - 6.4e-3 * z if z < 16800 else 28.4 - 6.4e-3 * 16800 + 1.8e-3 * (z - 16800)


def column(surface_p, station, heights):
    """(p hPa, z gpm, T C) with p from the hydrostatic equation."""
    out, p, z0 = [], surface_p, station
    for z in heights:
        steps = 50
        for k in range(steps):
            za = z0 + (z - z0) * (k + 0.5) / steps
            p *= math.exp(-G0 * (z - z0) / steps / (RD * (temperature(za) + 273.15)))
        z0 = z
        out.append((p, z, temperature(z)))
    return out


def wyoming_rows():
    heights = [22, 111, 300, 520, 797, 1000, 1250, 1500, 1800, 2100, 2400, 3000, 3164, 3600, 4200, 4900,
               5600, 5870, 6500, 7200, 7570, 8300, 9000, 9680, 10400, 10900, 11500, 12200, 12900, 13600,
               14200, 15000, 15800, 16600, 17500, 18600, 19900, 20700, 22100, 24000, 26500]
    rows = []
    for i, (p, z, t) in enumerate(column(1009.0, 22, heights)):
        depression = 2.0 + 0.004 * z if z < 9000 else None
        rows.append({"p": p, "z": z, "t": t, "depression": depression, "i": i})
    return rows


def wyoming_text(html):
    lines = []
    if html:
        lines += ["<HTML>", "<TITLE>University of Wyoming - Radiosonde Data</TITLE>", '<BODY BGCOLOR="white">',
                  "<H2>99901 SYNT Synthetic Tropical Island Observations at 12Z 15 Jul 2024</H2>", "<PRE>"]
    else:
        lines += ["99901 SYNT Synthetic Tropical Island Observations at 12Z 15 Jul 2024", ""]
    dashes = "-" * 77
    lines += [dashes, "   PRES   HGHT   TEMP   DWPT   RELH   MIXR   DRCT   SKNT   THTA   THTE   THTV",
              "    hPa     m      C      C      %    g/kg    deg   knot     K      K      K ", dashes]
    for r in wyoming_rows():
        p, z, t = round(r["p"], 1), r["z"], round(r["t"], 1)
        f = ["%7.1f" % p, "%7d" % z, "%7.1f" % t]
        if r["depression"] is None:
            f += [" " * 7] * 3
            w = 0.0
        else:
            td = round(t - r["depression"], 1)
            e = es(td)
            rh = round(100 * e / es(t))
            w = 1000 * EPS * e / (p - e)
            f += ["%7.1f" % td, "%7d" % rh, "%7.2f" % w]
        theta = (t + 273.15) * (1000 / p) ** 0.2857
        f += ["%7d" % ((90 + 7 * r["i"]) % 360), "%7d" % (5 + r["i"] % 17), "%7.1f" % theta,
              "%7.1f" % (theta * math.exp(2.5e3 * w / 1000 / (t + 273.15))), "%7.1f" % (theta * (1 + 0.61 * w / 1000))]
        if r["i"] == 5:  # only the mixing ratio: DWPT and RELH blank
            f[3], f[4] = " " * 7, " " * 7
        if r["i"] == 9:  # only the relative humidity: DWPT and MIXR blank
            f[3], f[5] = " " * 7, " " * 7
        if r["i"] == 17:  # no temperature (nor dew point)
            f[2], f[3] = " " * 7, " " * 7
        lines.append("".join(f))
        if r["i"] == 12:  # a level repeated at the same height, with another pressure
            g = list(f)
            g[0] = "%7.1f" % (p - 0.4)
            lines.append("".join(g))
    if html:
        lines.append("</PRE><H3>Station information and sounding indices</H3><PRE>")
    else:
        lines += ["", "Station information and sounding indices"]
    lines += ["                         Station identifier: SYNT",
              "                             Station number: 99901",
              "                           Observation time: 240715/1200",
              "                           Station latitude: 5.00",
              "                          Station longitude: 150.00",
              "                          Station elevation: 22.0",
              "                            Showalter index: 0.52",
              "                               Lifted index: -3.41",
              "Precipitable water [mm] for entire sounding: 58.21"]
    if html:
        lines += ["</PRE>", "</BODY></HTML>"]
    return "\n".join(lines) + "\n"


def igra_header(date, hour, reltime, n):
    return "#%-11s %4d %02d %02d %02d %04d %4d %-8s %-8s %7d %8d" % (
        "XXM00099902", date[0], date[1], date[2], hour, reltime, n, "ncdc-gts", "ncdc-gts", 50000, 1500000)


def igra_record(t1, t2, etime, press, pf, gph, zf, temp, tf, rh, dpdp, wdir, wspd):
    return "%1d%1d %5d %6d%1s%5d%1s%5d%1s%5d %5d %5d %5d" % (t1, t2, etime, press, pf, gph, zf, temp, tf, rh, dpdp,
                                                            wdir, wspd)


def igra_sounding(date, hour, warm):
    heights = [4, 96, 760, 1490, 2200, 3150, 4300, 5850, 7550, 9650, 10900, 12350, 14150, 16550, 17700, 20600]
    levels = column(1011.0 - warm, 4, heights)
    records = []
    for i, (p, z, t) in enumerate(levels):
        t += warm
        standard = round(p) in (1000, 925, 850, 700, 500, 400, 300, 250, 200, 150, 100, 70, 50)
        t1, t2 = (2, 1) if i == 0 else (1 if standard else 2, 0)
        temp = round(t * 10)
        dpdp = round((1.5 + 0.5 * i) * 10) if z < 10000 else -9999
        rh = round(1000 * es(round(t - dpdp / 10, 1)) / es(t)) if dpdp != -9999 else -9999
        if i == 4:
            dpdp = -8888  # removed by quality assurance: the relative humidity remains
        gph = z if i != 6 else -9999  # a significant level without height
        records.append(igra_record(t1, t2, -9999 if i == 0 else 30 * i, round(p * 100), "B", gph, "B" if gph > 0 else " ",
                                   temp, "B", rh, dpdp, (200 + 11 * i) % 360, 30 + 4 * i))
        if i == 8:  # a wind-only level: no pressure, no temperature
            records.append(igra_record(3, 0, 30 * i + 5, -9999, " ", 8000, "A", -9999, " ", -9999, -9999, 250, 120))
    return [igra_header(date, hour, hour * 100 - 45 if hour else 2315, len(records))] + records


def main():
    with open(os.path.join(HERE, "sounding-wyoming.txt"), "w") as f:
        f.write(wyoming_text(False))
    with open(os.path.join(HERE, "sounding-wyoming.html"), "w") as f:
        f.write(wyoming_text(True))
    with open(os.path.join(HERE, "sounding-igra2.txt"), "w") as f:
        f.write("\n".join(igra_sounding((2024, 7, 15), 0, 0.0) + igra_sounding((2024, 7, 15), 12, 1.3)) + "\n")


if __name__ == "__main__":
    main()
