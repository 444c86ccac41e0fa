// Entry points of the runtime library that the machine's `Call` reaches for method values.
// Each returns the call's result, nullopt for "no such method" (the machine then reports
// "{object}.{method} is not a function"), or an error of the call.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "error.h"
#include "value.h"

namespace corvane {

class Vm;

// Methods of strings and arrays that take no callback. `receiver` is a String or an Array.
Result<std::optional<Value>> call_builtin(Vm& vm, const Value& receiver, std::string_view method,
                                          std::span<const Value> args);

// The array methods that take a callback (map, forEach, filter, find, findIndex, some,
// every, reduce, flatMap, sort). `started` is set when the method left a continuation that
// pushes its result later (nothing is pushed now).
struct ArrayCallbackOutcome {
    std::optional<Value> value;
    bool started = false;
};
bool is_array_callback_method(std::string_view method);
Result<ArrayCallbackOutcome> execute_array_callback_method(Vm& vm, const Value& receiver,
                                                           std::string_view method,
                                                           std::span<const Value> args);

// then / catch / finally on a promise object.
Result<std::optional<Value>> execute_promise_method(Vm& vm, const Value& promise,
                                                    std::string_view method,
                                                    std::span<const Value> args);

}  // namespace corvane
