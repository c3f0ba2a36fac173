"""Closed-loop facts for the examples, computed with NumPy from the zeros, poles and gains alone,
independently of plantwright's own arithmetic."""

import math
import os
import sys
from collections.abc import Iterable, Iterator
from contextlib import contextmanager

import numpy as np
import numpy.typing as npt

from plantwright import Complex, System


def target_pole(zeta: float, wn: float) -> Complex:
    """The upper closed-loop pole with damping ratio zeta and natural frequency wn."""
    return Complex(-zeta * wn, wn * math.sqrt(1.0 - zeta * zeta))


def as_complex(values: Iterable[Complex]) -> list[complex]:
    return [complex(v.real, v.imag) for v in values]


def loop_polynomials(plant: System, controller: System) -> tuple[npt.NDArray[np.float64], npt.NDArray[np.float64]]:
    """Numerator and denominator of P(s) C(s) without the controller's gain, highest power first."""
    num = plant.gain * np.atleast_1d(np.poly(as_complex(plant.zeros + controller.zeros)))
    den = np.atleast_1d(np.poly(as_complex(plant.poles + controller.poles)))
    # Conjugate pairs and real roots give real coefficients, up to rounding in the imaginary parts.
    return np.real(num).astype(np.float64), np.real(den).astype(np.float64)


def closed_loop_poles(plant: System, controller: System, gain: float | None = None) -> npt.NDArray[np.complex128]:
    """Roots of den(s) + k num(s): the closed-loop poles with the controller's gain, or with `gain`."""
    num, den = loop_polynomials(plant, controller)
    k = controller.gain if gain is None else gain
    roots: npt.NDArray[np.complex128] = np.roots(np.polyadd(den, k * num)).astype(np.complex128)
    return roots


def nearest(poles: Iterable[complex], s: complex) -> complex:
    return min(poles, key=lambda p: abs(p - s))


def damping(pole: complex) -> tuple[float, float]:
    """Damping ratio and natural frequency of a closed-loop pole."""
    wn = abs(pole)
    return -pole.real / wn, wn


def show(values: Iterable[Complex]) -> str:
    return ", ".join(f"{v.real:.4g}{v.imag:+.4g}j" if v.imag else f"{v.real:.4g}" for v in values) or "none"


@contextmanager
def report_silenced() -> Iterator[None]:
    """Sends the design report (written straight to file descriptor 1) to /dev/null meanwhile.

    The report does not pass through sys.stdout, so only moving the descriptor itself hides it.
    """
    sys.stdout.flush()
    saved = os.dup(1)
    try:
        with open(os.devnull, "wb") as sink:
            os.dup2(sink.fileno(), 1)
        yield
    finally:
        os.dup2(saved, 1)
        os.close(saved)
