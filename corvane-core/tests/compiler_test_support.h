// Helpers for the compiler tests: short builders for IR statements that ir_builders.h does
// not cover, and a readable listing of instruction lists so a mismatch shows the whole code.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <unordered_set>
#include <vector>

#include "compiler/compiler.h"
#include "ir_builders.h"

namespace corvane::compiler_test {

using namespace corvane::ir::build;
using ir::AssignOp;
using ir::BinOp;
using ir::Expr;
using ir::FunctionDef;
using ir::LogicalOp;
using ir::Program;
using ir::Statement;
using ir::UpdateOp;
using ir::VarKind;
using Code = std::vector<Instruction>;

inline const ir::Span s0{0, 0};

// ---- IR shorthands ----
inline Statement es(Expr e) { return expr_stmt(std::move(e), s0); }
inline Statement let(std::string name, std::optional<Expr> init) {
    return var(VarKind::Let, {decl(tid(std::move(name)), std::move(init))}, s0);
}
inline Statement let_pattern(ir::AssignTarget target, Expr init) {
    return var(VarKind::Const, {decl(std::move(target), std::move(init))}, s0);
}
inline Statement ret_(Expr e) { return ret(std::move(e), s0); }
inline Expr set(Expr target, Expr value) {
    return assign(AssignOp::Assign, std::move(target), std::move(value));
}
inline Expr add(Expr l, Expr r) { return bin(BinOp::Add, std::move(l), std::move(r)); }
inline Statement while_s(Expr test, List body) { return while_(std::move(test), std::move(body), s0); }
inline Statement for_s(std::optional<Statement> init, std::optional<Expr> test,
                       std::optional<Expr> update, List body) {
    Statement::For f;
    if (init) f.init = ir::Box<Statement>(std::move(*init));
    f.test = std::move(test);
    f.update = std::move(update);
    f.body = std::move(body);
    return f;
}
inline Statement for_of_s(std::string name, Expr iterable, List body) {
    return for_of(ir::ForBinding::Ident{std::move(name)}, std::move(iterable), std::move(body), s0);
}
inline ir::SwitchCase case_(std::optional<Expr> test, List body) {
    return ir::SwitchCase{std::move(test), std::move(body)};
}
inline Statement switch_s(Expr d, std::vector<ir::SwitchCase> cases) {
    return Statement::Switch{std::move(d), std::move(cases), s0};
}
inline Statement try_s(List block, std::optional<std::string> param, List handler,
                       std::optional<List> finally_body) {
    return Statement::Try{std::move(block), std::move(param), std::move(handler),
                          std::move(finally_body), s0};
}
inline Statement class_s(std::string name, std::optional<std::string> super_class,
                         std::optional<FunctionDef> ctor, std::vector<ir::ClassMethod> methods,
                         std::vector<ir::ClassMethod> statics) {
    Statement::ClassDecl c;
    c.name = std::move(name);
    c.super_class = std::move(super_class);
    if (ctor) c.constructor = ir::Box<FunctionDef>(std::move(*ctor));
    c.methods = std::move(methods);
    c.static_methods = std::move(statics);
    c.span = s0;
    return c;
}
inline ir::ClassMethod method(std::string name, List body = {}) {
    return ir::ClassMethod{name, fn(name, {}, std::move(body), s0)};
}
inline FunctionDef function(std::optional<std::string> name, std::vector<ir::ParamPattern> params,
                            List body) {
    return fn(std::move(name), std::move(params), std::move(body), s0);
}
inline Program program(List body, std::vector<FunctionDef> functions = {}) {
    return Program{std::move(body), std::move(functions)};
}

// ---- instruction shorthands ----
inline Instruction I(int64_t v) { return ins::PushConst{Constant::integer(v)}; }
inline Instruction F(double v) { return ins::PushConst{Constant::number(v)}; }
inline Instruction S(const char* v) { return ins::PushConst{Constant::string(Str(v))}; }
inline Instruction B(bool v) { return ins::PushConst{Constant::boolean(v)}; }
inline Instruction U() { return ins::PushConst{Constant::undefined()}; }
inline Instruction N() { return ins::PushConst{Constant::null()}; }
inline Instruction LL(size_t slot) { return ins::LoadLocal{slot}; }
inline Instruction SL(size_t slot) { return ins::StoreLocal{slot}; }
inline Instruction LG(const char* name) { return ins::LoadGlobal{Str(name)}; }
inline Instruction SG(const char* name) { return ins::StoreGlobal{Str(name)}; }
inline Instruction GP(const char* name) { return ins::GetProperty{Str(name)}; }
inline Instruction SP(const char* name) { return ins::SetProperty{Str(name)}; }

inline std::string listing(const Code& code) {
    std::string out;
    for (size_t i = 0; i < code.size(); ++i) {
        out += std::to_string(i) + ": " + debug_string(code[i]) + "\n";
    }
    return out;
}

inline CompiledProgram compile_ok(const Program& p,
                                  const std::unordered_set<std::string>& externals = {}) {
    auto result = compile_with_externals(p, externals);
    EXPECT_TRUE(result.has_value()) << (result ? "" : result.error().display());
    return result ? std::move(*result) : CompiledProgram{};
}

inline std::string compile_error(const Program& p) {
    auto result = compile_with_externals(p, {});
    return result ? std::string("(compiled)") : result.error().display();
}

inline std::vector<std::string> names(const std::vector<Str>& list) {
    std::vector<std::string> out;
    for (const auto& s : list) out.push_back(s.str());
    return out;
}

}  // namespace corvane::compiler_test

#define EXPECT_CODE(actual, ...) \
    EXPECT_EQ(::corvane::compiler_test::listing(actual), \
              ::corvane::compiler_test::listing(::corvane::compiler_test::Code{__VA_ARGS__}))
