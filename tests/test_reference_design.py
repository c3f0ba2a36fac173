"""Self-check of the pure-Python reference against hand-worked examples.

Imports only the reference, so it runs without the native module.
"""

import math
import struct

import pytest

import reference_design as ref
from reference_design import System

nan, inf = math.nan, math.inf

HEADINGS = {
    "SYSTEM TYPE ANALYSIS\n\n",
    "PHASE CONDITION ANALYSIS\n\n",
    "TRACKING PERFORMANCE ANALYSIS\n\n",
    "PHASE CONDITION REPAIR\n\n",
    "CONTROL GAIN SELECTION\n\n",
    "Control design routine complete!\n\n",
}


def assert_same(actual, expected):
    """Bitwise equality of doubles (signed zeros included); any NaN matches NaN."""
    if math.isnan(expected):
        assert math.isnan(actual)
    else:
        assert struct.pack("<d", actual) == struct.pack("<d", expected)


def pd_messages(plant, target):
    messages = []
    controller = ref.design_pd(plant, target, messages.append)
    return messages, controller


def lead_lag_messages(plant, target, **fields):
    messages = []
    controller = ref.design_lead_lag(plant, target, messages.append, **fields)
    return messages, controller


def stage(messages, heading):
    """The messages printed under `heading`, up to the next heading."""
    start = messages.index(heading) + 1
    end = next(i for i in range(start, len(messages)) if messages[i] in HEADINGS)
    return messages[start:end]


def value_in(message, prefix, suffix):
    assert message.startswith(prefix) and message.endswith(suffix), message
    return float(message[len(prefix) : len(message) - len(suffix)])


# IEEE results where Python itself would raise


@pytest.mark.parametrize(
    "function, args, expected",
    [
        (ref.ieee_div, (1.0, 0.0), inf),
        (ref.ieee_div, (1.0, -0.0), -inf),
        (ref.ieee_div, (-1.0, -0.0), inf),
        (ref.ieee_div, (-inf, 0.0), -inf),
        (ref.ieee_div, (0.0, 0.0), nan),
        (ref.ieee_div, (nan, -0.0), nan),
        (ref.ieee_div, (6.0, 3.0), 2.0),
        (ref.ieee_sqrt, (-1.0,), nan),
        (ref.ieee_sqrt, (-inf,), nan),
        (ref.ieee_sqrt, (-0.0,), -0.0),
        (ref.ieee_sqrt, (2.25,), 1.5),
        (ref.ieee_tan, (inf,), nan),
        (ref.ieee_tan, (-inf,), nan),
        (ref.ieee_ceil, (nan,), nan),
        (ref.ieee_ceil, (-inf,), -inf),
        (ref.ieee_ceil, (1.2,), 2.0),
    ],
)
def test_ieee_helpers(function, args, expected):
    assert_same(function(*args), expected)


# Complex arithmetic: textbook formulas, no scaling, no exceptions


@pytest.mark.parametrize(
    "operation, a, b, expected, text",
    [
        (ref.add, (1.0, 2.0), (3.0, 4.0), (4.0, 6.0), "(4.000000 + 6.000000j)"),
        (ref.sub, (1.0, 2.0), (3.0, 4.0), (-2.0, -2.0), "(-2.000000 + -2.000000j)"),
        (ref.mul, (1.0, 2.0), (3.0, 4.0), (-5.0, 10.0), "(-5.000000 + 10.000000j)"),
        (ref.div, (1.0, 2.0), (3.0, 4.0), (0.44, 0.08), "(0.440000 + 0.080000j)"),
        (ref.div, (1.0, 1.0), (0.0, 0.0), (nan, nan), "(NaN + NaNj)"),
    ],
)
def test_complex_arithmetic(operation, a, b, expected, text):
    result = operation(a, b)
    assert_same(result[0], expected[0])
    assert_same(result[1], expected[1])
    assert ref.complex_text(result) == text


