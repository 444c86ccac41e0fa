#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ir_builders.h"
#include "parser/ir.h"

using namespace corvane::ir;
using namespace corvane::ir::build;

namespace {

// One expression of every kind, in declared order.
std::vector<Expr> every_expression() {
    Expr::Class cls;
    cls.name = "C";
    cls.super_class = "B";
    cls.constructor = Box<FunctionDef>(fn("constructor", {pid("v")}, {}, sp(10, 20)));
    cls.methods.push_back(ClassMethod{"m", fn("m", {}, {ret(num(1), sp(1, 2))}, sp(3, 4))});
    cls.static_methods.push_back(ClassMethod{"s", fn("s", {}, {}, sp(5, 6))});
    return {
        num(1.5),
        str("text"),
        boolean(true),
        null(),
        undef(),
        templ({"a", "b"}, {id("x")}),
        regexp("ab+c", "gi"),
        id("x"),
        array({num(1), std::nullopt, spread(id("xs"))}),
        object({init("a", num(1)), prop(PropKind::Shorthand, "b", id("b")),
                prop(PropKind::Spread, "", id("o"))}),
        spread(id("xs")),
        bin(BinOp::Add, num(1), num(2)),
        unary(UnaryOp::Not, id("x")),
        update(UpdateOp::Increment, true, id("i")),
        logical(LogicalOp::Nullish, id("a"), id("b")),
        cond(id("t"), num(1), num(2)),
        assign(AssignOp::AddAssign, member(id("o"), "p"), num(1)),
        seq({num(1), num(2)}),
        member(id("a"), "b", true),
        index(id("a"), num(0), true),
        call(id("f"), {num(1), spread(id("r"))}, true),
        new_(id("C"), {num(1)}),
        arrow(3),
        func(4),
        await_(id("p")),
        yield(id("v"), true),
        typeof_(id("x")),
        cls,
    };
}

// One statement of every kind, in declared order.
std::vector<Statement> every_statement() {
    Statement::For for_loop{Box<Statement>(var(VarKind::Let, {decl(tid("i"), num(0))}, sp(5, 14))),
                            bin(BinOp::Lt, id("i"), num(3)),
                            update(UpdateOp::Increment, false, id("i")),
                            {brk(sp(30, 36))},
                            sp(0, 40)};
    Statement::Try try_stmt{{expr_stmt(call(id("f"), {}), sp(6, 9))},
                            "e",
                            {throw_(id("e"), sp(20, 28))},
                            List{expr_stmt(call(id("g"), {}), sp(40, 43))},
                            sp(0, 45)};
    Statement::Switch switch_stmt{id("x"),
                                  {SwitchCase{num(1), {brk(sp(20, 26))}},
                                   SwitchCase{std::nullopt, {cont(sp(36, 45))}}},
                                  sp(0, 50)};
    Statement::ClassDecl class_decl{"A", std::nullopt, std::nullopt, {}, {}, sp(0, 10)};
    class_decl.methods.push_back(ClassMethod{"m", fn("m", {}, {}, sp(10, 16))});
    AssignTarget::Object object_target{{field("a"), field("b", "c", num(1))}};
    AssignTarget::Array array_target{{tid("x"), std::nullopt, AssignTarget(object_target)}};
    ParamPattern::Object object_pattern{{field("k", std::nullopt, str("d"))}};
    return {
        var(VarKind::Const, {decl(tid("a"), num(1)), decl(array_target)}, sp(0, 12)),
        expr_stmt(id("x"), sp(0, 1)),
        ret(std::nullopt, sp(0, 6)),
        if_(id("x"), {expr_stmt(num(1), sp(7, 8))}, List{}, sp(0, 20)),
        while_(id("x"), {}, sp(0, 12)),
        for_of(ForBinding::Pattern{ParamPattern::Array{{pid("k"), ParamPattern(object_pattern)}}},
               id("pairs"), {}, sp(0, 30)),
        for_loop,
        block({var(VarKind::Let, {decl(tid("a"), num(1))}, sp(2, 12))}, sp(0, 14)),
        throw_(str("boom"), sp(0, 13)),
        try_stmt,
        brk(sp(0, 6)),
        cont(sp(0, 9)),
        fdecl(7, sp(0, 16)),
        switch_stmt,
        do_while({expr_stmt(id("y"), sp(4, 5))}, id("x"), sp(0, 20)),
        class_decl,
    };
}

}  // namespace

TEST(Ir, AlternativesAreInDeclaredOrder) {
    const auto exprs = every_expression();
    ASSERT_EQ(exprs.size(), std::variant_size_v<Expr::Node>);
    for (size_t i = 0; i < exprs.size(); ++i) EXPECT_EQ(exprs[i].node.index(), i) << exprs[i];

    const auto statements = every_statement();
    ASSERT_EQ(statements.size(), std::variant_size_v<Statement::Node>);
    for (size_t i = 0; i < statements.size(); ++i) {
        EXPECT_EQ(statements[i].node.index(), i) << statements[i];
    }

    EXPECT_EQ(ParamPattern(prest("r")).node.index(), 3u);
    EXPECT_EQ(ParamPattern(pdefault(pid("a"), num(1))).node.index(), 4u);
    EXPECT_EQ(AssignTarget(AssignTarget::Array{}).node.index(), 2u);
    EXPECT_EQ(ForBinding(ForBinding::Pattern{pid("x")}).node.index(), 1u);

    EXPECT_EQ(static_cast<int>(BinOp::InstanceOf), 21);
    EXPECT_EQ(static_cast<int>(BinOp::BitAnd), 14);
    EXPECT_EQ(static_cast<int>(AssignOp::OrAssign), 15);
    EXPECT_EQ(static_cast<int>(AssignOp::UShrAssign), 12);
    EXPECT_EQ(static_cast<int>(UnaryOp::Void), 3);
    EXPECT_EQ(static_cast<int>(LogicalOp::Nullish), 2);
    EXPECT_EQ(static_cast<int>(VarKind::Var), 2);
    EXPECT_EQ(static_cast<int>(PropKind::Spread), 5);
}

