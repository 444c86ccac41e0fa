// Compiled functions (slots, parameter prologue, flags) and classes (member order, table
// indices, MakeClass payload).
#include "compiler_test_support.h"

namespace corvane::compiler_test {
namespace {

using ins::Dup;
using ins::JumpIfFalse;
using ins::Pop;

CompiledFunction compile_one(FunctionDef f) {
    auto out = compile_ok(program({}, {std::move(f)}));
    return out.functions.empty() ? CompiledFunction{} : out.functions[0];
}

TEST(CompilerFunctions, PlainParametersAreTheFirstSlots) {
    auto f = compile_one(function("f", {pid("a"), pid("b")}, {ret_(add(id("a"), id("b")))}));
    EXPECT_EQ(f.name->str(), "f");
    EXPECT_EQ(names(f.local_names), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(f.local_count, 2u);
    EXPECT_EQ(f.params.count(), 2u);
    EXPECT_FALSE(f.params.has_rest());
    ASSERT_NE(f.params.patterns(), nullptr);
    EXPECT_EQ(*f.params.patterns(), (std::vector<ir::ParamPattern>{pid("a"), pid("b")}));
    EXPECT_CODE(f.instructions, LL(0), LL(1), ins::Add{}, ins::Return{}, U(), ins::Return{});
}

TEST(CompilerFunctions, DefaultValueIsAppliedByAPrologue) {
    // function f(x = 10) { return x; }
    auto f = compile_one(function("f", {pdefault(pid("x"), num(10))}, {ret_(id("x"))}));
    EXPECT_EQ(names(f.local_names), std::vector<std::string>{"x"});
    EXPECT_CODE(f.instructions, LL(0), Dup{}, U(), ins::StrictEq{}, JumpIfFalse{7}, Pop{}, I(10),
                /*7*/ SL(0), LL(0), ins::Return{}, U(), ins::Return{});
}

TEST(CompilerFunctions, PatternParametersGetHiddenSlotsAndAPrologue) {
    // function f({ a, b: c }, [d, e], ...r) { }
    ir::ParamPattern::Object object;
    object.fields.push_back(field("a"));
    object.fields.push_back(field("b", "c"));
    ir::ParamPattern::Array array;
    array.elements.emplace_back(pid("d"));
    array.elements.emplace_back(pid("e"));
    auto f = compile_one(function("f", {object, array, prest("r")}, {}));
    EXPECT_EQ(names(f.local_names),
              (std::vector<std::string>{"%arg0", "%arg1", "r", "a", "c", "d", "e"}));
    EXPECT_EQ(f.params.count(), 3u);
    EXPECT_TRUE(f.params.has_rest());
    EXPECT_CODE(f.instructions, LL(0), Dup{}, GP("a"), SL(3), Dup{}, GP("b"), SL(4), Pop{},
                LL(1), Dup{}, I(0), ins::GetIndex{}, SL(5), Dup{}, I(1), ins::GetIndex{}, SL(6),
                Pop{}, U(), ins::Return{});
}

TEST(CompilerFunctions, DefaultOfAPatternAndRepeatedNames) {
    // function f({ a } = o, a) { }: the later `a` wins, through the prologue.
    ir::ParamPattern::Object object;
    object.fields.push_back(field("a"));
    auto f = compile_one(function("f", {pdefault(object, id("o")), pid("a")}, {}));
    EXPECT_EQ(names(f.local_names), (std::vector<std::string>{"%arg0", "a"}));
    EXPECT_CODE(f.instructions, LL(0), Dup{}, U(), ins::StrictEq{}, JumpIfFalse{7}, Pop{}, LG("o"),
                /*7*/ Dup{}, GP("a"), SL(1), Pop{}, U(), ins::Return{});

    // function f(a, a) { }: slot 1 is hidden and copied into `a`.
    auto g = compile_one(function("g", {pid("a"), pid("a")}, {}));
    EXPECT_EQ(names(g.local_names), (std::vector<std::string>{"a", "%arg1"}));
    EXPECT_CODE(g.instructions, LL(1), SL(0), U(), ins::Return{});
}

TEST(CompilerFunctions, FlagsAndNames) {
    auto arrow_def = fn(std::nullopt, {}, {ret_(num(1))}, s0, true, true, false);
    auto f = compile_one(arrow_def);
    EXPECT_FALSE(f.name.has_value());
    EXPECT_TRUE(f.is_async);
    EXPECT_FALSE(f.is_generator);
    auto gen = compile_one(fn("g", {}, {es(yield(num(1)))}, s0, false, false, true));
    EXPECT_TRUE(gen.is_generator);
    EXPECT_FALSE(gen.is_async);
}

TEST(CompilerFunctions, EnclosingLocalsAreGlobalsInsideAFunction) {
    // let v = 1; function f() { return v; }
    auto out = compile_ok(program({let("v", num(1)), fdecl(0, s0)},
                                  {function("f", {}, {ret_(id("v"))})}));
    EXPECT_CODE(out.functions[0].instructions, LG("v"), ins::Return{}, U(), ins::Return{});
}

TEST(CompilerClasses, MembersInOrderStaticsMethodsConstructor) {
    // class A extends B { constructor() { super(); } m() { } static s() { } }
    auto ctor = function("constructor", {}, {es(call(id("super"), {}))});
    auto out = compile_ok(program({class_s("A", "B", ctor, {method("m")}, {method("s")})}));
    EXPECT_CODE(out.instructions, LG("B"), S("s"), ins::MakeClosure{0}, S("m"), ins::MakeClosure{1},
                ins::MakeClosure{2}, ins::MakeClass{Str("A"), 1, 1, true}, Dup{}, SL(0), SG("A"));
    ASSERT_EQ(out.functions.size(), 3u);
    EXPECT_CODE(out.functions[2].instructions, ins::SuperCall{0}, Pop{}, U(), ins::Return{});
}

TEST(CompilerClasses, LocalSuperclassIsLoadedFromItsSlot) {
    auto out = compile_ok(program({class_s("B", std::nullopt, std::nullopt, {}, {}),
                                   class_s("A", "B", function("constructor", {}, {}), {}, {})}));
    EXPECT_CODE(out.instructions, U(), ins::MakeClass{Str("B"), 0, 0, false}, Dup{}, SL(0),
                SG("B"), LL(0), ins::MakeClosure{0}, ins::MakeClass{Str("A"), 0, 0, true}, Dup{},
                SL(1), SG("A"));
}

TEST(CompilerClasses, DerivedClassWithoutConstructorPassesItsArgumentsOn) {
    auto out = compile_ok(program({class_s("A", "B", std::nullopt, {}, {})}));
    EXPECT_CODE(out.instructions, LG("B"), ins::MakeClosure{0}, ins::MakeClass{Str("A"), 0, 0, true},
                Dup{}, SL(0), SG("A"));
    ASSERT_EQ(out.functions.size(), 1u);
    const auto& ctor = out.functions[0];
    EXPECT_EQ(ctor.params.count(), 1u);
    EXPECT_TRUE(ctor.params.has_rest());
    EXPECT_CODE(ctor.instructions, LL(0), ins::Spread{}, ins::SuperCall{1}, Pop{}, U(),
                ins::Return{});
}

TEST(CompilerClasses, ClassExpressionWithoutNameIsAnonymousClass) {
    Expr::Class k;
    k.methods.push_back(method("m"));
    auto out = compile_ok(program({es(Expr(k))}));
    EXPECT_CODE(out.instructions, S("m"), ins::MakeClosure{0}, U(),
                ins::MakeClass{Str("AnonymousClass"), 1, 0, false});
}

TEST(CompilerClasses, ConsecutiveClassesGetConsecutiveIndices) {
    auto out = compile_ok(program(
        {class_s("A", std::nullopt, function("constructor", {}, {}), {method("a1"), method("a2")},
                 {method("as")}),
         class_s("B", std::nullopt, function("constructor", {}, {}), {method("b1")}, {})},
        {function("f", {}, {})}));
    std::vector<std::string> table;
    for (const auto& f : out.functions) table.push_back(f.name ? f.name->str() : "-");
    EXPECT_EQ(table, (std::vector<std::string>{"f", "as", "a1", "a2", "constructor", "b1",
                                               "constructor"}));
}

TEST(CompilerClasses, MethodBodiesUseThisAndSeeOnlyTheirOwnLocals) {
    // function outer() { let k = 1; class C { m() { return this.x + k; } } }
    auto m = ir::ClassMethod{"m", function("m", {}, {ret_(add(member(id("this"), "x"), id("k")))})};
    auto outer = function("outer", {}, {let("k", num(1)), class_s("C", std::nullopt, std::nullopt,
                                                                  {m}, {})});
    auto out = compile_ok(program({}, {outer}));
    ASSERT_EQ(out.functions.size(), 2u);
    EXPECT_CODE(out.functions[1].instructions, ins::LoadThis{}, GP("x"), LG("k"), ins::Add{},
                ins::Return{}, U(), ins::Return{});
}

}  // namespace
}  // namespace corvane::compiler_test
