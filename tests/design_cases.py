"""Plants and specifications of the worked design cases, shared by the golden-report tests."""

from plantwright import Complex, ControllerSpec, System

# name: (plant gain, zeros, poles, target, specification fields)
CASES = {
    # PD
    "pd_no_zero": (1, [], [(0, 0), (-2, 0)], (-1, 1), {}),
    "pd_zero_added": (1, [], [(0, 0), (-1, 0)], (-2, 2), {}),
    "pd_refused": (1, [(-3, 0)], [], (-1, 1), {}),
    "pd_negative_gain": (1, [], [(-3, 0)], (-1, 1), {}),
    "pd_target_on_pole": (1, [], [(-1, 1), (-1, -1)], (-1, 1), {}),
    # lead/lag
    "lead_lag_one_lead": (1, [], [(-1, 0), (-2, 0)], (-2, 2), {}),
    "lead_lag_tracking_type0": (1, [], [(-1, 0), (-2, 0)], (-2, 2), {"system_type": 0, "tracking_error": 0.1}),
    "lead_lag_tracking_type1": (1, [], [(0, 0), (-2, 0)], (-2, 2), {"system_type": 1, "tracking_error": 0.05}),
    "lead_lag_every_stage": (1, [], [(0, 0), (-1, 0), (-5, 0)], (-2, 2),
                             {"system_type": 2, "tracking_error": 0.05, "balanced": True}),
    "lead_lag_above_type": (1, [], [(0, 0), (0, 0), (-1, 0)], (-1, 1), {"system_type": 1}),
    "lead_lag_nan_leads": (1, [], [(-1, 0), (-2, 0)], (-2, 2), {"pz_ratio": 1.0}),
}


def build(name):
    gain, zeros, poles, target, fields = CASES[name]
    plant = System(gain, [Complex(*z) for z in zeros], [Complex(*p) for p in poles])
    spec = ControllerSpec(Complex(*target))
    for field, value in fields.items():
        setattr(spec, field, value)
    return plant, spec
