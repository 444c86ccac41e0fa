#include "vm/generators.h"

namespace corvane {

namespace {
Value iterator_result(Value value, bool done) {
    ObjectMap m;
    m.set("value", std::move(value));
    m.set("done", Value::boolean(done));
    return Value::object(std::move(m));
}

// Takes the live state of generator `id` out of the globals.
std::optional<Value> take_live_state(Vm& vm, uint64_t id) {
    auto it = vm.globals.find(generator_key(id));
    if (it == vm.globals.end()) return std::nullopt;
    Value v = std::move(it->second);
    vm.globals.erase(it);
    if (!v.is_generator()) return std::nullopt;
    return v;
}

CorvaneError not_available() {
    return CorvaneError::runtime_error("generator bodies cannot run in this version of the machine");
}
}  // namespace

std::string generator_key(uint64_t id) { return "__gen_" + std::to_string(id); }

Result<Value> create_generator(Vm& vm, const Value& callee, std::span<const Value> args) {
    const Closure& closure = callee.as_closure();
    const CompiledFunction& fn = vm.program.functions[closure.func_index];
    GeneratorObject gen;
    gen.captures = closure.captures;
    // Parameter i lives in slot i; the slot's name is the parameter's (or its hidden name).
    size_t n = std::min(fn.params.count(), fn.local_names.size());
    for (size_t i = 0; i < n; ++i) {
        if (fn.params.has_rest() && i + 1 == fn.params.count()) {
            Array rest;
            if (i < args.size()) rest.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            gen.captures.emplace_back(fn.local_names[i], Value::array(std::move(rest)));
        } else {
            gen.captures.emplace_back(fn.local_names[i], i < args.size() ? args[i] : Value());
        }
    }
    gen.id = vm.next_generator_id++;
    gen.func_index = closure.func_index;
    Value value = Value::generator(std::move(gen));
    vm.globals.insert_or_assign(Str(generator_key(value.as_generator().id)), value);
    return value;
}

Result<GeneratorStep> generator_step_for_of(Vm& vm, int64_t id) {
    std::optional<Value> state = take_live_state(vm, static_cast<uint64_t>(id));
    if (!state || state->as_generator().done) return GeneratorStep{Value(), true};
    vm.globals.insert_or_assign(Str(generator_key(static_cast<uint64_t>(id))), std::move(*state));
    return fail(not_available());
}

Result<std::optional<Value>> call_generator_method(Vm& vm, const Value& receiver, std::string_view method,
                                                   std::span<const Value> args) {
    if (method != "next" && method != "return") return std::optional<Value>();
    Value arg = args.empty() ? Value() : args[0];
    uint64_t id = receiver.as_generator().id;
    std::optional<Value> state = take_live_state(vm, id);
    if (method == "return") return std::optional<Value>(iterator_result(std::move(arg), true));
    if (!state || state->as_generator().done) return std::optional<Value>(iterator_result(Value(), true));
    vm.globals.insert_or_assign(Str(generator_key(id)), std::move(*state));
    return fail(not_available());
}

}  // namespace corvane
