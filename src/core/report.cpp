#include "report.hpp"

#include <cerrno>
#include <mutex>

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>


namespace plantwright::report {

namespace {

std::mutex& output_lock() {
    static std::mutex lock;
    return lock;
}

bool sigpipe_pending() noexcept {
    sigset_t pending;
    sigemptyset(&pending);
    return sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
}

}  // namespace

Output::Output() noexcept {
    // The interpreter ignores SIGPIPE, and then a broken pipe is only EPIPE; only a default
    // disposition (restored by the program, or an embedding host) would kill the process.
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) return;
    sigset_t pipe_only;
    sigemptyset(&pipe_only);
    sigaddset(&pipe_only, SIGPIPE);
    sigpipe_was_pending_ = sigpipe_pending();
    holds_sigpipe_ = pthread_sigmask(SIG_BLOCK, &pipe_only, nullptr) == 0;
}

Output::~Output() {
    if (!holds_sigpipe_) return;
    sigset_t pipe_only;
    sigemptyset(&pipe_only);
    sigaddset(&pipe_only, SIGPIPE);
    if (!sigpipe_was_pending_ && sigpipe_pending()) {
        // Raised by our own write to a pipe without a reader: consume it before unblocking.
        const timespec no_wait{0, 0};
        while (sigtimedwait(&pipe_only, nullptr, &no_wait) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_UNBLOCK, &pipe_only, nullptr);
}

void Output::write(std::string_view message) noexcept {
    const std::lock_guard<std::mutex> hold(output_lock());
    const char* next = message.data();
    std::size_t left = message.size();
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, next, left);
        if (written >= 0) {
            next += written;
            left -= static_cast<std::size_t>(written);
            continue;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // A non-blocking descriptor that is full: wait until it takes more, as a blocking one would.
            pollfd ready{STDOUT_FILENO, POLLOUT, 0};
            if (poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
        }
        return;  // the descriptor cannot be written: the rest of the message is lost
    }
}

void append(Text& text, std::string_view piece) { text.append(piece); }

void append(Text& text, real piece) { append_fixed(text, piece.value, piece.digits); }

void append(Text& text, count piece) { append_count(text, piece.value); }

void append(Text& text, location piece) { append_text(text, piece.value); }

void append(Text& text, locations piece) { append_list(text, piece.values); }

System close_design(Output& out, const System& plant, Complex target, System controller) {
    out.print("CONTROL GAIN SELECTION\n\n");
    const Complex v = Series(plant, controller).eval(target);
    // The real part of -1/v, written as the magnitude condition K L(s) = -1 taken on its real
    // part; the literal form keeps the signs of zeros and the NaN of an infinite imaginary part.
    const double gain = (0.0 * v.imag - v.real) / (v.real * v.real + v.imag * v.imag);
    out.print("\tSELECTED CONTROL GAIN of ", real{gain}, "\n\n");
    controller.gain = gain;
    out.print("Control design routine complete!\n\n");
    out.print("Summary\n-------\n\n");
    out.print("Gain : ", real{controller.gain}, "\n");
    out.print("Poles: ", locations{controller.poles}, "\n");
    out.print("Zeros: ", locations{controller.zeros}, "\n");
    return controller;
}

}  // namespace plantwright::report