@pytest.mark.parametrize(
    "value, expected",
    [((3.0, 4.0), 5.0), ((1e200, 1e200), inf), ((1e-200, 0.0), 0.0)],
)
def test_modulus_is_not_rescaled(value, expected):
    assert_same(ref.modulus(value), expected)


@pytest.mark.parametrize(
    "value, expected",
    [
        ((0.0, 1.0), 90.0),
        ((1.0, -1.0), -45.0),
        ((-1.0, 0.0), 180.0),
        ((-1.0, -0.0), -180.0),
        ((0.0, 0.0), 0.0),
    ],
)
def test_arg_degrees(value, expected):
    assert_same(ref.arg_degrees(value), expected)


@pytest.mark.parametrize(
    "value, expected",
    [
        ((0.0, 0.0), True),
        ((-0.0, 0.0), True),
        ((0.0, -0.0), True),
        ((1e-300, 0.0), False),
        ((0.0, 0.001), False),
        ((nan, 0.0), False),
    ],
)
def test_is_zero_has_no_tolerance(value, expected):
    assert ref.is_zero(value) is expected


# Number formats


@pytest.mark.parametrize(
    "value, digits, text",
    [
        (1e20, 6, "100000000000000000000.000000"),
        (1 / 128, 6, "0.007812"),  # exact tie, rounds to even
        (3 / 128, 6, "0.023438"),  # exact tie, rounds to even
        (5e-7, 6, "0.000000"),  # the double lies just below the tie
        (-0.0, 6, "-0.000000"),
        (-1e-9, 6, "-0.000000"),
        (nan, 6, "NaN"),
        (-nan, 6, "NaN"),
        (inf, 6, "inf"),
        (-inf, 6, "-inf"),
        (0.5, 4, "0.5000"),
        (0.05, 4, "0.0500"),
    ],
)
def test_fixed(value, digits, text):
    assert ref.fixed(value, digits) == text


@pytest.mark.parametrize(
    "values, text",
    [
        ([], ""),
        ([(-1.0, 0.0), (-2.0, 3.0)], "(-1.000000 + 0.000000j), (-2.000000 + 3.000000j)"),
        ([(3.0, 4.0)], "(3.000000 + 4.000000j)"),
        ([(-0.0, 0.0)], "(-0.000000 + 0.000000j)"),
        ([(inf, -inf)], "(inf + -infj)"),
        ([(1.0, -2.0)], "(1.000000 + -2.000000j)"),
    ],
)
def test_complex_list(values, text):
    assert ref.complex_list(values) == text


# System: evaluation order, type and constant


def test_neutral_system_evaluates_to_one():
    neutral = System()
    assert ref.complex_text(neutral.eval((3.0, -7.0))) == "(1.000000 + 0.000000j)"
    assert_same(neutral.phase((3.0, -7.0)), 0.0)
    assert_same(neutral.magnitude((3.0, -7.0)), 1.0)


def test_eval_magnitude_and_phase():
    plant = System(10.0, [], [(0.0, 0.0), (-2.0, 0.0)])
    value = plant.eval((-1.0, 1.0))
    assert_same(value[0], -5.0)
    assert_same(value[1], 0.0)
    assert_same(plant.magnitude((-1.0, 1.0)), 5.0)
    assert_same(plant.phase((-1.0, 1.0)), 180.0)


def test_eval_at_a_pole_and_at_a_zero():
    plant = System(2.0, [(-1.0, 0.0)], [(-3.0, 1.0)])
    at_pole = plant.eval((-3.0, 1.0))
    assert math.isnan(at_pole[0]) and math.isnan(at_pole[1])
    assert math.isnan(plant.phase((-3.0, 1.0)))
    assert_same(plant.magnitude((-1.0, 0.0)), 0.0)


@pytest.mark.parametrize(
    "plant",
    [
        # A cancelling pair would give 1e300; applied first, the zero overflows.
        System(1e300, [(-1e10, 0.0)], [(-1e10, 0.0)]),
        # Pole first would keep the imaginary part 0.0; zero first turns it into inf * 0.
        System(1e300, [(-1e10, 0.0)], [(-2.0, 0.0)]),
    ],
)
def test_zeros_are_applied_before_poles(plant):
    real, imag = plant.eval((0.0, 0.0))
    assert real == inf and math.isnan(imag)


