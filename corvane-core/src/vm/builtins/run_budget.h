// What a long-running builtin needs from the machine that called it: the run's deadline,
// checked cheaply as the builtin goes, and the longest text any builtin may build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "error.h"

namespace corvane {

// No builtin produces a text longer than this many bytes; longer results fail with the
// allocation-limit error before they are built.
inline constexpr size_t kMaxStringBytes = 10'000'000;

// The time budget of one run as seen by builtins. Work is counted in abstract units
// (roughly one unit per byte scanned or copied, kElementWork per value visited); the clock
// is read only once every kClockInterval units, so a check costs a counter decrement on
// the fast path while a builtin never runs much more than a few microseconds past the
// deadline before it notices.
class RunBudget {
  public:
    // Units of work charged for visiting one value (converting, comparing, copying it).
    static constexpr uint64_t kElementWork = 32;
    // Units of work between two readings of the clock.
    static constexpr uint64_t kClockInterval = 1 << 15;

    // No deadline: checks never fail.
    RunBudget() = default;
    // A deadline on the monotonic clock (monotonic_now_ns()).
    explicit RunBudget(std::optional<int64_t> deadline_ns) : deadline_ns_(deadline_ns) {}

    std::optional<int64_t> deadline_ns() const { return deadline_ns_; }
    void set_deadline_ns(std::optional<int64_t> deadline_ns) {
        deadline_ns_ = deadline_ns;
        until_clock_ = 0;
    }

    // Counts `units` of work; reads the clock when the interval is used up and fails
    // with the time-limit error once the deadline has passed.
    Result<void> charge(uint64_t units) {
        if (units < until_clock_) {
            until_clock_ -= units;
            return {};
        }
        return check_time();
    }

    // Reads the clock now (and restarts the interval).
    Result<void> check_time();

    // Number of clock readings so far (lets tests see that long work polls the clock).
    uint64_t clock_reads() const { return clock_reads_; }

  private:
    std::optional<int64_t> deadline_ns_;
    uint64_t until_clock_ = 0;
    uint64_t clock_reads_ = 0;
};

}  // namespace corvane
