// The one number formatter: fixed-point text with exact digits, shared by str(), repr() and the
// report, and the text buffer the report's messages are built in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plantwright {

struct Complex;

// A text under construction with room for a whole report message inline, so that formatting a
// message allocates nothing; a longer text (a long list of locations) moves to the heap.
class Text {
public:
    Text() noexcept = default;
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;

    void append(std::string_view piece) {
        if (piece.empty()) return;  // an empty view may carry a null pointer, which memcpy must not see
        if (piece.size() > capacity_ - size_) grow(piece.size());
        std::memcpy(data_ + size_, piece.data(), piece.size());
        size_ += piece.size();
    }
    std::string_view view() const noexcept { return {data_, size_}; }

private:
    void grow(std::size_t needed);

    char inline_[512];
    std::unique_ptr<char[]> heap_;
    char* data_ = inline_;
    std::size_t size_ = 0;
    std::size_t capacity_ = sizeof inline_;
};

// Fixed-point text of x with `digits` decimals: the exact binary value rounded half-to-even,
// every integer digit and never an exponent, "-" whenever the sign bit is set (so -0.0 and tiny
// negatives print "-0.000000"), and "NaN", "inf", "-inf" for the special values. Independent of
// the C locale.
void append_fixed(Text& out, double x, int digits);

// "(re + imj)": the text form of a complex value, six digits per part.
void append_text(Text& out, Complex c);

// The complex texts joined by ", "; an empty list gives an empty text.
void append_list(Text& out, const std::vector<Complex>& values);

// An unsigned count in decimal, without sign, grouping or fill.
void append_count(Text& out, std::uint64_t n);

}  // namespace plantwright
