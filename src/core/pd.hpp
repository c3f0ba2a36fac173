// PD controller design by the root-locus angle and magnitude conditions.
#pragma once

#include "controller_spec.hpp"
#include "system.hpp"

namespace plantwright::pd {

// A controller K (s + a): at most one real zero that meets the angle condition at the target
// pole, and the gain from the magnitude condition. Writes the design report to standard output.
// A zero that would have to lie in the right half-plane refuses the design: the report says so
// and the result is gain 1.0 with no zeros or poles. Only the target of `spec` is read.
System design_pd_controller(const System& plant, const ControllerSpec& spec);

}  // namespace plantwright::pd
