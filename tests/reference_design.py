"""Pure-Python model of plantwright's numbers, systems and design routines.

It is an oracle for differential tests and the pure-Python side of the
benchmarks, so it must agree with the native module to the last bit.  Every
formula keeps the native operation order: Python floats are IEEE doubles with
separately rounded operations, and the math functions come from the same C
library, so the same order gives the same bits.  Complex values are
(real, imag) tuples of floats; the built-in complex type is avoided because
its division rescales and would round differently.

Python raises where IEEE arithmetic returns a value (division by zero, square
root of a negative number, tangent of an infinity); the ieee_* helpers give
the IEEE result instead, because the design routines let NaN and infinities
flow into their results and their reports.
"""

import math

DEGREES_PER_RADIAN = 57.29577951308232
RADIANS_PER_DEGREE = 0.017453292519943295
PHASE_TOLERANCE = 0.001
MAX_LEAD_ANGLE = 75.0
BANNER = "Plantwright\n===========\n\n"


# IEEE results where Python would raise


def ieee_div(x, y):
    try:
        return x / y
    except ZeroDivisionError:
        if math.isnan(x) or x == 0.0:
            return math.nan
        return math.copysign(math.inf, math.copysign(1.0, x) * math.copysign(1.0, y))


def ieee_sqrt(x):
    return math.nan if x < 0.0 else math.sqrt(x)


def ieee_tan(x):
    return math.nan if math.isinf(x) else math.tan(x)


def ieee_ceil(x):
    return float(math.ceil(x)) if math.isfinite(x) else x


# Complex arithmetic on (real, imag) pairs


def add(a, b):
    return (a[0] + b[0], a[1] + b[1])


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1])


def mul(a, b):
    ar, ai = a
    br, bi = b
    return (ar * br - ai * bi, ar * bi + ai * br)


def div(a, b):
    # Textbook quotient, deliberately unscaled: a zero divisor gives NaN parts
    # and squares that overflow collapse the result, exactly as natively.
    ar, ai = a
    br, bi = b
    n = bi * bi + br * br
    return (ieee_div(ar * br + ai * bi, n), ieee_div(ai * br - ar * bi, n))


def modulus(a):
    # No hypot-style rescaling: huge parts overflow, tiny parts underflow.
    return ieee_sqrt(a[0] * a[0] + a[1] * a[1])


def arg_degrees(a):
    return math.atan2(a[1], a[0]) * DEGREES_PER_RADIAN


def is_zero(a):
    # IEEE comparison: -0.0 counts as zero, a NaN part never does.
    return a[0] == 0.0 and a[1] == 0.0


def negate(a):
    return (-a[0], -a[1])


# Report formats


def fixed(x, digits=6):
    if math.isnan(x):
        return "NaN"
    if math.isinf(x):
        return "inf" if x > 0.0 else "-inf"
    # %-formatting rounds the exact binary value, ties to even, prints every
    # integer digit and keeps the sign of negative zero.
    return "%.*f" % (digits, x)


def complex_text(a):
    return "(" + fixed(a[0]) + " + " + fixed(a[1]) + "j)"


def complex_list(values):
    return ", ".join(complex_text(v) for v in values)


# Transfer function in zero-pole-gain form


def as_pair(value):
    """A (real, imag) float pair from a pair or from anything with .real and .imag."""
    if isinstance(value, tuple):
        return (float(value[0]), float(value[1]))
    return (float(value.real), float(value.imag))


class System:
    __slots__ = ("gain", "zeros", "poles")

    def __init__(self, gain=1.0, zeros=(), poles=()):
        self.gain = float(gain)
        self.zeros = [as_pair(z) for z in zeros]
        self.poles = [as_pair(p) for p in poles]

    def __repr__(self):
        return f"System({self.gain!r}, {self.zeros!r}, {self.poles!r})"

    def add_zero(self, zero):
        self.zeros.append(zero)

    def add_pole(self, pole):
        self.poles.append(pole)

    def add_free_integrator(self):
        self.poles.append((0.0, 0.0))

    def eval(self, s):
        # Gain, then every zero, then every pole: the order fixes the rounding.
        a = (self.gain, 0.0)
        for z in self.zeros:
            a = mul(sub(s, z), a)
        for p in self.poles:
            a = div(a, sub(s, p))
        return a

    def magnitude(self, s):
        return modulus(self.eval(s))

    def phase(self, s):
        return arg_degrees(self.eval(s))

    def system_type(self):
        return sum(1 for p in self.poles if is_zero(p))

    def system_constant(self):
        # Limit of s^N * G(s) as s -> 0: each factor (s - z) tends to -z and
        # each pole away from the origin to -p; origin poles are the s^N.
        k = (self.gain, 0.0)
        for z in self.zeros:
            k = mul(k, negate(z))
        for p in self.poles:
            if not is_zero(p):
                k = div(k, negate(p))
        return k[0]

    def compose(self, other):
        return System(self.gain * other.gain, self.zeros + other.zeros, self.poles + other.poles)


