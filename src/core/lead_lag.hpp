// Lead/lag controller design by the root-locus method.
#pragma once

#include "controller_spec.hpp"
#include "system.hpp"

namespace plantwright::lead_lag {

// A controller built in sections: free integrators up to the requested system type (balanced
// by zeros on request), lead sections for the phase deficiency at the target, a lag section when
// the system constant falls short of the tracking requirement, lead sections designed again
// after the lag, and the gain from the magnitude condition. Writes the design report to standard
// output. Throws std::bad_alloc, before anything is built, for an integrator count that cannot
// be held in memory.
System design_lead_lag_controller(const System& plant, const ControllerSpec& spec);

}  // namespace plantwright::lead_lag
