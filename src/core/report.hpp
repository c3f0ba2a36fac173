// The design report: its output channel, and the closing stage both design routines share.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "complex.hpp"
#include "number_format.hpp"
#include "system.hpp"

namespace plantwright::report {

inline constexpr std::string_view banner = "Plantwright\n===========\n\n";

// Pieces of a message, formatted when the message is printed: a real in fixed point (six digits
// unless a stage prints another number), a count, one location, a list of locations.
struct real {
    double value;
    int digits = 6;
};
struct count {
    std::uint64_t value;
};
struct location {
    Complex value;
};
struct locations {
    const std::vector<Complex>& values;
};

void append(Text& text, std::string_view piece);
void append(Text& text, real piece);
void append(Text& text, count piece);
void append(Text& text, location piece);
void append(Text& text, locations piece);

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

    // Formats the pieces into one message and writes it.
    template <class... Pieces>
    void print(const Pieces&... pieces) {
        Text text;
        (append(text, pieces), ...);
        write(text.view());
    }

private:
    void write(std::string_view message) noexcept;

    bool holds_sigpipe_ = false;
    bool sigpipe_was_pending_ = false;
};

// Selects the gain from the magnitude condition at `target` for the open loop plant ∘ controller,
// sets it on the controller, writes the closing lines and the summary, and returns the controller.
System close_design(Output& out, const System& plant, Complex target, System controller);

}  // namespace plantwright::report
