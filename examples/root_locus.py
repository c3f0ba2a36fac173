"""Root locus of a designed loop, drawn with matplotlib; optionally its step response.

The servo 1 / (s (s + 1) (s + 5)) gets a lead controller for closed-loop poles with damping ratio
0.5 at 2 rad/s. The loci are the closed-loop poles as the controller's gain k runs from 0 upwards:
the roots of den(s) + k num(s), found with NumPy over a sweep of gains. The plot marks the
open-loop poles (x) and zeros (o), the target pole (star) with the rays of its damping ratio
(dashed), and the closed-loop poles at the gain the design selected (squares): two of them lie on
the target and its conjugate.

    python root_locus.py [--output root_locus.png] [--step]

--step converts plant and controller to python-control systems and prints the overshoot and the
2 % settling time of the closed loop's step response.
"""

import argparse

import matplotlib

matplotlib.use("Agg")  # files only: no display needed
import matplotlib.pyplot as plt
import numpy as np
import numpy.typing as npt
from loops import as_complex, closed_loop_poles, show, target_pole

from plantwright import Complex, ControllerSpec, System


def loci(plant: System, controller: System, gains: npt.NDArray[np.float64]) -> npt.NDArray[np.complex128]:
    """Closed-loop poles for each gain, one row per gain, each column following one branch."""
    rows = [closed_loop_poles(plant, controller, gains[0])]
    for k in gains[1:]:
        remaining = list(closed_loop_poles(plant, controller, k))
        row = []
        for previous in rows[-1]:  # continue each branch with the nearest new root
            nearest = min(range(len(remaining)), key=lambda i: abs(remaining[i] - previous))
            row.append(remaining.pop(nearest))
        rows.append(np.array(row, dtype=np.complex128))
    return np.array(rows, dtype=np.complex128)


def draw(plant: System, controller: System, target: Complex, path: str) -> None:
    gains = np.concatenate(([0.0], np.geomspace(controller.gain * 1e-4, controller.gain * 1e3, 3000)))
    branches = loci(plant, controller, gains)
    poles = np.array(as_complex(plant.poles + controller.poles))
    zeros = np.array(as_complex(plant.zeros + controller.zeros))
    selected = closed_loop_poles(plant, controller)

    fig, ax = plt.subplots(figsize=(8, 6))
    ax.axhline(0, color="grey", linewidth=0.5, zorder=0)
    ax.axvline(0, color="grey", linewidth=0.5, zorder=0)
    for branch in branches.T:
        ax.plot(branch.real, branch.imag, color="tab:blue", linewidth=1.6)
    ax.plot(poles.real, poles.imag, "x", color="black", markersize=10, mew=2, label="open-loop poles")
    ax.plot(zeros.real, zeros.imag, "o", mfc="none", color="black", markersize=10, mew=2, label="open-loop zeros")
    ax.plot([target.real, target.real], [target.imag, -target.imag], "*", color="tab:red", markersize=12,
            label="target pole")
    ax.plot(selected.real, selected.imag, "s", mfc="none", color="tab:green", markersize=15, mew=2,
            label=f"closed loop at k = {controller.gain:.3g}")

    # Frame the finite features (poles, zeros, target) with a margin; the asymptotes run on beyond.
    features = np.concatenate((poles, zeros, [complex(target.real, target.imag)]))
    left, right = min(features.real.min(), 0.0), max(features.real.max(), 0.0)
    margin = 0.15 * (right - left) + 1.0
    width = right - left + 2 * margin
    ax.set_xlim(left - margin, right + margin)
    ax.set_ylim(-0.375 * width, 0.375 * width)
    ax.set_aspect("equal")  # true angles: the dashed rays are the target's damping ratio
    reach = 2 * width * np.array([0.0, 1.0])
    direction = complex(target.real, abs(target.imag)) / abs(complex(target.real, target.imag))
    for sign, label in ((1, "target damping ratio"), (-1, None)):
        ax.plot(reach * direction.real, sign * reach * direction.imag, "--", color="tab:red", linewidth=0.8, zorder=0,
                label=label)
    ax.set_xlabel("real axis (1/s)")
    ax.set_ylabel("imaginary axis (rad/s)")
    ax.set_title(f"Root locus of the designed loop, controller zeros {show(controller.zeros)}, "
                 f"poles {show(controller.poles)}", fontsize=10)
    ax.grid(True, alpha=0.3)
    ax.legend(loc="upper left")
    fig.tight_layout()
    fig.savefig(path, dpi=100)
    plt.close(fig)


def step_response(plant: System, controller: System) -> None:
    import control  # type: ignore[import-untyped]  # only needed with --step

    p = control.zpk(as_complex(plant.zeros), as_complex(plant.poles), plant.gain)
    c = control.zpk(as_complex(controller.zeros), as_complex(controller.poles), controller.gain)
    info = control.step_info(control.feedback(p * c, 1))
    print(f"step response: overshoot {info['Overshoot']:.2f} %, settling time (2 %) {info['SettlingTime']:.3f} s")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0] if __doc__ else None)
    parser.add_argument("--output", default="root_locus.png", help="PNG file to write (default: %(default)s)")
    parser.add_argument("--step", action="store_true", help="print step-response figures (needs python-control)")
    args = parser.parse_args()

    plant = System(1.0, [], [Complex(0, 0), Complex(-1, 0), Complex(-5, 0)])
    spec = ControllerSpec(target_pole(0.5, 2.0))
    controller = plant.lead_lag_control(spec)

    print(f"\nclosed-loop poles at k = {controller.gain:.6f}: "
          + ", ".join(f"{p:.6f}" for p in sorted(closed_loop_poles(plant, controller), key=lambda p: (p.real, p.imag))))
    draw(plant, controller, spec.target, args.output)
    print(f"root locus written to {args.output}", flush=True)
    if args.step:
        step_response(plant, controller)


if __name__ == "__main__":
    main()