// Copies are deep: changing anything inside a copy leaves the original as it was, and
// equality notices the change however deep it is.
TEST(Ir, CopiesAreDeepAndEqualityIsStructural) {
    Program original{every_statement(), {}};
    for (auto& e : every_expression()) original.body.push_back(expr_stmt(e, sp(0, 1)));
    original.functions.push_back(fn("f", {pid("a"), prest("r")}, every_statement(), sp(0, 99)));

    Program copy = original;
    EXPECT_EQ(copy, original);

    // Reach into the class method inside the last expression statement and change it.
    auto& last = std::get<Statement::Expr>(copy.body.back().node);
    auto& cls = last.expr.as<Expr::Class>();
    auto& body = cls.methods[0].function.body;
    std::get<Statement::Return>(body[0].node).value = num(2);
    EXPECT_NE(copy, original);
    const auto& original_cls =
        std::get<Statement::Expr>(original.body.back().node).expr.as<Expr::Class>();
    EXPECT_EQ(std::get<Statement::Return>(original_cls.methods[0].function.body[0].node).value,
              std::optional<Expr>(num(1)));

    // A boxed child: the for-loop initializer.
    Program copy2 = original;
    auto& for_loop = std::get<Statement::For>(copy2.body[6].node);
    std::get<Statement::VarDecl>((*for_loop.init)->node).kind = VarKind::Var;
    EXPECT_NE(copy2, original);

    // Copy assignment over an existing tree.
    copy2 = original;
    EXPECT_EQ(copy2, original);
}

TEST(Ir, NumberEqualityIsIdentityOfTheDouble) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(num(nan), num(nan));
    EXPECT_EQ(num(std::numeric_limits<double>::infinity()),
              num(std::numeric_limits<double>::infinity()));
    EXPECT_NE(num(0.0), num(-0.0));
    EXPECT_NE(num(1), num(nan));
    EXPECT_EQ(num(0.1 + 0.2), num(0.1 + 0.2));
}

TEST(Ir, StatementSpan) {
    for (const auto& s : every_statement()) {
        std::visit([&](const auto& alt) { EXPECT_EQ(s.span(), alt.span); }, s.node);
    }
    EXPECT_EQ(fdecl(1, sp(4, 9)).span(), sp(4, 9));
}

TEST(Ir, DebugStringIsReadable) {
    struct Case {
        Expr expr;
        const char* text;
    };
    const Case cases[] = {
        {bin(BinOp::Mul, str("3"), num(1)), R"(Binary(Mul, String "3", Number 1))"},
        {member(member(id("a"), "b", true), "c"),
         R"(Member(Member(Ident "a", "b", optional: true), "c", optional: false))"},
        {templ({"a\tb", ""}, {num(1)}), R"(Template(quasis: ["a\tb", ""], exprs: [Number 1]))"},
        {array({num(1), std::nullopt}), "Array[Number 1, none]"},
        {object({prop(PropKind::Init, "<computed>", num(1), true)}),
         R"(Object{Init computed "<computed>": Number 1})"},
        {yield(std::nullopt), "Yield(none)"},
        {num(std::nan("")), "Number NaN"},
    };
    for (const auto& c : cases) EXPECT_EQ(debug_string(c.expr), c.text);

    EXPECT_EQ(debug_string(if_(id("x"), {expr_stmt(num(1), sp(7, 9))}, std::nullopt, sp(0, 9))),
              "If(Ident \"x\", then: [\n  Expr(Number 1) @7..9\n], else: none) @0..9");
    EXPECT_EQ(debug_string(Program{}), "Program(body: [], functions: [])");
    EXPECT_EQ(debug_string(ParamPattern(ParamPattern::Object{{field("c", "d", num(1))}})),
              R"(Object[{"c", alias: "d", default: Number 1}])");

    // Every kind prints without trouble.
    for (const auto& s : every_statement()) EXPECT_FALSE(debug_string(s).empty());
}

// Trees as deep as the parser allows copy, compare and destroy without trouble.
TEST(Ir, DeepTrees) {
    Expr e = num(0);
    for (int i = 0; i < 2000; ++i) e = bin(BinOp::Add, std::move(e), num(i));
    Expr copy = e;
    EXPECT_EQ(copy, e);
    List body;
    for (int i = 0; i < 500; ++i) body = List{block(std::move(body), sp(0, 1))};
    Statement outer = block(body, sp(0, 2));
    Statement outer_copy = outer;
    EXPECT_EQ(outer, outer_copy);
}
