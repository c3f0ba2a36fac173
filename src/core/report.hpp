// The design report: its output channel, and the closing stage both design routines share.
#pragma once

#include <string>
#include <string_view>

#include "complex.hpp"
#include "system.hpp"

namespace plantwright::report {

inline constexpr std::string_view banner = "Plantwright\n===========\n\n";

// The report's channel for one design call: file descriptor 1, written with write(2), never
// through the interpreter's sys.stdout or a C stdio buffer that could hold text back.
//
// Each message goes out whole, under a process-wide lock held for that message, retrying on
// EINTR and on partial writes. A descriptor that cannot be written (closed, a pipe without a
// reader, a full device) loses the text and nothing else: the design's result never depends on
// its output. While a channel is open, a SIGPIPE whose disposition would kill the process is
// held back and then discarded, so a vanished reader cannot end the interpreter.
class Output {
public:
    Output() noexcept;
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void write(std::string_view message) noexcept;

private:
    bool holds_sigpipe_ = false;
    bool sigpipe_was_pending_ = false;
};

// Concatenates the pieces of one message.
template <class... Pieces>
std::string message(const Pieces&... pieces) {
    std::string text;
    (text.append(pieces), ...);
    return text;
}

// Fixed-point text with `digits` decimals, complex text and complex list text.
std::string real(double x, int digits = 6);
std::string location(Complex c);
std::string locations(const std::vector<Complex>& values);

// Selects the gain from the magnitude condition at `target` for the open loop plant ∘ controller,
// sets it on the controller, writes the closing lines and the summary, and returns the controller.
System close_design(Output& out, const System& plant, Complex target, System controller);

}  // namespace plantwright::report