@pytest.mark.parametrize(
    "deficiency, met",
    [(0.0, True), (0.001, True), (-0.001, True), (nan, True), (0.0010000001, False), (-0.0011, False), (360.0, False)],
)
def test_phase_tolerance_is_strict(deficiency, met):
    assert ref.phase_condition_met(deficiency) is met


@pytest.mark.parametrize(
    "zeros, poles, expected",
    [
        ([], [(0.0, 0.0), (-0.0, 0.0), (0.0, -0.0)], 3),
        ([(0.0, 0.0)], [(1e-300, 0.0), (nan, 0.0)], 0),
        ([], [(0.0, 0.0), (-0.0, 0.0), (1e-12, 0.0)], 2),
    ],
)
def test_system_type_counts_exact_origin_poles(zeros, poles, expected):
    assert System(1.0, zeros, poles).system_type() == expected


@pytest.mark.parametrize(
    "gain, zeros, poles, expected",
    [
        (10.0, [], [(0.0, 0.0), (-2.0, 0.0)], 5.0),
        (10.0, [(-3.0, 0.0)], [(-1.0, 0.0), (-2.0, 0.0)], 15.0),
        (10.0, [], [(-1.0, 0.0), (-2.0, 0.0)], 5.0),
        (4.0, [], [(0.0, 0.0), (0.0, 0.0)], 4.0),
    ],
)
def test_system_constant_is_the_low_frequency_limit(gain, zeros, poles, expected):
    assert_same(System(gain, zeros, poles).system_constant(), expected)


def test_zero_at_origin_makes_system_constant_zero():
    assert System(4.0, [(0.0, 0.0)], []).system_constant() == 0.0


def test_free_integrators_raise_type_but_keep_constant():
    plant = System(3.0, [(-1.0, 0.5)], [(-2.0, 0.0), (-4.0, 1.0)])
    before = plant.system_constant()
    plant.add_free_integrator()
    plant.add_free_integrator()
    assert plant.system_type() == 2
    assert_same(plant.system_constant(), before)


def test_compose_concatenates_receiver_first():
    a = System(2.0, [(-1.0, 0.0)], [(-2.0, 0.0)])
    b = System(-3.0, [(-5.0, 1.0)], [(0.0, 0.0), (-7.0, 0.0)])
    ab = a.compose(b)
    assert (ab.gain, ab.zeros, ab.poles) == (-6.0, a.zeros + b.zeros, a.poles + b.poles)
    aa = a.compose(a)
    assert (aa.zeros, aa.poles) == (a.zeros * 2, a.poles * 2)
    assert (a.gain, a.zeros, a.poles) == (2.0, [(-1.0, 0.0)], [(-2.0, 0.0)])


def test_system_accepts_objects_with_real_and_imag():
    assert System(1, [1 + 2j], [(3, -4)]).zeros == [(1.0, 2.0)]


# Target system constant


@pytest.mark.parametrize(
    "system_type, tracking_error, expected",
    [
        (0, 0.1, 9.0),
        (1, 0.1, 10.0),
        (2, 0.1, 10.0),
        (0, 0.2, 4.0),
        (1, 0.0, inf),
        (0, 0.0, inf),
        (None, 0.1, None),
        (1, None, None),
    ],
)
def test_spec_system_constant(system_type, tracking_error, expected):
    result = ref.spec_system_constant(system_type, tracking_error)
    if expected is None:
        assert result is None
    else:
        assert_same(result, expected)


# PD design


