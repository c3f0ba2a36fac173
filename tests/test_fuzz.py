"""Arbitrary Python values at every constructor, method and settable property.

Each call must give what a model of the boundary predicts from the value alone: the converted
result, or exactly one of the exceptions the boundary allows (its binding and conversion
TypeErrors with their whole texts, the interpreter's own conversion errors, or the user's own
exception passed through as the same object), and a failure must leave every object involved
bit for bit as it was. The model takes the interpreter's conversions from the C API itself
(through ctypes), so it shares their rules and texts without restating them."""

import ctypes
import math
import os
import struct
import tempfile
from contextlib import contextmanager

import numpy as np
import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

import reference_design as ref
from conftest import bits
from plantwright import Complex, ControllerSpec, System

# Repeatable in CI: a fixed derivation of the examples and no example database.
FUZZ = settings(max_examples=200, deadline=None, derandomize=True, database=None,
                suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large])

STRING_TEXT = "a str cannot be converted into a sequence of values"


# -- values that fight back --------------------------------------------------------------------------
# Every exception a user's dunder raises is new (re-raising one instance would grow its traceback)
# and is recorded, so that a pass-through can be checked to be that very object.

RAISED = []


class TypeErrorSubclass(TypeError):
    pass


class Abort(BaseException):
    pass


CAUSES = (None, KeyError("cause"), ValueError("another cause"))
ERROR_TYPES = (TypeError, TypeErrorSubclass, ValueError, OverflowError, ZeroDivisionError, KeyError, IndexError,
               StopIteration, RuntimeError, MemoryError, Abort)


class Raise:
    def __init__(self, kind, args, cause):
        self.kind, self.args, self.cause = kind, args, cause

    def __repr__(self):
        return f"Raise({self.kind.__name__}, {self.args!r}, cause={self.cause!r})"

    def __call__(self):
        error = self.kind(*self.args)
        error.__cause__ = self.cause
        RAISED.append(error)
        raise error


def act(behaviour):
    """A dunder's answer: a Raise raises, anything else is returned."""
    return behaviour() if isinstance(behaviour, Raise) else behaviour


class FloatSubclass(float):
    pass


class IntSubclass(int):
    pass


class FloatLike:
    def __init__(self, answer):
        self.answer = answer

    def __repr__(self):
        return f"FloatLike({self.answer!r})"

    def __float__(self):
        return act(self.answer)


class IndexLike:
    def __init__(self, answer):
        self.answer = answer

    def __repr__(self):
        return f"IndexLike({self.answer!r})"

    def __index__(self):
        return act(self.answer)


class FloatAndIndex(FloatLike, IndexLike):
    def __init__(self, answer, index):
        self.answer, self.index = answer, index

    def __index__(self):
        return act(self.index)


class SequenceLike:
    """A sequence by __getitem__ (so the interpreter's sequence check passes), with a length
    that may lie or fail and an __iter__ that may fail at once, return a non-iterator, or stop
    with an error after some items."""

    def __init__(self, items, length, iterate):
        self.items, self.length, self.iterate = items, length, iterate

    def __repr__(self):
        return f"SequenceLike({self.items!r}, {self.length!r}, {self.iterate!r})"

    def __len__(self):
        return act(self.length)

    def __getitem__(self, i):
        return self.items[i]

    def __iter__(self):
        if isinstance(self.iterate, Raise):
            self.iterate()
        if self.iterate == "non-iterator":
            return 5
        return self._generate()

    def _generate(self):
        yield from self.items
        if isinstance(self.iterate, tuple):
            self.iterate[1]()


class OldStyleSequence:
    """Iterated through __getitem__ until IndexError (or another error, which ends the call)."""

    def __init__(self, items, end):
        self.items, self.end = items, end

    def __repr__(self):
        return f"OldStyleSequence({self.items!r}, {self.end!r})"

    def __getitem__(self, i):
        if i < len(self.items):
            return self.items[i]
        if isinstance(self.end, Raise):
            self.end()
        raise IndexError(i)


