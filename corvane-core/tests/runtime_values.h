// Shorthands for building values and an exact text form of values, shared by the tables of
// the runtime-library tests.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "number_text.h"
#include "value.h"

namespace corvane::testing_values {

inline Value I(int64_t i) {
    return Value::integer(i);
}
inline Value F(double d) {
    return Value::number(d);
}
inline Value S(std::string_view s) {
    return Value::string(s);
}
inline Value B(bool b) {
    return Value::boolean(b);
}
inline Value U() {
    return Value::undefined();
}
inline Value N() {
    return Value::null();
}
inline Value A(std::initializer_list<Value> elements) {
    return Value::array(Array(elements));
}
inline Value O(std::initializer_list<std::pair<std::string_view, Value>> entries) {
    ObjectMap map;
    for (const auto& [key, value] : entries) map.set(Str(key), value);
    return Value::object(std::move(map));
}

// An exact, unambiguous text of a value: strings are quoted, a Float always shows a point
// or is a word (2.0, NaN), so Int 2 and Float 2 differ. Nesting deeper than 64 and texts
// past about 400 bytes are cut short with "...", so huge or deep values print quickly.
inline void show_into(std::string& out, const Value& v, int depth) {
    constexpr size_t kMaxText = 400;
    if (out.size() > kMaxText || depth > 64) {
        out += "...";
        return;
    }
    switch (v.tag()) {
        case Tag::Undefined:
            out += "undefined";
            return;
        case Tag::Null:
            out += "null";
            return;
        case Tag::Bool:
            out += v.as_bool() ? "true" : "false";
            return;
        case Tag::Int:
            out += std::to_string(v.as_int());
            return;
        case Tag::Float: {
            std::string t = number_to_text(v.as_float());
            if (t.find_first_of(".IN") == std::string::npos) t += ".0";
            out += t;
            return;
        }
        case Tag::String:
            out += '"';
            out += v.as_str_view().substr(0, kMaxText);
            if (v.as_str_view().size() > kMaxText) {
                out += "... (" + std::to_string(v.as_str_view().size()) + " bytes)";
            }
            out += '"';
            return;
        case Tag::Array:
            out += '[';
            for (size_t i = 0; i < v.as_array().size(); ++i) {
                if (i > 0) out += ',';
                if (out.size() > kMaxText) {
                    out += "...";
                    break;
                }
                show_into(out, v.as_array()[i], depth + 1);
            }
            out += ']';
            return;
        case Tag::Object: {
            out += '{';
            bool first = true;
            for (const auto& entry : v.as_object()) {
                if (!first) out += ',';
                first = false;
                if (out.size() > kMaxText) {
                    out += "...";
                    break;
                }
                out += entry.key.view();
                out += ':';
                show_into(out, entry.value, depth + 1);
            }
            out += '}';
            return;
        }
        default:
            out += "function";
            return;
    }
}

inline std::string show(const Value& v) {
    std::string out;
    show_into(out, v, 0);
    return out;
}

}  // namespace corvane::testing_values