def test_pd_report_when_the_angle_condition_already_holds():
    messages, controller = pd_messages(System(1.0, [], [(0.0, 0.0), (-2.0, 0.0)]), (-1.0, 1.0))
    assert messages == [
        "Plantwright\n===========\n\n",
        "PD CONTROLLER DESIGN\n\n",
        "PHASE CONDITION ANALYSIS\n\n",
        "\tPhase of target pole is 180.000000 degrees\n\n",
        "\tPhase condition satisfied, moving on\n\n",
        "CONTROL GAIN SELECTION\n\n",
        "\tSELECTED CONTROL GAIN of 2.000000\n\n",
        "Control design routine complete!\n\n",
        "Summary\n-------\n\n",
        "Gain : 2.000000\n",
        "Poles: \n",
        "Zeros: \n",
    ]
    assert (controller.gain, controller.zeros, controller.poles) == (2.0, [], [])


@pytest.mark.parametrize(
    "plant, target, phase, deficiency, zero, gain",
    [
        # Phase 180 - atan 3; tangent 3, so the zero sits at -8/3.
        (System(1.0, [], [(0.0, 0.0), (-1.0, 0.0)]), (-2.0, 2.0), "108.434949", "71.565051", -8 / 3, 3.0),
        # Deficiency above 180 is not wrapped: the zero cancels the pole, the gain turns negative.
        (System(1.0, [], [(-3.0, 0.0)]), (-1.0, 1.0), "-26.565051", "206.565051", -3.0, -1.0),
    ],
)
def test_pd_adds_one_zero(plant, target, phase, deficiency, zero, gain):
    messages, controller = pd_messages(plant, target)
    zero_text = ref.complex_text((zero, 0.0))
    assert stage(messages, "PHASE CONDITION ANALYSIS\n\n")[:3] == [
        f"\tPhase of target pole is {phase} degrees\n\n",
        f"\tADDING ZERO to increase phase by {deficiency} degrees\n\n",
        f"\t\tSelecting PD CONTROLLER ZERO LOCATION of {zero_text}\n\n",
    ]
    assert messages[-3:] == [f"Gain : {ref.fixed(gain)}\n", "Poles: \n", f"Zeros: {zero_text}\n"]
    assert f"\tSELECTED CONTROL GAIN of {ref.fixed(gain)}\n\n" in messages
    assert controller.gain == pytest.approx(gain, abs=4 * math.ulp(gain))
    assert controller.zeros[0][0] == pytest.approx(zero, rel=1e-14)
    assert controller.poles == []


@pytest.mark.parametrize(
    "plant, phase, deficiency, location",
    [
        # The zero would have to sit at +1.
        (System(1.0, [(-3.0, 0.0)], []), "26.565051", "153.434949", 1.0),
        # tan of 180 degrees is a tiny negative number: the zero lands far to the right.
        (System(1.0, [], []), "0.000000", "180.000000", 8.2e15),
    ],
)
def test_pd_refuses_a_right_half_plane_zero(plant, phase, deficiency, location):
    messages, controller = pd_messages(plant, (-1.0, 1.0))
    assert messages[3:5] == [
        f"\tPhase of target pole is {phase} degrees\n\n",
        f"\tADDING ZERO to increase phase by {deficiency} degrees\n\n",
    ]
    printed = value_in(
        messages[5], "\tPhase condition requires zero placement at location (", " + 0.000000j) but zero cannot be in RHP\n\n"
    )
    assert printed == pytest.approx(location, rel=0.01)
    assert messages[6:] == ["\tPD control NOT POSSIBLE for this system, QUITTING\n\n"]
    assert (controller.gain, controller.zeros, controller.poles) == (1.0, [], [])


def test_pd_target_on_a_pole_gives_nan_gain():
    messages, controller = pd_messages(System(1.0, [], [(-1.0, 1.0)]), (-1.0, 1.0))
    assert messages[3:5] == ["\tPhase of target pole is NaN degrees\n\n", "\tPhase condition satisfied, moving on\n\n"]
    assert "\tSELECTED CONTROL GAIN of NaN\n\n" in messages
    assert messages[-3] == "Gain : NaN\n"
    assert math.isnan(controller.gain) and controller.zeros == []