class IterableOnly:
    """Iterable but not a sequence: the sequence check refuses it before iterating."""

    def __init__(self, items):
        self.items = items

    def __repr__(self):
        return f"IterableOnly({self.items!r})"

    def __iter__(self):
        return iter(self.items)


# A boolean scalar is recognised by its type's module and name alone; this impostor passes that
# test and is then asked for its truth, which may fail.
FakeNumpyBool = type("bool_", (), {"__module__": "numpy", "__bool__": lambda self: act(self.answer),
                                   "__init__": lambda self, answer: setattr(self, "answer", answer),
                                   "__repr__": lambda self: f"bool_({self.answer!r})"})


class ModuleAnswers(type):
    """A metaclass whose answer to the module lookup of the boolean check is chosen per class:
    NumPy's name, another text, not a text at all, or an exception."""

    def __getattribute__(cls, name):
        if name == "__module__":
            return act(type.__getattribute__(cls, "module_answer"))
        return type.__getattribute__(cls, name)


def tricky_type_instance(name, module_answer):
    return ModuleAnswers(name, (), {"module_answer": module_answer, "__bool__": lambda self: True})()


# -- strategies ------------------------------------------------------------------------------------

def weighted(*choices):
    """One of the strategies, each as often as its weight says (one_of would flatten nested
    choices and give every leaf strategy the same share)."""
    return st.sampled_from([strategy for weight, strategy in choices for _ in range(weight)]).flatmap(lambda s: s)


def from_bits(pattern):
    return struct.unpack("<d", struct.pack("<Q", pattern))[0]


SPECIAL_FLOATS = [0.0, -0.0, math.nan, -math.nan, math.inf, -math.inf, 5e-324, -5e-324, 1.7976931348623157e308,
                  2.0 ** 64, 1e-310, from_bits(0x7FF8_0000_DEAD_BEEF), from_bits(0x7FF0_0000_0000_0001)]
floats = st.floats() | st.sampled_from(SPECIAL_FLOATS)
ints = weighted(
    (2, st.integers()), (1, st.integers(-2 ** 70, 2 ** 70)), (2, st.sampled_from([0, 1, -1, 2 ** 64 - 1, 2 ** 64, 2 ** 63])),
    (1, st.builds(lambda k, sign: sign * 10 ** k, st.integers(0, 1200), st.sampled_from([1, -1]))),
)
complexes = st.builds(Complex, floats, floats)
# TypeError is the one exception the boundary rewrites, so it is the one raised most often.
error_behaviours = st.builds(Raise, st.sampled_from((TypeError,) * 4 + ERROR_TYPES),
                             st.tuples(st.text(max_size=6)) | st.tuples() | st.tuples(st.text(max_size=2), ints),
                             st.sampled_from(CAUSES))


def answers(*returns):
    return st.sampled_from(returns) | error_behaviours


float_answers = answers(1.5, -0.0, math.nan, math.inf, FloatSubclass(2.5), 3, "x", None, True)
index_answers = answers(0, 5, -1, 2 ** 64 - 1, 2 ** 64, 2 ** 70, True, IntSubclass(3), 2.0, "x", None)

dunder_objects = st.one_of(
    st.builds(FloatLike, float_answers),
    st.builds(IndexLike, index_answers),
    st.builds(FloatAndIndex, float_answers, index_answers),
    st.builds(FakeNumpyBool, answers(True, False, 1, None)),
    st.builds(tricky_type_instance, st.sampled_from(["bool", "bool_", "float64"]), answers("numpy", "builtins", 5)),
)

numpy_scalars = st.one_of(
    st.builds(np.float64, floats), st.builds(np.float32, st.floats(width=32)),
    st.builds(np.uint8, st.integers(0, 255)), st.builds(np.int64, st.integers(-2 ** 63, 2 ** 63 - 1)),
    st.builds(np.bool_, st.booleans()),
)


