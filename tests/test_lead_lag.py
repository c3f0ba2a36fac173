"""Lead/lag design: the worked runs' whole reports and controllers, the stage edge cases, the
closed-loop pole and the error constant the lag brings, and bad requests that must not hang."""

import math
import pathlib

import pytest

from closed_loop import angle_condition_holds, assert_target_is_closed_loop_pole, static_error_constant
from conftest import parts, raises_exactly
from design_cases import build
from plantwright import Complex, ControllerSpec, System
from plants import cases, native

GOLDEN = pathlib.Path(__file__).parent / "golden"


def hexes(system):
    return (system.gain.hex(), [(z.real.hex(), z.imag.hex()) for z in system.zeros],
            [(p.real.hex(), p.imag.hex()) for p in system.poles])


LEAD_31 = ("-0x1.b5a14fb940916p+1", "0x0.0p+0")
LEAD_POLE_31 = ("-0x1.1184d1d3c85aep+5", "0x0.0p+0")
LAG_ZERO = ("-0x1.999999999999ap-3", "0x0.0p+0")
ZERO = ("0x0.0p+0", "0x0.0p+0")


@pytest.mark.parametrize(
    "name, controller",
    [
        ("lead_lag_one_lead", ("0x1.d4b0988a6a592p+5", [("-0x1.6a26e06ebb7a4p+2", "0x0.0p+0")],
                               [("-0x1.c4b0988a6a58dp+5", "0x0.0p+0")])),
        ("lead_lag_tracking_type0", ("0x1.f24fe52447a99p+5", [LAG_ZERO, ("-0x1.4e1849b8038c1p+2", "0x0.0p+0")],
                                     [("-0x1.23456789abce0p-10", "0x0.0p+0"), ("-0x1.a19e5c26046f1p+5", "0x0.0p+0")])),
        ("lead_lag_tracking_type1", ("0x1.3c38d37d8ea95p+6", [LAG_ZERO, ("-0x1.cc8d6a598f34ep+1", "0x0.0p+0")],
                                     [("-0x1.0624dd2f1a9fcp-11", "0x0.0p+0"), ("-0x1.1fd86277f9811p+5", "0x0.0p+0")])),
        ("lead_lag_every_stage", ("0x1.2d3fc8234a877p+16",
                                  [("-0x1.0000000000000p+1", "0x0.0p+0"), LAG_ZERO, LEAD_31, LEAD_31, LEAD_31],
                                  [ZERO, ("-0x1.0c6f7a0b5ed90p-18", "0x0.0p+0"), LEAD_POLE_31, LEAD_POLE_31,
                                   LEAD_POLE_31])),
        ("lead_lag_above_type", ("0x1.e78f1af61871bp+11", [("-0x1.7c244873dc323p+0", "0x0.0p+0")] * 3,
                                 [("-0x1.db2d5a90d33ecp+3", "0x0.0p+0")] * 3)),
        ("lead_lag_nan_leads", ("nan", [("nan", "0x0.0p+0")], [("nan", "0x0.0p+0")])),
    ],
)
def test_worked_runs_report_and_controller(capfd, name, controller):
    plant, spec = build(name)
    result = plant.lead_lag_control(spec)
    assert capfd.readouterr().out == (GOLDEN / f"{name}.txt").read_text()
    assert hexes(result) == controller


def design(capfd, gain, zeros, poles, target, **fields):
    plant = System(gain, [Complex(*z) for z in zeros], [Complex(*p) for p in poles])
    spec = ControllerSpec(Complex(*target))
    for name, value in fields.items():
        setattr(spec, name, value)
    controller = plant.lead_lag_control(spec)
    return capfd.readouterr().out, controller


# -- stage edge cases -------------------------------------------------------------------------

def test_type_not_specified_adds_nothing(capfd):
    report, controller = design(capfd, 1, [], [(-1, 0), (-2, 0)], (-2, 2))
    assert ("\tDesired system type not specified, moving on\n\n\tSystem is of desired type, moving on\n\n"
            "PHASE CONDITION ANALYSIS") in report
    assert all(not p.is_zero() for p in controller.poles)


def test_type_already_reached_prints_only_the_type_lines(capfd):
    report, _ = design(capfd, 1, [], [(0, 0), (-2, 0)], (-2, 2), system_type=1)
    assert ("SYSTEM TYPE ANALYSIS\n\n\tOpen-loop system is Type 1\n\n\tSystem is of desired type, moving on\n\n"
            "PHASE CONDITION ANALYSIS") in report


def test_open_loop_type_counts_signed_zeros_but_not_tiny_poles(capfd):
    report, _ = design(capfd, 1, [], [(0, 0), (-0.0, 0), (1e-12, 0)], (-2, 2))
    assert "\tOpen-loop system is Type 2\n\n" in report


