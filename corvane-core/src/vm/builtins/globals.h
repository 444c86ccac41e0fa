// The six builtin globals (console, JSON, Object, Array, Promise, Math) and their methods.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "error.h"
#include "value.h"
#include "vm/builtins/run_budget.h"
#include "vm/vm.h"

namespace corvane {

// Installs the six namespace objects, replacing entries of the same names.
void register_globals(GlobalMap& globals);

// Carries out `object.method(...args)` for a namespace object. Console methods append to
// `output`; long work (JSON) is charged to `budget`. nullopt means there is no such method.
Result<std::optional<Value>> call_global_method(std::string_view object, std::string_view method,
                                                std::span<const Value> args, std::string& output,
                                                RunBudget& budget);

// JSON.stringify / JSON.parse; nullopt for other names.
Result<std::optional<Value>> call_json_method(RunBudget& budget, std::string_view method,
                                              std::span<const Value> args);

// The time budget of builtins called by this machine: its deadline is the run's time limit.
RunBudget budget_of(const Vm& vm);

// A promise object: {"__promise__": true, "status": ..., "value"/"reason": ...}.
bool is_promise(const Value& v);
Value make_promise(bool resolved, Value payload);

}  // namespace corvane
