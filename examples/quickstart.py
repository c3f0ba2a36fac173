"""Design a PD and a lead/lag controller, then check the closed loops with NumPy.

Each design writes its report straight to standard output (file descriptor 1); the checks
below compute the closed-loop poles independently, from the polynomials of the open loop.
"""

from collections.abc import Iterable

import numpy as np
import numpy.typing as npt

from plantwright import Complex, ControllerSpec, System


def as_complex(values: Iterable[Complex]) -> list[complex]:
    return [complex(v.real, v.imag) for v in values]


def closed_loop_poles(plant: System, controller: System) -> npt.NDArray[np.complex128]:
    """Roots of den(s) + K num(s) for the open loop K P(s) C(s)."""
    num = plant.gain * controller.gain * np.atleast_1d(np.poly(as_complex(plant.zeros + controller.zeros)))
    den = np.atleast_1d(np.poly(as_complex(plant.poles + controller.poles)))
    roots: npt.NDArray[np.complex128] = np.roots(np.polyadd(den, num)).astype(np.complex128)
    return roots


def check(plant: System, controller: System, target: Complex) -> None:
    poles = closed_loop_poles(plant, controller)
    s = complex(target.real, target.imag)
    nearest = min(poles, key=lambda p: abs(p - s))
    print(f"closed-loop poles: {np.array2string(np.sort_complex(poles), precision=4)}")
    print(f"target {s} is a closed-loop pole: nearest root {nearest:.6f}, off by {abs(nearest - s):.1e}\n", flush=True)


# A PD controller K (s + a) for the plant 1 / (s (s + 1)), closed-loop pole wanted at -2 + 2j.
plant = System(1.0, [], [Complex(0, 0), Complex(-1, 0)])
spec = ControllerSpec(Complex(-2, 2))
pd = plant.pd_control(spec)
check(plant, pd, spec.target)

# A lead/lag controller for 10 / ((s + 1)(s + 4)): same kind of target, and a ramp tracking error
# of at most 5 %, which needs one free integrator (type 1) and a velocity constant of 20.
plant = System(10.0, [], [Complex(-1, 0), Complex(-4, 0)])
spec = ControllerSpec(Complex(-2, 2))
spec.system_type = 1
spec.tracking_error = 0.05
controller = plant.lead_lag_control(spec)
check(plant, controller, spec.target)

# The velocity constant of the designed loop: lim s->0 of s K P(s) C(s).
velocity_constant = plant.compose(controller).system_constant
print(f"velocity constant Kv = {velocity_constant:.1f} (at least {spec.system_constant:.1f} needed), "
      f"ramp error {1 / velocity_constant:.2e} (at most {spec.tracking_error})")