def systems(values=floats):
    return st.builds(System, values, st.lists(st.builds(Complex, values, values), max_size=3),
                     st.lists(st.builds(Complex, values, values), max_size=3))


# A design adds up to system_type integrators, so a specification that may reach a design asks for
# a small type; one that is only assigned to may hold any.
small_types = st.none() | st.integers(0, 3)
any_types = st.none() | st.integers(0, 2 ** 64 - 1)


@st.composite
def specs(draw, system_types=small_types, values=floats):
    spec = ControllerSpec(draw(st.builds(Complex, values, values)))
    spec.system_type = draw(system_types)
    spec.tracking_error = draw(st.none() | values)
    spec.pz_ratio, spec.zt_ratio = draw(values), draw(values)
    spec.balanced = draw(st.booleans())
    return spec


scalars = st.one_of(
    st.none(), st.booleans(), ints, floats, st.text(max_size=3), st.binary(max_size=3), st.complex_numbers(),
    numpy_scalars, st.builds(object), st.builds(dict), st.builds(set), st.builds(FloatSubclass, floats),
    st.builds(IntSubclass, ints), st.just(Complex), st.just(System),
)
instances = st.one_of(complexes, systems(), specs())


def sequences(items):
    """Every shape a sequence argument can take, over the given items."""
    listed = st.lists(items, max_size=4)
    return st.one_of(
        listed, listed.map(tuple),
        st.builds(SequenceLike, listed, answers(0, 2, -1, 2 ** 70, "x"),
                  st.just("items") | error_behaviours | st.just("non-iterator")
                  | st.tuples(st.just("then"), error_behaviours)),
        st.builds(OldStyleSequence, listed, st.just("stop") | error_behaviours),
        st.builds(IterableOnly, listed),
    )


anything = st.recursive(weighted((3, scalars), (2, instances), (2, dunder_objects)), sequences, max_leaves=8)

# Per kind of parameter: values it accepts, near misses, values whose conversion runs the caller's
# code, and anything at all.
GOOD = {
    "double": weighted((3, floats), (1, ints), (1, st.booleans()), (1, st.builds(FloatSubclass, floats))),
    "count": weighted((3, st.integers(0, 2 ** 64 - 1)), (1, st.builds(IntSubclass, st.integers(0, 100)))),
    "bool": st.booleans() | st.builds(np.bool_, st.booleans()),
    "complex": complexes,
    "complexes": st.lists(complexes, max_size=4) | st.lists(complexes, max_size=4).map(tuple),
    "system": systems(),
    "spec": specs(),
}
HOSTILE = {
    "double": weighted((3, dunder_objects), (1, numpy_scalars), (1, ints), (1, st.text(max_size=2)),
                       (1, st.none() | st.complex_numbers())),
    "count": weighted((2, ints), (2, dunder_objects), (1, numpy_scalars), (1, floats), (1, st.text(max_size=2))),
    "bool": weighted((2, ints), (2, dunder_objects), (1, numpy_scalars), (1, floats), (1, st.none())),
    "complex": weighted((2, instances), (1, st.complex_numbers()), (1, st.lists(complexes, max_size=2))),
    "complexes": weighted((3, sequences(complexes)), (2, sequences(instances | scalars)), (1, st.text(max_size=3)),
                          (1, st.binary(max_size=3)), (1, instances | scalars)),
    "system": weighted((1, instances), (1, scalars)),
    "spec": weighted((1, instances), (1, scalars)),
}


def values_for(kind):
    return weighted((2, GOOD[kind]), (3, HOSTILE[kind]), (1, anything))


# -- the model of the boundary ------------------------------------------------------------------------

_api = ctypes.pythonapi
_api.PyFloat_AsDouble.restype, _api.PyFloat_AsDouble.argtypes = ctypes.c_double, [ctypes.py_object]
_api.PyLong_AsUnsignedLongLong.restype = ctypes.c_ulonglong
_api.PyLong_AsUnsignedLongLong.argtypes = [ctypes.py_object]
_api.PyNumber_Index.restype, _api.PyNumber_Index.argtypes = ctypes.py_object, [ctypes.py_object]
_api.PySequence_Check.restype, _api.PySequence_Check.argtypes = ctypes.c_int, [ctypes.py_object]


