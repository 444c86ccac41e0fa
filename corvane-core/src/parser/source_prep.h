// Source preparation: the trailing-object rewrite that runs before parsing.
//
// A script's result is the value of its last expression statement, so a script that ends
// with `{ a: 1 }` or `{ x, y }` means an object, while the grammar reads a leading brace as
// a block. When the text ends with such a braced group in statement position, it is
// rewritten to `;({ a: 1 })` (the `;` ends any preceding statement that lacks one).
//
// The test is purely textual: it looks at the final braced group, the text before it and
// the group's content. Bodies of compound statements (`if (x) { a: 1 }`) and of
// declarations (`function f() { return x }`, `class C<T> extends B { x }`,
// `interface I { a: T }`, `enum E { A }`, `namespace N { x }`, ...) are never rewritten.
#pragma once

#include <string>
#include <string_view>

namespace corvane::front_end {

// Returns the text to hand to the parser: `source` itself, or `source` with ";(" inserted
// before the final braced group and ")" right after its closing brace.
std::string prepare_source(std::string_view source);

}  // namespace corvane::front_end
