// A transfer function in zero-pole-gain form and the analysis operations the designs are built from.
#pragma once

#include <cstdint>
#include <vector>

#include "complex.hpp"

namespace plantwright {

struct System {
    double gain = 1.0;
    std::vector<Complex> zeros;
    std::vector<Complex> poles;

    // G(s): the gain first, then every zero in list order, then every pole in list order. The
    // order fixes the rounding, so it is part of the result; no divisor is tested.
    Complex eval(Complex s) const noexcept;
    double magnitude(Complex s) const noexcept;
    double phase(Complex s) const noexcept;  // degrees, from the evaluated value, in [-180, 180]

    // Poles exactly at the origin; zeros at the origin do not lower it.
    std::uint64_t system_type() const noexcept;

    // The static error constant: the limit of s^N G(s) as s -> 0, N the poles at the origin.
    double system_constant() const noexcept;

    // Series connection: this system followed by `other`. Lists concatenate, nothing cancels.
    System compose(const System& other) const;

    void add_zero(Complex zero) { zeros.push_back(zero); }
    void add_pole(Complex pole) { poles.push_back(pole); }
    void add_free_integrator() { poles.push_back(Complex::zero()); }
};

}  // namespace plantwright
