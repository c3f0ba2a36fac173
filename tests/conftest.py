import math
import os
import struct

import pytest

import plantwright

# The sanitizer run puts its own build first on the path; make sure that is the module under test.
if os.environ.get("PLANTWRIGHT_MODULE_DIR"):
    assert os.path.dirname(os.path.abspath(plantwright.__file__)) == os.path.abspath(os.environ["PLANTWRIGHT_MODULE_DIR"])


def bits(x):
    """The exact bit pattern of a double, so that -0.0 and NaN payloads compare as they are."""
    return struct.pack("<d", x)


def same_bits(a, b):
    return bits(a) == bits(b)


def raises_exactly(exc_type, message, fn, *args, **kwargs):
    """Calls fn and checks that it raises exactly exc_type (not a subclass) with exactly message."""
    with pytest.raises(BaseException) as info:
        fn(*args, **kwargs)
    assert type(info.value) is exc_type, f"{type(info.value).__name__}: {info.value}"
    if message is not None:
        assert str(info.value) == message
    return info.value


def parts(c):
    return (c.real, c.imag)


def is_nan_or_equal(a, b):
    return (math.isnan(a) and math.isnan(b)) or same_bits(a, b)


class OldStyleSequence:
    """A sequence by __getitem__ alone, iterated until IndexError through the generic iterator path."""

    def __init__(self, items):
        self.items = items

    def __getitem__(self, i):
        return self.items[i]