def test_balanced_integrators(capfd):
    report, controller = design(capfd, 1, [], [(-1, 0), (-3, 0)], (-2, 2), system_type=2, balanced=True)
    assert "\t\tADDING 2 FREE INTEGRATOR(S)\n\n" in report
    assert "\t\tBalancing controller by ADDING 2 ZERO(S) AT LOCATION (-2.000000 + 0.000000j)\n\n" in report
    assert [parts(p) for p in controller.poles[:2]] == [(0.0, 0.0), (0.0, 0.0)]
    assert [parts(z) for z in controller.zeros[:2]] == [(-2.0, 0.0), (-2.0, 0.0)]


def test_a_type_below_the_open_loop_type_removes_nothing(capfd):
    # Integrators can only be added: the stage says so instead of counting down past zero.
    report, controller = design(capfd, 1, [], [(0, 0), (0, 0), (-1, 0)], (-1, 1), system_type=1)
    assert ("\tOpen-loop system is Type 2\n\n"
            "\tOpen-loop system is above desired type 1, poles at the origin cannot be removed, moving on\n\n"
            "PHASE CONDITION ANALYSIS") in report
    assert "System is of desired type" not in report
    assert not any(p.is_zero() for p in controller.poles)


@pytest.mark.parametrize(
    "gain, zeros, poles, target, sections, angle",
    [
        (1, [], [(-1, 0), (-2, 0)], (-2, 2), 1, "26.565051"),
        (1, [], [(0, 0), (-2, 0)], (-2, 2), 1, "45.000000"),
        (1, [], [(0, 0), (-1, 0), (-5, 0)], (-2, 2), 2, "52.627559"),
        (1, [], [(0, 0), (0, 0), (-1, 0), (-1, 0)], (-1, 1), 4, "67.500000"),
        # the value lands on -1 - 0.0j: phase -180, deficiency 360, five sections of 72 degrees
        (1, [(0, 0)], [], (-1, -0.0), 5, "72.000000"),
    ],
)
def test_lead_sections_are_identical_and_printed_once(capfd, gain, zeros, poles, target, sections, angle):
    report, controller = design(capfd, gain, zeros, poles, target)
    assert f"\tADDING {sections} LEAD CONTROLLER(S) to increase phase by {angle} degrees per controller\n\n" in report
    assert report.count("Selecting LEAD CONTROLLER ZERO LOCATION") == 1
    assert report.count("Selecting LEAD CONTROLLER POLE LOCATION") == 1
    assert len(controller.zeros) == len(controller.poles) == sections
    assert len({parts(z) for z in controller.zeros}) == 1 and len({parts(p) for p in controller.poles}) == 1


def test_pz_ratio_one_gives_nan_leads_that_are_still_placed(capfd):
    report, controller = design(capfd, 1, [], [(-1, 0), (-2, 0)], (-2, 2), pz_ratio=1.0)
    assert "\t\tSelecting LEAD CONTROLLER ZERO LOCATION of (NaN + 0.000000j)\n\n" in report
    assert "\t\tSelecting LEAD CONTROLLER POLE LOCATION of (NaN + 0.000000j)\n\n" in report
    assert "\tSELECTED CONTROL GAIN of NaN\n\n" in report and "Gain : NaN\n" in report
    assert math.isnan(controller.gain) and math.isnan(controller.zeros[0].real)


# -- tracking and repair ----------------------------------------------------------------------

def test_tracking_without_system_type_adds_no_lag(capfd):
    report, controller = design(capfd, 1, [], [(-1, 0), (-2, 0)], (-2, 2), tracking_error=0.1)
    assert "TRACKING PERFORMANCE ANALYSIS\n\n\tNo tracking performance specified, moving on\n\n" in report
    assert "\tPhase condition repair not required, moving on\n\n" in report
    _, plain = design(capfd, 1, [], [(-1, 0), (-2, 0)], (-2, 2))
    assert [parts(p) for p in controller.poles] == [parts(p) for p in plain.poles]


def test_tracking_error_zero_adds_a_lag_pole_at_the_origin(capfd):
    report, controller = design(capfd, 1, [], [(-1, 0), (-2, 0)], (-2, 2), system_type=0, tracking_error=0.0)
    assert "\tTracking performance needs improvement, ADDING LAG CONTROLLER\n\n" in report
    assert controller.poles[0].is_zero() and math.copysign(1.0, controller.poles[0].real) == -1.0
    assert "\t\tSelecting LAG CONTROLLER POLE LOCATION of (-0.000000 + 0.000000j)\n\n" in report


