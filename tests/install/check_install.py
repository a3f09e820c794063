"""Installs the build into a temporary prefix and runs what was installed.

Checks that the installed seasky gives the build tree's results bit for bit,
that the data files, the manual page (with every option of --help-all), the
desktop entry and the icon are where they belong, that the installed window
draws its screenshot and seasky sweep --plot its chart (through the
seasky-chart installed beside it), that the installed Python module computes
the same numbers, that no installed program has the source tree's data folder
or the build tree's share folder written into it, and that the prefix still
works after being moved elsewhere: its programs run and find the moved
prefix's own share/seasky.

    check_install.py --build DIR --seasky BUILT_SEASKY --profiles SRC --sensors SRC
                     [--gui] [--chart] [--python-dir REL] [--preload LIBS]
"""

import argparse
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

RESULTS = ("tbV", "tbH", "tbPlus45", "tbMinus45", "tbUp", "tbDown", "opacity")
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message, file=sys.stderr)
    return condition


def run(args, env=None, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, env=env, timeout=90, **kwargs)


def results(seasky, extra=()):
    done = run([seasky, "calc", "--json", *extra])
    if not check(done.returncode == 0, f"{seasky} calc --json failed: {done.stderr}"):
        return None
    data = json.loads(done.stdout)
    return {key: data[key] for key in RESULTS}


def png_size(path):
    """Width and height of a PNG file, or None when it is not one."""
    with open(path, "rb") as f:
        head = f.read(24)
    if len(head) < 24 or head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def files_of(folder, suffix):
    return sorted(name for name in os.listdir(folder) if name.endswith(suffix))


def check_prefix(prefix, args, reference):
    """The programs and files of an installation at prefix."""
    seasky = os.path.join(prefix, "bin", "seasky")
    check(os.access(seasky, os.X_OK), f"{seasky} is not installed")
    installed = results(seasky)
    check(installed == reference, f"{seasky} gives {installed}, the build tree {reference}")
    # A calculation at other inputs as well, so that agreement is not a default's.
    check(results(seasky, ["--freq", "37", "--wind", "7"]) == results(args.seasky, ["--freq", "37", "--wind", "7"]),
          f"{seasky} --freq 37 --wind 7 differs from the build tree")

    share = os.path.join(prefix, "share", "seasky")
    for what, source, suffix in (("profiles", args.profiles, ".txt"), ("sensors", args.sensors, ".json")):
        folder = os.path.join(share, what)
        expected = files_of(source, suffix) + ["README.md"]
        present = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
        check(present == sorted(expected), f"{folder} holds {present}, expected {sorted(expected)}")
        for name in expected:
            path = os.path.join(folder, name)
            if os.path.isfile(path):
                with open(path, "rb") as a, open(os.path.join(source, name), "rb") as b:
                    check(a.read() == b.read(), f"{path} differs from its source")

    # The data lookup of the installed programs finds this prefix's own folder.
    done = run([seasky, "profiles", "--folder"])
    check(done.returncode == 0 and done.stdout.strip() == os.path.join(share, "profiles"),
          f"seasky profiles --folder gives {done.stdout.strip()!r} (status {done.returncode}), "
          f"expected {os.path.join(share, 'profiles')!r}")
    return seasky


def check_no_build_paths(prefix, args):
    """The installed programs and the module name neither <source>/data nor <build>/share."""
    forbidden = [os.path.dirname(os.path.abspath(args.profiles)), os.path.join(os.path.abspath(args.build), "share")]
    binaries = []
    for folder, _, names in os.walk(prefix):
        for name in names:
            path = os.path.join(folder, name)
            if os.path.isfile(path) and not os.path.islink(path):
                with open(path, "rb") as f:
                    if f.read(4) == b"\x7fELF":
                        binaries.append(path)
    check(len(binaries) >= 1 + args.gui + args.chart + bool(args.python_dir),
          f"too few programs installed: {binaries}")
    for path in binaries:
        with open(path, "rb") as f:
            content = f.read()
        for text in forbidden:
            check(text.encode() not in content, f"{path} holds the path {text}")


