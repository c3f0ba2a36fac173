#include "pd.hpp"

#include <cmath>

#include "report.hpp"

namespace plantwright::pd {

using report::location;
using report::real;

System design_pd_controller(const System& plant, const ControllerSpec& spec) {
    report::Output out;
    const Complex s = spec.target;
    out.print(report::banner);
    out.print("PD CONTROLLER DESIGN\n\n");
    out.print("PHASE CONDITION ANALYSIS\n\n");

    System controller;
    const double plant_phase = plant.phase(s);
    out.print("\tPhase of target pole is ", real{plant_phase}, " degrees\n\n");

    // Not wrapped: a deficiency beyond 180 degrees repeats through the tangent's period, and the
    // design carries on with the phase that results (its gain then comes out negative).
    const double deficiency = 180.0 - plant_phase;
    if (!(std::fabs(deficiency) > 0.001)) {  // NaN counts as met
        out.print("\tPhase condition satisfied, moving on\n\n");
    } else {
        const double t = std::tan(deficiency * radians_per_degree);
        out.print("\tADDING ZERO to increase phase by ", real{deficiency}, " degrees\n\n");
        // The point on the real axis from which the target is seen under the deficiency angle.
        const double offset = s.imag / t - s.real;
        const Complex zero{-offset, 0.0};
        controller.add_zero(zero);
        if (offset < 0.0) {
            out.print("\tPhase condition requires zero placement at location ", location{zero},
                      " but zero cannot be in RHP\n\n");
            out.print("\tPD control NOT POSSIBLE for this system, QUITTING\n\n");
            return System{};
        }
        out.print("\t\tSelecting PD CONTROLLER ZERO LOCATION of ", location{zero}, "\n\n");
        const double achieved = Series(plant, controller).phase(s);
        out.print("\tPhase condition satisfied at ", real{achieved}, " degrees, moving on\n\n");
    }
    return report::close_design(out, plant, s, std::move(controller));
}

}  // namespace plantwright::pd
