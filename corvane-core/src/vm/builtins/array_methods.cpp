#include "vm/builtins/array_methods.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "vm/builtins/call_builtin.h"

namespace corvane {

namespace {

using builtin_args::integer_or;
using builtin_args::relative_position;
using builtin_args::value_or_undefined;

struct Call {
    RunBudget& budget;
    const Value& receiver;
    const Array& a;
    std::span<const Value> args;

    bool has(size_t i) const { return i < args.size(); }
    uint64_t n() const { return a.size(); }
};

Result<void> charge_elements(RunBudget& budget, size_t count) {
    return budget.charge(count * RunBudget::kElementWork);
}

// Copies a range of elements into a new array (copies share their cells).
Result<Value> range_copy(const Call& c, size_t start, size_t end) {
    if (start == 0 && end == c.a.size()) return c.receiver;
    if (auto r = charge_elements(c.budget, end - start); !r) return fail(r.error());
    return Value::array(Array(c.a.begin() + static_cast<std::ptrdiff_t>(start),
                              c.a.begin() + static_cast<std::ptrdiff_t>(end)));
}

Result<Value> m_at(Call& c) {
    const uint64_t i = relative_position(integer_or(c.args, 0, 0), c.n());
    return i < c.n() ? c.a[i] : Value::undefined();
}

Result<Value> m_pop(Call& c) {
    return c.a.empty() ? Value::undefined() : c.a.back();
}
Result<Value> m_shift(Call& c) {
    return c.a.empty() ? Value::undefined() : c.a.front();
}

Result<Value> m_push(Call& c) {
    return Value::integer(static_cast<int64_t>(c.a.size() + c.args.size()));
}

Result<Value> m_join(Call& c) {
    builtin_args::TextArg sep{",", true};
    if (c.has(0)) {
        auto arg = builtin_args::text_arg(c.budget, c.args[0], kMaxStringBytes);
        if (!arg) return fail(arg.error());
        sep = std::move(*arg);
    }
    if (!sep.complete && c.a.size() >= 2) return fail(CorvaneError::allocation_limit_exceeded());
    auto text = join_array(c.budget, c.a, sep.text);
    if (!text) return fail(text.error());
    return Value::string(*text);
}

Result<Value> find_index(Call& c, bool last) {
    const Value& needle = value_or_undefined(c.args, 0);
    const size_t n = c.a.size();
    // Comparing two texts of the same length reads them both: count those bytes too.
    const size_t needle_text = needle.is_string() ? needle.as_str_view().size() : SIZE_MAX;
    for (size_t k = 0; k < n; ++k) {
        const size_t i = last ? n - 1 - k : k;
        const Value& element = c.a[i];
        if (strict_eq(element, needle)) return Value::integer(static_cast<int64_t>(i));
        uint64_t work = RunBudget::kElementWork;
        if (element.is_string() && element.as_str_view().size() == needle_text) work += needle_text;
        if (auto r = c.budget.charge(work); !r) return fail(r.error());
    }
    return Value::integer(-1);
}

Result<Value> m_index_of(Call& c) {
    return find_index(c, false);
}
Result<Value> m_last_index_of(Call& c) {
    return find_index(c, true);
}

Result<Value> m_includes(Call& c) {
    auto at = find_index(c, false);
    if (!at) return at;
    return Value::boolean(at->as_int() >= 0);
}

Result<Value> m_slice(Call& c) {
    const uint64_t start = relative_position(integer_or(c.args, 0, 0), c.n());
    const uint64_t end = c.has(1) ? relative_position(integer_or(c.args, 1, 0), c.n()) : c.n();
    if (start < end && start <= c.n()) return range_copy(c, start, std::min(end, c.n()));
    return Value::array({});
}

Result<Value> m_splice(Call& c) {
    const uint64_t start = std::min(relative_position(integer_or(c.args, 0, 0), c.n()), c.n());
    uint64_t count = c.n() - start;
    if (c.has(1)) {
        const int64_t wanted = std::max<int64_t>(0, integer_or(c.args, 1, 0));
        count = std::min(count, static_cast<uint64_t>(wanted));
    }
    return range_copy(c, start, start + count);
}

Result<Value> m_concat(Call& c) {
    if (c.args.empty()) return c.receiver;
    size_t total = c.a.size();
    for (const Value& arg : c.args) total += arg.is_array() ? arg.as_array().size() : 1;
    if (auto r = charge_elements(c.budget, total); !r) return fail(r.error());
    Array out;
    out.reserve(total);
    out.insert(out.end(), c.a.begin(), c.a.end());
    for (const Value& arg : c.args) {
        if (arg.is_array()) {
            out.insert(out.end(), arg.as_array().begin(), arg.as_array().end());
        } else {
            out.push_back(arg);
        }
    }
    return Value::array(std::move(out));
}

Result<Value> m_flat(Call& c) {
    size_t total = 0;
    for (const Value& v : c.a) total += v.is_array() ? v.as_array().size() : 1;
    if (auto r = charge_elements(c.budget, c.a.size() + total); !r) return fail(r.error());
    Array out;
    out.reserve(total);
    for (const Value& v : c.a) {
        if (v.is_array()) {
            out.insert(out.end(), v.as_array().begin(), v.as_array().end());
        } else {
            out.push_back(v);
        }
    }
    return Value::array(std::move(out));
}

Result<Value> m_fill(Call& c) {
    const Value& value = value_or_undefined(c.args, 0);
    const uint64_t start =
        c.args.size() < 2 ? 0 : relative_position(integer_or(c.args, 1, 0), c.n());
    const uint64_t end = c.args.size() < 3
                             ? c.n()
                             : std::min(relative_position(integer_or(c.args, 2, 0), c.n()), c.n());
    if (start >= end) return c.receiver;
    if (auto r = charge_elements(c.budget, c.a.size()); !r) return fail(r.error());
    Array out = c.a;
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(start),
              out.begin() + static_cast<std::ptrdiff_t>(end), value);
    return Value::array(std::move(out));
}

Result<Value> m_reverse(Call& c) {
    if (auto r = charge_elements(c.budget, c.a.size()); !r) return fail(r.error());
    return Value::array(Array(c.a.rbegin(), c.a.rend()));
}

using Method = Result<Value> (*)(Call&);

struct Entry {
    std::string_view name;
    Method method;
};

// Sorted by name for the binary search below.
constexpr std::array kMethods = {
    Entry{"at", m_at},
    Entry{"concat", m_concat},
    Entry{"fill", m_fill},
    Entry{"flat", m_flat},
    Entry{"includes", m_includes},
    Entry{"indexOf", m_index_of},
    Entry{"join", m_join},
    Entry{"lastIndexOf", m_last_index_of},
    Entry{"pop", m_pop},
    Entry{"push", m_push},
    Entry{"reverse", m_reverse},
    Entry{"shift", m_shift},
    Entry{"slice", m_slice},
    Entry{"splice", m_splice},
    Entry{"unshift", m_push},
};

static_assert(std::ranges::is_sorted(kMethods, {}, &Entry::name));

}  // namespace

Result<std::string> join_array(RunBudget& budget, const Array& elements,
                               std::string_view separator) {
    std::string out;
    for (size_t i = 0; i < elements.size(); ++i) {
        if (i > 0) {
            if (separator.size() > kMaxStringBytes - std::min(kMaxStringBytes, out.size())) {
                return fail(CorvaneError::allocation_limit_exceeded());
            }
            out += separator;
        }
        auto fits = builtin_args::append_js_text(budget, out, elements[i], kMaxStringBytes);
        if (!fits) return fail(fits.error());
        if (!*fits) return fail(CorvaneError::allocation_limit_exceeded());
        if (auto r = budget.charge(RunBudget::kElementWork + separator.size()); !r) {
            return fail(r.error());
        }
    }
    return out;
}

std::optional<Result<Value>> call_array_method(RunBudget& budget, const Value& receiver,
                                               std::string_view method,
                                               std::span<const Value> args) {
    if (!receiver.is_array()) return std::nullopt;
    auto it = std::ranges::lower_bound(kMethods, method, {}, &Entry::name);
    if (it == kMethods.end() || it->name != method) return std::nullopt;
    Call call{budget, receiver, receiver.as_array(), args};
    return it->method(call);
}

}  // namespace corvane
