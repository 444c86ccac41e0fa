#include "number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace corvane {

std::string number_to_text(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    // The shortest round-trip digits come from the scientific form ("-d.ddde+XX"); they
    // are then laid out positionally, padded with zeros, whatever the magnitude.
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    if (ec != std::errc()) return "NaN";  // cannot happen with this buffer size
    std::string_view sci(buf, static_cast<size_t>(end - buf));
    std::string out;
    if (sci.front() == '-') {
        out += '-';
        sci.remove_prefix(1);
    }
    size_t e = sci.find('e');
    std::string digits;
    for (char c : sci.substr(0, e)) {
        if (c != '.') digits += c;
    }
    int exponent = 0;
    std::from_chars(sci.data() + e + 1 + (sci[e + 1] == '+'), sci.data() + sci.size(), exponent);
    // The value is 0.digits * 10^(exponent + 1): `point` digits stand before the point.
    int point = exponent + 1;
    int count = static_cast<int>(digits.size());
    if (point <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-point), '0');
        out += digits;
    } else if (point >= count) {
        out += digits;
        out.append(static_cast<size_t>(point - count), '0');
    } else {
        out.append(digits, 0, static_cast<size_t>(point));
        out += '.';
        out.append(digits, static_cast<size_t>(point));
    }
    return out;
}

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool equals_ignore_case(std::string_view text, std::string_view word) {
    if (text.size() != word.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return true;
}

// The decimal exponent of the first significant digit of a validated literal, used to
// tell overflow from underflow when the parse is out of range. Saturates instead of
// overflowing on absurd exponents.
int64_t leading_digit_exponent(std::string_view s) {
    int64_t int_digits = 0;
    int64_t leading_fraction_zeros = 0;
    size_t i = 0;
    while (i < s.size() && s[i] == '0') ++i;
    bool in_int = true;
    for (; i < s.size() && s[i] != 'e' && s[i] != 'E'; ++i) {
        if (s[i] == '.') {
            in_int = false;
            continue;
        }
        if (in_int) {
            ++int_digits;
        } else if (int_digits == 0 && s[i] == '0') {
            ++leading_fraction_zeros;
        } else {
            break;
        }
    }
    int64_t exponent = 0;
    size_t e = s.find_first_of("eE");
    if (e != std::string_view::npos) {
        size_t j = e + 1;
        bool negative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) negative = s[j++] == '-';
        for (; j < s.size(); ++j) {
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (s[j] - '0');
        }
        if (negative) exponent = -exponent;
    }
    return exponent + (int_digits > 0 ? int_digits : -leading_fraction_zeros);
}

}  // namespace

double parse_decimal_literal(std::string_view text) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    bool negative = false;
    std::string_view s = text;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    const double inf = std::numeric_limits<double>::infinity();
    if (equals_ignore_case(s, "inf") || equals_ignore_case(s, "infinity")) {
        return negative ? -inf : inf;
    }
    if (equals_ignore_case(s, "nan")) return nan;

    // Validate: digits [. digits] [e [sign] digits], at least one mantissa digit.
    size_t i = 0, mantissa_digits = 0;
    while (i < s.size() && is_digit(s[i])) ++i, ++mantissa_digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && is_digit(s[i])) ++i, ++mantissa_digits;
    }
    if (mantissa_digits == 0) return nan;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t exponent_digits = 0;
        while (i < s.size() && is_digit(s[i])) ++i, ++exponent_digits;
        if (exponent_digits == 0) return nan;
    }
    if (i != s.size()) return nan;

    double value = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value,
                                     std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        value = leading_digit_exponent(s) > 0 ? inf : 0.0;
    } else if (ec != std::errc() || ptr != s.data() + s.size()) {
        return nan;
    }
    return negative ? -value : value;
}

}  // namespace corvane
