#!/usr/bin/env python3
"""Builds the bundled standard atmospheres from the AFGL source tables.

Reads data/profiles/afgl/<name>.dat (height km, pressure mb, temperature K and
water-vapour volume mixing ratio ppmv, as printed in the source) and writes

  data/profiles/<name>.txt               one profile file per atmosphere
  src/app/standard_atmospheres_data.cpp  the same texts compiled in

Absolute humidity follows from the ideal gas law applied to the water vapour:

  rho_v [g/m^3] = x [ppmv] * 1e-6 * p [Pa] * M_w / (R * T)

with M_w = 18.01528 g/mol and R = N_A * k_B = 8.314462618 J/(mol K).

Usage, from anywhere:
  python3 tools/make_standard_atmospheres.py           write the files
  python3 tools/make_standard_atmospheres.py --check   only compare, exit 1 on a difference

Python 3 standard library only.
"""

import math
import sys
from decimal import Decimal
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SOURCE_DIR = ROOT / "data" / "profiles" / "afgl"
PROFILE_DIR = ROOT / "data" / "profiles"
CPP_FILE = ROOT / "src" / "app" / "standard_atmospheres_data.cpp"

MOLAR_MASS_WATER = 18.01528  # g/mol
GAS_CONSTANT = 8.314462618   # J/(mol K), N_A * k_B (SI 2019 exact values, rounded)

CLOUD_WATER = Decimal("0.2")          # g/m^3, liquid water of the cloudy variant
CLOUD_HEIGHTS = range(1000, 2001)     # m, inclusive: the levels that carry it

# name, source table, description, cloudy
ATMOSPHERES = [
    ("tropical", "tropical",
     "AFGL tropical (15 N, annual mean), 0-50 km, clear sky", False),
    ("midlatitude-summer", "midlatitude-summer",
     "AFGL midlatitude summer (45 N, July), 0-50 km, clear sky", False),
    ("midlatitude-winter", "midlatitude-winter",
     "AFGL midlatitude winter (45 N, January), 0-50 km, clear sky", False),
    ("subarctic-summer", "subarctic-summer",
     "AFGL subarctic summer (60 N, July), 0-50 km, clear sky", False),
    ("subarctic-winter", "subarctic-winter",
     "AFGL subarctic winter (60 N, January), 0-50 km, clear sky", False),
    ("us-standard", "us-standard",
     "U.S. Standard Atmosphere 1976 (AFGL), 0-50 km, clear sky", False),
    ("tropical-cloudy", "tropical",
     "AFGL tropical (15 N), 0-50 km, liquid cloud 0.2 g/m3 from 1 to 2 km", True),
]


def read_source(path):
    """Returns the rows (z, p, T, x) of a source table as Decimal tokens."""
    rows = []
    for line in path.read_text(encoding="ascii").splitlines():
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        tokens = line.split()
        if len(tokens) != 4:
            raise ValueError(f"{path}: expected 4 numbers in line {line!r}")
        rows.append(tuple(Decimal(t) for t in tokens))
    return rows


def plain(value):
    """Plain decimal notation of a Decimal, keeping its significant digits."""
    text = format(value, "f")
    return text


def significant(value, digits):
    """Plain decimal notation of a positive float with the given significant digits."""
    if value == 0.0:
        return "0"
    exponent = math.floor(math.log10(abs(value)))
    decimals = digits - 1 - exponent
    rounded = round(value, decimals)
    # Rounding may carry into the next decade (9.999996 -> 10.0000).
    if rounded != 0.0 and math.floor(math.log10(abs(rounded))) != exponent:
        decimals -= 1
    return f"{value:.{max(decimals, 0)}f}"


def absolute_humidity(ppmv, pressure_mb, temperature_k):
    """Water-vapour density, g/m^3, from the volume mixing ratio by the ideal gas law."""
    return (ppmv * 1e-6 * pressure_mb * 100.0 * MOLAR_MASS_WATER
            / (GAS_CONSTANT * temperature_k))


