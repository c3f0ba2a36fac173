// The one number formatter: fixed-point text with exact digits, shared by str(), repr() and the report.
#pragma once

#include <string>
#include <vector>

namespace plantwright {

struct Complex;

// Fixed-point text of x with `digits` decimals: the exact binary value rounded half-to-even,
// every integer digit and never an exponent, "-" whenever the sign bit is set (so -0.0 and tiny
// negatives print "-0.000000"), and "NaN", "inf", "-inf" for the special values. Independent of
// the C locale.
void append_fixed(std::string& out, double x, int digits);
std::string fixed(double x, int digits);

// "(re + imj)": the text form of a complex value, six digits per part.
void append_text(std::string& out, Complex c);

// The complex texts joined by ", "; an empty list gives an empty text.
void append_list(std::string& out, const std::vector<Complex>& values);

}  // namespace plantwright
