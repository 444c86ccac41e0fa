// Small constructors for building expected IR trees in tests.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "parser/ir.h"

namespace corvane::ir::build {

inline Span sp(uint32_t start, uint32_t end) { return Span{start, end}; }

// ---- expressions ----
inline Expr num(double v) { return Expr::Number{v}; }
inline Expr str(std::string v) { return Expr::String{std::move(v)}; }
inline Expr boolean(bool v) { return Expr::Bool{v}; }
inline Expr null() { return Expr::Null{}; }
inline Expr undef() { return Expr::Undefined{}; }
inline Expr id(std::string name) { return Expr::Ident{std::move(name)}; }
inline Expr regexp(std::string pattern, std::string flags) {
    return Expr::RegExp{std::move(pattern), std::move(flags)};
}
inline Expr templ(std::vector<std::string> quasis, std::vector<Expr> exprs) {
    return Expr::Template{std::move(quasis), std::move(exprs)};
}
inline Expr array(std::vector<std::optional<Expr>> elements) {
    return Expr::Array{std::move(elements)};
}
inline Expr object(std::vector<ObjProperty> properties) {
    return Expr::Object{std::move(properties)};
}
inline ObjProperty prop(PropKind kind, std::string key, Expr value, bool computed = false) {
    return ObjProperty{kind, std::move(key), std::move(value), computed};
}
inline ObjProperty init(std::string key, Expr value) {
    return prop(PropKind::Init, std::move(key), std::move(value));
}
inline Expr spread(Expr e) { return Expr::Spread{std::move(e)}; }
inline Expr bin(BinOp op, Expr l, Expr r) { return Expr::Binary{op, std::move(l), std::move(r)}; }
inline Expr unary(UnaryOp op, Expr e) { return Expr::Unary{op, std::move(e)}; }
inline Expr update(UpdateOp op, bool prefix, Expr t) {
    return Expr::Update{op, prefix, std::move(t)};
}
inline Expr logical(LogicalOp op, Expr l, Expr r) {
    return Expr::Logical{op, std::move(l), std::move(r)};
}
inline Expr cond(Expr t, Expr c, Expr a) {
    return Expr::Conditional{std::move(t), std::move(c), std::move(a)};
}
inline Expr assign(AssignOp op, Expr t, Expr v) {
    return Expr::Assign{op, std::move(t), std::move(v)};
}
inline Expr seq(std::vector<Expr> list) { return Expr::Sequence{std::move(list)}; }
inline Expr member(Expr o, std::string p, bool optional = false) {
    return Expr::Member{std::move(o), std::move(p), optional};
}
inline Expr index(Expr o, Expr k, bool optional = false) {
    return Expr::Index{std::move(o), std::move(k), optional};
}
inline Expr call(Expr callee, std::vector<Expr> args, bool optional = false) {
    return Expr::Call{std::move(callee), std::move(args), optional};
}
inline Expr new_(Expr callee, std::vector<Expr> args) {
    return Expr::New{std::move(callee), std::move(args)};
}
inline Expr arrow(size_t i) { return Expr::Arrow{i}; }
inline Expr func(size_t i) { return Expr::Function{i}; }
inline Expr await_(Expr e) { return Expr::Await{std::move(e)}; }
inline Expr yield(std::optional<Expr> e, bool delegate = false) {
    Expr::Yield y;
    if (e) y.argument = Box<Expr>(std::move(*e));
    y.delegate = delegate;
    return y;
}
inline Expr typeof_(Expr e) { return Expr::TypeOf{std::move(e)}; }

// ---- statements ----
using List = std::vector<Statement>;

inline Statement expr_stmt(Expr e, Span s) { return Statement::Expr{std::move(e), s}; }
inline VarDeclarator decl(AssignTarget t, std::optional<Expr> init = std::nullopt) {
    return VarDeclarator{std::move(t), std::move(init)};
}
inline Statement var(VarKind kind, std::vector<VarDeclarator> ds, Span s) {
    return Statement::VarDecl{kind, std::move(ds), s};
}
inline Statement ret(std::optional<Expr> v, Span s) { return Statement::Return{std::move(v), s}; }
inline Statement if_(Expr t, List c, std::optional<List> a, Span s) {
    return Statement::If{std::move(t), std::move(c), std::move(a), s};
}
inline Statement while_(Expr t, List body, Span s) {
    return Statement::While{std::move(t), std::move(body), s};
}
inline Statement for_of(ForBinding b, Expr it, List body, Span s) {
    return Statement::ForOf{std::move(b), std::move(it), std::move(body), s};
}
inline Statement block(List body, Span s) { return Statement::Block{std::move(body), s}; }
inline Statement throw_(Expr v, Span s) { return Statement::Throw{std::move(v), s}; }
inline Statement brk(Span s) { return Statement::Break{s}; }
inline Statement cont(Span s) { return Statement::Continue{s}; }
inline Statement fdecl(size_t i, Span s) { return Statement::FunctionDecl{i, s}; }
inline Statement do_while(List body, Expr t, Span s) {
    return Statement::DoWhile{std::move(body), std::move(t), s};
}

// ---- patterns ----
inline AssignTarget tid(std::string name) { return AssignTarget::Ident{std::move(name)}; }
inline ParamPattern pid(std::string name) { return ParamPattern::Ident{std::move(name)}; }
inline ParamPattern prest(std::string name) { return ParamPattern::Rest{std::move(name)}; }
inline ParamPattern pdefault(ParamPattern p, Expr d) {
    return ParamPattern::Default{std::move(p), std::move(d)};
}
inline DestructureField field(std::string key, std::optional<std::string> alias = std::nullopt,
                              std::optional<Expr> def = std::nullopt) {
    return DestructureField{std::move(key), std::move(alias), std::move(def)};
}

inline FunctionDef fn(std::optional<std::string> name, std::vector<ParamPattern> params,
                      List body, Span s, bool is_arrow = false, bool is_async = false,
                      bool is_generator = false) {
    return FunctionDef{std::move(name), std::move(params), std::move(body),
                       is_async,        is_generator,      is_arrow,
                       s};
}

}  // namespace corvane::ir::build
