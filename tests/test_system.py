"""System: evaluation to the last bit, type and constant, composition, appends, copy semantics,
and the Python class's conversions and errors."""

import math
import random
from collections.abc import Sequence

import pytest

import reference_design as ref
from conftest import OldStyleSequence, bits, parts, raises_exactly
from plantwright import Complex, ControllerSpec, System

NAN = math.nan
INF = math.inf


def C(re, im=0.0):
    return Complex(re, im)


def pairs(values):
    return [(v.real, v.imag) for v in values]


def same(a, b):
    return (math.isnan(a) and math.isnan(b)) or bits(a) == bits(b)


# -- evaluation, magnitude and phase ----------------------------------------------------------

@pytest.mark.parametrize(
    "gain, zeros, poles, s, value",
    [
        (1.0, [], [], (7, -3), (1.0, 0.0)),
        (10, [], [(0, 0), (-2, 0)], (-1, 1), (-5.0, 0.0)),
        (1, [], [(-1, 1)], (-1, 1), (NAN, NAN)),  # exactly at a pole
        # zeros are applied before poles: the zero step overflows first
        (1e300, [(-1e10, 0)], [(-1e10, 0)], (0, 0), (INF, NAN)),
    ],
)
def test_eval(gain, zeros, poles, s, value):
    result = System(gain, [C(*z) for z in zeros], [C(*p) for p in poles]).eval(C(*s))
    assert isinstance(result, Complex)
    assert all(same(g, w) for g, w in zip(parts(result), value))


def test_magnitude_and_phase_come_from_the_evaluated_value():
    plant = System(10, [], [C(0), C(-2)])
    assert plant.magnitude(C(-1, 1)) == 5.0 and plant.phase(C(-1, 1)) == 180.0
    identity = System(1.0, [], [])
    assert identity.phase(C(3, 4)) == 0.0 and identity.magnitude(C(3, 4)) == 1.0
    at_pole = System(1, [], [C(-1, 1)])
    assert math.isnan(at_pole.magnitude(C(-1, 1))) and math.isnan(at_pole.phase(C(-1, 1)))
    assert System(2, [C(-1, 1)], [C(-3), C(-4)]).magnitude(C(-1, 1)) == 0.0


def random_system(rng):
    def location():
        if rng.random() < 0.1:
            return (0.0, rng.choice([0.0, -0.0]))
        return (rng.uniform(-20, 5), rng.choice([0.0, rng.uniform(-10, 10)]))

    return (rng.choice([1.0, rng.uniform(-50, 50)]),
            [location() for _ in range(rng.randint(0, 4))],
            [location() for _ in range(rng.randint(0, 6))])


def test_analysis_matches_the_separately_rounded_model_bit_for_bit():
    rng = random.Random(3)
    for _ in range(2000):
        gain, zeros, poles = random_system(rng)
        native = System(gain, [C(*z) for z in zeros], [C(*p) for p in poles])
        model = ref.System(gain, zeros, poles)
        s = (rng.uniform(-10, 2), rng.uniform(-10, 10))
        assert all(same(g, w) for g, w in zip(parts(native.eval(C(*s))), model.eval(s)))
        assert same(native.magnitude(C(*s)), model.magnitude(s))
        assert same(native.phase(C(*s)), model.phase(s))
        assert native.system_type == model.system_type()
        assert same(native.system_constant, model.system_constant())


# -- system type and system constant ----------------------------------------------------------

@pytest.mark.parametrize(
    "poles, zeros, expected",
    [
        ([(0, 0), (-0.0, 0), (0, -0.0)], [], 3),
        ([(1e-300, 0), (NAN, 0), (0, NAN)], [], 0),
        ([(-1, 0)], [(0, 0)], 0),  # a zero at the origin does not lower the type
    ],
)
def test_system_type_counts_poles_exactly_at_the_origin(poles, zeros, expected):
    assert System(1, [C(*z) for z in zeros], [C(*p) for p in poles]).system_type == expected


