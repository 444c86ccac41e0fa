// The two total conversions every stage shares: value to text and value to number.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "value.h"

namespace corvane {

// The text of a value wherever a value must become text. Arrays join their elements
// with "," at any nesting depth (walked iteratively).
std::string to_js_string(const Value& v);

// Like to_js_string, but gives up (nullopt) as soon as the text would pass max_bytes,
// so an array shared with itself many times over cannot make it build an enormous text.
std::optional<std::string> to_js_string_limited(const Value& v, size_t max_bytes);

// The number of a value wherever a number is needed.
double to_number(const Value& v);

}  // namespace corvane
