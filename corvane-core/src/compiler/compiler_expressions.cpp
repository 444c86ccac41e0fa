// Expression compilation: every expression leaves exactly one value on the operand stack.
// Assignments write containers back through their whole access path, because values are
// copies: `a.b.c = v` updates a copy of `a.b`, then a copy of `a`, then stores `a`.
#include <utility>

#include "compiler/compiler_state.h"

namespace corvane::compiler_detail {

namespace {

using ir::Expr;

Instruction binary_instruction(ir::BinOp op) {
    switch (op) {
        case ir::BinOp::Add: return ins::Add{};
        case ir::BinOp::Sub: return ins::Sub{};
        case ir::BinOp::Mul: return ins::Mul{};
        case ir::BinOp::Div: return ins::Div{};
        case ir::BinOp::Mod: return ins::Mod{};
        case ir::BinOp::Exp: return ins::Pow{};
        case ir::BinOp::Eq: return ins::Eq{};
        case ir::BinOp::NotEq: return ins::NotEq{};
        case ir::BinOp::StrictEq: return ins::StrictEq{};
        case ir::BinOp::StrictNotEq: return ins::StrictNotEq{};
        case ir::BinOp::Lt: return ins::Lt{};
        case ir::BinOp::LtEq: return ins::LtEq{};
        case ir::BinOp::Gt: return ins::Gt{};
        case ir::BinOp::GtEq: return ins::GtEq{};
        case ir::BinOp::BitAnd: return ins::BitAnd{};
        case ir::BinOp::BitOr: return ins::BitOr{};
        case ir::BinOp::BitXor: return ins::BitXor{};
        case ir::BinOp::Shl: return ins::Shl{};
        case ir::BinOp::Shr: return ins::Shr{};
        case ir::BinOp::UShr: return ins::UShr{};
        case ir::BinOp::In: return ins::In{};
        case ir::BinOp::InstanceOf: return ins::InstanceOf{};
    }
    return ins::Add{};
}

// The operator of a compound assignment (`+=` ... `>>>=`, `**=`).
Instruction compound_instruction(ir::AssignOp op) {
    switch (op) {
        case ir::AssignOp::AddAssign: return ins::Add{};
        case ir::AssignOp::SubAssign: return ins::Sub{};
        case ir::AssignOp::MulAssign: return ins::Mul{};
        case ir::AssignOp::DivAssign: return ins::Div{};
        case ir::AssignOp::ModAssign: return ins::Mod{};
        case ir::AssignOp::ExpAssign: return ins::Pow{};
        case ir::AssignOp::BitAndAssign: return ins::BitAnd{};
        case ir::AssignOp::BitOrAssign: return ins::BitOr{};
        case ir::AssignOp::BitXorAssign: return ins::BitXor{};
        case ir::AssignOp::ShlAssign: return ins::Shl{};
        case ir::AssignOp::ShrAssign: return ins::Shr{};
        case ir::AssignOp::UShrAssign: return ins::UShr{};
        default: return ins::Add{};
    }
}

bool is_chain_link(const Expr& e) {
    return e.is<Expr::Member>() || e.is<Expr::Index>() || e.is<Expr::Call>();
}

// A key whose second evaluation gives the same value without side effects.
bool is_pure_key(const Expr& e) {
    return e.is<Expr::Number>() || e.is<Expr::String>() || e.is<Expr::Bool>() ||
           e.is<Expr::Null>() || e.is<Expr::Undefined>() || e.is<Expr::Ident>();
}

// The key of an Index: evaluated once into a temporary when the surrounding assignment
// reads it again while writing back (`grid[i++][j] = v` increments `i` once).
Result<void> compile_key(Compiler& c, const Expr& key) {
    auto& cache = c.key_cache();
    auto it = cache.find(&key);
    if (it == cache.end()) return compile_expr(c, key);
    if (it->second.evaluated) {
        c.emit(ins::LoadLocal{it->second.slot});
        return {};
    }
    size_t slot = it->second.slot;
    if (auto done = compile_expr(c, key); !done) return done;
    c.emit(ins::Dup{});
    c.emit(ins::StoreLocal{slot});
    c.key_cache()[&key].evaluated = true;
    return {};
}

// Registers the impure keys of an assignment target that are evaluated more than once:
// all keys along the path when the target itself is read before it is written
// (`include_own_key`), else only those of the containers written back.
void cache_target_keys(Compiler& c, const Expr& target, bool include_own_key,
                       std::vector<const Expr*>& registered) {
    const Expr* at = &target;
    bool include = include_own_key;
    while (true) {
        if (at->is<Expr::Member>()) {
            at = &at->as<Expr::Member>().object.get();
        } else if (at->is<Expr::Index>()) {
            const auto& index = at->as<Expr::Index>();
            const Expr& key = index.index.get();
            if (include && !is_pure_key(key) && !c.key_cache().contains(&key)) {
                c.key_cache().emplace(&key, Compiler::CachedKey{c.acquire_temp(), false});
                registered.push_back(&key);
            }
            at = &index.object.get();
        } else {
            return;
        }
        include = true;
    }
}

void release_target_keys(Compiler& c, const std::vector<const Expr*>& registered) {
    for (const Expr* key : registered) {
        auto it = c.key_cache().find(key);
        c.release_temp(it->second.slot);
        c.key_cache().erase(it);
    }
}

Result<void> compile_chain_link(Compiler& c, const Expr& e, std::vector<size_t>& nullish);

// The object or callee of a chain link: part of the same chain when it is a link itself.
Result<void> compile_chain_base(Compiler& c, const Expr& e, std::vector<size_t>& nullish) {
    if (is_chain_link(e)) return compile_chain_link(c, e, nullish);
    return compile_expr(c, e);
}

Result<void> compile_args(Compiler& c, const std::vector<Expr>& args) {
    for (const auto& arg : args) {
        if (arg.is<Expr::Spread>()) {
            if (auto done = compile_expr(c, arg.as<Expr::Spread>().argument.get()); !done) {
                return done;
            }
            c.emit(ins::Spread{});
        } else if (auto done = compile_expr(c, arg); !done) {
            return done;
        }
    }
    return {};
}

Result<void> compile_call_link(Compiler& c, const Expr::Call& call, std::vector<size_t>& nullish) {
    const Expr& callee = call.callee.get();
    if (callee.is<Expr::Ident>()) {
        const std::string& name = callee.as<Expr::Ident>().name;
        if (name == "super") {
            if (auto done = compile_args(c, call.args); !done) return done;
            c.emit(ins::SuperCall{call.args.size()});
            return {};
        }
        // Checked before locals: a local of the same name does not hide the host function.
        if (c.is_external(name)) {
            if (auto done = compile_args(c, call.args); !done) return done;
            c.emit(ins::CallExternal{Str(name), call.args.size()});
            return {};
        }
    }
    // A method call keeps `obj; GetProperty(m)` directly before its arguments, so the
    // machine can pair the callee with the object it was read from.
    if (auto done = compile_chain_base(c, callee, nullish); !done) return done;
    if (call.optional) nullish.push_back(c.emit(ins::JumpIfNullish{}));
    if (auto done = compile_args(c, call.args); !done) return done;
    c.emit(ins::Call{call.args.size()});
    return {};
}

// One link of a member/index/call chain. An optional link that meets undefined or null
// jumps (with that value on the stack) to the end of the whole chain, which then yields
// undefined: `a?.b.c` and `a?.m()` are undefined when `a` is nullish.
Result<void> compile_chain_link(Compiler& c, const Expr& e, std::vector<size_t>& nullish) {
    if (e.is<Expr::Member>()) {
        const auto& m = e.as<Expr::Member>();
        if (auto done = compile_chain_base(c, m.object.get(), nullish); !done) return done;
        if (m.optional) nullish.push_back(c.emit(ins::JumpIfNullish{}));
        c.emit(ins::GetProperty{Str(m.property)});
        return {};
    }
    if (e.is<Expr::Index>()) {
        const auto& x = e.as<Expr::Index>();
        if (auto done = compile_chain_base(c, x.object.get(), nullish); !done) return done;
        if (x.optional) nullish.push_back(c.emit(ins::JumpIfNullish{}));
        if (auto done = compile_key(c, x.index.get()); !done) return done;
        c.emit(ins::GetIndex{});
        return {};
    }
    return compile_call_link(c, e.as<Expr::Call>(), nullish);
}

Result<void> compile_chain(Compiler& c, const Expr& e) {
    std::vector<size_t> nullish;
    if (auto done = compile_chain_link(c, e, nullish); !done) return done;
    if (nullish.empty()) return {};
    size_t to_end = c.emit(ins::Jump{});
    c.patch_all_here(nullish);
    c.emit(ins::Pop{});
    c.emit(ins::PushConst{Constant::undefined()});
    c.patch_here(to_end);
    return {};
}

Result<void> compile_template(Compiler& c, const Expr::Template& t) {
    size_t parts = 0;
    size_t substitutions = 0;
    for (size_t i = 0; i < t.quasis.size(); ++i) {
        if (!t.quasis[i].empty()) {
            c.emit(ins::PushConst{Constant::string(Str(t.quasis[i]))});
            ++parts;
        }
        if (i < t.exprs.size()) {
            if (auto done = compile_expr(c, t.exprs[i]); !done) return done;
            ++parts;
            ++substitutions;
        }
    }
    if (parts == 0) {
        c.emit(ins::PushConst{Constant::string(Str(""))});
    } else if (parts > 1 || substitutions == 1) {
        // One lone substitution still goes through Concat, so the result is a string.
        c.emit(ins::Concat{parts});
    }
    return {};
}

Result<void> compile_array(Compiler& c, const Expr::Array& a) {
    for (const auto& element : a.elements) {
        if (!element) {
            c.emit(ins::PushConst{Constant::undefined()});
        } else if (auto done = compile_expr(c, *element); !done) {
            return done;
        }
    }
    c.emit(ins::MakeArray{a.elements.size()});
    return {};
}

Result<void> compile_object(Compiler& c, const Expr::Object& o) {
    for (const auto& property : o.properties) {
        if (property.kind == ir::PropKind::Spread) {
            // A spread entry pushes only its operand; the machine expands it.
            if (auto done = compile_expr(c, property.value); !done) return done;
            c.emit(ins::Spread{});
            continue;
        }
        c.emit(ins::PushConst{Constant::string(Str(property.key))});
        if (auto done = compile_expr(c, property.value); !done) return done;
    }
    c.emit(ins::MakeObject{o.properties.size()});
    return {};
}

Result<void> compile_logical(Compiler& c, const Expr::Logical& l) {
    if (auto done = compile_expr(c, l.left.get()); !done) return done;
    if (l.op == ir::LogicalOp::Nullish) {
        size_t to_right = c.emit(ins::JumpIfNullish{});
        size_t to_end = c.emit(ins::Jump{});
        c.patch_here(to_right);
        c.emit(ins::Pop{});
        if (auto done = compile_expr(c, l.right.get()); !done) return done;
        c.patch_here(to_end);
        return {};
    }
    c.emit(ins::Dup{});
    size_t to_end = l.op == ir::LogicalOp::And ? c.emit(ins::JumpIfFalse{})
                                               : c.emit(ins::JumpIfTrue{});
    c.emit(ins::Pop{});
    if (auto done = compile_expr(c, l.right.get()); !done) return done;
    c.patch_here(to_end);
    return {};
}

Result<void> compile_conditional(Compiler& c, const Expr::Conditional& e) {
    if (auto done = compile_expr(c, e.test.get()); !done) return done;
    size_t to_else = c.emit(ins::JumpIfFalse{});
    if (auto done = compile_expr(c, e.consequent.get()); !done) return done;
    size_t to_end = c.emit(ins::Jump{});
    c.patch_here(to_else);
    if (auto done = compile_expr(c, e.alternate.get()); !done) return done;
    c.patch_here(to_end);
    return {};
}

Result<void> compile_update(Compiler& c, const Expr::Update& u) {
    const Expr& target = u.target.get();
    std::vector<const Expr*> cached;
    cache_target_keys(c, target, true, cached);
    auto done = [&]() -> Result<void> {
        if (auto r = compile_expr(c, target); !r) return r;
        if (!u.prefix) c.emit(ins::Dup{});
        if (u.op == ir::UpdateOp::Increment) {
            c.emit(ins::Increment{});
        } else {
            c.emit(ins::Decrement{});
        }
        if (u.prefix) c.emit(ins::Dup{});
        return compile_store(c, target);
    }();
    release_target_keys(c, cached);
    return done;
}

Result<void> compile_assign(Compiler& c, const Expr::Assign& a) {
    const Expr& target = a.target.get();
    std::vector<const Expr*> cached;
    cache_target_keys(c, target, a.op != ir::AssignOp::Assign, cached);
    auto done = [&]() -> Result<void> {
        switch (a.op) {
            case ir::AssignOp::Assign: {
                if (auto r = compile_expr(c, a.value.get()); !r) return r;
                c.emit(ins::Dup{});
                return compile_store(c, target);
            }
            case ir::AssignOp::AndAssign:
            case ir::AssignOp::OrAssign: {
                // Only evaluate and store when `&&` / `||` would evaluate its right side.
                if (auto r = compile_expr(c, target); !r) return r;
                c.emit(ins::Dup{});
                size_t to_end = a.op == ir::AssignOp::AndAssign ? c.emit(ins::JumpIfFalse{})
                                                                : c.emit(ins::JumpIfTrue{});
                c.emit(ins::Pop{});
                if (auto r = compile_expr(c, a.value.get()); !r) return r;
                c.emit(ins::Dup{});
                if (auto r = compile_store(c, target); !r) return r;
                c.patch_here(to_end);
                return {};
            }
            case ir::AssignOp::NullishAssign: {
                if (auto r = compile_expr(c, target); !r) return r;
                size_t to_assign = c.emit(ins::JumpIfNullish{});
                size_t to_end = c.emit(ins::Jump{});
                c.patch_here(to_assign);
                c.emit(ins::Pop{});
                if (auto r = compile_expr(c, a.value.get()); !r) return r;
                c.emit(ins::Dup{});
                if (auto r = compile_store(c, target); !r) return r;
                c.patch_here(to_end);
                return {};
            }
            default: {
                if (auto r = compile_expr(c, target); !r) return r;
                if (auto r = compile_expr(c, a.value.get()); !r) return r;
                c.emit(compound_instruction(a.op));
                c.emit(ins::Dup{});
                return compile_store(c, target);
            }
        }
    }();
    release_target_keys(c, cached);
    return done;
}

// `yield* inner` hands on every value of `inner` (an array, a string or a generator) as
// a yield of its own; the expression's value is undefined.
Result<void> compile_yield_delegate(Compiler& c, const Expr& argument) {
    if (auto done = compile_expr(c, argument); !done) return done;
    c.emit(ins::GetIterator{});
    size_t start = c.here();
    c.emit(ins::IteratorNext{});
    c.emit(ins::IteratorDone{});
    size_t to_exit = c.emit(ins::JumpIfTrue{});
    c.emit(ins::Yield{});
    c.emit(ins::Pop{});  // the value sent by the next `next()`
    c.emit(ins::Jump{start});
    c.patch_here(to_exit);
    c.emit(ins::Pop{});  // the iterator state
    c.emit(ins::PushConst{Constant::undefined()});
    return {};
}

Result<void> load_name(Compiler& c, const std::string& name) {
    if (name == "this") {
        c.emit(ins::LoadThis{});
    } else if (auto slot = c.find_local(name)) {
        c.emit(ins::LoadLocal{*slot});
    } else {
        c.emit(ins::LoadGlobal{Str(name)});
    }
    return {};
}

}  // namespace

Result<void> compile_expr(Compiler& c, const Expr& expr) {
    return std::visit(
        [&c, &expr](const auto& e) -> Result<void> {
            using T = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<T, Expr::Number>) {
                c.emit(ins::PushConst{number_constant(e.value)});
            } else if constexpr (std::is_same_v<T, Expr::String>) {
                c.emit(ins::PushConst{Constant::string(Str(e.value))});
            } else if constexpr (std::is_same_v<T, Expr::Bool>) {
                c.emit(ins::PushConst{Constant::boolean(e.value)});
            } else if constexpr (std::is_same_v<T, Expr::Null>) {
                c.emit(ins::PushConst{Constant::null()});
            } else if constexpr (std::is_same_v<T, Expr::Undefined> ||
                                 std::is_same_v<T, Expr::RegExp>) {
                // A regular-expression literal evaluates to undefined.
                c.emit(ins::PushConst{Constant::undefined()});
            } else if constexpr (std::is_same_v<T, Expr::Template>) {
                return compile_template(c, e);
            } else if constexpr (std::is_same_v<T, Expr::Ident>) {
                return load_name(c, e.name);
            } else if constexpr (std::is_same_v<T, Expr::Array>) {
                return compile_array(c, e);
            } else if constexpr (std::is_same_v<T, Expr::Object>) {
                return compile_object(c, e);
            } else if constexpr (std::is_same_v<T, Expr::Spread>) {
                if (auto done = compile_expr(c, e.argument.get()); !done) return done;
                c.emit(ins::Spread{});
            } else if constexpr (std::is_same_v<T, Expr::Binary>) {
                if (auto done = compile_expr(c, e.left.get()); !done) return done;
                if (auto done = compile_expr(c, e.right.get()); !done) return done;
                c.emit(binary_instruction(e.op));
            } else if constexpr (std::is_same_v<T, Expr::Unary>) {
                if (auto done = compile_expr(c, e.operand.get()); !done) return done;
                switch (e.op) {
                    case ir::UnaryOp::Neg: c.emit(ins::Neg{}); break;
                    case ir::UnaryOp::Not: c.emit(ins::Not{}); break;
                    case ir::UnaryOp::BitNot: c.emit(ins::BitNot{}); break;
                    case ir::UnaryOp::Void: c.emit(ins::Void{}); break;
                }
            } else if constexpr (std::is_same_v<T, Expr::Update>) {
                return compile_update(c, e);
            } else if constexpr (std::is_same_v<T, Expr::Logical>) {
                return compile_logical(c, e);
            } else if constexpr (std::is_same_v<T, Expr::Conditional>) {
                return compile_conditional(c, e);
            } else if constexpr (std::is_same_v<T, Expr::Assign>) {
                return compile_assign(c, e);
            } else if constexpr (std::is_same_v<T, Expr::Sequence>) {
                for (size_t i = 0; i < e.expressions.size(); ++i) {
                    if (i > 0) c.emit(ins::Pop{});
                    if (auto done = compile_expr(c, e.expressions[i]); !done) return done;
                }
                if (e.expressions.empty()) c.emit(ins::PushConst{Constant::undefined()});
            } else if constexpr (std::is_same_v<T, Expr::Member> ||
                                 std::is_same_v<T, Expr::Index> ||
                                 std::is_same_v<T, Expr::Call>) {
                return compile_chain(c, expr);
            } else if constexpr (std::is_same_v<T, Expr::New>) {
                if (auto done = compile_expr(c, e.callee.get()); !done) return done;
                if (auto done = compile_args(c, e.args); !done) return done;
                c.emit(ins::New{e.args.size()});
            } else if constexpr (std::is_same_v<T, Expr::Arrow> ||
                                 std::is_same_v<T, Expr::Function>) {
                c.emit(ins::MakeClosure{e.func_index});
            } else if constexpr (std::is_same_v<T, Expr::Await>) {
                if (auto done = compile_expr(c, e.argument.get()); !done) return done;
                c.emit(ins::Await{});
            } else if constexpr (std::is_same_v<T, Expr::Yield>) {
                if (e.delegate && e.argument) return compile_yield_delegate(c, e.argument->get());
                if (e.argument) {
                    if (auto done = compile_expr(c, e.argument->get()); !done) return done;
                } else {
                    c.emit(ins::PushConst{Constant::undefined()});
                }
                c.emit(ins::Yield{});
            } else if constexpr (std::is_same_v<T, Expr::TypeOf>) {
                if (auto done = compile_expr(c, e.argument.get()); !done) return done;
                c.emit(ins::TypeOf{});
            } else {
                static_assert(std::is_same_v<T, Expr::Class>);
                const ir::FunctionDef* constructor = e.constructor ? &e.constructor->get() : nullptr;
                return compile_class(c, e.name, e.super_class, constructor, e.methods,
                                     e.static_methods);
            }
            return {};
        },
        expr.node);
}

Result<void> compile_store(Compiler& c, const Expr& target) {
    if (target.is<Expr::Ident>()) {
        const std::string& name = target.as<Expr::Ident>().name;
        if (name == "this") {
            c.emit(ins::StoreThis{});
        } else if (auto slot = c.find_local(name)) {
            c.emit(ins::StoreLocal{*slot});
        } else {
            // Storing never declares a local: an undeclared name is a global.
            c.emit(ins::StoreGlobal{Str(name)});
        }
        return {};
    }
    if (target.is<Expr::Member>()) {
        const auto& m = target.as<Expr::Member>();
        if (auto done = compile_expr(c, m.object.get()); !done) return done;
        c.emit(ins::SetProperty{Str(m.property)});
        return compile_store(c, m.object.get());
    }
    if (target.is<Expr::Index>()) {
        const auto& x = target.as<Expr::Index>();
        if (auto done = compile_expr(c, x.object.get()); !done) return done;
        if (auto done = compile_key(c, x.index.get()); !done) return done;
        c.emit(ins::SetIndex{});
        return compile_store(c, x.object.get());
    }
    return fail(CorvaneError::compile_error("invalid assignment target"));
}

}  // namespace corvane::compiler_detail
