// Placeholder for the promise methods, which are built separately: each reports "no such
// method" until its implementation replaces this file's definition.
#include "vm/builtins/hooks.h"

namespace corvane {

Result<std::optional<Value>> execute_promise_method(Vm&, const Value&, std::string_view,
                                                    std::span<const Value>) {
    return std::optional<Value>();
}

}  // namespace corvane
