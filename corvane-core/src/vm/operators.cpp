#include "vm/operators.h"

#include <cmath>
#include <limits>
#include <string>

#include "value_convert.h"

namespace corvane {

namespace {

double truncate_clamped(double d, double lo, double hi) {
    if (std::isnan(d)) return 0;
    d = std::trunc(d);
    if (d < lo) return lo;
    if (d > hi) return hi;
    return d;
}

Result<Value> add_strings(const Value& a, const Value& b) {
    // Build only what fits: each side is converted with the remaining budget.
    std::optional<std::string> left = to_js_string_limited(a, kMaxStringBytes);
    if (!left) return fail(CorvaneError::allocation_limit_exceeded());
    std::optional<std::string> right = to_js_string_limited(b, kMaxStringBytes - left->size());
    if (!right) return fail(CorvaneError::allocation_limit_exceeded());
    left->append(*right);
    return Value::string(*left);
}

bool compare(Op op, double x, double y) {
    switch (op) {
        case Op::Lt: return x < y;
        case Op::LtEq: return x <= y;
        case Op::Gt: return x > y;
        default: return x >= y;
    }
}

int64_t wrap_add(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

}  // namespace

int32_t i32sat(const Value& v) {
    return static_cast<int32_t>(truncate_clamped(to_number(v), -2147483648.0, 2147483647.0));
}

uint32_t u32sat(const Value& v) {
    return static_cast<uint32_t>(truncate_clamped(to_number(v), 0.0, 4294967295.0));
}

Result<Value> binary_op(Op op, const Value& a, const Value& b) {
    const bool ints = a.is_int() && b.is_int();
    switch (op) {
        case Op::Add: {
            if (ints) {
                int64_t r;
                if (!__builtin_add_overflow(a.as_int(), b.as_int(), &r)) return Value::integer(r);
                return Value::number(static_cast<double>(a.as_int()) + static_cast<double>(b.as_int()));
            }
            if (a.is_number() && b.is_number()) return Value::number(a.as_number() + b.as_number());
            if (a.is_string() || b.is_string()) return add_strings(a, b);
            return Value::number(to_number(a) + to_number(b));
        }
        case Op::Sub: {
            if (ints) {
                int64_t r;
                if (!__builtin_sub_overflow(a.as_int(), b.as_int(), &r)) return Value::integer(r);
                return Value::number(static_cast<double>(a.as_int()) - static_cast<double>(b.as_int()));
            }
            return Value::number(to_number(a) - to_number(b));
        }
        case Op::Mul: {
            if (ints) {
                int64_t r;
                if (!__builtin_mul_overflow(a.as_int(), b.as_int(), &r)) return Value::integer(r);
                return Value::number(static_cast<double>(a.as_int()) * static_cast<double>(b.as_int()));
            }
            return Value::number(to_number(a) * to_number(b));
        }
        case Op::Div:
            return Value::number(to_number(a) / to_number(b));
        case Op::Mod: {
            if (ints && b.as_int() != 0) {
                // INT64_MIN % -1 would trap in hardware; its remainder is 0.
                if (b.as_int() == -1) return Value::integer(0);
                return Value::integer(a.as_int() % b.as_int());
            }
            return Value::number(std::fmod(to_number(a), to_number(b)));
        }
        case Op::Pow:
            return Value::number(std::pow(to_number(a), to_number(b)));
        case Op::BitAnd: return Value::integer(i32sat(a) & i32sat(b));
        case Op::BitOr: return Value::integer(i32sat(a) | i32sat(b));
        case Op::BitXor: return Value::integer(i32sat(a) ^ i32sat(b));
        case Op::Shl: {
            uint32_t bits = static_cast<uint32_t>(i32sat(a)) << (u32sat(b) % 32);
            return Value::integer(static_cast<int32_t>(bits));
        }
        case Op::Shr: return Value::integer(i32sat(a) >> (u32sat(b) % 32));
        case Op::UShr: return Value::integer(static_cast<int64_t>(u32sat(a) >> (u32sat(b) % 32)));
        case Op::Eq:
        case Op::StrictEq: return Value::boolean(strict_eq(a, b));
        case Op::NotEq:
        case Op::StrictNotEq: return Value::boolean(!strict_eq(a, b));
        case Op::Lt:
        case Op::LtEq:
        case Op::Gt:
        case Op::GtEq: return Value::boolean(compare(op, to_number(a), to_number(b)));
        default:
            return fail(CorvaneError::runtime_error("not a binary operator"));
    }
}

Value unary_op(Op op, const Value& a) {
    switch (op) {
        case Op::Neg:
            if (a.is_int()) return Value::integer(static_cast<int64_t>(0 - static_cast<uint64_t>(a.as_int())));
            return Value::number(-to_number(a));
        case Op::BitNot: return Value::integer(~i32sat(a));
        case Op::Not: return Value::boolean(!is_truthy(a));
        case Op::TypeOf: return Value::string(type_name(a));
        case Op::Increment:
            if (a.is_int()) return Value::integer(wrap_add(a.as_int(), 1));
            return Value::number(to_number(a) + 1);
        case Op::Decrement:
            if (a.is_int()) return Value::integer(wrap_add(a.as_int(), -1));
            return Value::number(to_number(a) - 1);
        default: return Value();  // Void
    }
}

Result<Value> concat_values(std::span<const Value> values) {
    std::string out;
    for (const Value& v : values) {
        if (v.is_string()) {
            if (v.as_str_view().size() > kMaxStringBytes - out.size()) {
                return fail(CorvaneError::allocation_limit_exceeded());
            }
            out.append(v.as_str_view());
            continue;
        }
        std::optional<std::string> text = to_js_string_limited(v, kMaxStringBytes - out.size());
        if (!text) return fail(CorvaneError::allocation_limit_exceeded());
        out.append(*text);
    }
    return Value::string(out);
}

}  // namespace corvane
