// Objects, arrays and property access: literals (with spread entries), named and computed
// reads and writes, membership, destructuring.
#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "value_convert.h"
#include "vm/exec.h"
#include "vm/utf8.h"

namespace corvane {

namespace {

constexpr std::string_view kStringMethods[] = {
    "at",        "trim",      "slice",      "split",      "match",      "charAt",
    "substr",    "padEnd",    "repeat",     "concat",     "search",     "indexOf",
    "trimEnd",   "replace",   "includes",   "endsWith",   "trimLeft",   "padStart",
    "substring", "trimStart", "trimRight",  "normalize",  "charCodeAt", "startsWith",
    "replaceAll", "lastIndexOf", "toUpperCase", "toLowerCase"};
constexpr std::string_view kArrayMethods[] = {
    "at",     "pop",     "map",    "push",     "join",    "sort",    "find",
    "some",   "flat",    "fill",   "keys",     "shift",   "slice",   "every",
    "splice", "concat",  "filter", "reduce",   "values",  "unshift", "reverse",
    "indexOf", "forEach", "flatMap", "entries", "includes", "findIndex", "lastIndexOf"};

template <size_t N>
bool listed(const std::string_view (&table)[N], std::string_view name) {
    return std::find(std::begin(table), std::end(table), name) != std::end(table);
}

bool is_promise_object(const Value& v) {
    if (!v.is_object()) return false;
    const Value* flag = v.as_object().find("__promise__");
    return flag && flag->is_bool() && flag->as_bool();
}

// "+"? digits, fitting 64 bits.
std::optional<uint64_t> parse_index_name(std::string_view name) {
    if (!name.empty() && name[0] == '+') name.remove_prefix(1);
    if (name.empty()) return std::nullopt;
    uint64_t n = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return std::nullopt;
        if (__builtin_mul_overflow(n, 10u, &n) || __builtin_add_overflow(n, uint64_t(c - '0'), &n)) {
            return std::nullopt;
        }
    }
    return n;
}

// The scalar at position `index` of a text, if any.
std::optional<std::string_view> scalar_at(std::string_view s, uint64_t index) {
    uint64_t i = 0;
    for (size_t pos = 0; pos < s.size(); ++i) {
        size_t n = utf8::scalar_bytes(s, pos);
        if (i == index) return s.substr(pos, n);
        pos += n;
    }
    return std::nullopt;
}

Str key_text(const Value& key) {
    return key.is_string() ? key.as_string() : Str(to_js_string(key));
}

bool holds_same(const Value* slot, const Value& v) { return slot && slot->same_cell(v); }

// When the instruction after the current one stores straight back into the variable (or
// `this`) that still shares `container`'s cell, drop that variable's reference so the
// write can happen in place. Nothing runs between this and the store.
void release_store_target(Vm& vm, const Value& container) {
    if (container.ref_count() < 2) return;
    CallFrame& frame = vm.frames.back();
    const std::vector<Instruction>& code = vm.code_of(frame);
    if (frame.ip >= code.size()) return;
    const Instruction& next = code[frame.ip];
    switch (next.op()) {
        case Op::StoreLocal: {
            size_t slot = next.as<ins::StoreLocal>().slot;
            if (slot < frame.locals.size() && frame.locals[slot].same_cell(container)) {
                frame.locals[slot] = Value();
            }
            break;
        }
        case Op::StoreGlobal: {
            auto it = vm.globals.find(next.as<ins::StoreGlobal>().name);
            if (it != vm.globals.end() && it->second.same_cell(container)) it->second = Value();
            break;
        }
        case Op::StoreThis: {
            std::optional<size_t> f = innermost_this_frame(vm);
            if (f && vm.frames[*f].this_value->same_cell(container)) *vm.frames[*f].this_value = Value();
            break;
        }
        default:
            break;
    }
}

// Whether the variable a receiver source names still holds `v`'s cell.
bool source_holds(const Vm& vm, const ReceiverSource& source, const Value& v) {
    if (const auto* g = std::get_if<ReceiverSource::Global>(&source.node)) {
        auto it = vm.globals.find(g->name);
        return it != vm.globals.end() && it->second.same_cell(v);
    }
    if (const auto* l = std::get_if<ReceiverSource::Local>(&source.node)) {
        if (l->frame_index >= vm.frames.size()) return false;
        const auto& locals = vm.frames[l->frame_index].locals;
        return l->slot < locals.size() && holds_same(&locals[l->slot], v);
    }
    const auto& t = std::get<ReceiverSource::This>(source.node);
    if (t.frame_index >= vm.frames.size()) return false;
    const auto& tv = vm.frames[t.frame_index].this_value;
    return tv && tv->same_cell(v);
}

// Positions of spread-marked values at or above `base`, ascending (a view into the marks).
std::span<const size_t> marks_from(const Vm& vm, size_t base) {
    auto it = std::lower_bound(vm.spread_marks.begin(), vm.spread_marks.end(), base);
    return {it, vm.spread_marks.end()};
}

Result<void> append_iterable(std::vector<Value>& out, Value v) {
    if (v.is_array()) {
        if (v.ref_count() == 1) {
            Array& a = v.array_mut();
            out.insert(out.end(), std::make_move_iterator(a.begin()), std::make_move_iterator(a.end()));
        } else {
            const Array& a = v.as_array();
            out.insert(out.end(), a.begin(), a.end());
        }
        return {};
    }
    if (v.is_string()) {
        utf8::for_each_scalar(v.as_str_view(), [&](std::string_view c) { out.push_back(Value::string(c)); });
        return {};
    }
    return fail(CorvaneError::type_error(std::string(type_name(v)) + " is not iterable"));
}

void spread_into_object(ObjectMap& map, const Value& v) {
    if (v.is_object()) {
        for (const auto& e : v.as_object()) map.set(e.key, e.value);
    } else if (v.is_array()) {
        const Array& a = v.as_array();
        for (size_t i = 0; i < a.size(); ++i) map.set(Str(std::to_string(i)), a[i]);
    } else if (v.is_string()) {
        size_t i = 0;
        utf8::for_each_scalar(v.as_str_view(), [&](std::string_view c) {
            map.set(Str(std::to_string(i++)), Value::string(c));
        });
    }
}

Result<size_t> require(const Vm& vm, size_t n) {
    if (vm.stack.size() < n) return fail(CorvaneError::runtime_error("stack underflow"));
    return vm.stack.size() - n;
}

}  // namespace

