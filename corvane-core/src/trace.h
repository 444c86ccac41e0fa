// The execution trace: a small tree of timed spans returned with every successful run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane {

enum class SpanStatus : uint8_t { Ok, Error };

// One finished span.
struct TraceSpan {
    std::string name;
    uint64_t start_time_ms = 0;  // wall clock, ms since the Unix epoch (0 before it)
    uint64_t end_time_ms = 0;    // start_time_ms + elapsed whole ms (monotonic)
    uint64_t duration_us = 0;    // elapsed whole us (monotonic)
    SpanStatus status = SpanStatus::Ok;
    std::vector<std::pair<std::string, std::string>> attributes;  // in the order set
    std::vector<TraceSpan> children;
};

// The trace of one run: its root span "corvane.run".
struct ExecutionTrace {
    TraceSpan root;
};

// An open span. The end time is derived from the wall-clock start plus the monotonic
// elapsed time, so adjusting the system clock during a run cannot make it go backwards.
class SpanBuilder {
public:
    explicit SpanBuilder(std::string_view name);

    void set_attr(std::string_view key, std::string_view value);
    void set_attr(std::string_view key, uint64_t value);
    void add_child(TraceSpan child);

    TraceSpan finish() &&;
    TraceSpan finish_error(std::string_view error_text) &&;

private:
    TraceSpan close(SpanStatus status);

    std::string name_;
    uint64_t start_time_ms_;
    int64_t monotonic_start_ns_;
    std::vector<std::pair<std::string, std::string>> attributes_;
    std::vector<TraceSpan> children_;
};

// Clock readings used by the trace (and by the machine's time limit).
uint64_t wall_clock_ms();         // CLOCK_REALTIME, truncated; 0 before the epoch
int64_t monotonic_now_ns();       // CLOCK_MONOTONIC

}  // namespace corvane
