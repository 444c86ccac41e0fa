#include "vm/builtins/run_budget.h"

#include "trace.h"

namespace corvane {

Result<void> RunBudget::check_time() {
    until_clock_ = kClockInterval;
    if (!deadline_ns_) return {};
    ++clock_reads_;
    if (monotonic_now_ns() > *deadline_ns_) return fail(CorvaneError::time_limit_exceeded());
    return {};
}

}  // namespace corvane
