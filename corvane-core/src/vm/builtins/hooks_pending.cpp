// Placeholders for the runtime-library methods that are built separately (string and array
// methods, array callback methods, promise methods). Each reports "no such method" until its
// implementation replaces this file's definition.
#include <algorithm>

#include "vm/builtins/hooks.h"

namespace corvane {

Result<std::optional<Value>> call_builtin(Vm&, const Value&, std::string_view, std::span<const Value>) {
    return std::optional<Value>();
}

bool is_array_callback_method(std::string_view method) {
    constexpr std::string_view names[] = {"map",  "filter", "reduce", "forEach", "find",
                                          "findIndex", "some", "every", "sort", "flatMap"};
    return std::find(std::begin(names), std::end(names), method) != std::end(names);
}

Result<ArrayCallbackOutcome> execute_array_callback_method(Vm&, const Value&, std::string_view,
                                                           std::span<const Value>) {
    return ArrayCallbackOutcome{};
}

Result<std::optional<Value>> execute_promise_method(Vm&, const Value&, std::string_view,
                                                    std::span<const Value>) {
    return std::optional<Value>();
}

}  // namespace corvane

#include "vm/builtins/globals.h"

namespace corvane {

Result<std::optional<Value>> call_json_method(std::string_view, std::span<const Value>) {
    return std::optional<Value>();
}

}  // namespace corvane
