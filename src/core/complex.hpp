// The complex number of the numeric model: two doubles and the arithmetic every computation uses.
#pragma once

#include <string>

namespace plantwright {

// Every formula here is a fixed sequence of separately rounded double operations; the compiler
// must not contract them into fused multiply-adds (the build passes -ffp-contract=off), and no
// operand is tested or rescaled, so the bits are the same on every machine.
struct Complex {
    double real = 0.0;
    double imag = 0.0;

    static constexpr Complex zero() noexcept { return {0.0, 0.0}; }

    // Exact IEEE comparison with no tolerance: -0.0 is zero, 1e-300 is not, NaN never is.
    constexpr bool is_zero() const noexcept { return real == 0.0 && imag == 0.0; }

    // atan2 times the double nearest 180/pi; multiplying rather than dividing by pi/180 is part
    // of the result's bits.
    double arg() const noexcept;

    // The plain sum of squares, not hypot: parts beyond ~1.34e154 overflow to an infinite modulus.
    double modulus() const noexcept;
};

inline constexpr double degrees_per_radian = 57.29577951308232;
inline constexpr double radians_per_degree = 0.017453292519943295;

constexpr Complex operator+(Complex a, Complex b) noexcept { return {a.real + b.real, a.imag + b.imag}; }

constexpr Complex operator-(Complex a, Complex b) noexcept { return {a.real - b.real, a.imag - b.imag}; }

constexpr Complex operator*(Complex a, Complex b) noexcept {
    return {a.real * b.real - a.imag * b.imag, a.real * b.imag + a.imag * b.real};
}

// The textbook quotient, unscaled: a zero divisor gives NaN parts rather than an exception, and a
// divisor whose squared parts overflow collapses the result to zeros or NaN.
constexpr Complex operator/(Complex a, Complex b) noexcept {
    const double n = b.imag * b.imag + b.real * b.real;
    return {(a.real * b.real + a.imag * b.imag) / n, (a.imag * b.real - a.real * b.imag) / n};
}

// "(re + imj)" with both parts in six-decimal fixed point; the sign of a negative imaginary part
// follows the " + " separator.
std::string text(Complex c);

// "Complex(re, im)" in the same number format.
std::string repr(Complex c);

}  // namespace plantwright