def mismatch(obj, target):
    return TypeError(f"'{type(obj).__qualname__}' object cannot be converted to '{target}'")


def as_double(obj):
    return _api.PyFloat_AsDouble(obj)


def as_count(obj):
    return _api.PyLong_AsUnsignedLongLong(obj if isinstance(obj, int) else _api.PyNumber_Index(obj))


def as_bool(obj):
    if type(obj) is bool:
        return obj
    kind = type(obj)
    try:
        module = kind.__module__
    except BaseException:
        # A type whose module cannot be read is simply not NumPy's.
        module = None
    numpy_bool = module == "numpy" and type.__getattribute__(kind, "__name__") in ("bool_", "bool")
    if not numpy_bool:
        raise mismatch(obj, "bool")
    return bool(obj)


def instance_of(cls):
    def convert(obj):
        if type(obj) is not cls:
            raise mismatch(obj, cls.__name__)
        return obj

    return convert


def as_complex(obj):
    c = instance_of(Complex)(obj)
    return (c.real, c.imag)


def as_complexes(obj):
    if isinstance(obj, str):
        raise TypeError(STRING_TEXT)
    if not _api.PySequence_Check(obj):
        raise mismatch(obj, "Sequence")
    return [as_complex(item) for item in obj]


def optional(convert):
    return lambda obj: None if obj is None else convert(obj)


def model(convert, obj):
    """('ok', value) or ('error', exception, raised_by_user) for one conversion."""
    RAISED.clear()
    try:
        return ("ok", convert(obj))
    except BaseException as error:
        return ("error", error, bool(RAISED) and error is RAISED[-1])


def bind(owner, names, args, kwargs):
    """The binder's result: the argument of each parameter in declaration order, or its TypeError."""
    if len(args) > len(names):
        verb = "was" if len(args) == 1 else "were"
        raise TypeError(f"{owner}() takes {len(names)} positional arguments but {len(args)} {verb} given")
    bound = dict(zip(names, args))
    for name, value in kwargs.items():
        if name not in names:
            raise TypeError(f"{owner}() got an unexpected keyword argument '{name}'")
        if name in bound:
            raise TypeError(f"{owner}() got multiple values for argument '{name}'")
        bound[name] = value
    missing = [f"'{name}'" for name in names if name not in bound]
    if missing:
        listed = missing[0] if len(missing) == 1 else (
            " and ".join(missing) if len(missing) == 2 else ", ".join(missing[:-1]) + ", and " + missing[-1])
        word = "argument" if len(missing) == 1 else "arguments"
        raise TypeError(f"{owner}() missing {len(missing)} required positional {word}: {listed}")
    return [bound[name] for name in names]


# -- comparing outcomes ---------------------------------------------------------------------------

def pair_bits(pair):
    return (bits(pair[0]), bits(pair[1]))


def same_value(a, b):
    """Bitwise, except that any NaN matches any NaN where arithmetic made it (payloads of
    computed NaNs are the hardware's business, not the boundary's)."""
    return (math.isnan(a) and math.isnan(b)) or bits(a) == bits(b)


def system_state(s):
    return (bits(s.gain), [pair_bits((z.real, z.imag)) for z in s.zeros], [pair_bits((p.real, p.imag)) for p in s.poles])


def spec_state(s):
    error = s.tracking_error
    return (s.system_type, None if error is None else bits(error), pair_bits((s.target.real, s.target.imag)),
            bits(s.pz_ratio), bits(s.zt_ratio), s.balanced)


def state(obj):
    return system_state(obj) if type(obj) is System else spec_state(obj) if type(obj) is ControllerSpec else None


def attempt(fn):
    RAISED.clear()
    try:
        return ("ok", fn())
    except BaseException as error:
        return ("error", error)


