#include "number_format.hpp"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <system_error>

#include "complex.hpp"

namespace plantwright {

void append_fixed(std::string& out, double x, int digits) {
    if (std::isnan(x)) {
        out += "NaN";  // never signed, whatever the NaN's sign bit
        return;
    }
    if (std::isinf(x)) {
        out += x < 0 ? "-inf" : "inf";
        return;
    }
    // The largest double has 309 integer digits; a sign, the point and the decimals fit beside.
    char buffer[330 + 64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, digits);
    if (error != std::errc{}) {
        // Only a caller asking for more decimals than the buffer holds can get here: a broken
        // invariant, never a text to print.
        throw std::length_error("fixed-point text longer than its buffer");
    }
    out.append(buffer, end);
}

std::string fixed(double x, int digits) {
    std::string out;
    append_fixed(out, x, digits);
    return out;
}

void append_text(std::string& out, Complex c) {
    out += '(';
    append_fixed(out, c.real, 6);
    out += " + ";
    append_fixed(out, c.imag, 6);
    out += "j)";
}

void append_list(std::string& out, const std::vector<Complex>& values) {
    const char* separator = "";
    for (const Complex& value : values) {
        out += separator;
        append_text(out, value);
        separator = ", ";
    }
}

}  // namespace plantwright
