#include "trace.h"

#include <time.h>

namespace corvane {

uint64_t wall_clock_ms() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    if (ts.tv_sec < 0) return 0;
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

int64_t monotonic_now_ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

SpanBuilder::SpanBuilder(std::string_view name)
    : name_(name), start_time_ms_(wall_clock_ms()), monotonic_start_ns_(monotonic_now_ns()) {}

void SpanBuilder::set_attr(std::string_view key, std::string_view value) {
    attributes_.emplace_back(std::string(key), std::string(value));
}

void SpanBuilder::set_attr(std::string_view key, uint64_t value) {
    attributes_.emplace_back(std::string(key), std::to_string(value));
}

void SpanBuilder::add_child(TraceSpan child) { children_.push_back(std::move(child)); }

TraceSpan SpanBuilder::close(SpanStatus status) {
    int64_t elapsed_ns = monotonic_now_ns() - monotonic_start_ns_;
    if (elapsed_ns < 0) elapsed_ns = 0;
    uint64_t seconds = static_cast<uint64_t>(elapsed_ns / 1000000000);
    uint64_t nanos = static_cast<uint64_t>(elapsed_ns % 1000000000);
    TraceSpan span;
    span.name = std::move(name_);
    span.start_time_ms = start_time_ms_;
    span.end_time_ms = start_time_ms_ + seconds * 1000 + nanos / 1000000;
    span.duration_us = seconds * 1000000 + nanos / 1000;
    span.status = status;
    span.attributes = std::move(attributes_);
    span.children = std::move(children_);
    return span;
}

TraceSpan SpanBuilder::finish() && { return close(SpanStatus::Ok); }

TraceSpan SpanBuilder::finish_error(std::string_view error_text) && {
    set_attr("corvane.error", error_text);
    return close(SpanStatus::Error);
}

}  // namespace corvane