@pytest.mark.parametrize(
    "gain, zeros, poles, constant",
    [
        (10, [], [(0, 0), (-2, 0)], 5.0),  # velocity constant of 10/(s(s+2))
        (10, [(-3, 0)], [(-1, 0), (-2, 0)], 15.0),  # G(0) of 10(s+3)/((s+1)(s+2))
        (10, [], [(-1, 0), (-2, 0)], 5.0),
        (4, [], [(0, 0), (0, 0)], 4.0),
        (4, [(0, 0)], [], 0.0),
        (2, [(1, 0)], [(-1, 1), (-1, -1)], -1.0),  # a right-half-plane zero makes it negative
    ],
)
def test_system_constant_is_the_limit_of_s_to_the_type_times_g(gain, zeros, poles, constant):
    system = System(gain, [C(*z) for z in zeros], [C(*p) for p in poles])
    assert system.system_constant == constant
    # the limit itself, approached numerically
    s = 1e-7
    approach = system.eval(C(s)).real * s ** system.system_type
    assert approach == pytest.approx(constant, rel=1e-5, abs=1e-5)


def test_free_integrators_raise_the_type_and_keep_the_constant():
    plant = System(3, [C(-1)], [C(-2), C(-5)])
    before = plant.system_constant
    plant.add_free_integrator()
    plant.add_free_integrator()
    assert plant.system_type == 2 and plant.system_constant == before
    assert pairs(plant.poles)[-2:] == [(0.0, 0.0), (0.0, 0.0)]


# -- composition and appends ------------------------------------------------------------------

def test_compose_concatenates_receiver_first_and_changes_neither():
    a = System(2, [C(-1)], [C(-2), C(-3)])
    b = System(-3, [C(-4, 1)], [C(-5)])
    ab = a.compose(b)
    assert ab.gain == -6.0
    assert pairs(ab.zeros) == [(-1.0, 0.0), (-4.0, 1.0)]
    assert pairs(ab.poles) == [(-2.0, 0.0), (-3.0, 0.0), (-5.0, 0.0)]
    assert (a.gain, pairs(a.zeros), pairs(a.poles)) == (2.0, [(-1.0, 0.0)], [(-2.0, 0.0), (-3.0, 0.0)])
    assert (b.gain, len(b.zeros), len(b.poles)) == (-3.0, 1, 1)
    aa = a.compose(a)
    assert aa.gain == 4.0 and pairs(aa.poles) == pairs(a.poles) * 2 and aa is not a


def test_compose_evaluates_as_the_product_up_to_rounding():
    a = System(2, [C(-1)], [C(-2), C(-3, 1)])
    b = System(0.5, [C(-4, 1)], [C(-5)])
    s = C(-1, 2)
    assert complex(*parts(a.compose(b).eval(s))) == pytest.approx(
        complex(*parts(a.eval(s))) * complex(*parts(b.eval(s))), rel=1e-14)


def test_appends_put_the_value_last():
    plant = System(1, [C(-1)], [C(-2)])
    plant.add_zero(C(-7, 1))
    plant.add_pole(C(-8))
    assert pairs(plant.zeros) == [(-1.0, 0.0), (-7.0, 1.0)]
    assert pairs(plant.poles) == [(-2.0, 0.0), (-8.0, 0.0)]


# -- copy semantics: every read is new, nothing is shared ---------------------------------------

def test_list_reads_are_fresh_copies():
    z = C(-1)
    plant = System(1, [z], [C(-2)])
    first = plant.zeros
    first.append(C(5))
    second = plant.zeros
    assert len(second) == 1 and second is not first and second[0] is not first[0] and second[0] is not z
    assert plant.eval(C(0)) is not plant.eval(C(0))


def test_assignment_replaces_whole_fields():
    plant = System(1, [], [])
    plant.gain = 4
    plant.zeros = (C(-1), C(-2))
    plant.poles = [C(-3)]
    assert plant.gain == 4.0 and type(plant.gain) is float
    assert pairs(plant.zeros) == [(-1.0, 0.0), (-2.0, 0.0)] and pairs(plant.poles) == [(-3.0, 0.0)]


