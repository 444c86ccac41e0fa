// The compiler's entry point: the result rule of the last statement, slots, name
// resolution, numeric constants, external calls and the function table.
#include <cmath>
#include <limits>

#include "compiler_test_support.h"

namespace corvane::compiler_test {
namespace {

TEST(CompilerProgram, FinalExpressionStatementStaysOnTheStack) {
    auto out = compile_ok(program({es(add(num(1), num(2)))}));
    EXPECT_CODE(out.instructions, I(1), I(2), ins::Add{});
}

TEST(CompilerProgram, FinalLoadOfALocalHasNoPop) {
    auto out = compile_ok(program({let("x", num(1)), es(id("x"))}));
    EXPECT_CODE(out.instructions, I(1), SL(0), LL(0));
    EXPECT_EQ(names(out.local_names), std::vector<std::string>{"x"});
}

TEST(CompilerProgram, FinalDeclarationLeavesNothing) {
    auto out = compile_ok(program({let("x", num(1))}));
    EXPECT_CODE(out.instructions, I(1), SL(0));
}

TEST(CompilerProgram, EmptyStatementAtTheEndMakesTheResultUndefined) {
    // `1;;`: the empty statement is an expression statement of undefined.
    auto out = compile_ok(program({es(num(1)), es(undef())}));
    EXPECT_CODE(out.instructions, I(1), ins::Pop{}, U());
}

TEST(CompilerProgram, EmptyProgram) {
    auto out = compile_ok(program({}));
    EXPECT_TRUE(out.instructions.empty());
    EXPECT_TRUE(out.functions.empty());
    EXPECT_TRUE(out.local_names.empty());
}

TEST(CompilerProgram, BlocksShareOneFlatNamespace) {
    // let a = 1; { let a = 2; } a
    auto out = compile_ok(program({let("a", num(1)), block({let("a", num(2))}, s0), es(id("a"))}));
    EXPECT_CODE(out.instructions, I(1), SL(0), I(2), SL(0), LL(0));
    EXPECT_EQ(names(out.local_names), std::vector<std::string>{"a"});
}

TEST(CompilerProgram, NamesResolveInCompilationOrder) {
    // x; let x = x + 1; this; Math
    auto out = compile_ok(program({es(id("x")), let("x", add(id("x"), num(1))), es(id("this")),
                                   es(id("Math"))}));
    // Before the declaration `x` is a global; its own initializer already sees the local.
    EXPECT_CODE(out.instructions, LG("x"), ins::Pop{}, LL(0), I(1), ins::Add{}, SL(0),
                ins::LoadThis{}, ins::Pop{}, LG("Math"));
}

TEST(CompilerProgram, EmptyNameIsAnOrdinaryLocal) {
    auto out = compile_ok(program({let("", num(1)), let("y", num(2)), es(id(""))}));
    EXPECT_CODE(out.instructions, I(1), SL(0), I(2), SL(1), LL(0));
}

TEST(CompilerProgram, NumericLiteralsBecomeIntWhenIntegralAndInRange) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double literal;
        Constant expected;
    };
    const Case cases[] = {
        {3.0, Constant::integer(3)},
        {-0.0, Constant::integer(0)},
        {0.5, Constant::number(0.5)},
        {1e300, Constant::number(1e300)},
        {-9223372036854775808.0, Constant::integer(std::numeric_limits<int64_t>::min())},
        // 2^63 is outside the Int range: it must not saturate to 2^63 - 1.
        {9223372036854775808.0, Constant::number(9223372036854775808.0)},
        {9007199254740993.0, Constant::integer(9007199254740992)},
        {nan, Constant::number(nan)},
        {inf, Constant::number(inf)},
        {-inf, Constant::number(-inf)},
    };
    for (const auto& c : cases) {
        auto out = compile_ok(program({es(num(c.literal))}));
        ASSERT_EQ(out.instructions.size(), 1u);
        EXPECT_EQ(out.instructions[0], Instruction(ins::PushConst{c.expected}))
            << c.literal << " gave " << debug_string(out.instructions[0]);
    }
}

TEST(CompilerProgram, ExternalCallsCompileToCallExternal) {
    std::unordered_set<std::string> externals{"fetch_data"};
    auto out = compile_ok(program({es(call(id("fetch_data"), {num(1), num(2)}))}), externals);
    EXPECT_CODE(out.instructions, I(1), I(2), ins::CallExternal{Str("fetch_data"), 2});
}

TEST(CompilerProgram, ExternalNameIsNotHiddenByALocal) {
    std::unordered_set<std::string> externals{"fetch"};
    auto out = compile_ok(program({let("fetch", num(1)), es(call(id("fetch"), {}))}), externals);
    EXPECT_CODE(out.instructions, I(1), SL(0), ins::CallExternal{Str("fetch"), 0});
}

TEST(CompilerProgram, ExternalFunctionReadAsAValueIsAGlobal) {
    // const f = fetch; f()
    std::unordered_set<std::string> externals{"fetch"};
    auto out = compile_ok(program({let("f", id("fetch")), es(call(id("f"), {}))}), externals);
    EXPECT_CODE(out.instructions, LG("fetch"), SL(0), LL(0), ins::Call{0});
}

TEST(CompilerProgram, UndeclaredExternalIsAnOrdinaryCall) {
    auto out = compile_ok(program({es(call(id("fetch"), {str("a")}))}));
    EXPECT_CODE(out.instructions, LG("fetch"), S("a"), ins::Call{1});
}

TEST(CompilerProgram, FunctionsKeepTheirIrIndices) {
    // Table: [inner arrow () => 1, outer arrow () => inner]; const f = outer
    auto inner = fn(std::nullopt, {}, {ret_(num(1))}, s0, true);
    auto outer = fn(std::nullopt, {}, {ret_(arrow(0))}, s0, true);
    auto out = compile_ok(program({let("f", arrow(1))}, {inner, outer}));
    ASSERT_EQ(out.functions.size(), 2u);
    EXPECT_CODE(out.functions[0].instructions, I(1), ins::Return{}, U(), ins::Return{});
    EXPECT_CODE(out.functions[1].instructions, ins::MakeClosure{0}, ins::Return{}, U(),
                ins::Return{});
    EXPECT_CODE(out.instructions, ins::MakeClosure{1}, SL(0));
}

TEST(CompilerProgram, ClassMembersFollowTheProgramFunctions) {
    // Two IR functions; the first class compiled anywhere gets indices 2, 3, ...
    // The class stands inside function 1, which is compiled before the top level.
    auto f0 = function("f0", {}, {});
    auto f1 = function("f1", {}, {class_s("K", std::nullopt, function("constructor", {}, {}),
                                          {method("m")}, {})});
    auto out = compile_ok(program({class_s("Top", std::nullopt, std::nullopt, {method("t")}, {})},
                                  {f0, f1}));
    ASSERT_EQ(out.functions.size(), 5u);
    EXPECT_EQ(out.functions[2].name->str(), "m");
    EXPECT_EQ(out.functions[3].name->str(), "constructor");
    EXPECT_EQ(out.functions[4].name->str(), "t");
    EXPECT_CODE(out.functions[1].instructions, S("m"), ins::MakeClosure{2}, ins::MakeClosure{3},
                ins::MakeClass{Str("K"), 1, 0, false}, ins::Dup{}, SL(0), SG("K"), U(),
                ins::Return{});
}

}  // namespace
}  // namespace corvane::compiler_test
