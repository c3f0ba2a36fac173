"""Every member of every class, on its success paths and on each of its error paths, called many
times: no Python memory, no native heap memory and no reference to an argument may be left behind."""

import ctypes
import gc
import os
import sys
from collections.abc import Sequence

import numpy as np
import pytest

from conftest import OldStyleSequence
from design_cases import build
from plantwright import Complex, ControllerSpec, System

CALLS = 200
ROUNDS = 3
WARM_UP_ROUNDS = 30


# -- the harness ---------------------------------------------------------------------------------

def _native_heap_bytes():
    """Bytes in use on the C heap, where the native values keep their zero and pole storage.

    Under AddressSanitizer its own allocator is asked (it then also sees every Python object,
    since that run routes them to malloc); otherwise glibc's counters. None where neither exists."""
    libc = ctypes.CDLL(None)
    sanitizer = getattr(libc, "__sanitizer_get_current_allocated_bytes", None)
    if sanitizer is not None:
        sanitizer.restype, sanitizer.argtypes = ctypes.c_size_t, []
        return sanitizer
    mallinfo2 = getattr(libc, "mallinfo2", None)
    if mallinfo2 is None:
        return None

    class Mallinfo2(ctypes.Structure):
        _fields_ = [(name, ctypes.c_size_t) for name in
                    ("arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks", "uordblks", "fordblks",
                     "keepcost")]

    mallinfo2.restype, mallinfo2.argtypes = Mallinfo2, []
    return lambda: mallinfo2().uordblks


_HEAP = _native_heap_bytes()

