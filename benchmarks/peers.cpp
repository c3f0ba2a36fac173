// The C++ peers of the benchmark, loaded with ctypes. Each one times itself over many repetitions
// and returns nanoseconds per operation, so that the cost of the foreign call is not counted.
#include <cerrno>
#include <cstddef>
#include <ctime>

#include <unistd.h>

namespace {

struct Complex {
    double real;
    double imag;
};

// The textbook forms, each part a separately rounded double operation (built with
// -ffp-contract=off, so no fused multiply-add merges them).
Complex operator-(Complex a, Complex b) { return {a.real - b.real, a.imag - b.imag}; }

Complex operator*(Complex a, Complex b) {
    return {a.real * b.real - a.imag * b.imag, a.real * b.imag + a.imag * b.real};
}

Complex operator/(Complex a, Complex b) {
    const double n = b.imag * b.imag + b.real * b.real;
    return {(a.real * b.real + a.imag * b.imag) / n, (a.imag * b.real - a.real * b.imag) / n};
}

// The calling thread's CPU time, as the Python side measures with time.thread_time: time spent
// descheduled on a busy machine counts for neither side.
double now_ns() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

}  // namespace

extern "C" {

// G(s) = gain * prod(s - z) / prod(s - p), evaluated `repetitions` times; the last value goes to
// result[0..1]. The point is read through a volatile each time, so that the compiler cannot hoist
// the loop-invariant evaluation out of the repetitions.
double evaluation_ns(double gain, const double* zeros, std::size_t zero_count, const double* poles,
                     std::size_t pole_count, double s_real, double s_imag, long repetitions, double* result) {
    volatile double point_real = s_real;
    volatile double point_imag = s_imag;
    Complex a{};
    const double start = now_ns();
    for (long r = 0; r < repetitions; ++r) {
        const Complex s{point_real, point_imag};
        a = Complex{gain, 0.0};
        for (std::size_t i = 0; i < zero_count; ++i) a = (s - Complex{zeros[2 * i], zeros[2 * i + 1]}) * a;
        for (std::size_t i = 0; i < pole_count; ++i) a = a / (s - Complex{poles[2 * i], poles[2 * i + 1]});
        // Keeps every repetition's value alive: without it only the last one would be computed.
        asm volatile("" : : "m"(a) : "memory");
    }
    const double elapsed = now_ns() - start;
    result[0] = a.real;
    result[1] = a.imag;
    return elapsed / static_cast<double>(repetitions);
}

// Writes the `count` messages to file descriptor 1, one write(2) each, `repetitions` times, as a
// design's report does; returns nanoseconds per whole report. Partial writes and EINTR are
// handled as in the design's writer; any other failure ends the message.
double report_writes_ns(const char* const* messages, const std::size_t* lengths, std::size_t count,
                        long repetitions) {
    const double start = now_ns();
    for (long r = 0; r < repetitions; ++r) {
        for (std::size_t m = 0; m < count; ++m) {
            const char* next = messages[m];
            std::size_t left = lengths[m];
            while (left > 0) {
                const ssize_t written = ::write(STDOUT_FILENO, next, left);
                if (written >= 0) {
                    next += written;
                    left -= static_cast<std::size_t>(written);
                } else if (errno != EINTR) {
                    break;
                }
            }
        }
    }
    return (now_ns() - start) / static_cast<double>(repetitions);
}

}  // extern "C"
