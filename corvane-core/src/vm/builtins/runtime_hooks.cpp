// Connects the machine's method calls to the runtime library: string and array methods
// and the JSON namespace, each under the run's time budget.
#include <chrono>
#include <limits>

#include "vm/builtins/call_builtin.h"
#include "vm/builtins/globals.h"
#include "vm/builtins/hooks.h"
#include "vm/builtins/json.h"

namespace corvane {

RunBudget budget_of(const Vm& vm) {
    if (!vm.start_time) return RunBudget();
    using std::chrono::nanoseconds;
    int64_t start_ns =
        std::chrono::duration_cast<nanoseconds>(vm.start_time->time_since_epoch()).count();
    // The run fails once more than time_limit_ms whole milliseconds have passed.
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    uint64_t limit_ms = vm.limits.time_limit_ms;
    int64_t allowed_ns = limit_ms >= static_cast<uint64_t>(kMax / 1'000'000) - 1
                             ? kMax
                             : static_cast<int64_t>(limit_ms + 1) * 1'000'000;
    int64_t deadline = allowed_ns > kMax - start_ns ? kMax : start_ns + allowed_ns;
    return RunBudget(deadline);
}

Result<std::optional<Value>> call_builtin(Vm& vm, const Value& receiver, std::string_view method,
                                          std::span<const Value> args) {
    RunBudget budget = budget_of(vm);
    std::optional<Result<Value>> result = call_builtin(budget, receiver, method, args);
    if (!result) return std::optional<Value>();
    if (!*result) return fail(std::move(result->error()));
    return std::optional<Value>(std::move(**result));
}

Result<std::optional<Value>> call_json_method(RunBudget& budget, std::string_view method,
                                              std::span<const Value> args) {
    Result<Value> result;
    if (method == "stringify") {
        result = json_stringify(budget, args);
    } else if (method == "parse") {
        result = json_parse(budget, args);
    } else {
        return std::optional<Value>();
    }
    if (!result) return fail(std::move(result.error()));
    return std::optional<Value>(std::move(*result));
}

}  // namespace corvane
