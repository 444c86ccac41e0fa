// IR shapes produced by parse: whole trees compared against trees built by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ir_builders.h"
#include "parser/front_end.h"

using namespace corvane::ir;
using namespace corvane::ir::build;
using corvane::front_end::parse;

namespace {

Program lower(const std::string& source) {
    auto result = parse(source);
    EXPECT_TRUE(result.has_value()) << source << "\n -> " << result.error().display();
    return result.has_value() ? std::move(*result) : Program{};
}

// The expression of the program's last statement, which must be an expression statement.
Expr last_expr(const std::string& source) {
    Program p = lower(source);
    if (p.body.empty() || !p.body.back().is<Statement::Expr>()) {
        ADD_FAILURE() << "no final expression statement: " << source;
        return undef();
    }
    return p.body.back().as<Statement::Expr>().expr;
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(Lower, Expressions) {
    struct Case {
        const char* source;
        Expr expected;
    };
    const Case cases[] = {
        {"1.5", num(1.5)},
        {"'a\\nb'", str("a\nb")},
        {"true", boolean(true)},
        {"null", null()},
        {"undefined", undef()},
        {"NaN", num(kNaN)},
        {"Infinity", num(kInf)},
        {"x = NaN", assign(AssignOp::Assign, id("x"), num(kNaN))},
        {"const NaN = 1; NaN", num(kNaN)},
        {"undefined = 1", assign(AssignOp::Assign, id("undefined"), num(1))},
        {"this", id("this")},
        {"+\"3\"", bin(BinOp::Mul, str("3"), num(1))},
        {"-x", unary(UnaryOp::Neg, id("x"))},
        {"void 0", unary(UnaryOp::Void, num(0))},
        {"!~x", unary(UnaryOp::Not, unary(UnaryOp::BitNot, id("x")))},
        {"typeof x", typeof_(id("x"))},
        {"`a\\tb${1}`", templ({"a\tb", ""}, {num(1)})},
        {"`plain`", templ({"plain"}, {})},
        {"/ab+c/gi", regexp("ab+c", "gi")},
        {"a ** b >>> c", bin(BinOp::UShr, bin(BinOp::Exp, id("a"), id("b")), id("c"))},
        {"a in b", bin(BinOp::In, id("a"), id("b"))},
        {"a instanceof b", bin(BinOp::InstanceOf, id("a"), id("b"))},
        {"a !== b & c", bin(BinOp::BitAnd, bin(BinOp::StrictNotEq, id("a"), id("b")), id("c"))},
        {"(a ?? b) || c", logical(LogicalOp::Or, logical(LogicalOp::Nullish, id("a"), id("b")),
                                id("c"))},
        {"a ? b : c", cond(id("a"), id("b"), id("c"))},
        {"a, b, c", seq({id("a"), id("b"), id("c")})},
        {"x++", update(UpdateOp::Increment, false, id("x"))},
        {"--o.n", update(UpdateOp::Decrement, true, member(id("o"), "n"))},
        {"a[i] ?\?= 1", assign(AssignOp::NullishAssign, index(id("a"), id("i")), num(1))},
        {"x >>>= 2", assign(AssignOp::UShrAssign, id("x"), num(2))},
        {"x ||= y", assign(AssignOp::OrAssign, id("x"), id("y"))},
        {"a?.b.c", member(member(id("a"), "b", true), "c")},
        {"a?.[0]?.(1)", call(index(id("a"), num(0), true), {num(1)}, true)},
        {"a.b?.()", call(member(id("a"), "b"), {}, true)},
        {"(a as any).b!", member(id("a"), "b")},
        {"(x satisfies T)!", id("x")},
        {"f<string>", id("f")},
        {"a!?.b", member(id("a"), "b", true)},
        {"f(1, ...xs)", call(id("f"), {num(1), spread(id("xs"))})},
        {"new C", new_(id("C"), {})},
        {"new C(1)", new_(id("C"), {num(1)})},
        {"[1, , ...b]", array({num(1), std::nullopt, spread(id("b"))})},
        {"x = { a: 1, b, ...c, 'd': 2, 3: 4, [k]: 5, [\"e\"]: 6, [7]: 8 }",
         assign(AssignOp::Assign, id("x"),
                object({init("a", num(1)), prop(PropKind::Shorthand, "b", id("b")),
                        prop(PropKind::Spread, "", id("c")), init("d", num(2)),
                        init("3", num(4)), prop(PropKind::Init, "<computed>", num(5), true),
                        prop(PropKind::Init, "e", num(6), true),
                        prop(PropKind::Init, "7", num(8), true)}))},
        {"x = { 1e21: 1, 1.5: 2, 0.0000001: 3 }",
         assign(AssignOp::Assign, id("x"),
                object({init("1000000000000000000000", num(1)), init("1.5", num(2)),
                        init("0.0000001", num(3))}))},
        // A shorthand reads its key without the special names or the sandbox check.
        {"x = { eval, undefined }",
         assign(AssignOp::Assign, id("x"),
                object({prop(PropKind::Shorthand, "eval", id("eval")),
                        prop(PropKind::Shorthand, "undefined", id("undefined"))}))},
        {"async () => { await p }", arrow(0)},
        {"x = class Named extends Base {}",
         assign(AssignOp::Assign, id("x"),
                Expr::Class{"Named", "Base", std::nullopt, {}, {}})},
    };
    for (const auto& c : cases) EXPECT_EQ(last_expr(c.source), c.expected) << c.source;
}

TEST(Lower, ObjectMethodsAndAccessors) {
    Program p = lower("({ get x() { return 1 }, m() {}, async *g() {} }).x");
    const Expr expected = member(object({init("x", func(0)), prop(PropKind::Method, "m", func(1)),
                                         prop(PropKind::Method, "g", func(2))}),
                                 "x");
    EXPECT_EQ(p.body.back().as<Statement::Expr>().expr, expected);
    ASSERT_EQ(p.functions.size(), 3u);
    EXPECT_EQ(p.functions[0].body, List{ret(num(1), sp(13, 21))});
    EXPECT_FALSE(p.functions[1].is_async || p.functions[1].is_generator);
    EXPECT_TRUE(p.functions[2].is_async && p.functions[2].is_generator);
}

TEST(Lower, FunctionTableOrder) {
    Program p = lower("const f = () => () => 1");
    ASSERT_EQ(p.functions.size(), 2u);
    EXPECT_EQ(p.functions[0], fn(std::nullopt, {}, {ret(num(1), sp(16, 23))}, sp(16, 23), true));
    EXPECT_EQ(p.functions[1],
              fn(std::nullopt, {}, {ret(arrow(0), sp(10, 23))}, sp(10, 23), true));
    EXPECT_EQ(p.body, List{var(VarKind::Const, {decl(tid("f"), arrow(1))}, sp(0, 23))});

    Program q = lower("function outer() { function inner() {} return () => 1 }");
    ASSERT_EQ(q.functions.size(), 3u);
    EXPECT_EQ(q.functions[0].name, std::optional<std::string>("inner"));
    EXPECT_EQ(q.functions[1].name, std::nullopt);
    EXPECT_EQ(q.functions[2].name, std::optional<std::string>("outer"));
    EXPECT_EQ(q.body, List{fdecl(2, sp(0, 55))});

    EXPECT_EQ(lower(""), Program{});
}

TEST(Lower, Parameters) {
    struct Case {
        const char* source;
        std::vector<ParamPattern> params;
    };
    const Case cases[] = {
        {"function f(a, b = 2, ...c) {}", {pid("a"), pdefault(pid("b"), num(2)), prest("c")}},
        {"function f({ a, b: c, d = 1, e: g = 2 }) {}",
         {ParamPattern::Object{{field("a"), field("b", "c"), field("d", std::nullopt, num(1)),
                                field("e", "g", num(2))}}}},
        {"function f({ a: { b } }) {}", {ParamPattern::Object{{field("a")}}}},
        {"function f({ a: a, [k]: v, 'q': r }) {}",
         {ParamPattern::Object{{field("a"), field("<computed>", "v"), field("q", "r")}}}},
        {"function f({ a: [x] = [] }) {}",
         {ParamPattern::Object{{field("a", std::nullopt, array({}))}}}},
        {"function f({ a, ...rest }) {}", {ParamPattern::Object{{field("a")}}}},
        {"function f(a, {b, c: d = 1}, [e, , f], ...rest) {}",
         {pid("a"), ParamPattern::Object{{field("b"), field("c", "d", num(1))}},
          ParamPattern::Array{{pid("e"), std::nullopt, pid("f")}}, prest("rest")}},
        {"function f([a = 1, [b], ...r]) {}",
         {ParamPattern::Array{{pdefault(pid("a"), num(1)), ParamPattern::Array{{pid("b")}}}}}},
        {"function f(this: Window, a?: number, b: string = 'x') {}",
         {pid("a"), pdefault(pid("b"), str("x"))}},
        {"class P { constructor(public x: number, private readonly y = 1) {} }", {}},
    };
    for (const auto& c : cases) {
        Program p = lower(c.source);
        if (p.body.empty()) continue;
        if (p.body[0].is<Statement::ClassDecl>()) {
            const auto& ctor = p.body[0].as<Statement::ClassDecl>().constructor;
            ASSERT_TRUE(ctor.has_value());
            EXPECT_EQ((*ctor)->params,
                      (std::vector<ParamPattern>{pid("x"), pdefault(pid("y"), num(1))}));
            continue;
        }
        ASSERT_FALSE(p.functions.empty()) << c.source;
        EXPECT_EQ(p.functions.back().params, c.params) << c.source;
    }
}

TEST(Lower, DeclarationPatterns) {
    struct Case {
        const char* source;
        AssignTarget target;
    };
    const Case cases[] = {
        {"const [a = 1, [b, c]] = xs",
         AssignTarget::Array{{tid("a"), AssignTarget(AssignTarget::Array{{tid("b"), tid("c")}})}}},
        {"const { x, ...rest } = o", AssignTarget::Object{{field("x")}}},
        {"let { a = 5, b: c } = o", AssignTarget::Object{{field("a", std::nullopt, num(5)),
                                                          field("b", "c")}}},
        {"var [, x, , ...r] = xs", AssignTarget::Array{{std::nullopt, tid("x"), std::nullopt}}},
        {"const [{ a }] = xs",
         AssignTarget::Array{{AssignTarget(AssignTarget::Object{{field("a")}})}}},
    };
    for (const auto& c : cases) {
        Program p = lower(c.source);
        ASSERT_EQ(p.body.size(), 1u) << c.source;
        EXPECT_EQ(p.body[0].as<Statement::VarDecl>().declarations[0].target, c.target)
            << c.source;
    }
    EXPECT_EQ(lower("let a, b = 2;").body,
              List{var(VarKind::Let, {decl(tid("a")), decl(tid("b"), num(2))}, sp(0, 13))});
    EXPECT_EQ(lower("declare const x: number;").body,
              List{var(VarKind::Const, {decl(tid("x"))}, sp(0, 24))});
    EXPECT_EQ(lower("var y!: string").body, List{var(VarKind::Var, {decl(tid("y"))}, sp(0, 14))});
}

TEST(Lower, Statements) {
    struct Case {
        const char* source;
        List body;
    };
    const Case cases[] = {
        {"'use strict'", {expr_stmt(str("use strict"), sp(0, 12))}},
        {";", {expr_stmt(undef(), sp(0, 0))}},
        {"1;;", {expr_stmt(num(1), sp(0, 2)), expr_stmt(undef(), sp(0, 0))}},
        {"{ let a = 1; }",
         {block({var(VarKind::Let, {decl(tid("a"), num(1))}, sp(2, 12))}, sp(0, 14))}},
        {"if (x) y(); else { z(); w(); }",
         {if_(id("x"), {expr_stmt(call(id("y"), {}), sp(7, 11))},
              List{expr_stmt(call(id("z"), {}), sp(19, 23)),
                   expr_stmt(call(id("w"), {}), sp(24, 28))},
              sp(0, 30))}},
        {"while (a) { break }", {while_(id("a"), {brk(sp(12, 17))}, sp(0, 19))}},
        {"do x(); while (y)",
         {do_while({expr_stmt(call(id("x"), {}), sp(3, 7))}, id("y"), sp(0, 17))}},
        {"for (;;) {}", {Statement::For{std::nullopt, std::nullopt, std::nullopt, {}, sp(0, 11)}}},
        {"for (i = 0; i < 3; i++) {}",
         {Statement::For{Box<Statement>(expr_stmt(assign(AssignOp::Assign, id("i"), num(0)),
                                                  sp(0, 26))),
                         bin(BinOp::Lt, id("i"), num(3)),
                         update(UpdateOp::Increment, false, id("i")),
                         {},
                         sp(0, 26)}}},
        {"for (let i = 0;;) continue;",
         {Statement::For{Box<Statement>(var(VarKind::Let, {decl(tid("i"), num(0))}, sp(5, 14))),
                         std::nullopt,
                         std::nullopt,
                         {cont(sp(18, 27))},
                         sp(0, 27)}}},
        {"outer: for (const a of xs) { for (const b of ys) { if (b) continue outer; } }",
         {for_of(ForBinding::Ident{"a"}, id("xs"),
                 {for_of(ForBinding::Ident{"b"}, id("ys"),
                         {if_(id("b"), {cont(sp(58, 73))}, std::nullopt, sp(51, 73))},
                         sp(29, 75))},
                 sp(7, 77))}},
        {"for await (const x of xs) {}", {for_of(ForBinding::Ident{"x"}, id("xs"), {}, sp(0, 28))}},
        {"for (const [k, v] of m) {}",
         {for_of(ForBinding::Pattern{ParamPattern::Array{{pid("k"), pid("v")}}}, id("m"), {},
                 sp(0, 26))}},
        {"for (var { a = 1 } of m) {}",
         {for_of(ForBinding::Pattern{ParamPattern::Object{{field("a", std::nullopt, num(1))}}},
                 id("m"), {}, sp(0, 27))}},
        {"try { f() } catch ({ message }) { }",
         {Statement::Try{{expr_stmt(call(id("f"), {}), sp(6, 9))}, std::nullopt, {},
                         std::nullopt, sp(0, 35)}}},
        {"try { f() } finally { g() }",
         {Statement::Try{{expr_stmt(call(id("f"), {}), sp(6, 9))}, std::nullopt, {},
                         List{expr_stmt(call(id("g"), {}), sp(22, 25))}, sp(0, 27)}}},
        {"try {} catch (e) { throw e }",
         {Statement::Try{{}, "e", {throw_(id("e"), sp(19, 26))}, std::nullopt, sp(0, 28)}}},
        {"try {} catch { }", {Statement::Try{{}, std::nullopt, {}, std::nullopt, sp(0, 16)}}},
        {"switch (x) { case 1: y; break; default: z }",
         {Statement::Switch{id("x"),
                            {SwitchCase{num(1), {expr_stmt(id("y"), sp(21, 23)), brk(sp(24, 30))}},
                             SwitchCase{std::nullopt, {expr_stmt(id("z"), sp(40, 41))}}},
                            sp(0, 43)}}},
        {"interface I { a: T }\ntype T = number;",
         {expr_stmt(undef(), sp(0, 20)), expr_stmt(undef(), sp(21, 37))}},
        {"function f() { return }", {fdecl(0, sp(0, 23))}},
        {"declare function f(): void;", {fdecl(0, sp(0, 27))}},
        {"throw 'x'", {throw_(str("x"), sp(0, 9))}},
        // The trailing object: the inserted `;` is an empty statement of its own.
        {"{ a: 1 }", {expr_stmt(undef(), sp(0, 0)), expr_stmt(object({init("a", num(1))}),
                                                             sp(1, 11))}},
    };
    for (const auto& c : cases) EXPECT_EQ(lower(c.source).body, c.body) << c.source;

    // A function without a body has an empty one.
    Program p = lower("declare function f(): void;");
    ASSERT_EQ(p.functions.size(), 1u);
    EXPECT_EQ(p.functions[0], fn("f", {}, {}, sp(0, 27)));
}

TEST(Lower, Classes) {
    Program p = lower(
        "class A { x = 1; static y = 2; constructor(v) { } get z() { return 1 } static m() { } "
        "[k]() {} #p() {} 'q'() {} 1() {} set z(v) {} *gen() { yield 1 } }");
    ASSERT_EQ(p.body.size(), 1u);
    const auto& c = p.body[0].as<Statement::ClassDecl>();
    EXPECT_EQ(c.name, "A");
    EXPECT_EQ(c.super_class, std::nullopt);
    ASSERT_TRUE(c.constructor.has_value());
    EXPECT_EQ((*c.constructor)->name, std::optional<std::string>("constructor"));
    EXPECT_EQ((*c.constructor)->params, std::vector<ParamPattern>{pid("v")});
    std::vector<std::string> names;
    for (const auto& m : c.methods) names.push_back(m.name);
    EXPECT_EQ(names, (std::vector<std::string>{"z", "q", "z", "gen"}));
    ASSERT_EQ(c.static_methods.size(), 1u);
    EXPECT_EQ(c.static_methods[0].name, "m");
    EXPECT_TRUE(c.methods[3].function.is_generator);
    EXPECT_EQ(c.methods[3].function.body,
              List{expr_stmt(yield(num(1)), sp(c.methods[3].function.body[0].span().start,
                                               c.methods[3].function.body[0].span().end))});
    EXPECT_FALSE(c.methods[0].function.is_arrow);
    // Class members are not entries of the function table; functions inside them are.
    EXPECT_TRUE(p.functions.empty());
    Program q = lower("class B extends A { m() { return () => 1 } }");
    EXPECT_EQ(q.functions.size(), 1u);
    EXPECT_EQ(q.body[0].as<Statement::ClassDecl>().super_class,
              std::optional<std::string>("A"));

    // The last constructor definition wins (overload signatures come first).
    Program r = lower("class C { constructor(a: string); constructor(a: any, b?: any) { } }");
    const auto& ctor = r.body[0].as<Statement::ClassDecl>().constructor;
    ASSERT_TRUE(ctor.has_value());
    EXPECT_EQ((*ctor)->params.size(), 2u);

    // Abstract members and declared classes have empty bodies.
    Program s = lower("abstract class D { abstract m(): void; }");
    EXPECT_TRUE(s.body[0].as<Statement::ClassDecl>().methods[0].function.body.empty());

    EXPECT_EQ(last_expr("x = class {}"),
              assign(AssignOp::Assign, id("x"), Expr::Class{}));
}

// The rewrite's fallback: a trailing brace group after an operator parses as written.
TEST(Lower, RewriteFallsBackWhenTheRewrittenTextDoesNotParse) {
    EXPECT_EQ(last_expr("a = b || { c: 1 }"),
              assign(AssignOp::Assign, id("a"),
                     logical(LogicalOp::Or, id("b"), object({init("c", num(1))}))));
    Program p = lower("throw { code: 1 }");
    EXPECT_EQ(p.body, List{throw_(object({init("code", num(1))}), sp(0, 17))});
    EXPECT_TRUE(parse("function f() { return x }").has_value());
}
