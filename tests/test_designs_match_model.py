"""Both design routines against the pure-Python model over many random plants: the whole
report byte for byte and the controller bit for bit."""

import math

import pytest

import reference_design as ref
from conftest import bits
from plants import cases, native


def controller_bits(system):
    values = [system.gain] + [part for c in system.zeros for part in (c.real, c.imag)]
    values += [part for c in system.poles for part in (c.real, c.imag)]
    return [bits(v) if not math.isnan(v) else "nan" for v in values], len(system.zeros), len(system.poles)


def model_bits(system):
    values = [system.gain] + [part for z in system.zeros for part in z] + [part for p in system.poles for part in p]
    return [bits(v) if not math.isnan(v) else "nan" for v in values], len(system.zeros), len(system.poles)


@pytest.mark.parametrize("seed", range(4))
def test_pd_designs_match_the_model(capfd, seed):
    for gain, zeros, poles, target, fields in cases(seed, 300):
        plant, spec = native(gain, zeros, poles, target, fields)
        controller = plant.pd_control(spec)
        report = capfd.readouterr().out
        expected_report, expected = ref.run_pd(ref.System(gain, zeros, poles), target)
        assert report == expected_report, (gain, zeros, poles, target)
        assert controller_bits(controller) == model_bits(expected)


@pytest.mark.parametrize("seed", range(4))
def test_lead_lag_designs_match_the_model(capfd, seed):
    for gain, zeros, poles, target, fields in cases(100 + seed, 300):
        plant, spec = native(gain, zeros, poles, target, fields)
        controller = plant.lead_lag_control(spec)
        report = capfd.readouterr().out
        expected_report, expected = ref.run_lead_lag(ref.System(gain, zeros, poles), target, **fields)
        assert report == expected_report, (gain, zeros, poles, target, fields)
        assert controller_bits(controller) == model_bits(expected)
