// JSON text: the compact writer, the lenient reader, and the two methods of the global
// `JSON` (the machine's global-method dispatcher calls json_stringify and json_parse).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "error.h"
#include "value.h"
#include "vm/builtins/run_budget.h"

namespace corvane {

// Deepest nesting the reader accepts: the text handed to JSON.parse is read at depth 0 and
// each array element or object member one deeper.
inline constexpr uint32_t kJsonMaxDepth = 64;

// The compact JSON text of a value. Strings escape only backslash and double quote; object
// keys are written as they are; undefined and functions are the bare word undefined; NaN
// and the infinities are null. The value is walked iteratively (any nesting depth), and the
// text is checked against kMaxStringBytes as it grows, so a value that is small in memory
// but enormous as text fails with the allocation-limit error without being expanded.
Result<std::string> value_to_json(RunBudget& budget, const Value& value);

// Reads a JSON text at the given nesting depth. Accepts standard JSON and more (unquoted
// keys, a leading plus sign, Infinity and NaN, a missing closing bracket, trailing commas);
// decodes only the escapes \" \\ \n \t, in that order, each over the whole text. Fails with
// a runtime error: "Invalid JSON: {text}" or "JSON nesting depth exceeded (max 64)".
Result<Value> json_to_value_depth(RunBudget& budget, std::string_view text, uint32_t depth);

// Cuts the inside of an array or object at the commas outside strings and brackets. A
// trailing empty piece is dropped; empty pieces between commas are kept.
std::vector<std::string_view> split_json_top_level(std::string_view text);

// JSON.stringify(value): the text of the first argument (Undefined when missing); further
// arguments are ignored.
Result<Value> json_stringify(RunBudget& budget, std::span<const Value> args);
// JSON.parse(text): the value of the first argument's text, read at depth 0; a missing or
// non-string argument is the type error "JSON.parse requires a string argument".
Result<Value> json_parse(RunBudget& budget, std::span<const Value> args);

}  // namespace corvane
