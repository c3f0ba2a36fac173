"""PD control of a servo, 1 / (s (s + 1) (s + 5)): a feasible target and one that is too fast.

A PD controller K (s + a) has one zero, and a zero in the left half-plane adds at most the angle
under which the target sees the origin: 120 degrees for a damping ratio of 0.5. How much phase is
missing grows with the target's speed: at 2 rad/s it is 53 degrees, at 8 rad/s 135, and the zero
would have to lie in the right half-plane, so the design is refused: the result is gain 1.0 with
no zeros or poles.
"""

from loops import closed_loop_poles, damping, nearest, target_pole

from plantwright import Complex, ControllerSpec, System

plant = System(1.0, [], [Complex(0, 0), Complex(-1, 0), Complex(-5, 0)])

for wn in (2.0, 8.0):
    spec = ControllerSpec(target_pole(0.5, wn))
    print(f"=== target: damping ratio 0.5, natural frequency {wn} rad/s, s* = {spec.target}\n", flush=True)
    controller = plant.pd_control(spec)
    if not controller.zeros:
        print(f"refused: the returned controller has gain {controller.gain} and no zeros or poles", flush=True)
        continue
    s = complex(spec.target.real, spec.target.imag)
    pole = nearest(closed_loop_poles(plant, controller), s)
    zeta, natural = damping(pole)
    print(f"\ncontroller: C(s) = {controller.gain:.4f} (s + {-controller.zeros[0].real:.4f})")
    print(f"closed-loop pole nearest the target: {pole:.6f} (damping ratio {zeta:.4f}, natural frequency {natural:.4f})\n",
          flush=True)
