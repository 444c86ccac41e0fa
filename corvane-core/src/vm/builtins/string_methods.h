// The methods of string values, and the text helpers the runtime library shares:
// scalar-value iteration, White_Space trimming and full case mappings.
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

namespace text {

// One character (Unicode scalar value) of UTF-8 text and its length in bytes. Bytes that
// do not form a valid sequence decode one at a time as U+FFFD.
struct Char {
    char32_t cp;
    uint32_t len;
};
// Decodes the character that starts at byte `pos` (pos < s.size()).
Char decode_at(std::string_view s, size_t pos);
// Number of characters in the text.
size_t count_chars(std::string_view s);
// `pos` moved back to the start of the character it falls inside (pos <= s.size()).
size_t char_start(std::string_view s, size_t pos);
// The White_Space property.
bool is_white_space(char32_t cp);
// The text without leading and/or trailing White_Space characters.
std::string_view trim_white_space(std::string_view s, bool leading = true, bool trailing = true);

}  // namespace text

// Carries out a string method (see call_builtin); nullopt when strings have no such method.
std::optional<Result<Value>> call_string_method(RunBudget& budget, const Value& receiver,
                                                std::string_view method,
                                                std::span<const Value> args);

}  // namespace corvane