def check_failure(got, expected, argument):
    """The boundary's error for a model failure: exactly the model's exception, an exact
    TypeError rewritten to name the argument (keeping the user's cause), the user's own
    exception passed through as the same object."""
    _, error, by_user = expected
    assert got[0] == "error", f"expected {type(error).__name__}: {error}, got the result {got[1]!r}"
    raised = got[1]
    if type(error) is TypeError and argument is not None:
        assert type(raised) is TypeError, repr(raised)
        assert str(raised) == f"argument '{argument}': {error}"
        assert raised.__cause__ is (RAISED[-1].__cause__ if by_user else None)
        if by_user:
            assert raised is not RAISED[-1]
    else:
        assert type(raised) is type(error), repr(raised)
        assert str(raised) == str(error)
        if by_user:
            assert raised is RAISED[-1]
        # Nothing the boundary discarded on the way (a failed length hint, a failed name lookup)
        # may be chained to what it lets through.
        assert type(raised.__context__) is type(error.__context__), repr(raised.__context__)
        assert type(raised.__cause__) is type(error.__cause__), repr(raised.__cause__)


# -- fd 1 for the design reports ----------------------------------------------------------------------

@contextmanager
def report_capture():
    """Collects what is written to file descriptor 1 while the block runs."""
    with tempfile.TemporaryFile(mode="w+b") as sink:
        saved = os.dup(1)
        os.dup2(sink.fileno(), 1)
        text = []
        try:
            yield text
        finally:
            os.dup2(saved, 1)
            os.close(saved)
            sink.seek(0)
            text.append(sink.read().decode("ascii"))


# -- constructors and methods --------------------------------------------------------------------------

@st.composite
def call_arguments(draw, names, kinds):
    """Positional, keyword, mixed, or any shape at all (too many, unknown names, duplicates)."""
    shape = draw(st.sampled_from(["positional", "keyword", "mixed", "any"]))
    if shape == "any":
        values = st.one_of(*[values_for(kind) for kind in kinds])
        args = draw(st.lists(values, max_size=len(names) + 2))
        kwargs = draw(st.dictionaries(st.sampled_from(names) | st.text(max_size=4), values, max_size=3))
        return args, kwargs
    given_values = [draw(values_for(kind)) for kind in kinds]
    split = {"positional": len(names), "keyword": 0, "mixed": draw(st.integers(0, len(names)))}[shape]
    keywords = draw(st.permutations(list(zip(names[split:], given_values[split:]))))
    return given_values[:split], dict(keywords)


CONVERT = {"double": as_double, "complex": as_complex, "complexes": as_complexes,
           "system": instance_of(System), "spec": instance_of(ControllerSpec)}


def predict(owner, params, args, kwargs):
    """('ok', converted values) or ('error', exception, raised_by_user, argument name)."""
    try:
        bound = bind(owner, [name for name, _ in params], args, kwargs)
    except TypeError as error:
        return ("error", error, False, None)
    converted = []
    for (name, kind), value in zip(params, bound):
        outcome = model(CONVERT[kind], value)
        if outcome[0] == "error":
            return outcome + (name,)
        converted.append(outcome[1])
    return ("ok", converted)


def check_call(owner, params, args, kwargs, call, on_success, receiver=None):
    """Calls and compares with the model. No argument changes, whatever the outcome; the receiver
    changes only as on_success expects, and not at all on a failure."""
    expected = predict(owner, params, args, kwargs)
    arguments = [obj for obj in list(args) + list(kwargs.values()) if state(obj) is not None and obj is not receiver]
    before = [state(obj) for obj in arguments]
    receiver_before = state(receiver)
    got = attempt(lambda: call(*args, **kwargs))
    if expected[0] == "ok":
        assert got[0] == "ok", f"expected a result, got {got[1]!r}"
        on_success(got[1], *expected[1])
    else:
        check_failure(got, expected[:3], expected[3])
        assert state(receiver) == receiver_before, "a failed call changed its receiver"
    assert [state(obj) for obj in arguments] == before, "a call changed its argument"


