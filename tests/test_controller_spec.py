"""ControllerSpec: fields, defaults, optional fields, the target system constant, and the
conversions of its properties."""

import math

import numpy as np
import pytest

from conftest import parts, raises_exactly
from plantwright import Complex, ControllerSpec, System


@pytest.fixture
def spec():
    return ControllerSpec(Complex(-1, 2))


def fields(s):
    return (s.system_type, s.tracking_error, parts(s.target), s.pz_ratio, s.zt_ratio, s.balanced)


def test_defaults(spec):
    assert fields(spec) == (None, None, (-1.0, 2.0), 10.0, 10.0, False)
    assert spec.system_constant is None
    assert ControllerSpec(target=Complex(0, 0)).target.is_zero()


@pytest.mark.parametrize(
    "system_type, tracking_error, constant",
    [
        (0, 0.1, 9.0),
        (1, 0.1, 10.0),
        (2, 0.1, 10.0),
        (0, 0.2, 4.0),
        (None, 0.1, None),
        (1, None, None),
        (1, 0.0, math.inf),
        (0, 0.0, math.inf),
        (1, -0.5, -2.0),
    ],
)
def test_target_system_constant(spec, system_type, tracking_error, constant):
    spec.system_type = system_type
    spec.tracking_error = tracking_error
    assert spec.system_constant == constant


def test_nan_tracking_error_gives_nan_constant(spec):
    spec.system_type, spec.tracking_error = 1, math.nan
    assert math.isnan(spec.system_constant)


def test_none_unsets_optional_fields(spec):
    spec.system_type = 3
    spec.tracking_error = 0.25
    spec.system_type = None
    spec.tracking_error = None
    assert (spec.system_type, spec.tracking_error, spec.system_constant) == (None, None, None)


class Index:
    def __index__(self):
        return 4


@pytest.mark.parametrize(
    "attribute, value, expected",
    [
        ("system_type", 2**64 - 1, 2**64 - 1),
        ("system_type", True, 1),
        ("system_type", Index(), 4),
        ("system_type", np.uint8(3), 3),
        ("tracking_error", 1, 1.0),
        ("pz_ratio", -math.inf, -math.inf),
        ("zt_ratio", np.float32(0.5), 0.5),
        ("balanced", True, True),
        ("balanced", np.bool_(True), True),
        ("balanced", np.bool_(False), False),
    ],
)
def test_accepted_assignments(spec, attribute, value, expected):
    setattr(spec, attribute, value)
    got = getattr(spec, attribute)
    assert got == expected and type(got) is type(expected)


@pytest.mark.parametrize(
    "attribute, value, exc_type, message",
    [
        ("system_type", -1, OverflowError, "can't convert negative int to unsigned"),
        ("system_type", 2**64, OverflowError, None),
        ("system_type", 1.5, TypeError, "argument 'system_type': 'float' object cannot be interpreted as an integer"),
        ("system_type", 2.0, TypeError, "argument 'system_type': 'float' object cannot be interpreted as an integer"),
        ("tracking_error", "0.1", TypeError, "argument 'tracking_error': must be real number, not str"),
        ("pz_ratio", None, TypeError, "argument 'pz_ratio': must be real number, not NoneType"),
        ("zt_ratio", [], TypeError, "argument 'zt_ratio': must be real number, not list"),
        ("balanced", 1, TypeError, "argument 'balanced': 'int' object cannot be converted to 'bool'"),
        ("balanced", None, TypeError, "argument 'balanced': 'NoneType' object cannot be converted to 'bool'"),
        ("target", 1j, TypeError, "argument 'target': 'complex' object cannot be converted to 'Complex'"),
        ("target", None, TypeError, "argument 'target': 'NoneType' object cannot be converted to 'Complex'"),
    ],
)
def test_failed_assignment_keeps_every_field(spec, attribute, value, exc_type, message):
    spec.system_type, spec.tracking_error = 2, 0.5
    before = fields(spec)
    raises_exactly(exc_type, message, setattr, spec, attribute, value)
    assert fields(spec) == before


@pytest.mark.parametrize("attribute", ["system_type", "tracking_error", "target", "pz_ratio", "zt_ratio", "balanced"])
def test_deletion_is_refused(spec, attribute):
    before = fields(spec)
    raises_exactly(AttributeError, "can't delete attribute", delattr, spec, attribute)
    assert fields(spec) == before


def test_target_is_copied_in_and_out(spec):
    target = Complex(-3, 4)
    spec.target = target
    assert spec.target is not target and spec.target is not spec.target
    assert parts(spec.target) == (-3.0, 4.0)


def test_system_constant_is_read_only(spec):
    with pytest.raises(AttributeError):
        spec.system_constant = 1.0


@pytest.mark.parametrize(
    "args, kwargs, exc_type, message",
    [
        ((), {}, TypeError, "ControllerSpec.__new__() missing 1 required positional argument: 'target'"),
        ((Complex(0, 0), 1), {}, TypeError, "ControllerSpec.__new__() takes 1 positional arguments but 2 were given"),
        ((-1 + 2j,), {}, TypeError, "argument 'target': 'complex' object cannot be converted to 'Complex'"),
        ((System(1, [], []),), {}, TypeError, "argument 'target': 'System' object cannot be converted to 'Complex'"),
        ((), {"pole": Complex(0, 0)}, TypeError, "ControllerSpec.__new__() got an unexpected keyword argument 'pole'"),
    ],
)
def test_constructor_errors(args, kwargs, exc_type, message):
    raises_exactly(exc_type, message, ControllerSpec, *args, **kwargs)


def test_docstrings():
    assert ControllerSpec.__doc__ == "Controller design specification."
    assert ControllerSpec.__text_signature__ == "(target)"
    docs = {
        "system_type": "Desired system type.",
        "tracking_error": "Desired tracking error (based on system type).",
        "target": "Target pole.",
        "pz_ratio": "Pole/zero ratio in lead controller design.",
        "zt_ratio": "Zero/target ratio in lag controller design.",
        "balanced": "Must this controller have a matched number of poles and zeros?",
        "system_constant": "Get the target system constant.",
    }
    for name, doc in docs.items():
        assert getattr(ControllerSpec, name).__doc__ == doc


class RaisingModule(type):
    """A class whose __module__ cannot be read: the NumPy-bool check must not hide what it raises
    unless it is an ordinary error."""

    error = ValueError

    def __getattribute__(cls, name):
        if name == "__module__":
            raise type.__getattribute__(cls, "error")("no module")
        return super().__getattribute__(name)


@pytest.mark.parametrize(
    "error, exc_type, message",
    [
        (ValueError, TypeError, "argument 'balanced': 'Unreadable' object cannot be converted to 'bool'"),
        (KeyboardInterrupt, KeyboardInterrupt, "no module"),
    ],
)
def test_bool_check_of_an_unreadable_type(spec, error, exc_type, message):
    unreadable = RaisingModule("Unreadable", (), {"error": error})
    raises_exactly(exc_type, message, setattr, spec, "balanced", unreadable())
    assert spec.balanced is False
