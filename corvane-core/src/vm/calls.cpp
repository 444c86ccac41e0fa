// Calls, closures and classes: MakeClosure, Call, New, SuperCall, MakeClass, this, instanceof
// and await.
#include <string>

#include "value_convert.h"
#include "vm/builtins/globals.h"
#include "vm/builtins/hooks.h"
#include "vm/exec.h"
#include "vm/generators.h"

namespace corvane {

namespace {

CorvaneError not_a_function(std::string_view object, std::string_view method) {
    return CorvaneError::type_error(std::string(object) + "." + std::string(method) + " is not a function");
}

// Pops `argc` argument entries and then the callee; hands out the receiver recorded for the
// callee (when the callee is the method value a GetProperty pushed).
struct CallParts {
    std::vector<Value> args;
    Value callee;
    std::optional<PendingReceiver> receiver;
};

Result<CallParts> take_call(Vm& vm, size_t argc) {
    auto args = take_list_entries(vm, argc);
    if (!args) return fail(args.error());
    if (vm.stack.empty()) return fail(CorvaneError::runtime_error("stack underflow"));
    CallParts parts{std::move(*args), Value(), std::nullopt};
    size_t callee_pos = vm.stack.size() - 1;
    if (!vm.pending_receivers.empty() && vm.pending_receivers.back().stack_pos == callee_pos) {
        parts.receiver = std::move(vm.pending_receivers.back());
        vm.pending_receivers.pop_back();
    }
    parts.callee = std::move(vm.stack.back());
    vm.truncate_stack(callee_pos);
    return parts;
}

Result<void> push_result(Vm& vm, Result<std::optional<Value>> r, const BuiltinMethod& m) {
    if (!r) return fail(r.error());
    if (!*r) return fail(not_a_function(m.object, m.method));
    return vm.push(std::move(**r));
}

Result<void> call_builtin_method(Vm& vm, const BuiltinMethod& m, std::optional<Value> receiver,
                                 std::span<const Value> args) {
    std::string_view object = m.object;
    std::string_view method = m.method;
    if (object == "__array__") {
        if (!receiver || !receiver->is_array()) return fail(not_a_function(object, method));
        if (is_array_callback_method(method)) {
            auto r = execute_array_callback_method(vm, *receiver, method, args);
            if (!r) return fail(r.error());
            if (r->started) return {};
            if (!r->value) return fail(not_a_function(object, method));
            return vm.push(std::move(*r->value));
        }
        return push_result(vm, call_builtin(vm, *receiver, method, args), m);
    }
    if (object == "__string__") {
        if (!receiver || !receiver->is_string()) return fail(not_a_function(object, method));
        return push_result(vm, call_builtin(vm, *receiver, method, args), m);
    }
    if (object == "__promise__") {
        if (!receiver) return fail(not_a_function(object, method));
        return push_result(vm, execute_promise_method(vm, *receiver, method, args), m);
    }
    if (object == "__generator__") {
        if (!receiver || !receiver->is_generator()) return fail(not_a_function(object, method));
        return push_result(vm, call_generator_method(vm, *receiver, method, args), m);
    }
    size_t before = vm.stdout_text.size();
    RunBudget budget = budget_of(vm);
    auto r = call_global_method(object, method, args, vm.stdout_text, budget);
    if (auto ok = vm.charge((vm.stdout_text.size() - before) / 64); !ok) return ok;
    return push_result(vm, std::move(r), m);
}

const Value* member(const Value& object, std::string_view key) {
    return object.is_object() ? object.as_object().find(key) : nullptr;
}

bool valid_function(const Vm& vm, const Value& v) {
    return v.is_function() && v.as_closure().func_index < vm.program.functions.size();
}

Result<void> check_function(const Vm& vm, const Value& v) {
    if (!valid_function(vm, v)) return fail(CorvaneError::runtime_error("invalid function index"));
    return {};
}

}  // namespace

std::optional<size_t> innermost_this_frame(const Vm& vm) {
    for (size_t i = vm.frames.size(); i-- > 0;) {
        if (vm.frames[i].this_value) return i;
    }
    return std::nullopt;
}

Result<void> exec_make_closure(Vm& vm, size_t func_id) {
    if (func_id >= vm.program.functions.size()) return fail(CorvaneError::runtime_error("invalid function index"));
    Closure closure;
    closure.func_index = func_id;
    for (const CallFrame& frame : vm.frames) {
        const std::vector<Str>& names = vm.local_names_of(frame);
        size_t n = std::min(names.size(), frame.locals.size());
        for (size_t i = 0; i < n; ++i) closure.captures.emplace_back(names[i], frame.locals[i]);
    }
    for (const auto& [name, value] : vm.globals) {
        std::string_view n = name;
        if (n == "Math" || n == "JSON" || n == "Object" || n == "console" || n == "Array") continue;
        closure.captures.emplace_back(name, value);
    }
    if (auto ok = vm.charge(closure.captures.size() / 16); !ok) return ok;
    return vm.push(Value::function(std::move(closure)));
}

Result<void> exec_call(Vm& vm, size_t argc) {
    auto parts = take_call(vm, argc);
    if (!parts) return fail(parts.error());
    Value& callee = parts->callee;
    if (callee.is_function()) {
        if (auto ok = check_function(vm, callee); !ok) return ok;
        if (vm.program.functions[callee.as_closure().func_index].is_generator) {
            auto gen = create_generator(vm, callee, parts->args);
            if (!gen) return fail(gen.error());
            return vm.push(std::move(*gen));
        }
        if (parts->receiver) {
            return vm.push_call_frame(callee, std::move(parts->args), std::move(parts->receiver->this_value),
                                      std::move(parts->receiver->source));
        }
        return vm.push_call_frame(callee, std::move(parts->args), std::nullopt, std::nullopt);
    }
    if (callee.is_builtin_method()) {
        std::optional<Value> receiver;
        if (parts->receiver) receiver = std::move(parts->receiver->this_value);
        return call_builtin_method(vm, callee.as_builtin_method(), std::move(receiver), parts->args);
    }
    return fail(CorvaneError::type_error(to_js_string(callee) + " is not a function"));
}

Result<void> exec_new(Vm& vm, size_t argc) {
    auto parts = take_call(vm, argc);
    if (!parts) return fail(parts.error());
    Value& callee = parts->callee;
    if (callee.is_function()) {
        if (auto ok = check_function(vm, callee); !ok) return ok;
        return vm.push_call_frame(callee, std::move(parts->args), std::nullopt, std::nullopt);
    }
    if (const Value* name = member(callee, "__class_name__")) {
        ObjectMap instance;
        if (const Value* proto = member(callee, "__prototype__"); proto && proto->is_object()) {
            instance = proto->as_object();
        }
        instance.set("__class__", *name);
        Value object = Value::object(std::move(instance));
        const Value* ctor = member(callee, "__constructor__");
        if (ctor && ctor->is_function()) {
            if (auto ok = check_function(vm, *ctor); !ok) return ok;
            Value ctor_value = *ctor;
            return vm.push_call_frame(ctor_value, std::move(parts->args), std::move(object), std::nullopt,
                                      std::move(callee));
        }
        return vm.push(std::move(object));
    }
    return fail(CorvaneError::type_error(to_js_string(callee) + " is not a constructor"));
}

Result<void> exec_super_call(Vm& vm, size_t argc) {
    auto args = take_list_entries(vm, argc);
    if (!args) return fail(args.error());
    std::optional<size_t> this_frame = innermost_this_frame(vm);
    Value receiver = this_frame ? *vm.frames[*this_frame].this_value : Value();
    std::optional<ReceiverSource> source;
    if (this_frame) source = ReceiverSource{ReceiverSource::This{*this_frame}};

    // The class whose constructor is running decides the parent; a parent without its own
    // constructor passes the call on to its parent.
    const Value* home = nullptr;
    for (size_t i = vm.frames.size(); i-- > 0;) {
        if (vm.frames[i].home_class) {
            home = &*vm.frames[i].home_class;
            break;
        }
    }
    if (home) {
        const Value* parent = member(*home, "__super__");
        for (size_t guard = 0; parent && parent->is_object() && guard < 100000; ++guard) {
            const Value* ctor = member(*parent, "__constructor__");
            if (ctor && valid_function(vm, *ctor)) {
                Value ctor_value = *ctor;
                Value parent_class = *parent;
                return vm.push_call_frame(ctor_value, std::move(*args), std::move(receiver), std::move(source),
                                          std::move(parent_class));
            }
            parent = member(*parent, "__super__");
        }
        return vm.push(Value());
    }
    // No class context (code that was not entered through `new`): the last parent
    // constructor found among the globals.
    std::optional<Value> found;
    for (const auto& [name, value] : vm.globals) {
        const Value* super = member(value, "__super__");
        if (!super) continue;
        if (const Value* ctor = member(*super, "__constructor__")) found = *ctor;
    }
    if (found && valid_function(vm, *found)) {
        return vm.push_call_frame(*found, std::move(*args), std::move(receiver), std::move(source));
    }
    return vm.push(Value());
}

Result<void> exec_make_class(Vm& vm, const ins::MakeClass& mc) {
    auto ctor = vm.pop();
    if (!ctor) return fail(ctor.error());
    auto pop_pairs = [&vm](size_t n, ObjectMap& into) -> Result<void> {
        for (size_t i = 0; i < n; ++i) {
            auto fn = vm.pop();
            if (!fn) return fail(fn.error());
            auto name = vm.pop();
            if (!name) return fail(name.error());
            if (name->is_string()) into.set(name->as_string(), std::move(*fn));
        }
        return {};
    };
    ObjectMap methods;
    ObjectMap statics;
    if (auto ok = pop_pairs(mc.method_count, methods); !ok) return ok;
    if (auto ok = pop_pairs(mc.static_count, statics); !ok) return ok;
    std::optional<Value> parent;
    ObjectMap prototype;
    if (mc.has_super) {
        auto p = vm.pop();
        if (!p) return fail(p.error());
        parent = std::move(*p);
        if (const Value* pp = member(*parent, "__prototype__"); pp && pp->is_object()) {
            prototype = pp->as_object();
            for (const auto& e : methods) prototype.set(e.key, e.value);
        } else {
            prototype = std::move(methods);
        }
    } else {
        prototype = std::move(methods);
    }
    ObjectMap cls;
    cls.set("__class_name__", Value::string(mc.name));
    cls.set("__constructor__", std::move(*ctor));
    cls.set("__prototype__", Value::object(std::move(prototype)));
    if (parent) cls.set("__super__", std::move(*parent));
    for (const auto& e : statics) cls.set(e.key, e.value);
    return vm.push(Value::object(std::move(cls)));
}

Result<void> exec_load_this(Vm& vm) {
    std::optional<size_t> f = innermost_this_frame(vm);
    Value v = f ? *vm.frames[*f].this_value : Value();
    if (auto ok = vm.push(std::move(v)); !ok) return ok;
    if (f) vm.last_load_source = ReceiverSource{ReceiverSource::This{*f}};
    return {};
}

Result<void> exec_store_this(Vm& vm) {
    auto v = vm.pop();
    if (!v) return fail(v.error());
    if (std::optional<size_t> f = innermost_this_frame(vm)) vm.frames[*f].this_value = std::move(*v);
    return {};
}

Result<void> exec_instance_of(Vm& vm) {
    auto cls = vm.pop();
    if (!cls) return fail(cls.error());
    auto v = vm.pop();
    if (!v) return fail(v.error());
    const Value* a = member(*v, "__class__");
    const Value* b = member(*cls, "__class_name__");
    return vm.push(Value::boolean(a && b && eq(*a, *b)));
}

Result<void> exec_await(Vm& vm) {
    auto v = vm.pop();
    if (!v) return fail(v.error());
    if (!is_promise(*v)) return vm.push(std::move(*v));
    const Value* status = member(*v, "status");
    std::string_view s = status && status->is_string() ? status->as_str_view() : std::string_view("pending");
    if (s == "resolved") {
        const Value* value = member(*v, "value");
        return vm.push(value ? *value : Value());
    }
    if (s == "rejected") {
        const Value* reason = member(*v, "reason");
        return fail(CorvaneError::runtime_error("Unhandled promise rejection: " +
                                                to_js_string(reason ? *reason : Value())));
    }
    return vm.push(std::move(*v));
}

}  // namespace corvane