def check_man_page(prefix, seasky):
    page = os.path.join(prefix, "share", "man", "man1", "seasky.1")
    if not check(os.path.isfile(page), f"{page} is not installed"):
        return
    with open(page, encoding="utf-8") as f:
        text = f.read()
    check(text.startswith(".\\\"") and "\n.TH SEASKY 1 " in text, "seasky.1 has no title line")
    # Every subcommand and every option --help-all lists is in the page.
    listing = run([seasky, "--help-all"]).stdout
    options = set(re.findall(r"(?<![\w-])--[a-z][a-z0-9-]*", listing))
    commands = set(re.findall(r"^([a-z][a-z-]*)$", listing, re.MULTILINE))  # unindented: the subcommands
    check(len(options) > 20 and len(commands) >= 10, f"--help-all lists only {options} and {commands}")
    roff_text = text.replace("\\-", "-")
    for option in sorted(options):
        check(re.search(r"\\fB" + re.escape(option) + r"\\fR", roff_text) is not None, f"seasky.1 lacks {option}")
    for command in sorted(commands):
        check(f'.SS "seasky {command}"' in roff_text, f"seasky.1 lacks the subcommand {command}")
    for status in ("0", "1", "2", "3", "130"):
        check(f".B {status}\n" in text, f"seasky.1 does not state exit status {status}")
    if shutil.which("man"):
        shown = run(["man", "-l", page], env={**os.environ, "MANPAGER": "cat", "MANWIDTH": "100"})
        check(shown.returncode == 0 and "seasky calc" in shown.stdout and "EXIT STATUS" in shown.stdout,
              f"man -l {page} failed: {shown.stderr}")
        check("warning" not in shown.stderr, f"man -l {page} warns: {shown.stderr}")


def check_desktop(prefix):
    entry = os.path.join(prefix, "share", "applications", "seasky.desktop")
    icon = os.path.join(prefix, "share", "icons", "hicolor", "scalable", "apps", "seasky.svg")
    check(os.path.isfile(entry), f"{entry} is not installed")
    check(os.path.isfile(icon), f"{icon} is not installed")
    if os.path.isfile(entry):
        with open(entry, encoding="utf-8") as f:
            text = f.read()
        check("\nExec=seasky-gui" in text and "\nIcon=seasky\n" in text, f"{entry} does not start seasky-gui")
        if shutil.which("desktop-file-validate"):
            done = run(["desktop-file-validate", entry])
            check(done.returncode == 0 and not done.stdout.strip(), f"desktop-file-validate: {done.stdout}")
    if os.path.isfile(icon):
        with open(icon, encoding="utf-8") as f:
            check("<svg" in f.read(), f"{icon} is not an SVG image")


