#include "system.hpp"

namespace plantwright {

Complex System::eval(Complex s) const noexcept {
    Complex a{gain, 0.0};
    for (const Complex& z : zeros) a = (s - z) * a;
    for (const Complex& p : poles) a = a / (s - p);
    return a;
}

double System::magnitude(Complex s) const noexcept { return eval(s).modulus(); }

double System::phase(Complex s) const noexcept { return eval(s).arg(); }

std::uint64_t System::system_type() const noexcept {
    std::uint64_t count = 0;
    for (const Complex& p : poles) count += p.is_zero() ? 1 : 0;
    return count;
}

double System::system_constant() const noexcept {
    // G(s) = k (s - z1)... / ((s - p1)...) tends to k * prod(-z) / prod(-p) once the poles at the
    // origin are taken out. Negation is exact, so each step has the bits of the product or quotient
    // by z or p themselves with the sign turned.
    Complex k{gain, 0.0};
    for (const Complex& z : zeros) k = k * Complex{-z.real, -z.imag};
    for (const Complex& p : poles) {
        if (p.is_zero()) continue;
        k = k / Complex{-p.real, -p.imag};
    }
    return k.real;
}

System System::compose(const System& other) const {
    System result;
    result.gain = gain * other.gain;
    result.zeros.reserve(zeros.size() + other.zeros.size());
    result.zeros.insert(result.zeros.end(), zeros.begin(), zeros.end());
    result.zeros.insert(result.zeros.end(), other.zeros.begin(), other.zeros.end());
    result.poles.reserve(poles.size() + other.poles.size());
    result.poles.insert(result.poles.end(), poles.begin(), poles.end());
    result.poles.insert(result.poles.end(), other.poles.begin(), other.poles.end());
    return result;
}

}  // namespace plantwright