@FUZZ
@given(st.data())
def test_complex_constructor(data):
    args, kwargs = data.draw(call_arguments(["real", "imag"], ["double", "double"]))

    def made(result, real, imag):
        assert type(result) is Complex
        assert (bits(result.real), bits(result.imag)) == (bits(real), bits(imag))

    check_call("Complex.__new__", [("real", "double"), ("imag", "double")], args, kwargs, Complex, made)


@FUZZ
@given(st.data())
def test_system_constructor(data):
    args, kwargs = data.draw(call_arguments(["gain", "zeros", "poles"], ["double", "complexes", "complexes"]))

    def made(result, gain, zeros, poles):
        assert type(result) is System
        assert system_state(result) == (bits(gain), [pair_bits(z) for z in zeros], [pair_bits(p) for p in poles])

    check_call("System.__new__", [("gain", "double"), ("zeros", "complexes"), ("poles", "complexes")], args, kwargs,
               System, made)


@FUZZ
@given(st.data())
def test_controller_spec_constructor(data):
    args, kwargs = data.draw(call_arguments(["target"], ["complex"]))

    def made(result, target):
        assert type(result) is ControllerSpec
        assert spec_state(result) == (None, None, pair_bits(target), bits(10.0), bits(10.0), False)

    check_call("ControllerSpec.__new__", [("target", "complex")], args, kwargs, ControllerSpec, made)


def appended(field, receiver):
    before = system_state(receiver)

    def check(result, value):
        assert result is None
        gain, zeros, poles = before
        grown = (gain, zeros + [pair_bits(value)], poles) if field == "zeros" else (gain, zeros, poles + [pair_bits(value)])
        assert system_state(receiver) == grown

    return check


def evaluated(operation, receiver):
    plant = ref.System(receiver.gain, [(z.real, z.imag) for z in receiver.zeros],
                       [(p.real, p.imag) for p in receiver.poles])
    before = system_state(receiver)

    def check(result, s):
        want = getattr(plant, operation)(s)
        if operation == "eval":
            assert type(result) is Complex
            assert same_value(result.real, want[0]) and same_value(result.imag, want[1])
        else:
            assert type(result) is float and same_value(result, want)
        assert system_state(receiver) == before

    return check


def composed(receiver):
    before = system_state(receiver)

    def check(result, other):
        gain, zeros, poles = before
        other_gain, other_zeros, other_poles = system_state(other)
        assert type(result) is System and result is not receiver and result is not other
        product = struct.unpack("<d", gain)[0] * struct.unpack("<d", other_gain)[0]
        assert system_state(result) == (bits(product), zeros + other_zeros, poles + other_poles)
        assert system_state(receiver) == before

    return check


def designed(method, receiver, report):
    plant = ref.System(receiver.gain, [(z.real, z.imag) for z in receiver.zeros],
                       [(p.real, p.imag) for p in receiver.poles])
    before = system_state(receiver)

    def check(result, spec):
        target = (spec.target.real, spec.target.imag)
        if method == "pd_control":
            want_report, want = ref.run_pd(plant, target)
        else:
            want_report, want = ref.run_lead_lag(
                plant, target, system_type=spec.system_type, tracking_error=spec.tracking_error,
                pz_ratio=spec.pz_ratio, zt_ratio=spec.zt_ratio, balanced=spec.balanced)
        assert type(result) is System
        assert same_value(result.gain, want.gain)
        for got, model_values in ((result.zeros, want.zeros), (result.poles, want.poles)):
            assert len(got) == len(model_values)
            assert all(same_value(g.real, w[0]) and same_value(g.imag, w[1]) for g, w in zip(got, model_values))
        report.append(want_report)
        assert system_state(receiver) == before

    return check