def profile_text(rows, cloudy):
    lines = [str(len(rows))]
    previous_height = None
    for z, p, t, x in rows:
        height = z * 1000
        if height != height.to_integral_value():
            raise ValueError(f"height {z} km is not a whole number of metres")
        height = int(height)
        if previous_height is not None and height <= previous_height:
            raise ValueError("heights must increase")
        previous_height = height
        humidity = absolute_humidity(float(x), float(p), float(t))
        cloud = CLOUD_WATER if cloudy and height in CLOUD_HEIGHTS else Decimal("0.0")
        lines.append(f"{height:>6} {plain(t.quantize(Decimal('0.01'))):>7} "
                     f"{plain(p):>7} {significant(humidity, 6):>14} {plain(cloud):>4}")
    return "\n".join(lines) + "\n"


def precipitable_water(text):
    """Column water vapour, g/cm^2, by the trapezoid rule over the levels."""
    values = text.split()
    count = int(values[0])
    levels = [(float(values[1 + 5 * i]), float(values[4 + 5 * i])) for i in range(count)]
    total = 0.0
    for (z0, r0), (z1, r1) in zip(levels, levels[1:]):
        total += 0.5 * (r0 + r1) * (z1 - z0)
    return total / 1e4


def cpp_string(text):
    out = []
    for line in text.splitlines(keepends=True):
        escaped = line.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n")
        out.append(f'    "{escaped}"')
    return "\n".join(out)


def cpp_identifier(name):
    return "k" + "".join(part.capitalize() for part in name.split("-")) + "Text"


def cpp_text(texts):
    parts = [
        "// Generated by tools/make_standard_atmospheres.py from data/profiles/afgl/*.dat;",
        "// do not edit. Regenerate with: python3 tools/make_standard_atmospheres.py",
        "// Each text below is byte for byte the file data/profiles/<name>.txt.",
        '#include "app/standard_atmospheres.h"',
        "",
        "#include <array>",
        "",
        "namespace seasky {",
        "namespace {",
        "",
    ]
    for name, _, _, _ in ATMOSPHERES:
        parts.append(f"// data/profiles/{name}.txt")
        parts.append(f"constexpr std::string_view {cpp_identifier(name)} =")
        parts.append(cpp_string(texts[name]) + ";")
        parts.append("")
    parts.append(f"constexpr std::array<StandardAtmosphere, {len(ATMOSPHERES)}> kAtmospheres{{{{")
    for name, _, description, _ in ATMOSPHERES:
        parts.append(f'    {{"{name}", "{description}", {cpp_identifier(name)}}},')
    parts.append("}};")
    parts.append("")
    parts.append("}  // namespace")
    parts.append("")
    parts.append("std::span<const StandardAtmosphere> StandardAtmospheres() { return kAtmospheres; }")
    parts.append("")
    parts.append("}  // namespace seasky")
    return "\n".join(parts) + "\n"


def main(argv):
    check = "--check" in argv[1:]
    texts = {}
    outputs = {}
    for name, source, _, cloudy in ATMOSPHERES:
        rows = read_source(SOURCE_DIR / f"{source}.dat")
        texts[name] = profile_text(rows, cloudy)
        outputs[PROFILE_DIR / f"{name}.txt"] = texts[name]
    outputs[CPP_FILE] = cpp_text(texts)

    stale = []
    for path, content in outputs.items():
        current = path.read_bytes() if path.exists() else None
        if current != content.encode("ascii"):
            stale.append(path)
            if not check:
                path.write_bytes(content.encode("ascii"))

    for name, _, _, _ in ATMOSPHERES:
        print(f"{name:20s} precipitable water {precipitable_water(texts[name]):.4f} g/cm^2")
    if check:
        for path in stale:
            print(f"out of date: {path.relative_to(ROOT)}")
        return 1 if stale else 0
    for path in stale:
        print(f"wrote {path.relative_to(ROOT)}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
