"""Ctrl-C stops a long calculation: the call raises KeyboardInterrupt soon after
the signal, returns nothing, and the module works on afterwards.

Each workload would take a minute or more; the child process is interrupted a
second after it starts computing, and must be done well before its calculation
could have finished."""

import os
import signal
import subprocess
import sys
import textwrap
import time

import pytest

_CHILD = """
import sys
import numpy as np
import seasky
{setup}
print("ready", flush=True)
try:
    result = {call}
except KeyboardInterrupt:
    # Nothing pending and nothing held: the next call computes as usual.
    after = seasky.calculate("tropical", freq=18.7)["tbV"]
    print("interrupted", np.isfinite(after), flush=True)
    sys.exit(0)
print("finished", flush=True)
"""


def _interrupted(setup, call):
    """Runs call in a child Python, sends SIGINT once it is under way; its output."""
    script = _CHILD.format(setup=textwrap.dedent(setup), call=call)
    child = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             text=True)
    try:
        assert child.stdout.readline() == "ready\n", child.stderr.read()
        time.sleep(1.0)  # inside the compiled call by now
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=15)
    except subprocess.TimeoutExpired:
        child.kill()
        child.communicate()
        pytest.fail("the calculation went on after Ctrl-C")
    assert child.returncode == 0, err
    return out


def test_ctrl_c_stops_calculate():
    # 10000 cases of a 20 GHz band in the oxygen lines (401 sub-frequencies
    # each): about 10 ms a case, over a minute and a half in all.
    out = _interrupted("freq = np.full(10000, 60.0)", 'seasky.calculate("tropical", freq=freq, band=20.0)')
    assert out == "interrupted True\n"


def test_ctrl_c_stops_atmosphere():
    out = _interrupted("freq = np.full(10000, 60.0)", 'seasky.atmosphere("tropical", freq, band=20.0)')
    assert out == "interrupted True\n"


def test_ctrl_c_stops_simulate():
    # 40000 scenes of every AMSR2 channel: about 1 ms a scene.
    out = _interrupted("""
        sys.path.insert(0, {!r})
        from conftest import scenes
        ds = scenes(40000)
    """.format(os.path.dirname(os.path.abspath(__file__))), 'seasky.simulate(ds, sensor="amsr2")')
    assert out == "interrupted True\n"
