"""Closed-loop checks built with NumPy, independently of the module's own arithmetic."""

import math

import numpy as np

from conftest import parts


def open_loop_polynomials(plant, controller):
    """Numerator and denominator of K*P*C as NumPy polynomials, built independently of the module."""
    zeros = [complex(*parts(z)) for z in plant.zeros + controller.zeros]
    poles = [complex(*parts(p)) for p in plant.poles + controller.poles]
    return plant.gain * controller.gain * np.atleast_1d(np.poly(zeros)), np.atleast_1d(np.poly(poles))


def loop_value(plant, controller, s):
    """K P(s) C(s) in factored form, which keeps its relative accuracy near poles and zeros."""
    value = complex(plant.gain * controller.gain)
    for z in plant.zeros + controller.zeros:
        value *= s - complex(*parts(z))
    for p in plant.poles + controller.poles:
        value /= s - complex(*parts(p))
    return value


def assert_target_is_closed_loop_pole(plant, controller, target):
    """1 + K L(s) vanishes at the target, and the target is a root of den + K num.

    The residual |1 + K L(s*)| is the angle error in radians, so 1e-9 allows only rounding. The
    roots are then found from the expanded characteristic polynomial; for a simple root of a
    loop with a moderate gain a root-finder's error stays far below 1e-6 of the target's size.
    Loops whose gain is astronomical (a lead zero placed almost on a real target) have their
    closed-loop poles crowd onto the open-loop zeros, where expanded polynomials lose every digit,
    so for them the residual alone is the proof. Returns whether the roots were checked.
    """
    s = complex(*parts(target))
    assert abs(1 + loop_value(plant, controller, s)) < 1e-9
    if abs(plant.gain * controller.gain) > 1e6:
        return False
    num, den = open_loop_polynomials(plant, controller)
    width = max(len(num), len(den))
    characteristic = np.pad(den, (width - len(den), 0)) + np.pad(num, (width - len(num), 0))
    nearest = min(np.roots(characteristic), key=lambda r: abs(r - s))
    assert abs(nearest - s) <= 1e-6 * max(1.0, abs(s))
    return True


def angle_condition_holds(plant, controller, target):
    """A strictly proper loop without cancelling pole-zero pairs, whose value at the target is
    real: only then is the closed loop's pole set well defined and the target among it."""
    zeros = [complex(*parts(z)) for z in plant.zeros + controller.zeros]
    poles = [complex(*parts(p)) for p in plant.poles + controller.poles]
    if len(poles) <= len(zeros) or not math.isfinite(controller.gain):
        return False
    if any(abs(z - p) <= 1e-9 * max(1.0, abs(p)) for z in zeros for p in poles):
        return False
    value = loop_value(plant, controller, complex(*parts(target))) / controller.gain
    return bool(np.isfinite(value)) and abs(value.imag) <= 1e-12 * abs(value)


def static_error_constant(plant, controller):
    """lim s->0 of s^N K P(s) C(s), N the poles exactly at the origin, from the polynomials."""
    num, den = open_loop_polynomials(plant, controller)
    origin = sum(1 for p in plant.poles + controller.poles if p.real == 0.0 and p.imag == 0.0)
    reduced = den[: len(den) - origin] if origin else den
    return (num[-1] / reduced[-1]).real