class LyingLength(Sequence):
    def __init__(self, items):
        self.items = items

    def __len__(self):
        raise RuntimeError("length is discarded: only a reservation hint")

    def __getitem__(self, i):
        return self.items[i]

    def __iter__(self):
        return iter(self.items)


@pytest.mark.parametrize("wrap", [list, tuple, OldStyleSequence, LyingLength])
def test_any_sequence_of_complex_is_accepted(wrap):
    plant = System(1, wrap([C(-1), C(-2, 1)]), wrap([]))
    assert pairs(plant.zeros) == [(-1.0, 0.0), (-2.0, 1.0)] and plant.poles == []


def test_long_sequences_work():
    many = [C(-1.0 - i * 1e-6) for i in range(10**6)]
    plant = System(1, [], many)
    assert len(plant.poles) == 10**6 and plant.poles[-1].real == many[-1].real


# -- conversion errors name the argument and leave the object unchanged --------------------------

class IterRaises(Sequence):
    def __len__(self):
        return 2

    def __getitem__(self, i):
        raise IndexError

    def __iter__(self):
        raise KeyError("from __iter__")


class NextRaises(Sequence):
    def __len__(self):
        return 2

    def __getitem__(self, i):
        if i == 0:
            return C(-9)
        raise LookupError("from __getitem__")

    def __iter__(self):
        yield C(-9)
        raise LookupError("from __next__")


STRING_TEXT = "a str cannot be converted into a sequence of values"


@pytest.mark.parametrize(
    "args, exc_type, message",
    [
        (("1", [], []), TypeError, "argument 'gain': must be real number, not str"),
        ((1, "ab", []), TypeError, f"argument 'zeros': {STRING_TEXT}"),
        ((1, 5, []), TypeError, "argument 'zeros': 'int' object cannot be converted to 'Sequence'"),
        ((1, [1], []), TypeError, "argument 'zeros': 'int' object cannot be converted to 'Complex'"),
        ((1, [], [C(1), 1j]), TypeError, "argument 'poles': 'complex' object cannot be converted to 'Complex'"),
        ((1, [], {C(1): 1}), TypeError, "argument 'poles': 'dict' object cannot be converted to 'Sequence'"),
        ((1, [], (c for c in [C(1)])), TypeError, "argument 'poles': 'generator' object cannot be converted to 'Sequence'"),
        ((1, b"ab", []), TypeError, "argument 'zeros': 'int' object cannot be converted to 'Complex'"),
        ((1, IterRaises(), []), KeyError, "'from __iter__'"),
        ((1, [], NextRaises()), LookupError, "from __next__"),
        ((10**400, [], []), OverflowError, "int too large to convert to float"),
    ],
)
def test_constructor_conversion_errors(args, exc_type, message):
    raises_exactly(exc_type, message, System, *args)


@pytest.mark.parametrize(
    "attribute, value, exc_type, message",
    [
        ("gain", "x", TypeError, "argument 'gain': must be real number, not str"),
        ("zeros", "ab", TypeError, f"argument 'zeros': {STRING_TEXT}"),
        ("zeros", [C(1), 2], TypeError, "argument 'zeros': 'int' object cannot be converted to 'Complex'"),
        ("poles", IterRaises(), KeyError, "'from __iter__'"),
        ("poles", NextRaises(), LookupError, "from __next__"),
        ("poles", None, TypeError, "argument 'poles': 'NoneType' object cannot be converted to 'Sequence'"),
    ],
)
def test_failed_assignment_leaves_the_system_unchanged(attribute, value, exc_type, message):
    plant = System(2, [C(-1)], [C(-2), C(-3)])
    raises_exactly(exc_type, message, setattr, plant, attribute, value)
    assert (plant.gain, pairs(plant.zeros), pairs(plant.poles)) == (2.0, [(-1.0, 0.0)], [(-2.0, 0.0), (-3.0, 0.0)])


