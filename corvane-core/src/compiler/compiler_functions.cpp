// Function bodies, parameter binding, destructuring patterns and classes.
//
// Parameter binding is split between the call and the function's own code: the call
// stores argument i (a rest parameter: the array of the remaining arguments) into local
// slot i. A plain parameter's slot carries its name; any other parameter gets a hidden
// slot "%arg{i}", and the body begins with a prologue that applies the default value and
// destructures the argument into the pattern's names, in parameter order, so a default
// sees the parameters before it.
#include <memory>
#include <utility>

#include "compiler/compiler_state.h"

namespace corvane::compiler_detail {

namespace {

using ir::Expr;

// Destructures the object on top of the stack by `fields`, then drops it.
Result<void> bind_fields(Compiler& c, const std::vector<ir::DestructureField>& fields) {
    for (const auto& field : fields) {
        c.emit(ins::Dup{});
        c.emit(ins::GetProperty{Str(field.key)});
        if (field.default_value) {
            if (auto done = apply_default(c, *field.default_value); !done) return done;
        }
        c.emit(ins::StoreLocal{c.declare_local(field.alias ? *field.alias : field.key)});
    }
    c.emit(ins::Pop{});
    return {};
}

// Reads element `i` of the array on top of the stack, leaving the array below it.
void read_element(Compiler& c, size_t i) {
    c.emit(ins::Dup{});
    c.emit(ins::PushConst{Constant::integer(static_cast<int64_t>(i))});
    c.emit(ins::GetIndex{});
}

bool is_plain_param(const ir::ParamPattern& p) {
    return p.is<ir::ParamPattern::Ident>() || p.is<ir::ParamPattern::Rest>();
}

const std::string& plain_param_name(const ir::ParamPattern& p) {
    return p.is<ir::ParamPattern::Ident>() ? p.as<ir::ParamPattern::Ident>().name
                                           : p.as<ir::ParamPattern::Rest>().name;
}

// The constructor of a derived class that declares none: passes its arguments on to the
// parent constructor, `constructor(...args) { super(...args); }`.
CompiledFunction default_derived_constructor() {
    auto params = std::make_shared<std::vector<ir::ParamPattern>>();
    params->emplace_back(ir::ParamPattern::Rest{"%args"});
    CompiledFunction f;
    f.name = Str("constructor");
    f.params = ParamList(std::move(params), 1, true);
    f.instructions = {ins::LoadLocal{0},
                      ins::Spread{},
                      ins::SuperCall{1},
                      ins::Pop{},
                      ins::PushConst{Constant::undefined()},
                      ins::Return{}};
    f.local_names = {Str("%args")};
    f.local_count = 1;
    return f;
}

// Compiles a class member and appends it to the program-wide table; returns its index.
Result<size_t> append_member(Compiler& c, const ir::FunctionDef& function) {
    auto compiled = compile_function_def(c, function);
    if (!compiled) return fail(std::move(compiled.error()));
    c.shared().functions.push_back(std::move(*compiled));
    return c.shared().functions.size() - 1;
}

Result<void> push_members(Compiler& c, const std::vector<ir::ClassMethod>& members) {
    for (const auto& member : members) {
        c.emit(ins::PushConst{Constant::string(Str(member.name))});
        auto index = append_member(c, member.function);
        if (!index) return fail(std::move(index.error()));
        c.emit(ins::MakeClosure{*index});
    }
    return {};
}

}  // namespace

Result<void> apply_default(Compiler& c, const Expr& default_value) {
    c.emit(ins::Dup{});
    c.emit(ins::PushConst{Constant::undefined()});
    c.emit(ins::StrictEq{});
    size_t keep = c.emit(ins::JumpIfFalse{});
    c.emit(ins::Pop{});
    if (auto done = compile_expr(c, default_value); !done) return done;
    c.patch_here(keep);
    return {};
}

Result<void> bind_assign_target(Compiler& c, const ir::AssignTarget& target) {
    if (target.is<ir::AssignTarget::Ident>()) {
        c.emit(ins::StoreLocal{c.declare_local(target.as<ir::AssignTarget::Ident>().name)});
        return {};
    }
    if (target.is<ir::AssignTarget::Object>()) {
        return bind_fields(c, target.as<ir::AssignTarget::Object>().fields);
    }
    const auto& elements = target.as<ir::AssignTarget::Array>().elements;
    for (size_t i = 0; i < elements.size(); ++i) {
        if (!elements[i]) continue;
        read_element(c, i);
        // Nested patterns destructure their element in turn.
        if (auto done = bind_assign_target(c, *elements[i]); !done) return done;
    }
    c.emit(ins::Pop{});
    return {};
}

Result<void> bind_param_pattern(Compiler& c, const ir::ParamPattern& pattern) {
    if (is_plain_param(pattern)) {
        c.emit(ins::StoreLocal{c.declare_local(plain_param_name(pattern))});
        return {};
    }
    if (pattern.is<ir::ParamPattern::Object>()) {
        return bind_fields(c, pattern.as<ir::ParamPattern::Object>().fields);
    }
    if (pattern.is<ir::ParamPattern::Default>()) {
        const auto& d = pattern.as<ir::ParamPattern::Default>();
        if (auto done = apply_default(c, d.default_value); !done) return done;
        return bind_param_pattern(c, d.pattern.get());
    }
    const auto& elements = pattern.as<ir::ParamPattern::Array>().elements;
    for (size_t i = 0; i < elements.size(); ++i) {
        if (!elements[i]) continue;
        read_element(c, i);
        if (auto done = bind_param_pattern(c, *elements[i]); !done) return done;
    }
    c.emit(ins::Pop{});
    return {};
}

Result<CompiledFunction> compile_function_def(Compiler& c, const ir::FunctionDef& function) {
    Compiler body(c.shared());
    const auto& params = function.params;

    // Slot i is parameter i. A plain parameter names its slot, unless an earlier
    // parameter already took the name; then the prologue copies it over (the later
    // parameter wins). A default whose target is a plain name also names the slot.
    std::vector<bool> needs_prologue(params.size(), false);
    for (size_t i = 0; i < params.size(); ++i) {
        const auto& p = params[i];
        const std::string* name = nullptr;
        if (is_plain_param(p)) {
            name = &plain_param_name(p);
        } else if (p.is<ir::ParamPattern::Default>() &&
                   p.as<ir::ParamPattern::Default>().pattern->is<ir::ParamPattern::Ident>()) {
            name = &p.as<ir::ParamPattern::Default>().pattern->as<ir::ParamPattern::Ident>().name;
        }
        needs_prologue[i] = !is_plain_param(p);
        if (name && !body.find_local(*name)) {
            body.declare_local(*name);
        } else {
            body.hidden_local("%arg" + std::to_string(i));
            needs_prologue[i] = true;
        }
    }
    for (size_t i = 0; i < params.size(); ++i) {
        if (!needs_prologue[i]) continue;
        body.emit(ins::LoadLocal{i});
        if (auto done = bind_param_pattern(body, params[i]); !done) {
            return fail(std::move(done.error()));
        }
    }

    if (auto done = compile_statements(body, function.body); !done) {
        return fail(std::move(done.error()));
    }
    body.emit(ins::PushConst{Constant::undefined()});
    body.emit(ins::Return{});

    CompiledFunction out;
    if (function.name) out.name = Str(*function.name);
    bool rest = !params.empty() && params.back().is<ir::ParamPattern::Rest>();
    out.params =
        ParamList(std::make_shared<const std::vector<ir::ParamPattern>>(params), params.size(), rest);
    out.local_count = body.local_count();
    out.local_names = body.take_local_names();
    out.instructions = body.take_code();
    out.is_async = function.is_async;
    out.is_generator = function.is_generator;
    return out;
}

Result<void> compile_class(Compiler& c, const std::optional<std::string>& name,
                           const std::optional<std::string>& super_class,
                           const ir::FunctionDef* constructor,
                           const std::vector<ir::ClassMethod>& methods,
                           const std::vector<ir::ClassMethod>& static_methods) {
    std::string class_name = name ? *name : "AnonymousClass";
    if (super_class) {
        if (auto slot = c.find_local(*super_class)) {
            c.emit(ins::LoadLocal{*slot});
        } else {
            c.emit(ins::LoadGlobal{Str(*super_class)});
        }
    }
    if (auto done = push_members(c, static_methods); !done) return done;
    if (auto done = push_members(c, methods); !done) return done;
    if (constructor) {
        auto index = append_member(c, *constructor);
        if (!index) return fail(std::move(index.error()));
        c.emit(ins::MakeClosure{*index});
    } else if (super_class) {
        // Without a constructor of its own a derived class still runs its parent's.
        c.shared().functions.push_back(default_derived_constructor());
        c.emit(ins::MakeClosure{c.shared().functions.size() - 1});
    } else {
        c.emit(ins::PushConst{Constant::undefined()});
    }
    c.emit(ins::MakeClass{Str(class_name), methods.size(), static_methods.size(),
                          super_class.has_value()});
    return {};
}

}  // namespace corvane::compiler_detail