def test_pd_accepts_a_zero_offset_of_exactly_zero():
    # Phase -180 at the origin and a target real part of -0.0 make the offset +0.0.
    messages, controller = pd_messages(System(1.0, [], [(1.0, 0.0)]), (-0.0, 0.0))
    assert "\t\tSelecting PD CONTROLLER ZERO LOCATION of (-0.000000 + 0.000000j)\n\n" in messages
    assert_same(controller.zeros[0][0], -0.0)


# Lead/lag design: system-type stage

TWO_POLE_PLANT = System(1.0, [], [(-1.0, 0.0), (-2.0, 0.0)])
TARGET = (-2.0, 2.0)

NO_TYPE = "\tDesired system type not specified, moving on\n\n"
DESIRED = "\tSystem is of desired type, moving on\n\n"


@pytest.mark.parametrize(
    "poles, fields, expected, added",
    [
        ([(-1.0, 0.0), (-2.0, 0.0)], {}, ["\tOpen-loop system is Type 0\n\n", NO_TYPE, DESIRED], 0),
        ([(0.0, 0.0), (-2.0, 0.0)], {"system_type": 1}, ["\tOpen-loop system is Type 1\n\n", DESIRED], 0),
        (
            [(0.0, 0.0), (-0.0, 0.0), (1e-12, 0.0)],
            {"system_type": 2},
            ["\tOpen-loop system is Type 2\n\n", DESIRED],
            0,
        ),
        (
            [(-1.0, 0.0)],
            {"system_type": 2},
            ["\tOpen-loop system is Type 0\n\n", "\t\tADDING 2 FREE INTEGRATOR(S)\n\n", DESIRED],
            2,
        ),
        (
            [(-1.0, 0.0)],
            {"system_type": 2, "balanced": True},
            [
                "\tOpen-loop system is Type 0\n\n",
                "\t\tADDING 2 FREE INTEGRATOR(S)\n\n",
                "\t\tBalancing controller by ADDING 2 ZERO(S) AT LOCATION (-2.000000 + 0.000000j)\n\n",
                DESIRED,
            ],
            2,
        ),
        # Poles already at the origin cannot be taken away: nothing is added.
        (
            [(0.0, 0.0), (0.0, 0.0), (-1.0, 0.0)],
            {"system_type": 1},
            [
                "\tOpen-loop system is Type 2\n\n",
                "\tOpen-loop system is above desired type 1, poles at the origin cannot be removed, moving on\n\n",
            ],
            0,
        ),
    ],
)
def test_system_type_stage(poles, fields, expected, added):
    messages, controller = lead_lag_messages(System(1.0, [], poles), (-2.0, 2.0), **fields)
    assert stage(messages, "SYSTEM TYPE ANALYSIS\n\n") == expected
    # The controller opens with the added integrators (and their balancing zeros).
    assert controller.system_type() == added
    assert controller.poles[:added] == [(0.0, 0.0)] * added
    balancing = [(-2.0, 0.0)] * added if fields.get("balanced") else []
    assert controller.zeros[: len(balancing)] == balancing


# Lead/lag design: phase-condition stage and lead placement


@pytest.mark.parametrize(
    "deficiency, count, angle",
    [(0.0011, 1, 0.0011), (75.0, 1, 75.0), (75.0001, 2, 37.50005), (150.0, 2, 75.0), (360.0, 5, 72.0)],
)
def test_lead_sections(deficiency, count, angle):
    assert ref.lead_sections(deficiency) == (count, angle)


@pytest.mark.parametrize(
    "angle, target, x",
    [
        (math.degrees(math.atan(0.5)), (-2.0, 2.0), (29 + math.sqrt(761)) / 10),
        (45.0, (-2.0, 2.0), 2 + math.sqrt(3.2)),
    ],
)
def test_lead_placement_adds_the_angle(angle, target, x):
    zero, pole = ref.lead_placement(angle, 10.0, target)
    assert zero == (pytest.approx(-x, rel=1e-12), 0.0)
    assert pole == (pytest.approx(-10 * x, rel=1e-12), 0.0)
    added = ref.arg_degrees(ref.sub(target, zero)) - ref.arg_degrees(ref.sub(target, pole))
    assert added == pytest.approx(angle, abs=1e-9)