# The methods with parameters, each with its parameter's kind and the check of its result.
METHODS = {
    "add_zero": ("complex", lambda receiver, report: appended("zeros", receiver)),
    "add_pole": ("complex", lambda receiver, report: appended("poles", receiver)),
    "eval": ("complex", lambda receiver, report: evaluated("eval", receiver)),
    "magnitude": ("complex", lambda receiver, report: evaluated("magnitude", receiver)),
    "phase": ("complex", lambda receiver, report: evaluated("phase", receiver)),
    "compose": ("system", lambda receiver, report: composed(receiver)),
    "pd_control": ("spec", lambda receiver, report: designed("pd_control", receiver, report)),
    "lead_lag_control": ("spec", lambda receiver, report: designed("lead_lag_control", receiver, report)),
}
PARAMETER = {"add_zero": "zero", "add_pole": "pole", "eval": "s", "magnitude": "s", "phase": "s",
             "compose": "other", "pd_control": "spec", "lead_lag_control": "spec"}


@pytest.mark.parametrize("method", list(METHODS))
@FUZZ
@given(data=st.data())
def test_system_methods(method, data):
    kind, make_check = METHODS[method]
    receiver = data.draw(systems(), label="receiver")
    if kind == "system" and data.draw(st.booleans()):
        args, kwargs = [receiver], {}  # composing a system with itself is allowed
    else:
        args, kwargs = data.draw(call_arguments([PARAMETER[method]], [kind]))
    model_report = []
    with report_capture() as written:
        check_call(f"System.{method}", [(PARAMETER[method], kind)], args, kwargs, getattr(receiver, method),
                   make_check(receiver, model_report), receiver)
    # The design reports reach fd 1 whole, and a refused call writes nothing.
    assert written[0] == "".join(model_report)


@pytest.mark.parametrize(
    "make, method",
    [pytest.param(lambda: System(1.0, [], []), "add_free_integrator", id="System.add_free_integrator"),
     pytest.param(lambda: Complex(1.0, -0.0), "is_zero", id="Complex.is_zero"),
     pytest.param(lambda: Complex(1.0, -0.0), "arg", id="Complex.arg"),
     pytest.param(lambda: Complex(1.0, -0.0), "zero", id="Complex.zero")],
)
@FUZZ
@given(args=st.lists(anything, max_size=2), kwargs=st.dictionaries(st.text(max_size=3), anything, max_size=2))
def test_methods_without_parameters_refuse_any_argument(make, method, args, kwargs):
    if not args and not kwargs:
        args = [None]
    receiver = make()
    before = (state(receiver), repr(receiver))
    got = attempt(lambda: getattr(receiver, method)(*args, **kwargs))
    assert got[0] == "error" and type(got[1]) is TypeError, got
    assert (state(receiver), repr(receiver)) == before


# -- properties ------------------------------------------------------------------------------------

DELETE = object()

SYSTEM_FIELDS = {"gain": (as_double, values_for("double")), "zeros": (as_complexes, values_for("complexes")),
                 "poles": (as_complexes, values_for("complexes"))}
SPEC_FIELDS = {"system_type": (optional(as_count), st.none() | values_for("count")),
               "tracking_error": (optional(as_double), st.none() | values_for("double")),
               "target": (as_complex, values_for("complex")),
               "pz_ratio": (as_double, values_for("double")),
               "zt_ratio": (as_double, values_for("double")),
               "balanced": (as_bool, values_for("bool"))}


def assigned_values(values):
    """Mostly values to convert, now and then a deletion."""
    return st.one_of(values, values, values, st.just(DELETE))


def read_back(obj, name):
    """A field as its state() entry shows it."""
    value = getattr(obj, name)
    if name in ("zeros", "poles"):
        return [pair_bits((c.real, c.imag)) for c in value]
    if name == "target":
        return pair_bits((value.real, value.imag))
    if name in ("gain", "pz_ratio", "zt_ratio") or (name == "tracking_error" and value is not None):
        return bits(value)
    return value


