"""Complex: the value, its arithmetic to the last bit, its texts, and its Python class."""

import math
import random
import struct

import pytest

import reference_design as ref
from conftest import bits, parts, raises_exactly
from plantwright import Complex

INF = math.inf
NAN = math.nan


# -- construction keeps every bit; anything the float conversion accepts is a part ------------

class WithFloat:
    def __float__(self):
        return 2.5


class WithIndex:
    def __index__(self):
        return 7


@pytest.mark.parametrize(
    "real, imag, expected",
    [
        (3, 4, (3.0, 4.0)),
        (True, 2, (1.0, 2.0)),
        (-0.0, 0.0, (-0.0, 0.0)),
        (0.0, -0.0, (0.0, -0.0)),
        (INF, -INF, (INF, -INF)),
        (WithFloat(), WithIndex(), (2.5, 7.0)),
        (2**53 + 1, 0, (float(2**53), 0.0)),
    ],
)
def test_construction(real, imag, expected):
    c = Complex(real, imag)
    assert [bits(x) for x in parts(c)] == [bits(x) for x in expected]
    assert type(c.real) is float and type(c.imag) is float


def test_construction_by_keyword_and_nan_payload_kept():
    payload = struct.unpack("<d", struct.pack("<Q", 0x7FF8_0000_DEAD_BEEF))[0]
    c = Complex(imag=payload, real=-NAN)
    assert bits(c.imag) == bits(payload)
    assert bits(c.real) == bits(-NAN)


# -- arithmetic: the textbook formulas as separately rounded operations ------------------------

@pytest.mark.parametrize(
    "a, b, op, expected",
    [
        ((1, 2), (3, 4), "*", (-5.0, 10.0)),
        ((1, 2), (3, 4), "/", (0.44, 0.08)),
        ((1, 2), (3, 4), "-", (-2.0, -2.0)),
        ((1, 2), (3, 4), "+", (4.0, 6.0)),
        ((1, 1), (0, 0), "/", (NAN, NAN)),
        ((0, 0), (0, 0), "/", (NAN, NAN)),
        # squared parts overflow: the unscaled quotient collapses instead of giving 1e-200
        ((1, 0), (1e200, 1e200), "/", (0.0, -0.0)),
    ],
)
def test_arithmetic_examples(a, b, op, expected):
    x, y = Complex(*a), Complex(*b)
    result = {"+": x + y, "-": x - y, "*": x * y, "/": x / y}[op]
    for got, want in zip(parts(result), expected):
        assert (math.isnan(got) and math.isnan(want)) or bits(got) == bits(want)


def random_double(rng):
    kind = rng.random()
    if kind < 0.05:
        return rng.choice([0.0, -0.0, INF, -INF, NAN, 1e-310, -5e-324, 1.7976931348623157e308])
    if kind < 0.5:
        return rng.uniform(-10, 10)
    return math.copysign(rng.random() * 10.0 ** rng.randint(-320, 308), rng.random() - 0.5)


def test_arithmetic_matches_separately_rounded_formulas_bit_for_bit():
    rng = random.Random(20261211)
    ops = [("+", ref.add), ("-", ref.sub), ("*", ref.mul), ("/", ref.div)]
    for _ in range(4000):
        a = (random_double(rng), random_double(rng))
        b = (random_double(rng), random_double(rng))
        x, y = Complex(*a), Complex(*b)
        for symbol, model in ops:
            got = {"+": x + y, "-": x - y, "*": x * y, "/": x / y}[symbol]
            want = model(a, b)
            for g, w in zip(parts(got), want):
                assert (math.isnan(g) and math.isnan(w)) or bits(g) == bits(w), (a, b, symbol)
        assert bits(abs(x)) == bits(ref.modulus(a)) or math.isnan(abs(x))
        assert bits(x.arg()) == bits(ref.arg_degrees(a)) or math.isnan(x.arg())


# -- modulus, argument and zero test ------------------------------------------------------------

@pytest.mark.parametrize(
    "value, modulus",
    [((3, 4), 5.0), ((1e200, 1e200), INF), ((1e-200, 0), 0.0), ((-0.0, -0.0), 0.0), ((NAN, 0), NAN)],
)
def test_modulus(value, modulus):
    got = abs(Complex(*value))
    assert (math.isnan(got) and math.isnan(modulus)) or bits(got) == bits(modulus)


@pytest.mark.parametrize(
    "value, degrees",
    [((0, 1), 90.0), ((1, -1), -45.0), ((-1, 0), 180.0), ((-1, -0.0), -180.0), ((0, 0), 0.0), ((0, -0.0), -0.0)],
)
def test_arg_in_degrees(value, degrees):
    assert bits(Complex(*value).arg()) == bits(degrees)


