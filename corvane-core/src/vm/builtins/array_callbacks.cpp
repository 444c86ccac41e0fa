// The array methods that call a function of the program per element. Ordinary callbacks
// run to completion in a nested execution; an async callback of map/forEach runs through a
// continuation on the machine's own frame stack, so it may suspend.
#include <algorithm>
#include <string>

#include "value_convert.h"
#include "vm/builtins/hooks.h"
#include "vm/vm.h"

namespace corvane {

namespace {

bool is_async_closure(const Vm& vm, const Value& v) {
    return v.is_function() && v.as_closure().func_index < vm.program.functions.size() &&
           vm.program.functions[v.as_closure().func_index].is_async;
}

Result<ArrayCallbackOutcome> value(Value v) { return ArrayCallbackOutcome{std::move(v), false}; }

Result<ArrayCallbackOutcome> start_continuation(Vm& vm, const Value& callback, const Array& items, bool map) {
    if (items.empty()) return value(map ? Value::array({}) : Value());
    size_t depth = vm.frames.size();
    auto ok = vm.push_call_frame(callback, {items[0], Value::integer(0)}, std::nullopt, std::nullopt);
    if (!ok) return fail(ok.error());
    size_t frame = vm.frames.size() - 1;
    if (map) {
        vm.continuations.push_back(Continuation{Continuation::Map{callback, items, {}, 0, depth, frame}});
    } else {
        vm.continuations.push_back(Continuation{Continuation::ForEach{callback, items, 0, depth, frame}});
    }
    return ArrayCallbackOutcome{std::nullopt, true};
}

// Byte-wise comparison of the text forms, a prefix first.
bool text_less(const Value& a, const Value& b) { return to_js_string(a) < to_js_string(b); }

}  // namespace

bool is_array_callback_method(std::string_view method) {
    constexpr std::string_view names[] = {"map",       "filter", "reduce", "forEach", "find",
                                          "findIndex", "some",   "every",  "sort",    "flatMap"};
    return std::find(std::begin(names), std::end(names), method) != std::end(names);
}

Result<ArrayCallbackOutcome> execute_array_callback_method(Vm& vm, const Value& receiver, std::string_view m,
                                                           std::span<const Value> args) {
    const Array& items = receiver.as_array();
    const Value callback = args.empty() ? Value() : args[0];
    if (is_async_closure(vm, callback)) {
        if (m == "map" || m == "forEach") return start_continuation(vm, callback, items, m == "map");
        std::string message = ".";
        message.append(m);
        message.append("() does not support async callbacks \u2014 use .map() or a for-of loop instead");
        return fail(CorvaneError::runtime_error(std::move(message)));
    }
    auto call = [&](std::vector<Value> a) -> Result<Value> {
        if (auto ok = vm.charge(1); !ok) return fail(ok.error());
        return vm.call_function_internal(callback, std::move(a));
    };
    auto idx = [](size_t i) { return Value::integer(static_cast<int64_t>(i)); };

    if (m == "sort") {
        Array out = items;
        if (!callback.is_function()) {
            if (auto ok = vm.charge(out.size()); !ok) return fail(ok.error());
            std::stable_sort(out.begin(), out.end(), text_less);
            return value(Value::array(std::move(out)));
        }
        for (size_t i = 1; i < out.size(); ++i) {
            for (size_t j = i; j > 0; --j) {
                auto r = call({out[j - 1], out[j]});
                if (!r) return fail(r.error());
                if (!(to_number(*r) > 0)) break;
                std::swap(out[j - 1], out[j]);
            }
        }
        return value(Value::array(std::move(out)));
    }
    if (m == "reduce") {
        size_t start = 0;
        Value acc;
        if (args.size() >= 2) {
            acc = args[1];
        } else {
            if (items.empty()) return fail(CorvaneError::type_error("Reduce of empty array with no initial value"));
            acc = items[0];
            start = 1;
        }
        for (size_t i = start; i < items.size(); ++i) {
            auto r = call({std::move(acc), items[i], idx(i)});
            if (!r) return fail(r.error());
            acc = std::move(*r);
        }
        return value(std::move(acc));
    }
    Array out;
    for (size_t i = 0; i < items.size(); ++i) {
        auto r = call({items[i], idx(i)});
        if (!r) return fail(r.error());
        if (m == "map") {
            out.push_back(std::move(*r));
        } else if (m == "filter") {
            if (is_truthy(*r)) out.push_back(items[i]);
        } else if (m == "find") {
            if (is_truthy(*r)) return value(items[i]);
        } else if (m == "findIndex") {
            if (is_truthy(*r)) return value(idx(i));
        } else if (m == "some") {
            if (is_truthy(*r)) return value(Value::boolean(true));
        } else if (m == "every") {
            if (!is_truthy(*r)) return value(Value::boolean(false));
        } else if (m == "flatMap") {
            if (r->is_array()) {
                const Array& inner = r->as_array();
                out.insert(out.end(), inner.begin(), inner.end());
            } else {
                out.push_back(std::move(*r));
            }
        }
    }
    if (m == "map" || m == "filter" || m == "flatMap") return value(Value::array(std::move(out)));
    if (m == "find" || m == "forEach") return value(Value());
    if (m == "findIndex") return value(Value::integer(-1));
    if (m == "some") return value(Value::boolean(false));
    return value(Value::boolean(true));  // every
}

}  // namespace corvane
