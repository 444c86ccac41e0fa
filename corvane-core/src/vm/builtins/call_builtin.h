// The methods of string and array values: one entry point for the machine, and the
// argument rules the method tables share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "error.h"
#include "value.h"
#include "vm/builtins/run_budget.h"

namespace corvane {

// Carries out `receiver.method(args...)` for a String or Array receiver. Returns nullopt
// when there is no such method (the receiver is neither a string nor an array, or the name
// is not one of its methods); the machine then raises "{object}.{method} is not a
// function". Otherwise the result value, or an error: the allocation-limit error for a
// text that would pass kMaxStringBytes, the time-limit error once the budget's deadline
// has passed. The receiver and the arguments are never changed.
std::optional<Result<Value>> call_builtin(RunBudget& budget, const Value& receiver,
                                          std::string_view method, std::span<const Value> args);

namespace builtin_args {

// An integer argument: an Int as it is; anything else through to_number, truncated
// toward zero, NaN giving 0 and out-of-range values saturating.
int64_t to_integer(const Value& v);
// The integer argument at `index`, or `fallback` when the call has fewer arguments.
int64_t integer_or(std::span<const Value> args, size_t index, int64_t fallback);
// A relative position: x when x >= 0, else n + x, and 0 when that is below 0. No upper
// clamp.
uint64_t relative_position(int64_t x, uint64_t n);
// The value argument at `index`, Undefined when missing.
const Value& value_or_undefined(std::span<const Value> args, size_t index);

// Appends the text of `v` (the to_js_string rule; nested arrays are joined with "," by an
// iterative walk) to `out`. Returns false as soon as `out` holds more than `limit` bytes:
// the text appended so far is then a prefix of the full text (whole elements only) and the
// rest is never built. Charges the budget as it goes.
Result<bool> append_js_text(RunBudget& budget, std::string& out, const Value& v, size_t limit);

// A text argument converted with a length cap. `text` is the whole text when `complete`;
// otherwise it is a prefix longer than the cap and the full text was never built.
struct TextArg {
    std::string text;
    bool complete = true;
};
Result<TextArg> text_arg(RunBudget& budget, const Value& v, size_t cap);

}  // namespace builtin_args

}  // namespace corvane
