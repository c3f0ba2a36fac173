#include "complex.hpp"

#include <cmath>

#include "number_format.hpp"

namespace plantwright {

double Complex::arg() const noexcept { return std::atan2(imag, real) * degrees_per_radian; }

double Complex::modulus() const noexcept { return std::sqrt(real * real + imag * imag); }

std::string text(Complex c) {
    Text out;
    append_text(out, c);
    return std::string(out.view());
}

std::string repr(Complex c) {
    Text out;
    out.append("Complex(");
    append_fixed(out, c.real, 6);
    out.append(", ");
    append_fixed(out, c.imag, 6);
    out.append(")");
    return std::string(out.view());
}

}  // namespace plantwright
