// Statement compilation. Statements leave the operand stack as they found it, except that
// a switch keeps its discriminant and a for-of its iterator state on the stack while their
// bodies run; jumps out of those constructs remove them first.
#include <utility>

#include "compiler/compiler_state.h"

namespace corvane::compiler_detail {

namespace {

using ir::Statement;

// Emits what leaving the controls from the innermost down to (but not including)
// `keep` requires: one Pop per switch discriminant (unless `pop_values` is false, for a
// return, whose value is on top and whose frame end discards the rest), one TryEnd per
// active try record, and the finally statements of every try statement being left, in
// that order of nesting. The finally statements are compiled as if they stood outside
// their try statement, so a jump inside them refers to the constructs around it.
Result<void> leave_controls(Compiler& c, size_t keep, bool pop_values = true) {
    auto& controls = c.controls();
    for (size_t i = controls.size(); i-- > keep;) {
        Control& control = controls[i];
        if (control.kind == Control::Kind::Switch) {
            if (pop_values) c.emit(ins::Pop{});
        } else if (control.kind == Control::Kind::Try) {
            if (control.try_record) c.emit(ins::TryEnd{});
            if (control.finally_body) {
                const auto* finally_body = control.finally_body;
                std::vector<Control> inner(std::make_move_iterator(controls.begin() + i),
                                           std::make_move_iterator(controls.end()));
                controls.erase(controls.begin() + i, controls.end());
                auto done = compile_statements(c, *finally_body);
                for (auto& entry : inner) controls.push_back(std::move(entry));
                if (!done) return done;
            }
        }
        // A loop only ends the walk; for-of's iterator state is removed at the loop exit.
    }
    return {};
}

Result<void> compile_break(Compiler& c) {
    auto& controls = c.controls();
    for (size_t i = controls.size(); i-- > 0;) {
        if (controls[i].kind == Control::Kind::Try) continue;
        // The target itself (loop or switch) removes its own stack values at its exit.
        if (auto done = leave_controls(c, i + 1); !done) return done;
        size_t jump = c.emit(ins::Jump{});
        c.controls()[i].break_jumps.push_back(jump);
        return {};
    }
    return fail(CorvaneError::compile_error("break outside a loop or switch"));
}

Result<void> compile_continue(Compiler& c) {
    auto& controls = c.controls();
    for (size_t i = controls.size(); i-- > 0;) {
        if (controls[i].kind != Control::Kind::Loop) continue;
        if (auto done = leave_controls(c, i + 1); !done) return done;
        size_t jump = c.emit(ins::Jump{});
        c.controls()[i].continue_jumps.push_back(jump);
        return {};
    }
    return fail(CorvaneError::compile_error("continue outside a loop"));
}

// Runs `body` with a control of `kind` pushed; returns the control with its jumps.
template <class F>
Result<Control> with_control(Compiler& c, Control control, F&& body) {
    c.controls().push_back(std::move(control));
    auto done = body();
    Control finished = std::move(c.controls().back());
    c.controls().pop_back();
    if (!done) return fail(std::move(done.error()));
    return finished;
}

Control loop_control() { return Control{Control::Kind::Loop, false, nullptr, {}, {}}; }

Result<void> compile_var_decl(Compiler& c, const Statement::VarDecl& decl) {
    for (const auto& declarator : decl.declarations) {
        if (declarator.target.is<ir::AssignTarget::Ident>()) {
            // Declared before the initializer, which therefore sees the new local.
            size_t slot = c.declare_local(declarator.target.as<ir::AssignTarget::Ident>().name);
            if (declarator.init) {
                if (auto done = compile_expr(c, *declarator.init); !done) return done;
            } else {
                c.emit(ins::PushConst{Constant::undefined()});
            }
            c.emit(ins::StoreLocal{slot});
            continue;
        }
        if (declarator.init) {
            if (auto done = compile_expr(c, *declarator.init); !done) return done;
        } else {
            c.emit(ins::PushConst{Constant::undefined()});
        }
        if (auto done = bind_assign_target(c, declarator.target); !done) return done;
    }
    return {};
}

Result<void> compile_if(Compiler& c, const Statement::If& s) {
    if (auto done = compile_expr(c, s.test); !done) return done;
    size_t to_else = c.emit(ins::JumpIfFalse{});
    if (auto done = compile_statements(c, s.consequent); !done) return done;
    if (!s.alternate) {
        c.patch_here(to_else);
        return {};
    }
    size_t to_end = c.emit(ins::Jump{});
    c.patch_here(to_else);
    if (auto done = compile_statements(c, *s.alternate); !done) return done;
    c.patch_here(to_end);
    return {};
}

Result<void> compile_while(Compiler& c, const Statement::While& s) {
    size_t start = c.here();
    size_t exit_jump = 0;
    auto loop = with_control(c, loop_control(), [&]() -> Result<void> {
        if (auto done = compile_expr(c, s.test); !done) return done;
        exit_jump = c.emit(ins::JumpIfFalse{});
        if (auto done = compile_statements(c, s.body); !done) return done;
        c.emit(ins::Jump{start});
        return {};
    });
    if (!loop) return fail(std::move(loop.error()));
    c.patch_here(exit_jump);
    c.patch_all_here(loop->break_jumps);
    for (size_t at : loop->continue_jumps) c.patch(at, start);
    return {};
}

Result<void> compile_do_while(Compiler& c, const Statement::DoWhile& s) {
    size_t start = c.here();
    size_t cont = 0;
    auto loop = with_control(c, loop_control(), [&]() -> Result<void> {
        if (auto done = compile_statements(c, s.body); !done) return done;
        cont = c.here();
        if (auto done = compile_expr(c, s.test); !done) return done;
        c.emit(ins::JumpIfTrue{start});
        return {};
    });
    if (!loop) return fail(std::move(loop.error()));
    c.patch_all_here(loop->break_jumps);
    for (size_t at : loop->continue_jumps) c.patch(at, cont);
    return {};
}

Result<void> compile_for(Compiler& c, const Statement::For& s) {
    if (s.init) {
        if (auto done = compile_statement(c, **s.init); !done) return done;
    }
    size_t start = c.here();
    std::optional<size_t> exit_jump;
    size_t cont = 0;
    auto loop = with_control(c, loop_control(), [&]() -> Result<void> {
        if (s.test) {
            if (auto done = compile_expr(c, *s.test); !done) return done;
            exit_jump = c.emit(ins::JumpIfFalse{});
        }
        if (auto done = compile_statements(c, s.body); !done) return done;
        cont = c.here();
        if (s.update) {
            if (auto done = compile_expr(c, *s.update); !done) return done;
            c.emit(ins::Pop{});
        }
        c.emit(ins::Jump{start});
        return {};
    });
    if (!loop) return fail(std::move(loop.error()));
    if (exit_jump) c.patch_here(*exit_jump);
    c.patch_all_here(loop->break_jumps);
    for (size_t at : loop->continue_jumps) c.patch(at, cont);
    return {};
}

Result<void> compile_for_of(Compiler& c, const Statement::ForOf& s) {
    if (auto done = compile_expr(c, s.iterable); !done) return done;
    c.emit(ins::GetIterator{});
    size_t start = c.here();
    size_t exit_jump = 0;
    auto loop = with_control(c, loop_control(), [&]() -> Result<void> {
        c.emit(ins::IteratorNext{});
        c.emit(ins::IteratorDone{});
        exit_jump = c.emit(ins::JumpIfTrue{});
        // The stack holds the iterator state with the current element above it.
        if (s.binding.is<ir::ForBinding::Ident>()) {
            c.emit(ins::StoreLocal{c.declare_local(s.binding.as<ir::ForBinding::Ident>().name)});
        } else {
            const auto& pattern = s.binding.as<ir::ForBinding::Pattern>().pattern;
            if (auto done = bind_param_pattern(c, pattern); !done) return done;
        }
        if (auto done = compile_statements(c, s.body); !done) return done;
        c.emit(ins::Jump{start});
        return {};
    });
    if (!loop) return fail(std::move(loop.error()));
    // Exit: remove the iterator state. Breaks land here too.
    c.patch_here(exit_jump);
    c.patch_all_here(loop->break_jumps);
    for (size_t at : loop->continue_jumps) c.patch(at, start);
    c.emit(ins::Pop{});
    return {};
}

Result<void> compile_switch(Compiler& c, const Statement::Switch& s) {
    if (auto done = compile_expr(c, s.discriminant); !done) return done;
    std::vector<size_t> case_jumps(s.cases.size(), 0);
    std::optional<size_t> default_case;
    for (size_t i = 0; i < s.cases.size(); ++i) {
        const auto& clause = s.cases[i];
        if (!clause.test) {
            default_case = i;
            continue;
        }
        c.emit(ins::Dup{});
        if (auto done = compile_expr(c, *clause.test); !done) return done;
        c.emit(ins::StrictEq{});
        case_jumps[i] = c.emit(ins::JumpIfTrue{});
    }
    size_t no_match = c.emit(ins::Jump{});
    auto control = with_control(
        c, Control{Control::Kind::Switch, false, nullptr, {}, {}}, [&]() -> Result<void> {
            for (size_t i = 0; i < s.cases.size(); ++i) {
                if (s.cases[i].test) {
                    c.patch_here(case_jumps[i]);
                } else if (default_case == i) {
                    c.patch_here(no_match);
                }
                if (auto done = compile_statements(c, s.cases[i].body); !done) return done;
            }
            return {};
        });
    if (!control) return fail(std::move(control.error()));
    if (!default_case) c.patch_here(no_match);
    c.patch_all_here(control->break_jumps);
    c.emit(ins::Pop{});  // the discriminant
    return {};
}

Result<void> compile_try(Compiler& c, const Statement::Try& s) {
    const std::vector<Statement>* finally_body = s.finally_body ? &*s.finally_body : nullptr;
    size_t try_start = c.emit(ins::TryStart{0, std::nullopt});
    auto protected_block = with_control(
        c, Control{Control::Kind::Try, true, finally_body, {}, {}},
        [&]() -> Result<void> { return compile_statements(c, s.block); });
    if (!protected_block) return fail(std::move(protected_block.error()));
    c.emit(ins::TryEnd{});
    size_t to_after = c.emit(ins::Jump{});

    // The handler: the record is gone and the error's display text is on the stack.
    c.patch_here(try_start);
    if (s.catch_param) {
        c.emit(ins::StoreLocal{c.declare_local(*s.catch_param)});
    } else {
        c.emit(ins::Pop{});
    }
    auto handler = with_control(
        c, Control{Control::Kind::Try, false, finally_body, {}, {}},
        [&]() -> Result<void> { return compile_statements(c, s.catch_body); });
    if (!handler) return fail(std::move(handler.error()));

    c.patch_here(to_after);
    if (finally_body) return compile_statements(c, *finally_body);
    return {};
}

Result<void> compile_return(Compiler& c, const Statement::Return& s) {
    if (s.value) {
        if (auto done = compile_expr(c, *s.value); !done) return done;
    } else {
        c.emit(ins::PushConst{Constant::undefined()});
    }
    // Close the try records of the function and run the finally statements being left;
    // the return value waits below them.
    if (auto done = leave_controls(c, 0, false); !done) return done;
    c.emit(ins::Return{});
    return {};
}

Result<void> compile_function_decl(Compiler& c, const Statement::FunctionDecl& s) {
    c.emit(ins::MakeClosure{s.func_index});
    const auto& functions = c.shared().program->functions;
    if (s.func_index < functions.size() && functions[s.func_index].name) {
        const std::string& name = *functions[s.func_index].name;
        c.emit(ins::Dup{});
        c.emit(ins::StoreLocal{c.declare_local(name)});
        c.emit(ins::StoreGlobal{Str(name)});
    } else {
        c.emit(ins::Pop{});
    }
    return {};
}

Result<void> compile_class_decl(Compiler& c, const Statement::ClassDecl& s) {
    const ir::FunctionDef* constructor = s.constructor ? &s.constructor->get() : nullptr;
    if (auto done = compile_class(c, s.name, s.super_class, constructor, s.methods,
                                  s.static_methods);
        !done) {
        return done;
    }
    c.emit(ins::Dup{});
    c.emit(ins::StoreLocal{c.declare_local(s.name)});
    c.emit(ins::StoreGlobal{Str(s.name)});
    return {};
}

}  // namespace

Result<void> compile_statements(Compiler& c, const std::vector<Statement>& list) {
    for (const auto& statement : list) {
        if (auto done = compile_statement(c, statement); !done) return done;
    }
    return {};
}

Result<void> compile_statement(Compiler& c, const Statement& statement) {
    return std::visit(
        [&c](const auto& s) -> Result<void> {
            using T = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<T, Statement::VarDecl>) {
                return compile_var_decl(c, s);
            } else if constexpr (std::is_same_v<T, Statement::Expr>) {
                if (auto done = compile_expr(c, s.expr); !done) return done;
                c.emit(ins::Pop{});
                return {};
            } else if constexpr (std::is_same_v<T, Statement::Return>) {
                return compile_return(c, s);
            } else if constexpr (std::is_same_v<T, Statement::If>) {
                return compile_if(c, s);
            } else if constexpr (std::is_same_v<T, Statement::While>) {
                return compile_while(c, s);
            } else if constexpr (std::is_same_v<T, Statement::ForOf>) {
                return compile_for_of(c, s);
            } else if constexpr (std::is_same_v<T, Statement::For>) {
                return compile_for(c, s);
            } else if constexpr (std::is_same_v<T, Statement::Block>) {
                return compile_statements(c, s.body);
            } else if constexpr (std::is_same_v<T, Statement::Throw>) {
                if (auto done = compile_expr(c, s.value); !done) return done;
                c.emit(ins::Throw{});
                return {};
            } else if constexpr (std::is_same_v<T, Statement::Try>) {
                return compile_try(c, s);
            } else if constexpr (std::is_same_v<T, Statement::Break>) {
                return compile_break(c);
            } else if constexpr (std::is_same_v<T, Statement::Continue>) {
                return compile_continue(c);
            } else if constexpr (std::is_same_v<T, Statement::FunctionDecl>) {
                return compile_function_decl(c, s);
            } else if constexpr (std::is_same_v<T, Statement::Switch>) {
                return compile_switch(c, s);
            } else if constexpr (std::is_same_v<T, Statement::DoWhile>) {
                return compile_do_while(c, s);
            } else {
                static_assert(std::is_same_v<T, Statement::ClassDecl>);
                return compile_class_decl(c, s);
            }
        },
        statement.node);
}

}  // namespace corvane::compiler_detail
