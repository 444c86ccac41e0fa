// The six builtin globals (console, JSON, Object, Array, Promise, Math) and their methods.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "error.h"
#include "value.h"
#include "vm/vm.h"

namespace corvane {

// Installs the six namespace objects, replacing entries of the same names.
void register_globals(GlobalMap& globals);

// Carries out `object.method(...args)` for a namespace object. Console methods append to
// `output`. nullopt means there is no such method.
Result<std::optional<Value>> call_global_method(std::string_view object, std::string_view method,
                                                std::span<const Value> args, std::string& output);

// JSON.stringify / JSON.parse, provided by the JSON module; nullopt for other names.
Result<std::optional<Value>> call_json_method(std::string_view method, std::span<const Value> args);

// A promise object: {"__promise__": true, "status": ..., "value"/"reason": ...}.
bool is_promise(const Value& v);
Value make_promise(bool resolved, Value payload);

}  // namespace corvane
