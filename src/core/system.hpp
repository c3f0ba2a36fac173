// A transfer function in zero-pole-gain form and the analysis operations the designs are built from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
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

// The series connection of a few systems, left to right, seen in place: it evaluates exactly as
// the System that compose would build from them (gains multiplied left to right, every zero in
// section order, then every pole, so the same bits), without copying their lists. The designs
// evaluate the plant with their sections many times; building each composition would only copy.
class Series {
public:
    template <class... Systems>
    explicit Series(const System& first, const Systems&... rest) noexcept
        : sections_{&first, &rest...}, count_(1 + sizeof...(Systems)) {
        static_assert(sizeof...(Systems) < max_sections);
    }

    Complex eval(Complex s) const noexcept;
    double phase(Complex s) const noexcept;
    double system_constant() const noexcept;
    System build() const;  // the composed System itself

private:
    static constexpr std::size_t max_sections = 4;
    std::span<const System* const> sections() const noexcept { return {sections_.data(), count_}; }
    double gain() const noexcept;

    std::array<const System*, max_sections> sections_;
    std::size_t count_;
};

}  // namespace plantwright
