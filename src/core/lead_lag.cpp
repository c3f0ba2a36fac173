#include "lead_lag.hpp"

#include <cmath>
#include <cstdint>
#include <new>

#include <unistd.h>

#include "report.hpp"

namespace plantwright::lead_lag {

namespace {

using report::count;
using report::location;
using report::real;

// The angle condition counts as met within a thousandth of a degree; a NaN deficiency counts as
// met too, so NaN never adds sections.
bool needs_phase(double deficiency) { return std::fabs(deficiency) > 0.001; }

struct LeadPair {
    Complex zero;
    Complex pole;
};

// The zero -x and pole -alpha x whose added phase at the target has tangent t: x is the root of
// a2 x^2 + a1 x + a0 = 0 with the positive square root. Nothing is tested: a negative
// discriminant or a zero a2 places NaN or infinite sections, as the formula gives them.
LeadPair lead_placement(double angle, double alpha, Complex target) {
    const double sigma = target.real;
    const double omega = target.imag;
    const double t = std::tan(angle * radians_per_degree);
    const double a2 = alpha * t;
    const double a1 = (1.0 + alpha) * sigma * t - (alpha - 1.0) * omega;
    const double distance = std::sqrt(sigma * sigma + omega * omega);
    const double m = distance * distance;  // the square of the root, not the sum itself: other bits
    const double a0 = t * m;
    const double x = std::sqrt(a1 * a1 - 4.0 * a2 * a0) * 0.5 / a2 - a1 * 0.5 / a2;
    return {{-x, 0.0}, {-alpha * x, 0.0}};
}

// Splits the deficiency into sections of at most 75 degrees, identical to one another, appends
// them to `section` and reports them; `kind` is "" for the first design and "NEW " after the lag.
void add_leads(report::Output& out, System& section, double deficiency, const ControllerSpec& spec,
               const char* kind) {
    const auto sections = static_cast<std::uint64_t>(std::ceil(deficiency / 75.0));
    const double angle = deficiency / static_cast<double>(sections);
    out.print("\tADDING ", count{sections}, " ", kind, "LEAD CONTROLLER(S) to increase phase by ",
                      real{angle}, " degrees per controller\n\n");
    const LeadPair pair = lead_placement(angle, spec.pz_ratio, spec.target);
    section.zeros.reserve(sections);
    section.poles.reserve(sections);
    for (std::uint64_t i = 0; i < sections; ++i) {
        section.add_zero(pair.zero);
        section.add_pole(pair.pole);
    }
    out.print("\t\tSelecting ", kind, "LEAD CONTROLLER ZERO LOCATION of ", location{pair.zero}, "\n\n");
    out.print("\t\tSelecting ", kind, "LEAD CONTROLLER POLE LOCATION of ", location{pair.pole}, "\n\n");
}

double physical_memory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    return pages > 0 && page_size > 0 ? static_cast<double>(pages) * static_cast<double>(page_size) : 0.0;
}

// Every integrator costs its pole (and balancing zero) in the section and again in the
// controller, and its text in the summary line, which lists the whole controller in one message.
// A count whose footprint would take more than a quarter of this machine's memory fails at once
// with bad_alloc, before anything is built or printed about it, instead of exhausting the machine.
void reserve_integrators(System& section, std::uint64_t k, bool balanced) {
    constexpr double bytes_per_integrator = 2 * (2 * sizeof(Complex) + sizeof("(-0.000000 + 0.000000j), "));
    static const double memory = physical_memory();  // asked once: it costs a system call
    if (memory > 0.0 && static_cast<double>(k) * bytes_per_integrator > memory / 4) throw std::bad_alloc();
    section.poles.reserve(k);
    if (balanced) section.zeros.reserve(k);
}

// Free integrators (poles at the origin) up to the requested type. The stage can only add poles
// at the origin, never take them away: a plant already above the requested type is left as it is.
System integrator_section(report::Output& out, const System& plant, const ControllerSpec& spec) {
    out.print("SYSTEM TYPE ANALYSIS\n\n");
    System section;
    const std::uint64_t open_loop_type = plant.system_type();
    out.print("\tOpen-loop system is Type ", count{open_loop_type}, "\n\n");
    if (!spec.system_type) {
        out.print("\tDesired system type not specified, moving on\n\n");
    } else if (*spec.system_type < open_loop_type) {
        out.print("\tOpen-loop system is above desired type ", count{*spec.system_type},
                          ", poles at the origin cannot be removed, moving on\n\n");
        return section;
    } else if (const std::uint64_t k = *spec.system_type - open_loop_type; k != 0) {
        reserve_integrators(section, k, spec.balanced);
        out.print("\t\tADDING ", count{k}, " FREE INTEGRATOR(S)\n\n");
        const Complex balancing_zero{spec.target.real, 0.0};
        if (spec.balanced) {
            out.print("\t\tBalancing controller by ADDING ", count{k}, " ZERO(S) AT LOCATION ",
                      location{balancing_zero}, "\n\n");
        }
        for (std::uint64_t i = 0; i < k; ++i) {
            section.add_free_integrator();
            if (spec.balanced) section.add_zero(balancing_zero);
        }
    }
    out.print("\tSystem is of desired type, moving on\n\n");
    return section;
}

// Lead sections for the deficiency of the plant with its integrators.
System lead_section(report::Output& out, const System& plant, const System& integrators, const ControllerSpec& spec) {
    out.print("PHASE CONDITION ANALYSIS\n\n");
    System section;
    const double phase = Series(plant, integrators).phase(spec.target);
    out.print("\tPhase of target pole is ", real{phase}, " degrees\n\n");
    const double deficiency = 180.0 - phase;
    if (!needs_phase(deficiency)) {
        out.print("\tPhase condition satisfied, moving on\n\n");
        return section;
    }
    add_leads(out, section, deficiency, spec, "");
    const double achieved = Series(plant, integrators, section).phase(spec.target);
    out.print("\tPhase condition satisfied at ", real{achieved}, " degrees, moving on\n\n");
    return section;
}

// A lag pair that brings the current system constant to the target one: the zero at a tenth
// (zt_ratio) of the target's real part, the pole closer to the origin by Kt/Kc.
System lag_section(report::Output& out, const Series& with_leads, const ControllerSpec& spec, bool tracking) {
    out.print("TRACKING PERFORMANCE ANALYSIS\n\n");
    System section;
    if (!tracking) {
        out.print("\tNo tracking performance specified, moving on\n\n");
        return section;
    }
    const double target_constant = *spec.system_constant();
    const double current_constant = with_leads.system_constant();
    out.print("\tCurrent system constant is ", real{current_constant, 4}, "\n\n");
    if (current_constant > target_constant) {  // equality and NaN fall short
        out.print("\tTracking performance is satisfactory, moving on\n\n");
        return section;
    }
    out.print("\tTracking performance needs improvement, ADDING LAG CONTROLLER\n\n");
    const double zero = spec.target.real / spec.zt_ratio;
    const double pole = (current_constant * zero) / target_constant;
    section.add_zero({zero, 0.0});
    section.add_pole({pole, 0.0});
    out.print("\t\tSelecting LAG CONTROLLER ZERO LOCATION of ", location{{zero, 0.0}}, "\n\n");
    out.print("\t\tSelecting LAG CONTROLLER POLE LOCATION of ", location{{pole, 0.0}}, "\n\n");
    return section;
}

// The lag shifts the phase at the target, so the leads are designed again for the plant with
// integrators and lag. Only a design with tracking requested uses them.
System new_lead_section(report::Output& out, const System& plant, const System& integrators, const System& lag,
                        const ControllerSpec& spec, bool tracking) {
    out.print("PHASE CONDITION REPAIR\n\n");
    System section;
    const double phase = Series(plant, integrators, lag).phase(spec.target);
    out.print("\tPhase of target pole (excluding lead control) is ", real{phase}, " degrees\n\n");
    const double deficiency = 180.0 - phase;
    if (!(tracking && needs_phase(deficiency))) {
        out.print("\tPhase condition repair not required, moving on\n\n");
        return section;
    }
    add_leads(out, section, deficiency, spec, "NEW ");
    const double achieved = Series(plant, integrators, lag, section).phase(spec.target);
    out.print("\tPhase condition repaired at ", real{achieved}, " degrees, moving on\n\n");
    return section;
}

}  // namespace

System design_lead_lag_controller(const System& plant, const ControllerSpec& spec) {
    report::Output out;
    out.print(report::banner);
    out.print("LEAD/LAG CONTROLLER DESIGN\n\n");

    const System integrators = integrator_section(out, plant, spec);
    const System leads = lead_section(out, plant, integrators, spec);

    const bool tracking = spec.system_type.has_value() && spec.tracking_error.has_value();
    const System lag = lag_section(out, Series(plant, integrators, leads), spec, tracking);
    const System new_leads = new_lead_section(out, plant, integrators, lag, spec, tracking);

    // With tracking the first leads served only to measure the system constant.
    System controller = tracking ? Series(integrators, lag, new_leads).build() : Series(integrators, leads).build();
    return report::close_design(out, plant, spec.target, std::move(controller));
}

}  // namespace plantwright::lead_lag
