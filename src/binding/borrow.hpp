// Per-instance borrow state and the guards that hold a borrow for the length of a member call.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

namespace binding {

// Free (0), read by n callers (n > 0), or held by one writer (-1). Every caller holds the
// interpreter lock and no member releases it, so a check and its update are never separated by
// another caller: relaxed loads and stores are one indivisible update here, without the cost of a
// locked read-modify-write on every operator call.
class borrow_state {
public:
    bool try_shared() noexcept {
        const std::intptr_t n = state_.load(std::memory_order_relaxed);
        if (n < 0) return false;
        state_.store(n + 1, std::memory_order_relaxed);
        return true;
    }
    void release_shared() noexcept {
        state_.store(state_.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
    }
    bool try_exclusive() noexcept {
        if (state_.load(std::memory_order_relaxed) != 0) return false;
        state_.store(-1, std::memory_order_relaxed);
        return true;
    }
    void release_exclusive() noexcept { state_.store(0, std::memory_order_relaxed); }

private:
    std::atomic<std::intptr_t> state_{0};
};

static_assert(sizeof(borrow_state) == sizeof(std::intptr_t));

}  // namespace binding
