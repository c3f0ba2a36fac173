"""Random plants and specifications for the tests that compare the native designs with the
pure-Python model: the mix a control course would produce, plus the degenerate corners."""

import random

from plantwright import Complex, ControllerSpec, System


def _location(rng):
    roll = rng.random()
    if roll < 0.12:
        return [(0.0, 0.0)]
    if roll < 0.55:
        return [(rng.uniform(-30.0, 3.0), 0.0)]
    re, im = rng.uniform(-20.0, 2.0), rng.uniform(0.1, 15.0)
    return [(re, im), (re, -im)]


def random_case(rng):
    """(gain, zeros, poles, target, spec fields) as plain floats and pairs."""
    zeros = [z for _ in range(rng.randint(0, 2)) for z in _location(rng)]
    poles = [p for _ in range(rng.randint(0, 4)) for p in _location(rng)]
    gain = rng.choice([1.0, rng.uniform(0.1, 100.0), -rng.uniform(0.1, 10.0)])
    target = (rng.uniform(-12.0, -0.05), rng.choice([rng.uniform(0.05, 12.0), 0.0]))
    fields = {}
    if rng.random() < 0.7:
        fields["system_type"] = rng.randint(0, 3)
    if rng.random() < 0.7:
        fields["tracking_error"] = rng.choice([rng.uniform(0.001, 0.5), 0.0])
    if rng.random() < 0.4:
        fields["pz_ratio"] = rng.choice([rng.uniform(1.5, 30.0), 1.0])
    if rng.random() < 0.4:
        fields["zt_ratio"] = rng.uniform(2.0, 30.0)
    if rng.random() < 0.4:
        fields["balanced"] = True
    return gain, zeros, poles, target, fields


def native(gain, zeros, poles, target, fields):
    plant = System(gain, [Complex(*z) for z in zeros], [Complex(*p) for p in poles])
    spec = ControllerSpec(Complex(*target))
    for name, value in fields.items():
        setattr(spec, name, value)
    return plant, spec


def cases(seed, count):
    rng = random.Random(seed)
    return [random_case(rng) for _ in range(count)]
