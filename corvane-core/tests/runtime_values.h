// Shorthands for building values and an exact text form of values, shared by the tables of
// the runtime-library tests.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "number_text.h"
#include "value.h"

namespace corvane::testing_values {

inline Value I(int64_t i) { return Value::integer(i); }
inline Value F(double d) { return Value::number(d); }
inline Value S(std::string_view s) { return Value::string(s); }
inline Value B(bool b) { return Value::boolean(b); }
inline Value U() { return Value::undefined(); }
inline Value N() { return Value::null(); }
inline Value A(std::initializer_list<Value> elements) { return Value::array(Array(elements)); }
inline Value O(std::initializer_list<std::pair<std::string_view, Value>> entries) {
    ObjectMap map;
    for (const auto& [key, value] : entries) map.set(Str(key), value);
    return Value::object(std::move(map));
}

// An exact, unambiguous text of a value: strings are quoted, a Float always shows a point
// or is a word (2.0, NaN), so Int 2 and Float 2 differ.
inline std::string show(const Value& v) {
    switch (v.tag()) {
        case Tag::Undefined: return "undefined";
        case Tag::Null: return "null";
        case Tag::Bool: return v.as_bool() ? "true" : "false";
        case Tag::Int: return std::to_string(v.as_int());
        case Tag::Float: {
            std::string t = number_to_text(v.as_float());
            if (t.find_first_of(".IN") == std::string::npos) t += ".0";
            return t;
        }
        case Tag::String: {
            std::string out(1, '"');
            out += v.as_str_view();
            out += '"';
            return out;
        }
        case Tag::Array: {
            std::string out = "[";
            for (size_t i = 0; i < v.as_array().size(); ++i) {
                if (i > 0) out += ",";
                out += show(v.as_array()[i]);
            }
            return out + "]";
        }
        case Tag::Object: {
            std::string out = "{";
            bool first = true;
            for (const auto& entry : v.as_object()) {
                if (!first) out += ",";
                first = false;
                out += std::string(entry.key.view()) + ":" + show(entry.value);
            }
            return out + "}";
        }
        default: return "function";
    }
}

}  // namespace corvane::testing_values