def spec_system_constant(system_type, tracking_error):
    """Target system constant; None unless both the type and the error are set."""
    if system_type is None or tracking_error is None:
        return None
    k = ieee_div(1.0, tracking_error)
    if system_type == 0:
        # A type-0 loop has the position error 1 / (1 + k).
        k = k + (-1.0)
    return k


# Design building blocks


def phase_condition_met(deficiency):
    # Written as "not above" so that a NaN deficiency counts as met.
    return not abs(deficiency) > PHASE_TOLERANCE


def lead_sections(deficiency):
    """Number of identical lead sections and the angle each must add.

    The deficiency here is finite and above the tolerance (a phase lies in
    [-180, 180]), so the count is 1 to 5.
    """
    count = int(ieee_ceil(deficiency / MAX_LEAD_ANGLE))
    return count, deficiency / float(count)


def lead_placement(angle, pz_ratio, target):
    """Zero and pole of a lead section that adds `angle` degrees at `target`.

    x is the root of a2*x^2 + a1*x + a0 = 0 taken with the positive square
    root; the zero lies at -x and the pole at -pz_ratio*x.  Nothing is
    guarded: a negative discriminant or a zero ratio yields NaN or infinite
    locations, which the design still places and prints.
    """
    sigma, omega = target
    t = ieee_tan(angle * RADIANS_PER_DEGREE)
    a2 = pz_ratio * t
    a1 = (1.0 + pz_ratio) * sigma * t - (pz_ratio - 1.0) * omega
    radius = ieee_sqrt(sigma * sigma + omega * omega)
    a0 = t * (radius * radius)
    x = ieee_div(ieee_sqrt(a1 * a1 - 4.0 * a2 * a0) * 0.5, a2) - ieee_div(a1 * 0.5, a2)
    return (-x, 0.0), (-(pz_ratio * x), 0.0)


def close_design(plant, target, controller, write):
    """Pick the gain from the magnitude condition, print the summary, return the controller."""
    write("CONTROL GAIN SELECTION\n\n")
    v_real, v_imag = plant.compose(controller).eval(target)
    # Real part of -1 / L(s); the imaginary part is ignored, so the gain is
    # real even when the angle condition is only nearly met.
    gain = ieee_div(0.0 * v_imag - v_real, v_real * v_real + v_imag * v_imag)
    write(f"\tSELECTED CONTROL GAIN of {fixed(gain)}\n\n")
    controller.gain = gain
    write("Control design routine complete!\n\n")
    write("Summary\n-------\n\n")
    write(f"Gain : {fixed(controller.gain)}\n")
    write(f"Poles: {complex_list(controller.poles)}\n")
    write(f"Zeros: {complex_list(controller.zeros)}\n")
    return controller


# PD design


def design_pd(plant, target, write):
    """PD controller K*(s + a) that puts `target` on the closed-loop root locus."""
    target = as_pair(target)
    write(BANNER)
    write("PD CONTROLLER DESIGN\n\n")
    write("PHASE CONDITION ANALYSIS\n\n")
    controller = System()
    phase = plant.phase(target)
    write(f"\tPhase of target pole is {fixed(phase)} degrees\n\n")
    deficiency = 180.0 - phase
    if phase_condition_met(deficiency):
        write("\tPhase condition satisfied, moving on\n\n")
    else:
        # The deficiency is not wrapped: above 180 degrees the tangent repeats
        # and the zero adds deficiency - 180, which the gain's sign absorbs.
        t = ieee_tan(deficiency * RADIANS_PER_DEGREE)
        write(f"\tADDING ZERO to increase phase by {fixed(deficiency)} degrees\n\n")
        offset = ieee_div(target[1], t) - target[0]
        zero = (-offset, 0.0)
        controller.add_zero(zero)
        if offset < 0.0:
            write(
                f"\tPhase condition requires zero placement at location {complex_text(zero)}"
                " but zero cannot be in RHP\n\n"
            )
            write("\tPD control NOT POSSIBLE for this system, QUITTING\n\n")
            return System()
        write(f"\t\tSelecting PD CONTROLLER ZERO LOCATION of {complex_text(zero)}\n\n")
        reached = plant.compose(controller).phase(target)
        write(f"\tPhase condition satisfied at {fixed(reached)} degrees, moving on\n\n")
    return close_design(plant, target, controller, write)


# Lead/lag design


