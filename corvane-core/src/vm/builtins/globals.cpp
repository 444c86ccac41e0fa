#include "vm/builtins/globals.h"

#include <cmath>
#include <limits>

#include "value_convert.h"
#include "vm/utf8.h"

namespace corvane {

namespace {

using MethodResult = Result<std::optional<Value>>;

const Value& arg(std::span<const Value> args, size_t i) {
    static const Value kUndefined;  // never mutated; a Value without a cell holds no count
    return i < args.size() ? args[i] : kUndefined;
}

double num_arg(std::span<const Value> args, size_t i) {
    return i < args.size() ? to_number(args[i]) : std::numeric_limits<double>::quiet_NaN();
}

MethodResult some(Value v) { return std::optional<Value>(std::move(v)); }
MethodResult none() { return std::optional<Value>(); }

MethodResult console_method(std::string_view method, std::span<const Value> args, std::string& output) {
    if (method != "log" && method != "info" && method != "warn" && method != "error" && method != "debug") {
        return none();
    }
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0) output += ' ';
        output += to_js_string(args[i]);
    }
    output += '\n';
    return some(Value());
}

MethodResult math_method(std::string_view m, std::span<const Value> args) {
    const double x = num_arg(args, 0);
    const double y = num_arg(args, 1);
    double r;
    if (m == "abs") r = std::fabs(x);
    else if (m == "floor") r = std::floor(x);
    else if (m == "ceil") r = std::ceil(x);
    else if (m == "trunc") r = std::trunc(x);
    else if (m == "round") r = std::round(x);
    else if (m == "sign") r = x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
    else if (m == "sqrt") r = std::sqrt(x);
    else if (m == "cbrt") r = std::cbrt(x);
    else if (m == "exp") r = std::exp(x);
    else if (m == "log") r = std::log(x);
    else if (m == "log2") r = std::log2(x);
    else if (m == "log10") r = std::log10(x);
    else if (m == "sin") r = std::sin(x);
    else if (m == "cos") r = std::cos(x);
    else if (m == "tan") r = std::tan(x);
    else if (m == "asin") r = std::asin(x);
    else if (m == "acos") r = std::acos(x);
    else if (m == "atan") r = std::atan(x);
    else if (m == "atan2") r = std::atan2(x, y);
    else if (m == "pow") r = std::pow(x, y);
    else if (m == "random") r = 0.5;
    else if (m == "PI") r = 3.141592653589793;
    else if (m == "E") r = 2.718281828459045;
    else if (m == "max" || m == "min") {
        const bool max = m == "max";
        if (args.empty()) {
            r = max ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
        } else {
            r = to_number(args[0]);
            for (size_t i = 1; i < args.size(); ++i) {
                double v = to_number(args[i]);
                if (max ? v > r : v < r) r = v;
            }
        }
    } else {
        return none();
    }
    return some(Value::number(r));
}

Value string_chars(std::string_view s) {
    Array out;
    utf8::for_each_scalar(s, [&](std::string_view c) { out.push_back(Value::string(c)); });
    return Value::array(std::move(out));
}

MethodResult array_method(std::string_view m, std::span<const Value> args) {
    const Value& a = arg(args, 0);
    if (m == "isArray") return some(Value::boolean(a.is_array()));
    if (m == "of") return some(Value::array(Array(args.begin(), args.end())));
    if (m == "from") {
        if (a.is_string()) return some(string_chars(a.as_str_view()));
        if (a.is_array()) return some(a);
        return some(Value::array({}));
    }
    return none();
}

MethodResult object_method(std::string_view m, std::span<const Value> args) {
    const Value& a = arg(args, 0);
    if (m == "keys" || m == "values" || m == "entries") {
        Array out;
        if (a.is_object()) {
            const ObjectMap& map = a.as_object();
            out.reserve(map.size());
            for (const auto& e : map) {
                if (m == "keys") out.push_back(Value::string(e.key));
                else if (m == "values") out.push_back(e.value);
                else out.push_back(Value::array({Value::string(e.key), e.value}));
            }
        }
        return some(Value::array(std::move(out)));
    }
    if (m == "assign") {
        Value result = a.is_object() ? a : Value::object(ObjectMap{});
        for (size_t i = 1; i < args.size(); ++i) {
            if (!args[i].is_object()) continue;
            ObjectMap& target = result.object_mut();
            for (const auto& e : args[i].as_object()) target.set(e.key, e.value);
        }
        return some(std::move(result));
    }
    if (m == "freeze" || m == "seal") {
        if (args.empty()) return none();
        return some(a);
    }
    return none();
}

MethodResult promise_method(std::string_view m, std::span<const Value> args) {
    const Value& a = arg(args, 0);
    if (m == "resolve") return some(is_promise(a) ? a : make_promise(true, a));
    if (m == "reject") return some(make_promise(false, a));
    if (m == "all") {
        Array values;
        if (a.is_array()) {
            for (const Value& e : a.as_array()) {
                if (!is_promise(e)) {
                    values.push_back(e);
                    continue;
                }
                const ObjectMap& p = e.as_object();
                const Value* status = p.find("status");
                if (status && status->is_string() && status->as_str_view() == "rejected") return some(e);
                const Value* v = p.find("value");
                values.push_back(v ? *v : Value());
            }
        }
        return some(make_promise(true, Value::array(std::move(values))));
    }
    return none();
}

}  // namespace

bool is_promise(const Value& v) {
    if (!v.is_object()) return false;
    const Value* flag = v.as_object().find("__promise__");
    return flag && flag->is_bool() && flag->as_bool();
}

Value make_promise(bool resolved, Value payload) {
    ObjectMap m;
    m.set("__promise__", Value::boolean(true));
    m.set("status", Value::string(resolved ? "resolved" : "rejected"));
    m.set(resolved ? "value" : "reason", std::move(payload));
    return Value::object(std::move(m));
}

void register_globals(GlobalMap& globals) {
    for (std::string_view name : {"console", "JSON", "Object", "Array", "Promise"}) {
        globals.insert_or_assign(Str(name), Value::object(ObjectMap{}));
    }
    ObjectMap math;
    math.set("PI", Value::number(3.141592653589793));
    math.set("E", Value::number(2.718281828459045));
    math.set("LN2", Value::number(0.6931471805599453));
    math.set("LN10", Value::number(2.302585092994046));
    math.set("LOG2E", Value::number(1.4426950408889634));
    math.set("LOG10E", Value::number(0.4342944819032518));
    math.set("SQRT2", Value::number(1.4142135623730951));
    math.set("SQRT1_2", Value::number(0.7071067811865475));
    globals.insert_or_assign(Str("Math"), Value::object(std::move(math)));
}

Result<std::optional<Value>> call_global_method(std::string_view object, std::string_view method,
                                                std::span<const Value> args, std::string& output,
                                                RunBudget& budget) {
    if (object == "console") return console_method(method, args, output);
    if (object == "Math") return math_method(method, args);
    if (object == "Array") return array_method(method, args);
    if (object == "Object") return object_method(method, args);
    if (object == "Promise") return promise_method(method, args);
    if (object == "JSON") return call_json_method(budget, method, args);
    return none();
}

}  // namespace corvane
