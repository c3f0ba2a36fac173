#include "number_format.hpp"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <system_error>

#include "complex.hpp"

namespace plantwright {

void Text::grow(std::size_t needed) {
    std::size_t capacity = capacity_ * 2;
    while (capacity - size_ < needed) capacity *= 2;
    auto grown = std::make_unique_for_overwrite<char[]>(capacity);
    std::memcpy(grown.get(), data_, size_);
    heap_ = std::move(grown);
    data_ = heap_.get();
    capacity_ = capacity;
}

void append_fixed(Text& out, double x, int digits) {
    if (std::isnan(x)) {
        out.append("NaN");  // never signed, whatever the NaN's sign bit
        return;
    }
    if (std::isinf(x)) {
        out.append(x < 0 ? "-inf" : "inf");
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
    out.append({buffer, static_cast<std::size_t>(end - buffer)});
}

void append_text(Text& out, Complex c) {
    out.append("(");
    append_fixed(out, c.real, 6);
    out.append(" + ");
    append_fixed(out, c.imag, 6);
    out.append("j)");
}

void append_list(Text& out, const std::vector<Complex>& values) {
    std::string_view separator = "";
    for (const Complex& value : values) {
        out.append(separator);
        append_text(out, value);
        separator = ", ";
    }
}

void append_count(Text& out, std::uint64_t n) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
    out.append({buffer, static_cast<std::size_t>(result.ptr - buffer)});
}

}  // namespace plantwright
