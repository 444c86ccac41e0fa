// The methods of array values that take no callback.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "error.h"
#include "value.h"
#include "vm/builtins/run_budget.h"

namespace corvane {

// Carries out an array method (see call_builtin); nullopt when arrays have no such method
// here. The callback methods (map, filter, sort, ...) are not handled here.
std::optional<Result<Value>> call_array_method(RunBudget& budget, const Value& receiver,
                                               std::string_view method,
                                               std::span<const Value> args);

// The text of join: every element's text (nested arrays comma-joined at any depth)
// separated by `separator`; fails with the allocation-limit error past kMaxStringBytes.
Result<std::string> join_array(RunBudget& budget, const Array& elements,
                               std::string_view separator);

}  // namespace corvane
