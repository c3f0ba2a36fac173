#include "controller_spec.hpp"

namespace plantwright {

std::optional<double> ControllerSpec::system_constant() const noexcept {
    if (!tracking_error || !system_type) return std::nullopt;
    double k = 1.0 / *tracking_error;
    if (*system_type == 0) k = k + (-1.0);
    return k;
}

}  // namespace plantwright
