// Placeholders for the runtime-library methods that are built separately (string and array
// methods, promise methods, JSON). Each reports "no such method" until its
// implementation replaces this file's definition.
#include "vm/builtins/hooks.h"

namespace corvane {

Result<std::optional<Value>> call_builtin(Vm&, const Value&, std::string_view, std::span<const Value>) {
    return std::optional<Value>();
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
