#include "complex.hpp"

#include <cmath>

#include "number_format.hpp"

namespace plantwright {

double Complex::arg() const noexcept { return std::atan2(imag, real) * degrees_per_radian; }

double Complex::modulus() const noexcept { return std::sqrt(real * real + imag * imag); }

std::string text(Complex c) {
    std::string out;
    append_text(out, c);
    return out;
}

std::string repr(Complex c) {
    std::string out = "Complex(";
    append_fixed(out, c.real, 6);
    out += ", ";
    append_fixed(out, c.imag, 6);
    out += ')';
    return out;
}

}  // namespace plantwright
