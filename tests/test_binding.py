"""The boundary's own errors: argument binding, conversion failures with the parameter's name,
and the exact exception types the interpreter sees."""

import pytest

from conftest import raises_exactly
from plantwright import Complex


# -- binding arguments to parameters -------------------------------------------------------------

@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((), {}, "Complex.__new__() missing 2 required positional arguments: 'real' and 'imag'"),
        ((1.0,), {}, "Complex.__new__() missing 1 required positional argument: 'imag'"),
        ((), {"imag": 1.0}, "Complex.__new__() missing 1 required positional argument: 'real'"),
        ((1.0, 2.0, 3.0), {}, "Complex.__new__() takes 2 positional arguments but 3 were given"),
        ((1.0, 2.0, 3.0), {"x": 1}, "Complex.__new__() takes 2 positional arguments but 3 were given"),
        ((1.0, 2.0), {"real": 3.0}, "Complex.__new__() got multiple values for argument 'real'"),
        ((1.0, 2.0), {"x": 3.0}, "Complex.__new__() got an unexpected keyword argument 'x'"),
        ((), {"real": 1.0, "x": 3.0, "imag": 2.0}, "Complex.__new__() got an unexpected keyword argument 'x'"),
        # keywords are taken in the order given: the unknown one comes first here
        ((1.0,), {"y": 0, "real": 2.0}, "Complex.__new__() got an unexpected keyword argument 'y'"),
        ((1.0,), {"real": 2.0, "y": 0}, "Complex.__new__() got multiple values for argument 'real'"),
        # binding completes before any conversion: a bad value is not what is reported
        (("bad",), {}, "Complex.__new__() missing 1 required positional argument: 'imag'"),
    ],
)
def test_binding_errors(args, kwargs, message):
    raises_exactly(TypeError, message, Complex, *args, **kwargs)


def test_constructor_by_keyword_in_any_order():
    c = Complex(imag=2, real=1)
    assert (c.real, c.imag) == (1.0, 2.0)


# -- conversion failures name the parameter; only an exact TypeError is rewritten ----------------

class FloatRaises:
    def __init__(self, error):
        self.error = error

    def __float__(self):
        raise self.error


class TypeErrorSubclass(TypeError):
    pass


@pytest.mark.parametrize(
    "args, exc_type, message",
    [
        (("1", 0), TypeError, "argument 'real': must be real number, not str"),
        ((0, None), TypeError, "argument 'imag': must be real number, not NoneType"),
        ((0, [1.0]), TypeError, "argument 'imag': must be real number, not list"),
        ((10**400, 0), OverflowError, "int too large to convert to float"),
        ((FloatRaises(TypeError("nope")), 0), TypeError, "argument 'real': nope"),
        ((FloatRaises(ValueError("kept")), 0), ValueError, "kept"),
        ((0, FloatRaises(TypeErrorSubclass("subclass kept"))), TypeErrorSubclass, "subclass kept"),
    ],
)
def test_conversion_errors(args, exc_type, message):
    raises_exactly(exc_type, message, Complex, *args)


def test_first_failing_conversion_ends_the_call():
    # real fails first, so imag's __float__ is never asked
    class Spy:
        called = False

        def __float__(self):
            Spy.called = True
            return 1.0

    raises_exactly(TypeError, "argument 'real': must be real number, not str", Complex, "x", Spy())
    assert not Spy.called


def test_rewritten_error_takes_over_the_cause():
    cause = KeyError("root")
    original = TypeError("inner")
    original.__cause__ = cause
    error = raises_exactly(TypeError, "argument 'real': inner", Complex, FloatRaises(original), 0)
    assert error is not original
    assert error.__cause__ is cause


def test_non_type_errors_pass_through_as_the_same_object():
    original = ZeroDivisionError("as raised")
    error = raises_exactly(ZeroDivisionError, "as raised", Complex, FloatRaises(original), 0)
    assert error is original
