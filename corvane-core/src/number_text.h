// Number <-> text rules shared by value conversion, property keys and the runtime library.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

// "Infinity", "-Infinity", "NaN", or the shortest round-trip digits in plain positional
// notation (never an exponent; negative zero gives "-0").
std::string number_to_text(double value);

// The decimal-literal rule for strings: optional sign, then digits with an optional
// fraction and exponent, or "inf"/"infinity"/"nan" in any case. Whitespace, prefixes,
// separators and trailing characters give NaN. Correctly rounded.
double parse_decimal_literal(std::string_view text);

}  // namespace corvane