std::optional<Str> namespace_of(const Vm& vm, const Value& object) {
    if (!object.is_object()) return std::nullopt;
    for (std::string_view name : kNamespaceNames) {
        auto it = vm.globals.find(name);
        if (it != vm.globals.end() && it->second.same_cell(object)) return it->first;
    }
    return std::nullopt;
}

Result<Value> get_property(const Vm& vm, const Value& object, const Str& name_str) {
    const std::string_view name = name_str;
    switch (object.tag()) {
        case Tag::Undefined:
        case Tag::Null:
            return fail(CorvaneError::type_error("Cannot read properties of " + to_js_string(object) +
                                                 " (reading '" + name_str.str() + "')"));
        case Tag::String:
            if (name == "length") {
                return Value::integer(static_cast<int64_t>(utf8::count_scalars(object.as_str_view())));
            }
            if (listed(kStringMethods, name)) return Value::builtin_method("__string__", name_str);
            return Value();
        case Tag::Array: {
            const Array& a = object.as_array();
            if (name == "length") return Value::integer(static_cast<int64_t>(a.size()));
            if (listed(kArrayMethods, name)) return Value::builtin_method("__array__", name_str);
            std::optional<uint64_t> i = parse_index_name(name);
            if (i && *i < a.size()) return a[*i];
            return Value();
        }
        case Tag::Object: {
            const ObjectMap& map = object.as_object();
            if (const Value* v = map.find(name); v && !v->is_undefined()) return *v;
            if ((name == "then" || name == "catch" || name == "finally") && is_promise_object(object)) {
                return Value::builtin_method("__promise__", name_str);
            }
            if (std::optional<Str> ns = namespace_of(vm, object)) return Value::builtin_method(*ns, name_str);
            return Value();
        }
        case Tag::Generator:
            if (name == "next" || name == "throw" || name == "return") {
                return Value::builtin_method("__generator__", name_str);
            }
            return Value();
        default:
            return Value();
    }
}