def test_phase_of_exactly_180_needs_no_lead():
    messages, controller = lead_lag_messages(System(10.0, [], [(0.0, 0.0), (-2.0, 0.0)]), (-1.0, 1.0))
    assert stage(messages, "PHASE CONDITION ANALYSIS\n\n") == [
        "\tPhase of target pole is 180.000000 degrees\n\n",
        "\tPhase condition satisfied, moving on\n\n",
    ]
    assert controller.zeros == [] and controller.poles == []


def test_identical_lead_sections_are_announced_once():
    messages, controller = lead_lag_messages(System(1.0, [], [(0.0, 0.0), (0.0, 0.0), (-1.0, 0.0)]), (-2.0, 2.0))
    lines = stage(messages, "PHASE CONDITION ANALYSIS\n\n")
    assert lines[1].startswith("\tADDING 3 LEAD CONTROLLER(S) to increase phase by ")
    assert [line.split(" of ")[0] for line in lines[2:4]] == [
        "\t\tSelecting LEAD CONTROLLER ZERO LOCATION",
        "\t\tSelecting LEAD CONTROLLER POLE LOCATION",
    ]
    assert len(controller.zeros) == len(controller.poles) == 3
    assert len(set(controller.zeros)) == len(set(controller.poles)) == 1


def test_negative_discriminant_places_nan_lead():
    messages, controller = lead_lag_messages(System(1.0, [], [(-1.0, 0.0), (-2.0, 0.0)]), (-2.0, 2.0), pz_ratio=1.0)
    assert stage(messages, "PHASE CONDITION ANALYSIS\n\n")[2:4] == [
        "\t\tSelecting LEAD CONTROLLER ZERO LOCATION of (NaN + 0.000000j)\n\n",
        "\t\tSelecting LEAD CONTROLLER POLE LOCATION of (NaN + 0.000000j)\n\n",
    ]
    assert math.isnan(controller.zeros[0][0]) and math.isnan(controller.poles[0][0])


# Lead/lag design: worked runs


def test_worked_run_without_tracking():
    messages, controller = lead_lag_messages(TWO_POLE_PLANT, TARGET)
    lines = stage(messages, "PHASE CONDITION ANALYSIS\n\n")
    assert lines[:4] == [
        "\tPhase of target pole is 153.434949 degrees\n\n",
        "\tADDING 1 LEAD CONTROLLER(S) to increase phase by 26.565051 degrees per controller\n\n",
        "\t\tSelecting LEAD CONTROLLER ZERO LOCATION of (-5.658623 + 0.000000j)\n\n",
        "\t\tSelecting LEAD CONTROLLER POLE LOCATION of (-56.586228 + 0.000000j)\n\n",
    ]
    reached = value_in(lines[4], "\tPhase condition satisfied at ", " degrees, moving on\n\n")
    assert abs(reached) == pytest.approx(180.0, abs=1e-9)
    assert stage(messages, "TRACKING PERFORMANCE ANALYSIS\n\n") == ["\tNo tracking performance specified, moving on\n\n"]
    assert stage(messages, "PHASE CONDITION REPAIR\n\n") == [
        "\tPhase of target pole (excluding lead control) is 153.434949 degrees\n\n",
        "\tPhase condition repair not required, moving on\n\n",
    ]
    x = (29 + math.sqrt(761)) / 10

    def distance(root):
        return math.hypot(TARGET[0] - root, TARGET[1])

    # 1 / |G(s)| from the distances of the target to every pole and zero of the loop.
    expected_gain = distance(-1) * distance(-2) * distance(-10 * x) / distance(-x)
    assert controller.gain == pytest.approx(58.6, abs=0.05)
    assert controller.gain == pytest.approx(expected_gain, rel=1e-12)
    assert messages[-3:] == [
        f"Gain : {ref.fixed(controller.gain)}\n",
        "Poles: (-56.586228 + 0.000000j)\n",
        "Zeros: (-5.658623 + 0.000000j)\n",
    ]


