// What a design must achieve: the target pole and the optional tracking requirements.
#pragma once

#include <cstdint>
#include <optional>

#include "complex.hpp"

namespace plantwright {

struct ControllerSpec {
    std::optional<std::uint64_t> system_type;
    std::optional<double> tracking_error;
    Complex target;
    double pz_ratio = 10.0;
    double zt_ratio = 10.0;
    bool balanced = false;

    explicit ControllerSpec(Complex target_pole) noexcept : target(target_pole) {}

    // The error constant the open loop must reach: 1/e - 1 for a position error (type 0), 1/e
    // above; unset unless both the type and the error are set.
    std::optional<double> system_constant() const noexcept;
};

}  // namespace plantwright
