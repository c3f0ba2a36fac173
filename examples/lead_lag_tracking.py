"""Lead/lag design with a tracking requirement for the type-0 plant 20 / ((s + 1)(s + 4)(s + 10)).

The closed loop should have a pole with damping ratio 0.6 at 4 rad/s and follow a step with at
most 2 % steady-state error. A type-0 loop leaves the step error 1 / (1 + Kp), Kp the position
constant lim s->0 of L(s), so the loop needs Kp >= 1/0.02 - 1 = 49 (the ControllerSpec's
`system_constant`). The design adds lead sections for the angle condition and a lag section that
raises Kp; the gain then comes from the magnitude condition at the target.
"""

from loops import closed_loop_poles, damping, nearest, show, target_pole

from plantwright import Complex, ControllerSpec, System

plant = System(20.0, [], [Complex(-1, 0), Complex(-4, 0), Complex(-10, 0)])
spec = ControllerSpec(target_pole(0.6, 4.0))
spec.system_type = 0
spec.tracking_error = 0.02
assert spec.system_constant is not None

print(f"plant alone: Kp = {plant.system_constant:.4f}, step error {1 / (1 + plant.system_constant):.1%}")
print(f"wanted: Kp >= {spec.system_constant:.4f}, step error <= {spec.tracking_error:.0%}\n", flush=True)

controller = plant.lead_lag_control(spec)

loop = plant.compose(controller)
s = complex(spec.target.real, spec.target.imag)
pole = nearest(closed_loop_poles(plant, controller), s)
zeta, wn = damping(pole)
print(f"\ncontroller gain {controller.gain:.4f}, zeros {show(controller.zeros)}, poles {show(controller.poles)}")
print(f"designed loop: Kp = {loop.system_constant:.4f}, step error {1 / (1 + loop.system_constant):.2%}")
print(f"closed-loop pole nearest the target: {pole:.6f} (damping ratio {zeta:.4f}, natural frequency {wn:.4f})")
