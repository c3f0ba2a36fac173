"""The scripts in examples/, run as a user runs them (a subprocess whose output is a pipe), with
their output read back: each must finish cleanly, print its reports in order with its own lines,
and show what its docstring promises."""

import re
import subprocess
import sys
from pathlib import Path

import pytest

EXAMPLES = Path(__file__).resolve().parent.parent / "examples"

pytest.importorskip("numpy")  # every example checks its loops with NumPy


def run_example(name, *args, cwd):
    done = subprocess.run([sys.executable, str(EXAMPLES / name), *args], cwd=cwd, capture_output=True, text=True,
                          timeout=300)
    assert done.returncode == 0, done.stderr
    assert done.stderr == ""
    return done.stdout


def report_headings(out):
    """The design reports' titles in the order they appear."""
    return [line for line in out.splitlines() if line in ("PD CONTROLLER DESIGN", "LEAD/LAG CONTROLLER DESIGN")]


def nearest_pole_line(out):
    """(damping ratio, natural frequency) of every 'closed-loop pole nearest the target' line."""
    return [(float(z), float(w)) for z, w in
            re.findall(r"closed-loop pole nearest the target: \S+ \(damping ratio (\S+), natural frequency (\S+)\)", out)]


def test_quickstart_meets_both_targets_and_the_velocity_constant(tmp_path):
    out = run_example("quickstart.py", cwd=tmp_path)
    assert report_headings(out) == ["PD CONTROLLER DESIGN", "LEAD/LAG CONTROLLER DESIGN"]
    # Each check follows its own design's report: the example's own lines are flushed in time.
    pd_report, lead_lag_report = out.index("PD CONTROLLER DESIGN"), out.index("LEAD/LAG CONTROLLER DESIGN")
    checks = [m.start() for m in re.finditer(r"^target \(-2\+2j\) is a closed-loop pole", out, re.M)]
    assert len(checks) == 2 and pd_report < checks[0] < lead_lag_report < checks[1]
    assert all(float(x) < 1e-9 for x in re.findall(r"off by (\S+)", out))
    kv, needed = map(float, re.search(r"velocity constant Kv = (\S+) \(at least (\S+) needed\)", out).groups())
    assert kv >= needed == 20.0


def test_pd_design_meets_the_slow_target_and_refuses_the_fast_one(tmp_path):
    out = run_example("pd_design.py", cwd=tmp_path)
    first, second = out.split("=== target: ")[1:]
    assert first.index("\n") < first.index("PD CONTROLLER DESIGN")  # the heading came before its report
    assert nearest_pole_line(first) == [(0.5, 2.0)]
    assert "controller: C(s) = 7.0000 (s + 2.2857)" in first
    assert "\tPD control NOT POSSIBLE for this system, QUITTING\n\n" in second
    assert "CONTROL GAIN SELECTION" not in second
    assert second.endswith("refused: the returned controller has gain 1.0 and no zeros or poles\n")


def test_lead_lag_tracking_reaches_the_position_constant(tmp_path):
    out = run_example("lead_lag_tracking.py", cwd=tmp_path)
    wanted_kp = float(re.search(r"wanted: Kp >= (\S+),", out).group(1))
    assert wanted_kp == 49.0
    assert out.index("wanted: Kp") < out.index("LEAD/LAG CONTROLLER DESIGN")
    assert "ADDING LAG CONTROLLER" in out
    kp, error = re.search(r"designed loop: Kp = (\S+), step error (\S+)%", out).groups()
    assert float(kp) >= wanted_kp and float(error) <= 2.0
    assert nearest_pole_line(out) == [(0.6, 4.0)]


def test_textbook_plants_all_meet_their_damping_targets(tmp_path):
    out = run_example("textbook_plants.py", cwd=tmp_path)
    assert report_headings(out) == []  # the reports were silenced
    rows = re.findall(r"^(.+?)\s+(pd|lead/lag)\s+(\S+) @ (\S+) (\S+) @ (\S+)\s+(\S+) (\S+)j\s+(yes|no)$", out, re.M)
    assert len(rows) == len(out.splitlines()) - 1 == 5
    for name, _, zeta, wn, got_zeta, got_wn, _, _, _ in rows:
        assert (got_zeta, got_wn) == (zeta, wn), name
    # The docstring's point: the last loop meets its target but is unstable through other branches.
    assert [row[-1] for row in rows] == ["yes", "yes", "yes", "yes", "no"]


def closed_loop_poles_printed(out):
    line = re.search(r"closed-loop poles at k = \S+: (.+)", out).group(1)
    return [complex(p) for p in line.split(", ")]


def test_root_locus_draws_the_loci_and_marks_the_design(tmp_path):
    image = pytest.importorskip("matplotlib.image")
    png = tmp_path / "locus.png"
    out = run_example("root_locus.py", "--output", str(png), cwd=tmp_path)
    assert f"root locus written to {png}" in out
    assert min(abs(p - complex(-1.0, 3 ** 0.5)) for p in closed_loop_poles_printed(out)) < 1e-6
    pixels = image.imread(png)
    assert pixels.shape == (600, 800, 4)
    rgb = pixels[..., :3]

    def share(colour):  # fraction of the picture drawn in a colour of the plot
        return ((abs(rgb - colour) < 0.08).all(axis=-1)).mean()

    assert share((0.12, 0.47, 0.71)) > 0.002  # the loci (tab:blue)
    assert share((0.84, 0.15, 0.16)) > 0.0002  # target stars and damping rays (tab:red)
    assert share((0.17, 0.63, 0.17)) > 0.0002  # squares at the selected gain (tab:green)
    assert not (tmp_path / "root_locus.png").exists()


def summary(out):
    gain = float(re.search(r"^Gain : (\S+)$", out, re.M).group(1))
    lists = {}
    for name in ("Poles", "Zeros"):
        text = re.search(rf"^{name}: (.*)$", out, re.M).group(1)
        lists[name] = [complex(float(a), float(b)) for a, b in re.findall(r"\((\S+) \+ (\S+)j\)", text)]
    return gain, lists["Zeros"], lists["Poles"]


def test_root_locus_step_response_agrees_with_an_independent_simulation(tmp_path):
    pytest.importorskip("control")
    signal = pytest.importorskip("scipy.signal")
    import numpy as np

    out = run_example("root_locus.py", "--output", str(tmp_path / "locus.png"), "--step", cwd=tmp_path)
    overshoot, settling = map(float, re.search(r"overshoot (\S+) %, settling time \(2 %\) (\S+) s", out).groups())

    # The closed loop from the report's summary and the example's plant 1/(s(s+1)(s+5)), simulated
    # with SciPy: the figures must describe this loop, not another one.
    gain, zeros, poles = summary(out)
    num = gain * np.real(np.poly(zeros))
    den = np.polyadd(np.real(np.poly(poles + [0.0, -1.0, -5.0])), num)
    t = np.linspace(0.0, 20.0, 200001)
    _, y = signal.step((num, den), T=t)
    final = y[-1]
    assert abs(final - 1.0) < 1e-3  # type 1: no steady-state error for a step
    expected_overshoot = 100.0 * (y.max() - final) / final
    outside = np.nonzero(np.abs(y - final) > 0.02 * final)[0]
    expected_settling = t[outside[-1] + 1]
    assert overshoot == pytest.approx(expected_overshoot, abs=0.05)
    assert settling == pytest.approx(expected_settling, rel=0.01)
