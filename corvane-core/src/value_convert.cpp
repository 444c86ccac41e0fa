#include "value_convert.h"

#include <cmath>
#include <limits>
#include <vector>

#include "number_text.h"

namespace corvane {

namespace {

void append_scalar(std::string& out, const Value& v) {
    switch (v.tag()) {
        case Tag::Undefined: out += "undefined"; break;
        case Tag::Null: out += "null"; break;
        case Tag::Bool: out += v.as_bool() ? "true" : "false"; break;
        case Tag::Int: out += std::to_string(v.as_int()); break;
        case Tag::Float: out += number_to_text(v.as_float()); break;
        case Tag::String: out += v.as_str_view(); break;
        case Tag::Object: out += "[object Object]"; break;
        case Tag::Function:
        case Tag::BuiltinMethod: out += "function"; break;
        case Tag::Generator: out += "[object Generator]"; break;
        case Tag::Array: break;  // handled by the walk
    }
}

// Appends the text of v; arrays are flattened with an explicit stack of positions.
bool append_text(std::string& out, const Value& v, size_t max_bytes) {
    if (!v.is_array()) {
        append_scalar(out, v);
        return out.size() <= max_bytes;
    }
    struct Position {
        const Array* array;
        size_t next;
    };
    std::vector<Position> stack{{&v.as_array(), 0}};
    while (!stack.empty()) {
        Position& top = stack.back();
        if (top.next == top.array->size()) {
            stack.pop_back();
            continue;
        }
        if (top.next > 0) out += ',';
        const Value& element = (*top.array)[top.next++];
        if (element.is_array()) {
            stack.push_back({&element.as_array(), 0});
        } else {
            append_scalar(out, element);
        }
        if (out.size() > max_bytes) return false;
    }
    return true;
}

}  // namespace

std::string to_js_string(const Value& v) {
    std::string out;
    append_text(out, v, std::numeric_limits<size_t>::max());
    return out;
}

std::optional<std::string> to_js_string_limited(const Value& v, size_t max_bytes) {
    std::string out;
    if (!append_text(out, v, max_bytes)) return std::nullopt;
    return out;
}

double to_number(const Value& v) {
    switch (v.tag()) {
        case Tag::Null: return 0;
        case Tag::Bool: return v.as_bool() ? 1 : 0;
        case Tag::Int: return static_cast<double>(v.as_int());
        case Tag::Float: return v.as_float();
        case Tag::String: return parse_decimal_literal(v.as_str_view());
        default: return std::numeric_limits<double>::quiet_NaN();
    }
}

}  // namespace corvane