def as_state_entry(name, converted):
    if converted is None:
        return None
    if name in ("zeros", "poles"):
        return [pair_bits(c) for c in converted]
    if name == "target":
        return pair_bits(converted)
    if name in ("gain", "pz_ratio", "zt_ratio", "tracking_error"):
        return bits(converted)
    return converted


def check_assignment(receiver, fields, name, value):
    before = state(receiver)
    others = {other: read_back(receiver, other) for other in fields if other != name}
    if value is DELETE:
        got = attempt(lambda: delattr(receiver, name))
        check_failure(got, ("error", AttributeError("can't delete attribute"), False), None)
        assert state(receiver) == before
        return
    expected = model(fields[name][0], value)
    got = attempt(lambda: setattr(receiver, name, value))
    if expected[0] == "ok":
        assert got[0] == "ok", f"expected the assignment to succeed, got {got[1]!r}"
        assert read_back(receiver, name) == as_state_entry(name, expected[1])
        assert {other: read_back(receiver, other) for other in others} == others
    else:
        check_failure(got, expected, name)
        assert state(receiver) == before, "a failed assignment changed the object"


@pytest.mark.parametrize("name", list(SYSTEM_FIELDS))
@FUZZ
@given(data=st.data())
def test_system_assignment(name, data):
    receiver = data.draw(systems(), label="receiver")
    value = data.draw(assigned_values(SYSTEM_FIELDS[name][1]), label="value")
    check_assignment(receiver, SYSTEM_FIELDS, name, value)


@pytest.mark.parametrize("name", list(SPEC_FIELDS))
@FUZZ
@given(data=st.data())
def test_spec_assignment(name, data):
    receiver = data.draw(specs(any_types), label="receiver")
    value = data.draw(assigned_values(SPEC_FIELDS[name][1]), label="value")
    check_assignment(receiver, SPEC_FIELDS, name, value)


@pytest.mark.parametrize(
    "make, name",
    [pytest.param(lambda: System(1.0, [], [Complex(0.0, 0.0)]), "system_type", id="System.system_type"),
     pytest.param(lambda: System(2.0, [], []), "system_constant", id="System.system_constant"),
     pytest.param(lambda: ControllerSpec(Complex(-1.0, 1.0)), "system_constant", id="ControllerSpec.system_constant"),
     pytest.param(lambda: Complex(1.0, 2.0), "real", id="Complex.real"),
     pytest.param(lambda: Complex(1.0, 2.0), "imag", id="Complex.imag")],
)
@FUZZ
@given(value=anything | st.just(DELETE))
def test_read_only_properties_refuse_every_value(make, name, value):
    receiver = make()
    before = (state(receiver), repr(getattr(receiver, name)))
    got = attempt(lambda: delattr(receiver, name) if value is DELETE else setattr(receiver, name, value))
    assert got[0] == "error" and type(got[1]) is AttributeError
    assert (state(receiver), repr(getattr(receiver, name))) == before


# -- operators ------------------------------------------------------------------------------------

OPERATORS = {"+": (lambda a, b: a + b, ref.add), "-": (lambda a, b: a - b, ref.sub),
             "*": (lambda a, b: a * b, ref.mul), "/": (lambda a, b: a / b, ref.div)}


@pytest.mark.parametrize("symbol", list(OPERATORS))
@FUZZ
@given(left=complexes, right=complexes | anything, swap=st.booleans())
def test_operators_take_only_complex_operands(symbol, left, right, swap):
    apply, formula = OPERATORS[symbol]
    a, b = (right, left) if swap else (left, right)
    got = attempt(lambda: apply(a, b))
    if type(a) is Complex and type(b) is Complex:
        want = formula((a.real, a.imag), (b.real, b.imag))
        assert got[0] == "ok" and type(got[1]) is Complex
        assert same_value(got[1].real, want[0]) and same_value(got[1].imag, want[1])
    else:
        # The slot declines and the interpreter (or NumPy, trying the other operand) refuses.
        assert got[0] == "error" and type(got[1]) is TypeError, repr(got[1])