def design_lead_lag(
    plant,
    target,
    write,
    *,
    system_type=None,
    tracking_error=None,
    pz_ratio=10.0,
    zt_ratio=10.0,
    balanced=False,
):
    """Lead/lag controller: integrators, lead sections, a lag section, repaired leads, gain."""
    target = as_pair(target)
    sigma = target[0]
    write(BANNER)
    write("LEAD/LAG CONTROLLER DESIGN\n\n")

    write("SYSTEM TYPE ANALYSIS\n\n")
    integrators = System()
    open_loop_type = plant.system_type()
    write(f"\tOpen-loop system is Type {open_loop_type}\n\n")
    if system_type is None:
        write("\tDesired system type not specified, moving on\n\n")
        write("\tSystem is of desired type, moving on\n\n")
    elif system_type < open_loop_type:
        # Integrators can only be added; poles already at the origin stay.
        write(
            f"\tOpen-loop system is above desired type {system_type},"
            " poles at the origin cannot be removed, moving on\n\n"
        )
    else:
        missing = system_type - open_loop_type
        if missing:
            write(f"\t\tADDING {missing} FREE INTEGRATOR(S)\n\n")
            if balanced:
                balancing_zero = (sigma, 0.0)
                write(
                    f"\t\tBalancing controller by ADDING {missing} ZERO(S)"
                    f" AT LOCATION {complex_text(balancing_zero)}\n\n"
                )
                for _ in range(missing):
                    integrators.add_free_integrator()
                    integrators.add_zero(balancing_zero)
            else:
                for _ in range(missing):
                    integrators.add_free_integrator()
        write("\tSystem is of desired type, moving on\n\n")

    write("PHASE CONDITION ANALYSIS\n\n")
    lead = System()
    with_integrators = plant.compose(integrators)
    phase = with_integrators.phase(target)
    write(f"\tPhase of target pole is {fixed(phase)} degrees\n\n")
    deficiency = 180.0 - phase
    if phase_condition_met(deficiency):
        write("\tPhase condition satisfied, moving on\n\n")
    else:
        count, angle = lead_sections(deficiency)
        write(
            f"\tADDING {count} LEAD CONTROLLER(S) to increase phase by {fixed(angle)}"
            " degrees per controller\n\n"
        )
        zero, pole = lead_placement(angle, pz_ratio, target)
        for _ in range(count):
            lead.add_zero(zero)
            lead.add_pole(pole)
        write(f"\t\tSelecting LEAD CONTROLLER ZERO LOCATION of {complex_text(zero)}\n\n")
        write(f"\t\tSelecting LEAD CONTROLLER POLE LOCATION of {complex_text(pole)}\n\n")
        reached = with_integrators.compose(lead).phase(target)
        write(f"\tPhase condition satisfied at {fixed(reached)} degrees, moving on\n\n")

    write("TRACKING PERFORMANCE ANALYSIS\n\n")
    lag = System()
    tracking = system_type is not None and tracking_error is not None
    if not tracking:
        write("\tNo tracking performance specified, moving on\n\n")
    else:
        wanted = spec_system_constant(system_type, tracking_error)
        current = with_integrators.compose(lead).system_constant()
        write(f"\tCurrent system constant is {fixed(current, 4)}\n\n")
        if current > wanted:
            write("\tTracking performance is satisfactory, moving on\n\n")
        else:
            # Equality and NaN fall through to here: both count as short.
            write("\tTracking performance needs improvement, ADDING LAG CONTROLLER\n\n")
            lag_zero = ieee_div(sigma, zt_ratio)
            # zero / pole = wanted / current, which lifts the constant to target.
            lag_pole = ieee_div(current * lag_zero, wanted)
            lag.add_zero((lag_zero, 0.0))
            lag.add_pole((lag_pole, 0.0))
            write(f"\t\tSelecting LAG CONTROLLER ZERO LOCATION of {complex_text((lag_zero, 0.0))}\n\n")
            write(f"\t\tSelecting LAG CONTROLLER POLE LOCATION of {complex_text((lag_pole, 0.0))}\n\n")

    # The lag pair shifts the phase at the target, so with tracking the lead
    # sections are designed again and the first ones serve only for Kc.
    write("PHASE CONDITION REPAIR\n\n")
    new_lead = System()
    with_lag = with_integrators.compose(lag)
    phase = with_lag.phase(target)
    write(f"\tPhase of target pole (excluding lead control) is {fixed(phase)} degrees\n\n")
    deficiency = 180.0 - phase
    if not tracking or phase_condition_met(deficiency):
        write("\tPhase condition repair not required, moving on\n\n")
    else:
        count, angle = lead_sections(deficiency)
        write(
            f"\tADDING {count} NEW LEAD CONTROLLER(S) to increase phase by {fixed(angle)}"
            " degrees per controller\n\n"
        )
        zero, pole = lead_placement(angle, pz_ratio, target)
        for _ in range(count):
            new_lead.add_zero(zero)
            new_lead.add_pole(pole)
        write(f"\t\tSelecting NEW LEAD CONTROLLER ZERO LOCATION of {complex_text(zero)}\n\n")
        write(f"\t\tSelecting NEW LEAD CONTROLLER POLE LOCATION of {complex_text(pole)}\n\n")
        reached = with_lag.compose(new_lead).phase(target)
        write(f"\tPhase condition repaired at {fixed(reached)} degrees, moving on\n\n")

    if tracking:
        controller = integrators.compose(lag).compose(new_lead)
    else:
        controller = integrators.compose(lead)
    return close_design(plant, target, controller, write)


# Convenience wrappers that collect the report


def run_pd(plant, target):
    """(report text, controller) of a PD design."""
    messages = []
    controller = design_pd(plant, target, messages.append)
    return "".join(messages), controller


def run_lead_lag(plant, target, **spec_fields):
    """(report text, controller) of a lead/lag design; ControllerSpec fields as keywords."""
    messages = []
    controller = design_lead_lag(plant, target, messages.append, **spec_fields)
    return "".join(messages), controller