# What each counter may grow by over CALLS calls: a tenth of a block per call, a few bytes per call.
# One object (or one heap allocation) left behind per call grows it by CALLS blocks or by at least
# 16 bytes per call, far above; caches and free lists settle during the warm-up.
LIMITS = {"allocated blocks": CALLS // 10, "native heap bytes": CALLS * 8}


def counters():
    # Under PYTHONMALLOC=malloc the block count stays at 0; the sanitizer's byte count covers it.
    found = {"allocated blocks": sys.getallocatedblocks()}
    if _HEAP is not None:
        found["native heap bytes"] = _HEAP()
    return found


TYPES = (Complex, System, ControllerSpec)


# The interpreter's type attribute cache keeps a reference to the last name looked up in each of its
# slots. A name built afresh for each lookup (as PyObject_GetAttrString does) lands in a new slot
# whenever the allocator gives it a new address, which the sanitizer's allocator does every time:
# the cache then fills over thousands of calls. It is emptied around each measurement.
_clear_interpreter_caches = getattr(sys, "_clear_internal_caches", None) or sys._clear_type_cache


def settled_counters():
    _clear_interpreter_caches()
    gc.collect()
    return counters()


def grown(call):
    """How much each counter grows over CALLS calls."""
    before = settled_counters()
    for _ in range(CALLS):
        call()
    after = settled_counters()
    return {name: after[name] - before[name] for name in after}


def within_limits(growth):
    return all(value < LIMITS[name] for name, value in growth.items())


def assert_no_leak(call, watched):
    """Warms up until a round of CALLS calls stays within the limits (free lists and lazily built
    tables fill first), then requires that over ROUNDS more rounds the reference counts of the
    watched objects and of the three classes (every instance references its class) stay exactly
    as they were, and that the smallest growth of each memory counter stays within its limit:
    a leak grows every round, a late cache fill only one."""
    watched = tuple(watched) + TYPES
    for _ in range(WARM_UP_ROUNDS):
        if within_limits(grown(call)):
            break
    references = [sys.getrefcount(obj) for obj in watched]
    rounds = [grown(call) for _ in range(ROUNDS)]
    assert [sys.getrefcount(obj) for obj in watched] == references, "a reference was left on an argument"
    for name in rounds[0]:
        growth = [r[name] for r in rounds]
        assert min(growth) < LIMITS[name], f"{name} grew by {growth} over rounds of {CALLS} calls"


def raising(exc_type, fn, *args, **kwargs):
    """A call that must fail with exactly exc_type; the exception (and its traceback, which holds
    the frame and so the arguments) is dropped before the next call."""

    def call():
        try:
            fn(*args, **kwargs)
        except BaseException as error:
            if type(error) is not exc_type:
                raise
        else:
            raise AssertionError(f"{fn!r} did not raise {exc_type.__name__}")

    return call


@pytest.fixture(autouse=True)
def stdout_to_devnull():
    """The design reports go to /dev/null: the leak loop runs thousands of designs."""
    sys.stdout.flush()
    saved = os.dup(1)
    null = os.open(os.devnull, os.O_WRONLY)
    os.dup2(null, 1)
    os.close(null)
    try:
        yield
    finally:
        os.dup2(saved, 1)
        os.close(saved)


# -- arguments ------------------------------------------------------------------------------------
# Built at run time so that none is immortal or interned: their reference counts can move.

REAL, IMAG = float("1.25"), float("-2.5")
TEXT = "".join(["not ", "a number"])
HUGE = 10 ** 400
A, B = Complex(REAL, IMAG), Complex(3.0, 4.0)
S = Complex(-1.0, 1.0)
ZEROS = [Complex(-1.0, 0.0)]
POLES = (Complex(-2.0, 0.0), Complex(-3.0, 1.0))
PLANT = System(2.0, ZEROS, POLES)
OTHER = System(-3.0, [Complex(-4.0, 1.0)], [Complex(-5.0, 0.0)])
SPEC = ControllerSpec(Complex(-2.0, 2.0))
SPEC.system_type, SPEC.tracking_error = 1, 0.05
CAUSE = KeyError("".join(["the ", "cause"]))


class Dunder:
    """Answers a conversion with a value, or raises a fresh exception every call (raising one
    instance again would lengthen its traceback each time and look like a leak)."""

    def __init__(self, result=None, error=None):
        self.result, self.error = result, error

    def _answer(self):
        if self.error is not None:
            raise self.error[0](self.error[1]) from CAUSE
        return self.result


class FloatLike(Dunder):
    def __float__(self):
        return self._answer()


class IndexLike(Dunder):
    def __index__(self):
        return self._answer()


class Custom(Sequence):
    """A sequence whose length fails (a hint only, discarded) and whose iteration may fail midway."""

    def __init__(self, items, error=None):
        self.items, self.error = items, error

    def __len__(self):
        raise RuntimeError("no length")

    def __getitem__(self, i):
        return self.items[i]

    def __iter__(self):
        yield from self.items
        if self.error is not None:
            raise self.error("".join(["from ", "__next__"]))


FLOAT_LIKE = FloatLike(result=REAL)
INDEX_LIKE = IndexLike(result=3)
FLOAT_TYPE_ERROR = FloatLike(error=(TypeError, "nope"))
FLOAT_VALUE_ERROR = FloatLike(error=(ValueError, "kept"))
INDEX_VALUE_ERROR = IndexLike(error=(ValueError, "kept"))
OLD_STYLE = OldStyleSequence(list(POLES))
CUSTOM = Custom(list(POLES))
CUSTOM_FAILING = Custom(list(POLES), error=LookupError)
NOT_COMPLEX = [Complex(0.0, 0.0), TEXT]
NP_BOOL, NP_UINT = np.bool_(True), np.uint8(2)


def scratch_appends():
    # A fresh receiver each call, so the appended values do not pile up in the loop.
    plant = System(REAL, ZEROS, POLES)
    plant.add_zero(A)
    plant.add_pole(pole=B)
    plant.add_free_integrator()


def in_place():
    # The in-place forms fall back to the binary slots and bind new instances.
    x = A
    x += B
    x *= B
    x -= A
    x /= B


def reassign(obj, name, value):
    return lambda: setattr(obj, name, value)


def spec_roundtrip():
    # Sets every field of a scratch spec, reads it back, unsets the optional ones.
    spec = ControllerSpec(target=S)
    spec.system_type, spec.tracking_error = INDEX_LIKE, REAL
    spec.target, spec.pz_ratio, spec.zt_ratio, spec.balanced = A, FLOAT_LIKE, REAL, NP_BOOL
    spec.system_type = NP_UINT
    (spec.system_type, spec.tracking_error, spec.target, spec.pz_ratio, spec.zt_ratio, spec.balanced,
     spec.system_constant)
    spec.system_type = spec.tracking_error = None
    spec.system_constant


# -- the members -------------------------------------------------------------------------------

CASES = [
    # Complex: construction, methods, properties, slots and operators
    ("Complex(real, imag)", lambda: Complex(REAL, IMAG), [REAL, IMAG]),
    ("Complex(imag=, real=)", lambda: Complex(imag=IMAG, real=REAL), [REAL, IMAG]),
    ("Complex(__float__, __index__)", lambda: Complex(FLOAT_LIKE, INDEX_LIKE), [FLOAT_LIKE, INDEX_LIKE]),
    ("Complex(True, big int)", lambda: Complex(True, 2 ** 60), []),
    ("zero, is_zero, arg", lambda: (Complex.zero(), A.zero(), A.is_zero(), A.arg()), [A]),
    ("real, imag, abs, str, repr", lambda: (A.real, A.imag, abs(A), str(A), repr(A)), [A]),
    ("+ - * /", lambda: (A + B, A - B, A * B, A / B, A / Complex.zero()), [A, B]),
    ("in-place += *= -= /=", in_place, [A, B]),
    # Complex: errors
    ("Complex() missing", raising(TypeError, Complex), []),
    ("Complex(real) missing one", raising(TypeError, Complex, REAL), [REAL]),
    ("Complex too many", raising(TypeError, Complex, REAL, IMAG, REAL), [REAL, IMAG]),
    ("Complex unexpected keyword", raising(TypeError, Complex, REAL, IMAG, x=REAL), [REAL, IMAG]),
    ("Complex multiple values", raising(TypeError, Complex, REAL, IMAG, real=REAL), [REAL, IMAG]),
    ("Complex(str)", raising(TypeError, Complex, TEXT, IMAG), [TEXT, IMAG]),
    ("Complex(huge int)", raising(OverflowError, Complex, REAL, HUGE), [REAL, HUGE]),
    ("Complex(__float__ TypeError rewritten)", raising(TypeError, Complex, FLOAT_TYPE_ERROR, 0.0),
     [FLOAT_TYPE_ERROR, CAUSE]),
    ("Complex(__float__ ValueError kept)", raising(ValueError, Complex, REAL, FLOAT_VALUE_ERROR),
     [FLOAT_VALUE_ERROR, CAUSE]),
    ("Complex + float", raising(TypeError, lambda: A + REAL), [A, REAL]),
    ("float * Complex", raising(TypeError, lambda: REAL * A), [A, REAL]),
    ("-Complex", raising(TypeError, lambda: -A), [A]),
    ("set real", raising(AttributeError, setattr, A, "real", REAL), [A, REAL]),
    ("delete imag", raising(AttributeError, delattr, A, "imag"), [A]),
    ("set undeclared attribute", raising(AttributeError, setattr, A, "foo", REAL), [A, REAL]),
    ("is_zero(arg)", raising(TypeError, A.is_zero, REAL), [A, REAL]),
    ("zero(arg)", raising(TypeError, Complex.zero, REAL), [REAL]),
    # System: construction from every kind of sequence, reads, assignments, appends, evaluation
    ("System(list, tuple)", lambda: System(REAL, ZEROS, POLES), [REAL, ZEROS, POLES, *ZEROS, *POLES]),
    ("System by keyword", lambda: System(poles=POLES, gain=FLOAT_LIKE, zeros=ZEROS), [FLOAT_LIKE, ZEROS, POLES]),
    ("System(old-style and custom sequences)", lambda: System(REAL, OLD_STYLE, CUSTOM),
     [OLD_STYLE, CUSTOM, *POLES]),
    ("System reads", lambda: (PLANT.gain, PLANT.zeros, PLANT.poles, PLANT.system_type, PLANT.system_constant),
     [PLANT]),
    ("System assignments", lambda: (reassign(PLANT, "gain", 2.0)(), reassign(PLANT, "zeros", ZEROS)(),
                                    reassign(PLANT, "poles", CUSTOM)()), [PLANT, ZEROS, CUSTOM, *POLES]),
    ("add_zero, add_pole, add_free_integrator", scratch_appends, [A, B, ZEROS, POLES]),
    ("eval, magnitude, phase", lambda: (PLANT.eval(S), PLANT.magnitude(s=S), PLANT.phase(S)), [PLANT, S]),
    ("compose", lambda: (PLANT.compose(OTHER), PLANT.compose(other=PLANT)), [PLANT, OTHER]),
    ("pd_control", lambda: (PLANT.pd_control(SPEC), build("pd_refused")[0].pd_control(spec=SPEC)), [PLANT, SPEC]),
    ("lead_lag_control", lambda: PLANT.lead_lag_control(SPEC), [PLANT, SPEC]),
    ("lead_lag_control, every stage", (lambda pair: lambda: pair[0].lead_lag_control(pair[1]))(
        build("lead_lag_every_stage")), []),
    # System: errors
    ("System() missing", raising(TypeError, System), []),
    ("System too many", raising(TypeError, System, REAL, ZEROS, POLES, REAL), [REAL, ZEROS, POLES]),
    ("System unexpected keyword", raising(TypeError, System, REAL, ZEROS, poles=POLES, other=REAL),
     [REAL, ZEROS, POLES]),
    ("System(gain str)", raising(TypeError, System, TEXT, ZEROS, POLES), [TEXT, ZEROS, POLES]),
    ("System(zeros str)", raising(TypeError, System, REAL, TEXT, POLES), [TEXT, POLES]),
    ("System(zeros not a sequence)", raising(TypeError, System, REAL, REAL, POLES), [REAL, POLES]),
    ("System(item not Complex)", raising(TypeError, System, REAL, ZEROS, NOT_COMPLEX), [NOT_COMPLEX, *NOT_COMPLEX]),
    ("System(__next__ fails)", raising(LookupError, System, REAL, ZEROS, CUSTOM_FAILING),
     [CUSTOM_FAILING, *POLES]),
    ("System(huge gain)", raising(OverflowError, System, HUGE, ZEROS, POLES), [HUGE]),
    ("assign gain str", raising(TypeError, setattr, PLANT, "gain", TEXT), [PLANT, TEXT]),
    ("assign zeros items not Complex", raising(TypeError, setattr, PLANT, "zeros", NOT_COMPLEX),
     [PLANT, NOT_COMPLEX, *NOT_COMPLEX]),
    ("assign poles __next__ fails", raising(LookupError, setattr, PLANT, "poles", CUSTOM_FAILING),
     [PLANT, CUSTOM_FAILING]),
    ("assign gain __float__ TypeError", raising(TypeError, setattr, PLANT, "gain", FLOAT_TYPE_ERROR),
     [PLANT, FLOAT_TYPE_ERROR, CAUSE]),
    ("delete gain, zeros, poles", lambda: [raising(AttributeError, delattr, PLANT, name)() for name in
                                           ("gain", "zeros", "poles")], [PLANT]),
    ("assign system_type", raising(AttributeError, setattr, PLANT, "system_type", REAL), [PLANT, REAL]),
    ("add_zero(not Complex)", raising(TypeError, PLANT.add_zero, REAL), [PLANT, REAL]),
    ("add_pole() missing", raising(TypeError, PLANT.add_pole), [PLANT]),
    ("add_free_integrator(arg)", raising(TypeError, PLANT.add_free_integrator, REAL), [PLANT, REAL]),
    ("eval too many", raising(TypeError, PLANT.eval, S, S), [PLANT, S]),
    ("magnitude unexpected keyword", raising(TypeError, PLANT.magnitude, z=S), [PLANT, S]),
    ("phase multiple values", raising(TypeError, PLANT.phase, S, s=S), [PLANT, S]),
    ("compose(Complex)", raising(TypeError, PLANT.compose, S), [PLANT, S]),
    ("pd_control(Complex)", raising(TypeError, PLANT.pd_control, S), [PLANT, S]),
    ("lead_lag_control too many", raising(TypeError, PLANT.lead_lag_control, SPEC, SPEC), [PLANT, SPEC]),
    ("lead_lag_control(spec=System)", raising(TypeError, PLANT.lead_lag_control, spec=OTHER), [PLANT, OTHER]),
    ("unbound eval on a Complex", raising(TypeError, System.eval, A, S), [A, S]),
    # ControllerSpec
    ("ControllerSpec(target)", lambda: (ControllerSpec(S), ControllerSpec(target=S)), [S]),
    ("ControllerSpec every field", spec_roundtrip, [S, A, FLOAT_LIKE, INDEX_LIKE, REAL, NP_BOOL, NP_UINT]),
    ("ControllerSpec() missing", raising(TypeError, ControllerSpec), []),
    ("ControllerSpec too many", raising(TypeError, ControllerSpec, S, S), [S]),
    ("ControllerSpec unexpected keyword", raising(TypeError, ControllerSpec, pole=S), [S]),
    ("ControllerSpec(float)", raising(TypeError, ControllerSpec, REAL), [REAL]),
    ("system_type = -1", raising(OverflowError, setattr, SPEC, "system_type", -1), [SPEC]),
    ("system_type = 2**64", raising(OverflowError, setattr, SPEC, "system_type", HUGE), [SPEC, HUGE]),
    ("system_type = float", raising(TypeError, setattr, SPEC, "system_type", REAL), [SPEC, REAL]),
    ("system_type = __index__ ValueError", raising(ValueError, setattr, SPEC, "system_type", INDEX_VALUE_ERROR),
     [SPEC, INDEX_VALUE_ERROR, CAUSE]),
    ("tracking_error = str", raising(TypeError, setattr, SPEC, "tracking_error", TEXT), [SPEC, TEXT]),
    ("pz_ratio = None", raising(TypeError, setattr, SPEC, "pz_ratio", None), [SPEC]),
    ("zt_ratio = __float__ TypeError", raising(TypeError, setattr, SPEC, "zt_ratio", FLOAT_TYPE_ERROR),
     [SPEC, FLOAT_TYPE_ERROR, CAUSE]),
    ("balanced = int", raising(TypeError, setattr, SPEC, "balanced", NP_UINT), [SPEC, NP_UINT]),
    ("target = System", raising(TypeError, setattr, SPEC, "target", OTHER), [SPEC, OTHER]),
    ("delete every field", lambda: [raising(AttributeError, delattr, SPEC, name)() for name in
                                    ("system_type", "tracking_error", "target", "pz_ratio", "zt_ratio", "balanced")],
     [SPEC]),
    ("assign system_constant", raising(AttributeError, setattr, SPEC, "system_constant", REAL), [SPEC, REAL]),
]


@pytest.mark.parametrize("call, watched", [pytest.param(call, watched, id=name) for name, call, watched in CASES])
def test_no_leak(call, watched):
    assert_no_leak(call, watched)
