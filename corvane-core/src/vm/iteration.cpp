// for ... of: iterator states are plain arrays, [items, position] for sequences and
// ["__gen__", id, done] for generators. A state lives on the operand stack and is updated
// in place, so each step costs O(1) however long the sequence is.
#include <string>

#include "vm/exec.h"
#include "vm/generators.h"
#include "vm/utf8.h"

namespace corvane {

namespace {
bool is_gen_state(const Array& s) {
    return s.size() == 3 && s[0].is_string() && s[0].as_str_view() == "__gen__";
}
}  // namespace

Result<void> exec_get_iterator(Vm& vm) {
    auto v = vm.pop();
    if (!v) return fail(v.error());
    if (v->is_string()) {
        Array chars;
        std::string_view text = v->as_str_view();
        // Charged as it goes, so a long text cannot hold off the clock.
        for (size_t pos = 0; pos < text.size();) {
            size_t n = utf8::scalar_bytes(text, pos);
            chars.push_back(Value::string(text.substr(pos, n)));
            pos += n;
            if ((chars.size() & 1023) == 0) {
                if (auto ok = vm.charge(64); !ok) return ok;
            }
        }
        return vm.push(Value::array({Value::array(std::move(chars)), Value::integer(0)}));
    }
    if (v->is_array()) return vm.push(Value::array({std::move(*v), Value::integer(0)}));
    if (v->is_generator()) {
        int64_t id = static_cast<int64_t>(v->as_generator().id);
        return vm.push(Value::array({Value::string("__gen__"), Value::integer(id), Value::boolean(false)}));
    }
    return fail(CorvaneError::type_error(std::string(type_name(*v)) + " is not iterable"));
}

Result<void> exec_iterator_next(Vm& vm) {
    auto state = vm.pop();
    if (!state) return fail(state.error());
    if (!state->is_array()) return fail(CorvaneError::runtime_error("invalid iterator state"));
    const Array& s = state->as_array();
    if (s.size() == 2) {
        if (!s[0].is_array() || !s[1].is_int()) return fail(CorvaneError::runtime_error("invalid iterator"));
        int64_t pos = s[1].as_int();
        const Array& items = s[0].as_array();
        Value next;
        if (pos >= 0 && static_cast<uint64_t>(pos) < items.size()) next = items[static_cast<size_t>(pos)];
        // The state came off the stack, so it is normally unique: advance it in place.
        state->array_mut()[1] = Value::integer(pos == INT64_MAX ? pos : pos + 1);
        if (auto ok = vm.push(std::move(*state)); !ok) return ok;
        return vm.push(std::move(next));
    }
    if (is_gen_state(s)) {
        if (!s[1].is_int()) return fail(CorvaneError::runtime_error("bad gen iter"));
        int64_t id = s[1].as_int();
        auto result = generator_step_for_of(vm, id);
        if (!result) return fail(result.error());
        Array& ms = state->array_mut();
        ms[2] = Value::boolean(result->done);
        if (auto ok = vm.push(std::move(*state)); !ok) return ok;
        return vm.push(std::move(result->value));
    }
    return fail(CorvaneError::runtime_error("invalid iterator state"));
}

Result<void> exec_iterator_done(Vm& vm) {
    auto v = vm.pop();
    if (!v) return fail(v.error());
    auto top = vm.peek();
    if (!top) return fail(top.error());
    const Value& state = **top;
    bool done = true;
    if (state.is_array()) {
        const Array& s = state.as_array();
        if (s.size() == 2 && s[0].is_array() && s[1].is_int()) {
            done = s[1].as_int() > static_cast<int64_t>(s[0].as_array().size());
        } else if (is_gen_state(s)) {
            done = s[2].is_bool() && s[2].as_bool();
        }
    }
    if (done) return vm.push(Value::boolean(true));
    if (auto ok = vm.push(std::move(*v)); !ok) return ok;
    return vm.push(Value::boolean(false));
}

}  // namespace corvane