Result<void> exec_get_property(Vm& vm, const Str& name) {
    std::optional<ReceiverSource> source = std::move(vm.last_load_source);
    vm.last_load_source.reset();
    auto object = vm.pop();
    if (!object) return fail(object.error());
    auto result = get_property(vm, *object, name);
    if (!result) return fail(result.error());
    if (!result->is_function() && !result->is_builtin_method()) return vm.push(std::move(*result));
    if (source && !source_holds(vm, *source, *object)) source.reset();
    size_t pos = vm.stack.size();
    if (auto ok = vm.push(std::move(*result)); !ok) return ok;
    vm.pending_receivers.push_back(PendingReceiver{pos, std::move(*object), std::move(source)});
    return {};
}

Result<void> exec_set_property(Vm& vm, const Str& name) {
    auto base = require(vm, 2);
    if (!base) return fail(base.error());
    if (!vm.stack.back().is_object()) {
        return fail(CorvaneError::type_error("cannot set property '" + name.str() + "' on " +
                                             std::string(type_name(vm.stack.back()))));
    }
    if (auto ok = vm.count_allocation(); !ok) return ok;
    Value container = std::move(vm.stack.back());
    Value value = std::move(vm.stack[*base]);
    vm.truncate_stack(*base);
    release_store_target(vm, container);
    container.object_mut().set(name, std::move(value));
    vm.stack.push_back(std::move(container));
    return {};
}

Result<void> exec_get_index(Vm& vm) {
    auto key = vm.pop();
    if (!key) return fail(key.error());
    auto container = vm.pop();
    if (!container) return fail(container.error());
    Value result;
    if (container->is_object()) {
        if (const Value* v = container->as_object().find(key->is_string() ? key->as_str_view()
                                                                          : std::string_view(to_js_string(*key)))) {
            result = *v;
        }
    } else if (container->is_array()) {
        const Array& a = container->as_array();
        std::optional<uint64_t> index;
        if (key->is_int()) {
            if (key->as_int() >= 0) index = static_cast<uint64_t>(key->as_int());
        } else if (key->is_float()) {
            double d = key->as_float();
            if (std::isnan(d) || d <= 0) index = 0;
            else if (d >= 18446744073709551615.0) index = UINT64_MAX;
            else index = static_cast<uint64_t>(d);
        }
        if (index && *index < a.size()) result = a[*index];
    } else if (container->is_string() && key->is_int() && key->as_int() >= 0) {
        if (auto c = scalar_at(container->as_str_view(), static_cast<uint64_t>(key->as_int()))) {
            result = Value::string(*c);
        }
    }
    return vm.push(std::move(result));
}

Result<void> exec_set_index(Vm& vm) {
    auto base = require(vm, 3);
    if (!base) return fail(base.error());
    Value& key = vm.stack[*base + 2];
    Value& container = vm.stack[*base + 1];
    std::optional<uint64_t> index;
    if (container.is_array()) {
        if (key.is_int() && key.as_int() >= 0) {
            index = static_cast<uint64_t>(key.as_int());
        } else if (key.is_float() && key.as_float() >= 0 && std::trunc(key.as_float()) == key.as_float() &&
                   std::isfinite(key.as_float())) {
            index = key.as_float() >= 18446744073709551615.0 ? UINT64_MAX
                                                              : static_cast<uint64_t>(key.as_float());
        }
        size_t length = container.as_array().size();
        if (index && *index > length + 1024) {
            return fail(CorvaneError::runtime_error("array index " + std::to_string(*index) +
                                                    " too far beyond length " + std::to_string(length)));
        }
    }
    if (auto ok = vm.count_allocation(); !ok) return ok;
    Value value = std::move(vm.stack[*base]);
    Value c = std::move(container);
    Value k = std::move(key);
    vm.truncate_stack(*base);
    if (c.is_object()) {
        Str name = key_text(k);
        release_store_target(vm, c);
        c.object_mut().set(std::move(name), std::move(value));
    } else if (c.is_array() && index) {
        release_store_target(vm, c);
        Array& a = c.array_mut();
        if (*index >= a.size()) a.resize(*index + 1);
        a[*index] = std::move(value);
    }
    vm.stack.push_back(std::move(c));
    return {};
}

