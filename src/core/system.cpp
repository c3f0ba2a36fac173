#include "system.hpp"

namespace plantwright {

namespace {

// One definition of each computation, over the sections of a series connection; a lone System is
// a series of one. Zeros are applied before any pole, section by section.
Complex evaluate(double gain, std::span<const System* const> sections, Complex s) noexcept {
    Complex a{gain, 0.0};
    for (const System* section : sections) {
        for (const Complex& z : section->zeros) a = (s - z) * a;
    }
    for (const System* section : sections) {
        for (const Complex& p : section->poles) a = a / (s - p);
    }
    return a;
}

// G(s) = k (s - z1)... / ((s - p1)...) tends to k * prod(-z) / prod(-p) once the poles at the origin
// are taken out. Negation is exact, so each step has the bits of the product or quotient by z or p
// themselves with the sign turned.
double limit_constant(double gain, std::span<const System* const> sections) noexcept {
    Complex k{gain, 0.0};
    for (const System* section : sections) {
        for (const Complex& z : section->zeros) k = k * Complex{-z.real, -z.imag};
    }
    for (const System* section : sections) {
        for (const Complex& p : section->poles) {
            if (p.is_zero()) continue;
            k = k / Complex{-p.real, -p.imag};
        }
    }
    return k.real;
}

}  // namespace

Complex System::eval(Complex s) const noexcept {
    const System* self = this;
    return evaluate(gain, {&self, 1}, s);
}

double System::magnitude(Complex s) const noexcept { return eval(s).modulus(); }

double System::phase(Complex s) const noexcept { return eval(s).arg(); }

std::uint64_t System::system_type() const noexcept {
    std::uint64_t count = 0;
    for (const Complex& p : poles) count += p.is_zero() ? 1 : 0;
    return count;
}

double System::system_constant() const noexcept {
    const System* self = this;
    return limit_constant(gain, {&self, 1});
}

System System::compose(const System& other) const { return Series(*this, other).build(); }

double Series::gain() const noexcept {
    double product = sections_[0]->gain;
    for (const System* section : sections().subspan(1)) product = product * section->gain;
    return product;
}

Complex Series::eval(Complex s) const noexcept { return evaluate(gain(), sections(), s); }

double Series::phase(Complex s) const noexcept { return eval(s).arg(); }

double Series::system_constant() const noexcept { return limit_constant(gain(), sections()); }

System Series::build() const {
    System result;
    result.gain = gain();
    std::size_t zeros = 0;
    std::size_t poles = 0;
    for (const System* section : sections()) {
        zeros += section->zeros.size();
        poles += section->poles.size();
    }
    result.zeros.reserve(zeros);
    result.poles.reserve(poles);
    for (const System* section : sections()) {
        result.zeros.insert(result.zeros.end(), section->zeros.begin(), section->zeros.end());
        result.poles.insert(result.poles.end(), section->poles.begin(), section->poles.end());
    }
    return result;
}

}  // namespace plantwright