@pytest.mark.parametrize(
    "plant, target, system_type, tracking_error, constant, lag_zero, lag_pole",
    [
        (TWO_POLE_PLANT, TARGET, 0, 0.1, "0.0500", -0.2, -1 / 900),
        (System(1.0, [], [(0.0, 0.0), (-2.0, 0.0)]), TARGET, 1, 0.05, "0.0500", -0.2, -1 / 2000),
        # Phase already 180, so Kc is the plant's 10/2, equal to Kt: equality still adds the lag.
        (System(10.0, [], [(0.0, 0.0), (-2.0, 0.0)]), (-1.0, 1.0), 1, 0.2, "5.0000", -0.1, -0.1),
    ],
)
def test_lag_section_lifts_the_system_constant(
    plant, target, system_type, tracking_error, constant, lag_zero, lag_pole
):
    messages, controller = lead_lag_messages(plant, target, system_type=system_type, tracking_error=tracking_error)
    assert stage(messages, "TRACKING PERFORMANCE ANALYSIS\n\n") == [
        f"\tCurrent system constant is {constant}\n\n",
        "\tTracking performance needs improvement, ADDING LAG CONTROLLER\n\n",
        f"\t\tSelecting LAG CONTROLLER ZERO LOCATION of {ref.complex_text((lag_zero, 0.0))}\n\n",
        f"\t\tSelecting LAG CONTROLLER POLE LOCATION of {ref.complex_text((lag_pole, 0.0))}\n\n",
    ]
    assert controller.zeros[0] == (lag_zero, 0.0)
    assert controller.poles[0] == (pytest.approx(lag_pole, rel=1e-12), 0.0)


def test_worked_run_with_tracking():
    messages, controller = lead_lag_messages(TWO_POLE_PLANT, TARGET, system_type=0, tracking_error=0.1)
    lines = stage(messages, "PHASE CONDITION REPAIR\n\n")
    phase = value_in(lines[0], "\tPhase of target pole (excluding lead control) is ", " degrees\n\n")
    assert 150.0 < phase < 151.0
    angle = value_in(lines[1], "\tADDING 1 NEW LEAD CONTROLLER(S) to increase phase by ", " degrees per controller\n\n")
    assert 29.0 < angle < 30.0
    zero = value_in(lines[2], "\t\tSelecting NEW LEAD CONTROLLER ZERO LOCATION of (", " + 0.000000j)\n\n")
    pole = value_in(lines[3], "\t\tSelecting NEW LEAD CONTROLLER POLE LOCATION of (", " + 0.000000j)\n\n")
    assert (zero, pole) == (pytest.approx(-5.22, abs=0.005), pytest.approx(-52.2, abs=0.05))
    assert lines[4].startswith("\tPhase condition repaired at ")
    assert controller.gain == pytest.approx(62.3, abs=0.05)
    # The first lead pair served only for the system constant; the controller carries the new one.
    assert [p[0] for p in controller.poles] == [pytest.approx(-1 / 900, rel=1e-12), pytest.approx(pole, abs=1e-6)]
    assert [z[0] for z in controller.zeros] == [-0.2, pytest.approx(zero, abs=1e-6)]


def test_satisfactory_tracking_repeats_the_same_lead():
    _, untracked = lead_lag_messages(TWO_POLE_PLANT, TARGET)
    messages, tracked = lead_lag_messages(TWO_POLE_PLANT, TARGET, system_type=0, tracking_error=100.0)
    assert stage(messages, "TRACKING PERFORMANCE ANALYSIS\n\n") == [
        "\tCurrent system constant is 0.0500\n\n",
        "\tTracking performance is satisfactory, moving on\n\n",
    ]
    assert stage(messages, "PHASE CONDITION REPAIR\n\n")[1].startswith("\tADDING 1 NEW LEAD CONTROLLER(S)")
    assert (tracked.zeros, tracked.poles) == (untracked.zeros, untracked.poles)


