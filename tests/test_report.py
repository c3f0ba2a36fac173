"""The design report's channel: file descriptor 1 itself, whole messages, and a descriptor that
cannot be written never costing the design its result."""

import io
import os
import subprocess
import sys
import textwrap

import pytest

from design_cases import build

HERE = os.path.dirname(__file__)


def test_report_bypasses_sys_stdout(capfd, monkeypatch):
    buffer = io.StringIO()
    monkeypatch.setattr(sys, "stdout", buffer)
    plant, spec = build("pd_zero_added")
    plant.pd_control(spec)
    monkeypatch.undo()
    assert buffer.getvalue() == ""
    assert capfd.readouterr().out.startswith("Plantwright\n===========\n\nPD CONTROLLER DESIGN\n\n")


# The child designs both controllers with fd 1 in a given state and reports on stderr.
CHILD = textwrap.dedent(
    """
    import os, signal, sys
    sys.path.insert(0, {here!r})
    from design_cases import build
    {setup}
    plant, spec = build("lead_lag_every_stage")
    lead_lag = plant.lead_lag_control(spec)
    plant, spec = build("pd_zero_added")
    pd = plant.pd_control(spec)
    sys.stderr.write("designed %s %s\\n" % (lead_lag.gain.hex(), pd.gain.hex()))
    """
)

EXPECTED = "designed 0x1.2d3fc8234a877p+16 0x1.7ffffffffffffp+1\n"


def run_child(setup, **popen):
    script = CHILD.format(here=HERE, setup=textwrap.dedent(setup))
    return subprocess.run([sys.executable, "-c", script], stderr=subprocess.PIPE, text=True, timeout=60, **popen)


@pytest.mark.parametrize(
    "setup",
    [
        "os.close(1)",
        # a vanished reader, with SIGPIPE both ignored (the interpreter's default) and fatal
        "r, w = os.pipe(); os.dup2(w, 1); os.close(r)",
        "r, w = os.pipe(); os.dup2(w, 1); os.close(r); signal.signal(signal.SIGPIPE, signal.SIG_DFL)",
        "os.dup2(os.open('/dev/full', os.O_WRONLY), 1)",
        "os.dup2(os.open('/dev/null', os.O_RDONLY), 1)",
    ],
    ids=["closed", "broken-pipe", "broken-pipe-sigpipe-default", "full-device", "read-only"],
)
def test_unwritable_stdout_still_returns_the_controller(setup):
    child = run_child(setup, stdout=subprocess.DEVNULL)
    assert child.returncode == 0, child.stderr
    assert child.stderr == EXPECTED


def test_sigpipe_default_is_restored_after_the_design():
    # The report holds SIGPIPE back only while it writes: the caller's own disposition and
    # signal mask are as they were afterwards.
    setup = """
        r, w = os.pipe(); os.dup2(w, 1); os.close(r)
        signal.signal(signal.SIGPIPE, signal.SIG_DFL)
        import atexit
        atexit.register(lambda: sys.stderr.write("mask %r\\n" % (signal.pthread_sigmask(signal.SIG_BLOCK, []),)))
    """
    child = run_child(setup, stdout=subprocess.DEVNULL)
    assert child.returncode == 0, child.stderr
    assert child.stderr == EXPECTED + "mask set()\n"


def test_non_blocking_pipe_gets_the_whole_report():
    setup = "os.set_blocking(1, False)"
    child = run_child(setup, stdout=subprocess.PIPE)
    assert child.returncode == 0, child.stderr
    expected = open(os.path.join(HERE, "golden", "lead_lag_every_stage.txt")).read()
    expected += open(os.path.join(HERE, "golden", "pd_zero_added.txt")).read()
    assert child.stdout == expected