@pytest.mark.parametrize(
    "value, zero",
    [((0, 0), True), ((-0.0, 0), True), ((0, -0.0), True), ((1e-300, 0), False), ((0, 0.001), False), ((NAN, 0), False)],
)
def test_is_zero_is_exact(value, zero):
    assert Complex(*value).is_zero() is zero


def test_zero_is_positive_zero_from_class_or_instance():
    for z in (Complex.zero(), Complex(5, 5).zero()):
        assert bits(z.real) == bits(0.0) and bits(z.imag) == bits(0.0)
        assert z.is_zero() and str(z) == "(0.000000 + 0.000000j)"
    assert Complex.zero() is not Complex.zero()


# -- text forms: exact digits, ties to even, every sign bit, no exponent -------------------------

@pytest.mark.parametrize(
    "value, text",
    [
        ((3, 4), "(3.000000 + 4.000000j)"),
        ((1, -2), "(1.000000 + -2.000000j)"),
        ((-0.0, 0), "(-0.000000 + 0.000000j)"),
        ((1 / 128, 3 / 128), "(0.007812 + 0.023438j)"),
        ((5e-7, -1e-9), "(0.000000 + -0.000000j)"),
        ((1e20, 0.5), "(100000000000000000000.000000 + 0.500000j)"),
        ((INF, -INF), "(inf + -infj)"),
        ((NAN, -NAN), "(NaN + NaNj)"),
        ((1.7976931348623157e308, 2.5e-7), (f"({1.7976931348623157e308:.6f} + 0.000000j)")),
    ],
)
def test_str(value, text):
    assert str(Complex(*value)) == text


def test_repr():
    assert repr(Complex(3, 4)) == "Complex(3.000000, 4.000000)"
    assert repr(Complex(1, -2)) == "Complex(1.000000, -2.000000)"
    assert repr(Complex(NAN, -0.0)) == "Complex(NaN, -0.000000)"


def test_text_matches_fixed_point_formatting_over_random_doubles():
    rng = random.Random(7)
    for _ in range(3000):
        a = (random_double(rng), random_double(rng))
        assert str(Complex(*a)) == ref.complex_text(a)


# -- the Python class: immutable, identity equality, no mixed arithmetic -------------------------

def test_identity_equality_and_hash():
    a, b = Complex(1, 2), Complex(1, 2)
    assert a != b and a == a
    assert {a: 1, b: 2}[a] == 1
    assert hash(a) != hash(b) or a is b


@pytest.mark.parametrize(
    "expression",
    [
        lambda c: c + 1.0,
        lambda c: 1.0 + c,
        lambda c: 2.0 * c,
        lambda c: c / 2,
        lambda c: c - 1j,
        lambda c: -c,
        lambda c: +c,
        lambda c: c ** 2,
        lambda c: c // c,
    ],
)
def test_no_mixed_or_missing_operators(expression):
    with pytest.raises(TypeError) as info:
        expression(Complex(1, 2))
    assert "builtins.Complex" in str(info.value)


def test_in_place_operator_binds_a_new_instance():
    a = Complex(1, 2)
    before = a
    a += Complex(1, 1)
    assert a is not before and parts(a) == (2.0, 3.0) and parts(before) == (1.0, 2.0)


def test_every_instance_is_true():
    assert bool(Complex(0, 0)) is True


@pytest.mark.parametrize("attribute", ["real", "imag"])
def test_parts_are_read_only(attribute):
    c = Complex(1, 2)
    with pytest.raises(AttributeError):
        setattr(c, attribute, 5.0)
    with pytest.raises(AttributeError):
        delattr(c, attribute)
    assert parts(c) == (1.0, 2.0)


def test_no_instance_dictionary_and_no_subclassing():
    with pytest.raises(AttributeError):
        Complex(1, 2).foo = 1
    with pytest.raises(TypeError):
        type("Sub", (Complex,), {})


def test_class_docstrings_and_signatures():
    assert Complex.__doc__ == "" and Complex.__text_signature__ == "(real, imag)"
    assert Complex.zero.__text_signature__ == "()" and Complex.zero.__doc__ is None
    assert Complex.is_zero.__text_signature__ == "($self)" and Complex.is_zero.__doc__ is None
    assert Complex.arg.__text_signature__ == "($self)"
    assert Complex.arg.__doc__ == "Argument of this complex number in *degrees*."
    assert Complex.real.__doc__ == "" and Complex.imag.__doc__ == ""


@pytest.mark.parametrize("call", [lambda: Complex.zero(1), lambda: Complex(1, 2).is_zero(1), lambda: Complex(1, 2).arg(x=1)])
def test_methods_without_parameters_refuse_arguments(call):
    with pytest.raises(TypeError):
        call()
