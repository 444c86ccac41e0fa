#include "vm/builtins/call_builtin.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "number_text.h"
#include "value_convert.h"
#include "vm/builtins/array_methods.h"
#include "vm/builtins/string_methods.h"

namespace corvane {

std::optional<Result<Value>> call_builtin(RunBudget& budget, const Value& receiver,
                                          std::string_view method, std::span<const Value> args) {
    if (receiver.is_string()) return call_string_method(budget, receiver, method, args);
    if (receiver.is_array()) return call_array_method(budget, receiver, method, args);
    return std::nullopt;
}

namespace builtin_args {

int64_t to_integer(const Value& v) {
    if (v.is_int()) return v.as_int();
    const double d = v.is_float() ? v.as_float() : to_number(v);
    if (std::isnan(d)) return 0;
    // 2^63 is exactly representable; every double below it truncates into range.
    constexpr double kTwo63 = 9223372036854775808.0;
    if (d >= kTwo63) return std::numeric_limits<int64_t>::max();
    if (d < -kTwo63) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(std::trunc(d));
}

int64_t integer_or(std::span<const Value> args, size_t index, int64_t fallback) {
    return index < args.size() ? to_integer(args[index]) : fallback;
}

uint64_t relative_position(int64_t x, uint64_t n) {
    if (x >= 0) return static_cast<uint64_t>(x);
    // -x fits in uint64_t even for the most negative value.
    const uint64_t back = 0 - static_cast<uint64_t>(x);
    return back >= n ? 0 : n - back;
}

const Value& value_or_undefined(std::span<const Value> args, size_t index) {
    static const Value undefined;
    return index < args.size() ? args[index] : undefined;
}

namespace {

void append_scalar(std::string& out, const Value& v) {
    switch (v.tag()) {
        case Tag::Undefined:
            out += "undefined";
            break;
        case Tag::Null:
            out += "null";
            break;
        case Tag::Bool:
            out += v.as_bool() ? "true" : "false";
            break;
        case Tag::Int: {
            char buf[24];
            auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v.as_int());
            (void)ec;
            out.append(buf, end);
            break;
        }
        case Tag::Float:
            out += number_to_text(v.as_float());
            break;
        case Tag::String:
            out += v.as_str_view();
            break;
        case Tag::Object:
            out += "[object Object]";
            break;
        case Tag::Function:
        case Tag::BuiltinMethod:
            out += "function";
            break;
        case Tag::Generator:
            out += "[object Generator]";
            break;
        case Tag::Array:
            break;  // walked by the caller
    }
}

// Appends a scalar's text unless it would take `out` past `limit`; a string element is
// measured before it is copied.
bool append_scalar_limited(std::string& out, const Value& v, size_t limit) {
    if (v.is_string()) {
        const std::string_view s = v.as_str_view();
        if (s.size() > limit - std::min(limit, out.size())) {
            // Keep the prefix contract: append just past the limit, never the whole text.
            const size_t room = limit - std::min(limit, out.size());
            out.append(s.substr(0, room + 1));
            return false;
        }
        out += s;
        return true;
    }
    append_scalar(out, v);
    return out.size() <= limit;
}

}  // namespace

Result<bool> append_js_text(RunBudget& budget, std::string& out, const Value& v, size_t limit) {
    if (!v.is_array()) {
        if (auto r = budget.charge(v.is_string() ? v.as_str_view().size() : 1); !r) {
            return fail(r.error());
        }
        return append_scalar_limited(out, v, limit);
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
        if (top.next > 0) {
            out += ',';
            if (out.size() > limit) return false;
        }
        const Value& element = (*top.array)[top.next++];
        uint64_t work = RunBudget::kElementWork;
        if (element.is_array()) {
            stack.push_back({&element.as_array(), 0});
        } else {
            if (element.is_string()) work += element.as_str_view().size();
            if (!append_scalar_limited(out, element, limit)) return false;
        }
        if (auto r = budget.charge(work); !r) return fail(r.error());
    }
    return true;
}

Result<TextArg> text_arg(RunBudget& budget, const Value& v, size_t cap) {
    TextArg arg;
    auto fits = append_js_text(budget, arg.text, v, cap);
    if (!fits) return fail(fits.error());
    arg.complete = *fits;
    return arg;
}

}  // namespace builtin_args

}  // namespace corvane