@pytest.mark.parametrize("attribute", ["gain", "zeros", "poles"])
def test_deleting_a_field_is_refused(attribute):
    plant = System(2, [C(-1)], [C(-2)])
    raises_exactly(AttributeError, "can't delete attribute", delattr, plant, attribute)
    assert (plant.gain, len(plant.zeros), len(plant.poles)) == (2.0, 1, 1)


@pytest.mark.parametrize("attribute", ["system_type", "system_constant"])
def test_derived_values_are_read_only(attribute):
    with pytest.raises(AttributeError):
        setattr(System(1, [], []), attribute, 1)


@pytest.mark.parametrize(
    "method, args, kwargs, exc_type, message",
    [
        ("add_zero", (1.0,), {}, TypeError, "argument 'zero': 'float' object cannot be converted to 'Complex'"),
        ("add_pole", (), {"pole": "p"}, TypeError, "argument 'pole': 'str' object cannot be converted to 'Complex'"),
        ("add_pole", (), {}, TypeError, "System.add_pole() missing 1 required positional argument: 'pole'"),
        ("eval", (C(0), C(1)), {}, TypeError, "System.eval() takes 1 positional arguments but 2 were given"),
        ("eval", (1j,), {}, TypeError, "argument 's': 'complex' object cannot be converted to 'Complex'"),
        ("magnitude", (), {"z": C(0)}, TypeError, "System.magnitude() got an unexpected keyword argument 'z'"),
        ("phase", (C(0),), {"s": C(0)}, TypeError, "System.phase() got multiple values for argument 's'"),
        ("compose", (C(0),), {}, TypeError, "argument 'other': 'Complex' object cannot be converted to 'System'"),
        ("compose", (ControllerSpec(C(0)),), {}, TypeError,
         "argument 'other': 'ControllerSpec' object cannot be converted to 'System'"),
    ],
)
def test_method_errors_leave_the_system_unchanged(method, args, kwargs, exc_type, message):
    plant = System(2, [C(-1)], [C(-2)])
    raises_exactly(exc_type, message, getattr(plant, method), *args, **kwargs)
    assert (plant.gain, pairs(plant.zeros), pairs(plant.poles)) == (2.0, [(-1.0, 0.0)], [(-2.0, 0.0)])


def test_methods_accept_keywords():
    plant = System(gain=1, poles=[C(-1)], zeros=[])
    plant.add_zero(zero=C(-3))
    assert parts(plant.eval(s=C(0))) == (3.0, 0.0)
    assert plant.compose(other=plant).gain == 1.0


# -- the Python class -------------------------------------------------------------------------

def test_docstrings_and_signatures():
    assert System.__doc__ == "" and System.__text_signature__ == "(gain, zeros, poles)"
    expected = {
        "add_zero": ("($self, zero)", None),
        "add_pole": ("($self, pole)", None),
        "add_free_integrator": ("($self)", None),
        "eval": ("($self, s)", "Evaluate the transfer function at a given `s`."),
        "magnitude": ("($self, s)", "Compute the transfer function magnitude at a given `s`."),
        "phase": ("($self, s)", "Compute the transfer function phase at a given `s`.\n\n"
                               "Note that this returns a phase in *degrees*."),
        "compose": ("($self, other)", "Compose two systems into a new system."),
    }
    for name, (signature, doc) in expected.items():
        method = getattr(System, name)
        assert (method.__text_signature__, method.__doc__) == (signature, doc), name
    properties = {"gain": "Gain multiplier.", "zeros": "Open-loop zeros.", "poles": "Open-loop poles.",
                  "system_type": "Evaluate system type.", "system_constant": "Evaluate system constant."}
    for name, doc in properties.items():
        assert getattr(System, name).__doc__ == doc


def test_no_special_methods_beyond_construction():
    plant = System(1, [], [])
    assert plant != System(1, [], []) and plant == plant
    with pytest.raises(TypeError):
        plant + plant
    with pytest.raises(TypeError):
        len(plant)
    with pytest.raises(AttributeError):
        plant.other = 1
    with pytest.raises(TypeError):
        type("Sub", (System,), {})
