"""PD design: the worked cases' whole reports and controllers, the target really on the closed-loop
locus, and the plant and specification left untouched."""

import pathlib

import pytest

from closed_loop import angle_condition_holds, assert_target_is_closed_loop_pole
from conftest import bits, parts
from design_cases import build
from plantwright import Complex, ControllerSpec, System
from plants import cases, native

GOLDEN = pathlib.Path(__file__).parent / "golden"


def hexes(system):
    return (system.gain.hex(), [(z.real.hex(), z.imag.hex()) for z in system.zeros],
            [(p.real.hex(), p.imag.hex()) for p in system.poles])


@pytest.mark.parametrize(
    "name, controller",
    [
        ("pd_no_zero", ("0x1.0000000000000p+1", [], [])),
        ("pd_zero_added", ("0x1.7ffffffffffffp+1", [("-0x1.5555555555556p+1", "0x0.0p+0")], [])),
        ("pd_refused", ("0x1.0000000000000p+0", [], [])),
        ("pd_negative_gain", ("-0x1.ffffffffffffep-1", [("-0x1.8000000000001p+1", "0x0.0p+0")], [])),
        ("pd_target_on_pole", ("nan", [], [])),
    ],
)
def test_worked_cases_report_and_controller(capfd, name, controller):
    plant, spec = build(name)
    result = plant.pd_control(spec)
    assert capfd.readouterr().out == (GOLDEN / f"{name}.txt").read_text()
    assert hexes(result) == controller


def test_zero_offset_of_exactly_zero_is_accepted(capfd):
    # The target straight above the origin: the zero lands on -0.0, which is not in the RHP.
    plant = System(1, [], [Complex(-1, 0), Complex(-2, 0)])
    result = plant.pd_control(ControllerSpec(Complex(0, 1)))
    report = capfd.readouterr().out
    zero = result.zeros[0]
    if zero.real == 0.0:
        assert "Selecting PD CONTROLLER ZERO LOCATION of (-0.000000 + 0.000000j)" in report
        assert bits(zero.real) == bits(-0.0)
    assert "NOT POSSIBLE" not in report


def test_plant_and_specification_are_unchanged_and_each_call_is_new(capfd):
    plant, spec = build("pd_zero_added")
    before = (plant.gain, [parts(z) for z in plant.zeros], [parts(p) for p in plant.poles])
    spec.system_type, spec.tracking_error, spec.pz_ratio, spec.balanced = 3, 0.2, 4.0, True
    spec_before = (spec.system_type, spec.tracking_error, parts(spec.target), spec.pz_ratio, spec.zt_ratio, spec.balanced)
    first, second = plant.pd_control(spec), plant.pd_control(spec=spec)
    assert first is not second and first is not plant
    assert (plant.gain, [parts(z) for z in plant.zeros], [parts(p) for p in plant.poles]) == before
    assert (spec.system_type, spec.tracking_error, parts(spec.target), spec.pz_ratio, spec.zt_ratio,
            spec.balanced) == spec_before
    out = capfd.readouterr().out
    assert out.count("PD CONTROLLER DESIGN") == 2


def test_argument_errors_write_nothing(capfd):
    plant = System(1, [], [Complex(-1, 0)])
    with pytest.raises(TypeError, match=r"^argument 'spec': 'Complex' object cannot be converted to 'ControllerSpec'$"):
        plant.pd_control(Complex(-1, 1))
    with pytest.raises(TypeError, match=r"^System.pd_control\(\) missing 1 required positional argument: 'spec'$"):
        plant.pd_control()
    assert capfd.readouterr().out == ""


@pytest.mark.parametrize("name", ["pd_no_zero", "pd_zero_added"])
def test_worked_designs_put_the_target_on_the_closed_loop(capfd, name):
    plant, spec = build(name)
    assert assert_target_is_closed_loop_pole(plant, plant.pd_control(spec), spec.target)


def test_random_successful_designs_put_the_target_on_the_closed_loop(capfd):
    checked = 0
    for gain, zeros, poles, target, fields in cases(11, 400):
        plant, spec = native(gain, zeros, poles, target, fields)
        controller = plant.pd_control(spec)
        if "NOT POSSIBLE" in capfd.readouterr().out or not angle_condition_holds(plant, controller, spec.target):
            continue
        checked += assert_target_is_closed_loop_pole(plant, controller, spec.target)
    assert checked >= 100