def test_tracking_error_without_type_requests_no_tracking():
    _, untracked = lead_lag_messages(TWO_POLE_PLANT, TARGET)
    messages, controller = lead_lag_messages(TWO_POLE_PLANT, TARGET, tracking_error=0.1)
    assert stage(messages, "TRACKING PERFORMANCE ANALYSIS\n\n") == ["\tNo tracking performance specified, moving on\n\n"]
    assert (controller.gain, controller.zeros, controller.poles) == (untracked.gain, untracked.zeros, untracked.poles)


@pytest.mark.parametrize("system_type, wanted", [(0, 1.0), (1, 2.0)])
def test_type_above_request_still_targets_the_requested_constant(system_type, wanted):
    # Three lead pairs at -x and -10x give the type-2 plant 1/s^2(s+1) the constant 1/1000.
    plant = System(1.0, [], [(0.0, 0.0), (0.0, 0.0), (-1.0, 0.0)])
    _, controller = lead_lag_messages(plant, TARGET, system_type=system_type, tracking_error=0.5)
    assert controller.system_type() == 0
    assert controller.poles[0] == (pytest.approx(0.001 * -0.2 / wanted, rel=1e-9), 0.0)


# Every finished design puts the target on the closed-loop root locus: K * L(s) = -1.


@pytest.mark.parametrize(
    "design, plant, target, fields",
    [
        (ref.design_pd, System(1.0, [], [(0.0, 0.0), (-2.0, 0.0)]), (-1.0, 1.0), {}),
        (ref.design_pd, System(1.0, [], [(0.0, 0.0), (-1.0, 0.0)]), (-2.0, 2.0), {}),
        (ref.design_pd, System(1.0, [], [(-3.0, 0.0)]), (-1.0, 1.0), {}),
        (ref.design_lead_lag, TWO_POLE_PLANT, TARGET, {}),
        (ref.design_lead_lag, TWO_POLE_PLANT, TARGET, {"system_type": 0, "tracking_error": 0.1}),
        (ref.design_lead_lag, System(1.0, [], [(0.0, 0.0), (-2.0, 0.0)]), TARGET, {"system_type": 1, "tracking_error": 0.05}),
        (ref.design_lead_lag, System(1.0, [], [(-1.0, 0.0)]), TARGET, {"system_type": 2, "balanced": True}),
        (ref.design_lead_lag, System(2.0, [(-4.0, 0.0)], [(-1.0, 1.0), (-1.0, -1.0)]), (-3.0, 4.0), {"system_type": 1}),
    ],
)
def test_closed_loop_has_the_target_pole(design, plant, target, fields):
    controller = design(plant, target, lambda message: None, **fields)
    real, imag = plant.compose(controller).eval(target)
    assert (real, imag) == (pytest.approx(-1.0, abs=1e-9), pytest.approx(0.0, abs=1e-9))


def test_gain_is_nan_when_the_loop_value_has_an_infinite_imaginary_part():
    # L(s) = 1e308 * (1 + 10j): the imaginary part overflows, the real part does not.
    messages = []
    controller = ref.close_design(System(1e308), (0.0, 10.0), System(1.0, [(-1.0, 0.0)]), messages.append)
    assert math.isnan(controller.gain)
    assert messages[1] == "\tSELECTED CONTROL GAIN of NaN\n\n"


def test_run_wrappers_join_the_messages():
    messages, controller = pd_messages(TWO_POLE_PLANT, TARGET)
    text, same = ref.run_pd(TWO_POLE_PLANT, TARGET)
    assert text == "".join(messages) and text.endswith("\nZeros: " + ref.complex_list(controller.zeros) + "\n")
    assert (same.gain, same.zeros) == (controller.gain, controller.zeros)
    text, _ = ref.run_lead_lag(TWO_POLE_PLANT, TARGET, system_type=0, tracking_error=0.1)
    assert text.startswith("Plantwright\n===========\n\nLEAD/LAG CONTROLLER DESIGN\n\n")
    assert "\tCurrent system constant is 0.0500\n\n" in text