def check_window(prefix, work, env):
    gui = os.path.join(prefix, "bin", "seasky-gui")
    picture = os.path.join(work, "window.png")
    runtime = os.path.join(work, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    gui_env = {**env, "QT_QPA_PLATFORM": "offscreen", "XDG_RUNTIME_DIR": runtime, "HOME": work}
    gui_env["ASAN_OPTIONS"] = "detect_leaks=0"
    profile = os.path.join(prefix, "share", "seasky", "profiles", "tropical.txt")
    done = run([gui, "--load", profile, "--calculate", "--screenshot", picture], env=gui_env)
    check(done.returncode == 0, f"seasky-gui --screenshot failed ({done.returncode}): {done.stderr[-2000:]}")
    size = png_size(picture) if os.path.isfile(picture) else None
    check(size is not None and size[0] >= 400 and size[1] >= 300, f"seasky-gui wrote no window picture ({size})")
    if os.path.isfile(picture):
        os.remove(picture)


def check_chart(prefix, work, env):
    """seasky sweep --plot runs the seasky-chart installed beside it, not one on the PATH."""
    chart = os.path.join(prefix, "bin", "seasky-chart")
    if not check(os.access(chart, os.X_OK), f"{chart} is not installed"):
        return
    picture = os.path.join(work, "sweep.png")
    chart_env = {**env, "QT_QPA_PLATFORM": "offscreen", "HOME": work, "PATH": "/usr/bin:/bin",
                 "ASAN_OPTIONS": "detect_leaks=0"}
    seasky = os.path.join(prefix, "bin", "seasky")
    done = run([seasky, "sweep", "--vary", "wind=0:20:5", "--output", os.path.join(work, "sweep.csv"),
                "--plot", picture], env=chart_env)
    check(done.returncode == 0, f"seasky sweep --plot failed ({done.returncode}): {done.stderr[-2000:]}")
    size = png_size(picture) if os.path.isfile(picture) else None
    check(size is not None and size[0] >= 200 and size[1] >= 150, f"seasky sweep --plot wrote no chart ({size})")
    if os.path.isfile(picture):
        os.remove(picture)


def check_python(prefix, python_dir, preload, reference):
    env = {**os.environ, "PYTHONPATH": os.path.join(prefix, python_dir), "MPLBACKEND": "Agg"}
    if preload:
        env["LD_PRELOAD"] = preload
        env["ASAN_OPTIONS"] = "detect_leaks=0"
    code = ("import json, seasky; r = seasky.calculate(); "
            "print(seasky.__file__); print(json.dumps({k: float(r[k]) for k in %r}))" % (list(RESULTS),))
    done = run(["/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable, "-c", code],
               env=env, cwd=prefix)
    if not check(done.returncode == 0, f"the installed Python module failed: {done.stderr[-2000:]}"):
        return
    where, numbers = done.stdout.strip().splitlines()[-2:]
    check(where.startswith(os.path.join(prefix, python_dir)), f"Python imported seasky from {where}")
    check(json.loads(numbers) == reference, f"seasky.calculate() gives {numbers}, the command {reference}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--seasky", required=True)
    parser.add_argument("--profiles", required=True)
    parser.add_argument("--sensors", required=True)
    parser.add_argument("--gui", action="store_true")
    parser.add_argument("--chart", action="store_true")
    parser.add_argument("--python-dir")
    parser.add_argument("--preload")
    args = parser.parse_args()

    reference = results(args.seasky)
    if reference is None:
        return 1
    # The default scene (18.7 GHz, 53.1 degrees, midlatitude summer, 10 m/s) in
    # its physical bounds, so that a build and an installation broken alike do
    # not pass: V above H over a calm-looking sea, +45 and -45 between them, a
    # thin atmosphere that radiates a few tens of kelvin.
    check(150 < reference["tbV"] < 260 and 90 < reference["tbH"] < reference["tbV"]
          and reference["tbH"] < reference["tbPlus45"] < reference["tbV"]
          and 5 < reference["tbUp"] < 60 and 5 < reference["tbDown"] < 60
          and 0.01 < reference["opacity"] < 0.3, f"implausible default results {reference}")

    manifest = os.path.join(args.build, "install_manifest.txt")
    saved = None
    if os.path.exists(manifest):
        with open(manifest, "rb") as f:
            saved = f.read()
    with tempfile.TemporaryDirectory(prefix="seasky-install-") as work:
        prefix = os.path.join(work, "prefix")
        try:
            done = run(["cmake", "--install", args.build, "--prefix", prefix])
        finally:
            # The build's own installation record stays what it was.
            if saved is None:
                if os.path.exists(manifest):
                    os.remove(manifest)
            else:
                with open(manifest, "wb") as f:
                    f.write(saved)
        if not check(done.returncode == 0, f"cmake --install failed: {done.stdout}{done.stderr}"):
            return 1

        seasky = check_prefix(prefix, args, reference)
        check_no_build_paths(prefix, args)
        check_man_page(prefix, seasky)
        if args.gui:
            check_desktop(prefix)
            check_window(prefix, work, dict(os.environ))
        if args.chart:
            check_chart(prefix, work, dict(os.environ))
        if args.python_dir:
            check_python(prefix, args.python_dir, args.preload, reference)

        # Moved as a whole, the prefix still works and finds its own data.
        moved = os.path.join(work, "elsewhere", "seasky")
        os.makedirs(os.path.dirname(moved))
        shutil.move(prefix, moved)
        check(not os.path.exists(prefix), "the prefix was not moved")
        check_prefix(moved, args, reference)
        if args.gui:
            check_window(moved, work, dict(os.environ))
        if args.chart:
            check_chart(moved, work, dict(os.environ))
        if args.python_dir:
            check_python(moved, args.python_dir, args.preload, reference)

    if failures:
        print(f"{len(failures)} failures", file=sys.stderr)
        return 1
    print("installed, moved and checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