def test_constant_equal_to_target_still_adds_the_lag(capfd):
    # 1/(s(s+2)) has Kv = 1/2 and a phase of exactly 180 at -1: no lead, so Kc = 0.5 = 1/2.0 = Kt.
    report, controller = design(capfd, 1, [], [(0, 0), (-2, 0)], (-1, 0), system_type=1, tracking_error=2.0)
    assert "\tPhase condition satisfied, moving on\n\n" in report
    assert "\tCurrent system constant is 0.5000\n\n" in report
    assert "ADDING LAG CONTROLLER" in report
    zero, pole = controller.zeros[0].real, controller.poles[0].real
    assert zero == pytest.approx(pole, rel=1e-15)


def test_satisfied_tracking_repairs_with_the_same_leads(capfd):
    report, controller = design(capfd, 100, [], [(-1, 0), (-2, 0)], (-2, 2), system_type=0, tracking_error=0.5)
    assert "\tTracking performance is satisfactory, moving on\n\n" in report
    first = report.split("PHASE CONDITION ANALYSIS")[1].split("TRACKING")[0]
    repair = report.split("PHASE CONDITION REPAIR")[1].split("CONTROL GAIN")[0]
    assert first.split("ADDING ")[1].split(" LEAD")[0] == repair.split("ADDING ")[1].split(" NEW")[0]
    assert first.split("ZERO LOCATION of ")[1].split("\n")[0] == repair.split("ZERO LOCATION of ")[1].split("\n")[0]
    assert len(controller.zeros) == len(controller.poles) == 1


def test_repair_adding_nothing_leaves_no_lead_pairs(capfd):
    # Just off the root locus of 1/(s(s+2)) the phase is a hair below -180, so five leads are
    # added; the lag (its zero close to the origin) turns the phase back within 0.001 of 180.
    report, controller = design(capfd, 1, [], [(0, 0), (-2, 0)], (-1 + 1e-6, 1), system_type=1, tracking_error=0.05,
                                zt_ratio=1e5)
    assert "\tADDING 5 LEAD CONTROLLER(S)" in report
    assert "\tPhase condition repair not required, moving on\n\n" in report
    assert len(controller.zeros) == len(controller.poles) == 1  # the lag pair alone


# -- physics: the target is a closed-loop pole and the lag lifts the error constant ---------------

@pytest.mark.parametrize(
    "name", ["lead_lag_one_lead", "lead_lag_tracking_type0", "lead_lag_tracking_type1", "lead_lag_every_stage"])
def test_worked_runs_put_the_target_on_the_closed_loop(capfd, name):
    plant, spec = build(name)
    assert assert_target_is_closed_loop_pole(plant, plant.lead_lag_control(spec), spec.target)


@pytest.mark.parametrize("name", ["lead_lag_tracking_type0", "lead_lag_tracking_type1", "lead_lag_every_stage"])
def test_the_lag_brings_the_error_constant_to_the_target(capfd, name):
    """The lag is sized with the controller at unit gain: there the loop's static error constant is
    the target one (the new leads match the first ones in number, so their 1/alpha factors
    cancel); with the selected gain (above 1 here) the tracking requirement is met."""
    plant, spec = build(name)
    controller = plant.lead_lag_control(spec)
    gain = controller.gain
    achieved = static_error_constant(plant, controller)
    assert achieved / gain == pytest.approx(spec.system_constant, rel=1e-9)
    steady_state_error = 1 / (1 + achieved) if spec.system_type == 0 else 1 / achieved
    assert gain > 1 and steady_state_error <= spec.tracking_error


def test_random_designs_put_the_target_on_the_closed_loop(capfd):
    checked = 0
    for gain, zeros, poles, target, fields in cases(21, 800):
        plant, spec = native(gain, zeros, poles, target, fields)
        controller = plant.lead_lag_control(spec)
        capfd.readouterr()
        if not angle_condition_holds(plant, controller, spec.target):
            continue
        checked += assert_target_is_closed_loop_pole(plant, controller, spec.target)
    assert checked >= 100


# -- requests that cannot be built -------------------------------------------------------------

@pytest.mark.parametrize("system_type", [10**15, 2**64 - 1])
def test_an_integrator_count_beyond_memory_is_memory_error_with_nothing_built(capfd, system_type):
    plant, spec = build("lead_lag_one_lead")
    spec.system_type = system_type
    raises_exactly(MemoryError, None, plant.lead_lag_control, spec)
    assert spec.system_type == system_type and len(plant.poles) == 2
    report = capfd.readouterr().out
    assert report.endswith("\tOpen-loop system is Type 0\n\n")
    # the module is still usable
    assert plant.lead_lag_control(ControllerSpec(Complex(-2, 2))).gain > 0
