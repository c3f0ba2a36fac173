"""Textbook plants with damping-ratio targets: does the designed closed loop meet the target?

Each row designs a controller (its report silenced), then finds the closed-loop poles with NumPy
from the loop's polynomials and reports the pole nearest the target, its damping ratio and
natural frequency, and whether every closed-loop pole lies in the left half-plane.

The method places the target pair and nothing else: the last plant meets its target exactly, yet
its four lead sections and their large gain push another pair of branches into the right
half-plane. Always look at the whole closed loop (root_locus.py draws it).
"""

from dataclasses import dataclass

from loops import closed_loop_poles, damping, nearest, report_silenced, target_pole

from plantwright import Complex, ControllerSpec, System


@dataclass
class Case:
    name: str
    plant: System
    zeta: float
    wn: float
    method: str  # "pd" or "lead/lag"
    system_type: int | None = None
    tracking_error: float | None = None


def real_poles(*locations: float) -> list[Complex]:
    return [Complex(p, 0) for p in locations]


CASES = [
    Case("servo 1/(s(s+1)(s+5))", System(1.0, [], real_poles(0, -1, -5)), 0.5, 2.0, "pd"),
    Case("servo 1/(s(s+1)(s+5)), ramp error 5%", System(1.0, [], real_poles(0, -1, -5)), 0.5, 2.0, "lead/lag", 1, 0.05),
    Case("satellite 1/s^2", System(1.0, [], real_poles(0, 0)), 0.7, 1.0, "pd"),
    Case("motor speed 10/((s+1)(s+4)), step error 2%", System(10.0, [], real_poles(-1, -4)), 0.7, 5.0, "lead/lag", 0, 0.02),
    Case("lightly damped 4/(s^2+0.4s+4), type 1", System(4.0, [], [Complex(-0.2, 1.98997487), Complex(-0.2, -1.98997487)]),
         0.7, 3.0, "lead/lag", 1, 0.1),
]

print(f"{'plant':46} {'method':9} {'wanted':>13} {'achieved':>13}  closed-loop pole nearest the target   stable")
for case in CASES:
    spec = ControllerSpec(target_pole(case.zeta, case.wn))
    spec.system_type = case.system_type
    spec.tracking_error = case.tracking_error
    with report_silenced():
        design = case.plant.pd_control if case.method == "pd" else case.plant.lead_lag_control
        controller = design(spec)
    poles = closed_loop_poles(case.plant, controller)
    pole = nearest(poles, complex(spec.target.real, spec.target.imag))
    zeta, wn = damping(pole)
    stable = "yes" if max(p.real for p in poles) < 0 else "no"
    print(f"{case.name:46} {case.method:9} {case.zeta:5.3f} @ {case.wn:5.3f} {zeta:5.3f} @ {wn:5.3f}  "
          f"{pole.real:+.6f} {pole.imag:+.6f}j{'':14}{stable}")