Result<std::vector<Value>> take_list_entries(Vm& vm, size_t count) {
    auto base = require(vm, count);
    if (!base) return fail(base.error());
    std::span<const size_t> marks = marks_from(vm, *base);
    std::vector<Value> out;
    if (marks.empty()) {
        out.assign(std::make_move_iterator(vm.stack.begin() + static_cast<std::ptrdiff_t>(*base)),
                   std::make_move_iterator(vm.stack.end()));
    } else {
        out.reserve(count);
        size_t m = 0;
        for (size_t p = *base; p < vm.stack.size(); ++p) {
            if (m < marks.size() && marks[m] == p) {
                ++m;
                if (auto ok = append_iterable(out, std::move(vm.stack[p])); !ok) {
                    vm.truncate_stack(*base);
                    return fail(ok.error());
                }
            } else {
                out.push_back(std::move(vm.stack[p]));
            }
        }
    }
    vm.truncate_stack(*base);
    return out;
}

Result<void> exec_make_array(Vm& vm, size_t count) {
    if (auto ok = vm.count_allocation(); !ok) return ok;
    auto items = take_list_entries(vm, count);
    if (!items) return fail(items.error());
    if (auto ok = vm.charge(items->size() / 16); !ok) return ok;
    return vm.push(Value::array(std::move(*items)));
}

Result<void> exec_make_object(Vm& vm, size_t count) {
    if (auto ok = vm.count_allocation(); !ok) return ok;
    // Walk down from the top: a marked value is a spread entry (one value), anything else a
    // value with its key below it.
    size_t p = vm.stack.size();
    auto marks = vm.spread_marks.rbegin();
    std::vector<std::pair<size_t, bool>> entries(count);  // (position, is_spread), top first
    for (size_t i = 0; i < count; ++i) {
        if (p == 0) return fail(CorvaneError::runtime_error("stack underflow"));
        size_t top = p - 1;
        while (marks != vm.spread_marks.rend() && *marks > top) ++marks;
        if (marks != vm.spread_marks.rend() && *marks == top) {
            entries[i] = {top, true};
            p = top;
        } else {
            if (top == 0) return fail(CorvaneError::runtime_error("stack underflow"));
            entries[i] = {top - 1, false};
            p = top - 1;
        }
    }
    ObjectMap map;
    map.reserve(count);
    for (size_t i = count; i-- > 0;) {
        auto [pos, spread] = entries[i];
        if (spread) {
            spread_into_object(map, vm.stack[pos]);
        } else {
            map.set(key_text(vm.stack[pos]), std::move(vm.stack[pos + 1]));
        }
    }
    vm.truncate_stack(p);
    if (auto ok = vm.charge(map.size() / 16); !ok) return ok;
    return vm.push(Value::object(std::move(map)));
}

Result<void> exec_in(Vm& vm) {
    auto container = vm.pop();
    if (!container) return fail(container.error());
    auto key = vm.pop();
    if (!key) return fail(key.error());
    bool found = false;
    if (container->is_object()) {
        found = container->as_object().contains(key->is_string() ? key->as_str_view()
                                                                  : std::string_view(to_js_string(*key)));
    } else if (container->is_array() && key->is_int()) {
        found = key->as_int() >= 0 && static_cast<uint64_t>(key->as_int()) < container->as_array().size();
    }
    return vm.push(Value::boolean(found));
}

Result<void> exec_destructure_object(Vm& vm, const std::vector<Str>& names) {
    auto source = vm.pop();
    if (!source) return fail(source.error());
    for (const Str& name : names) {
        auto v = get_property(vm, *source, name);
        if (!v) return fail(v.error());
        if (auto ok = vm.push(std::move(*v)); !ok) return ok;
    }
    return {};
}

Result<void> exec_destructure_array(Vm& vm, size_t count) {
    auto source = vm.pop();
    if (!source) return fail(source.error());
    for (size_t i = 0; i < count; ++i) {
        Value v;
        if (source->is_array() && i < source->as_array().size()) v = source->as_array()[i];
        if (auto ok = vm.push(std::move(v)); !ok) return ok;
    }
    return {};
}

}  // namespace corvane
