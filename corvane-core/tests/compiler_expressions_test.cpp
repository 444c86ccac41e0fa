// Instruction shapes of expressions and assignment targets.
#include "compiler_test_support.h"

namespace corvane::compiler_test {
namespace {

using ins::Dup;
using ins::Jump;
using ins::JumpIfFalse;
using ins::JumpIfNullish;
using ins::JumpIfTrue;
using ins::Pop;

// The code of a one-expression program.
Code expr_code(Expr e) { return compile_ok(program({es(std::move(e))})).instructions; }

// The code of a function whose parameters are `params` and whose body is `e;`.
Code in_function(std::vector<std::string> params, Expr e) {
    std::vector<ir::ParamPattern> patterns;
    for (auto& p : params) patterns.push_back(pid(p));
    auto out = compile_ok(program({}, {function("f", patterns, {es(std::move(e))})}));
    auto code = out.functions[0].instructions;
    code.resize(code.size() - 3);  // the statement's Pop and the implicit return
    return code;
}

TEST(CompilerExpressions, BinaryOperatorsMapOneToOne) {
    struct Case {
        BinOp op;
        Instruction instruction;
    };
    const Case cases[] = {
        {BinOp::Add, ins::Add{}},       {BinOp::Sub, ins::Sub{}},
        {BinOp::Mul, ins::Mul{}},       {BinOp::Div, ins::Div{}},
        {BinOp::Mod, ins::Mod{}},       {BinOp::Exp, ins::Pow{}},
        {BinOp::Eq, ins::Eq{}},         {BinOp::NotEq, ins::NotEq{}},
        {BinOp::StrictEq, ins::StrictEq{}}, {BinOp::StrictNotEq, ins::StrictNotEq{}},
        {BinOp::Lt, ins::Lt{}},         {BinOp::LtEq, ins::LtEq{}},
        {BinOp::Gt, ins::Gt{}},         {BinOp::GtEq, ins::GtEq{}},
        {BinOp::BitAnd, ins::BitAnd{}}, {BinOp::BitOr, ins::BitOr{}},
        {BinOp::BitXor, ins::BitXor{}}, {BinOp::Shl, ins::Shl{}},
        {BinOp::Shr, ins::Shr{}},       {BinOp::UShr, ins::UShr{}},
        {BinOp::In, ins::In{}},         {BinOp::InstanceOf, ins::InstanceOf{}},
    };
    for (const auto& c : cases) {
        EXPECT_CODE(expr_code(bin(c.op, num(2), num(10))), I(2), I(10), c.instruction);
    }
}

TEST(CompilerExpressions, UnaryTypeofAwaitAndLiterals) {
    EXPECT_CODE(expr_code(unary(ir::UnaryOp::Neg, id("x"))), LG("x"), ins::Neg{});
    EXPECT_CODE(expr_code(unary(ir::UnaryOp::Not, id("x"))), LG("x"), ins::Not{});
    EXPECT_CODE(expr_code(unary(ir::UnaryOp::BitNot, id("x"))), LG("x"), ins::BitNot{});
    EXPECT_CODE(expr_code(unary(ir::UnaryOp::Void, num(0))), I(0), ins::Void{});
    EXPECT_CODE(expr_code(typeof_(id("x"))), LG("x"), ins::TypeOf{});
    EXPECT_CODE(expr_code(await_(id("p"))), LG("p"), ins::Await{});
    EXPECT_CODE(expr_code(regexp("a", "g")), U());
    EXPECT_CODE(expr_code(str("s")), S("s"));
    EXPECT_CODE(expr_code(boolean(true)), B(true));
    EXPECT_CODE(expr_code(null()), N());
    EXPECT_CODE(expr_code(undef()), U());
    EXPECT_CODE(expr_code(num(0.5)), F(0.5));
    EXPECT_CODE(expr_code(seq({num(1), num(2), num(3)})), I(1), Pop{}, I(2), Pop{}, I(3));
    EXPECT_CODE(expr_code(cond(id("t"), num(1), num(2))), LG("t"), JumpIfFalse{4}, I(1), Jump{5},
                I(2));
    EXPECT_CODE(expr_code(new_(id("C"), {num(1)})), LG("C"), I(1), ins::New{1});
    EXPECT_CODE(expr_code(arrow(0)), ins::MakeClosure{0});
}

TEST(CompilerExpressions, Templates) {
    EXPECT_CODE(expr_code(templ({"", ""}, {id("n")})), LG("n"), ins::Concat{1});
    EXPECT_CODE(expr_code(templ({"a", "b"}, {id("n")})), S("a"), LG("n"), S("b"), ins::Concat{3});
    EXPECT_CODE(expr_code(templ({""}, {})), S(""));
    EXPECT_CODE(expr_code(templ({"only"}, {})), S("only"));
    EXPECT_CODE(expr_code(templ({"", "", ""}, {id("a"), id("b")})), LG("a"), LG("b"),
                ins::Concat{2});
}

TEST(CompilerExpressions, LogicalOperators) {
    EXPECT_CODE(expr_code(logical(LogicalOp::And, id("a"), id("b"))), LG("a"), Dup{},
                JumpIfFalse{5}, Pop{}, LG("b"));
    EXPECT_CODE(expr_code(logical(LogicalOp::Or, id("a"), id("b"))), LG("a"), Dup{},
                JumpIfTrue{5}, Pop{}, LG("b"));
    EXPECT_CODE(expr_code(logical(LogicalOp::Nullish, id("a"), id("b"))), LG("a"),
                JumpIfNullish{3}, Jump{5}, Pop{}, LG("b"));
}

TEST(CompilerExpressions, OptionalLinksShortCircuitTheirWholeChain) {
    // a?.b
    EXPECT_CODE(expr_code(member(id("a"), "b", true)), LG("a"), JumpIfNullish{4}, GP("b"),
                Jump{6}, Pop{}, U());
    // a?.[k]
    EXPECT_CODE(expr_code(index(id("a"), id("k"), true)), LG("a"), JumpIfNullish{5}, LG("k"),
                ins::GetIndex{}, Jump{7}, Pop{}, U());
    // a?.b.c: the later link is skipped too.
    EXPECT_CODE(expr_code(member(member(id("a"), "b", true), "c")), LG("a"), JumpIfNullish{5},
                GP("b"), GP("c"), Jump{7}, Pop{}, U());
    // a?.m(x)
    EXPECT_CODE(expr_code(call(member(id("a"), "m", true), {id("x")})), LG("a"),
                JumpIfNullish{6}, GP("m"), LG("x"), ins::Call{1}, Jump{8}, Pop{}, U());
    // f?.(x)
    EXPECT_CODE(expr_code(call(id("f"), {id("x")}, true)), LG("f"), JumpIfNullish{5}, LG("x"),
                ins::Call{1}, Jump{7}, Pop{}, U());
    // A chain without optional links has no jumps: o.m(1)
    EXPECT_CODE(expr_code(call(member(id("o"), "m"), {num(1)})), LG("o"), GP("m"), I(1),
                ins::Call{1});
    // A chain inside an argument is a chain of its own: f(a?.b)
    EXPECT_CODE(expr_code(call(id("f"), {member(id("a"), "b", true)})), LG("f"), LG("a"),
                JumpIfNullish{5}, GP("b"), Jump{7}, Pop{}, U(), ins::Call{1});
}

TEST(CompilerExpressions, SpreadEntriesCountAsOneEntry) {
    EXPECT_CODE(expr_code(array({spread(id("xs")), num(1), std::nullopt})), LG("xs"),
                ins::Spread{}, I(1), U(), ins::MakeArray{3});
    EXPECT_CODE(expr_code(call(id("f"), {spread(id("xs")), num(1)})), LG("f"), LG("xs"),
                ins::Spread{}, I(1), ins::Call{2});
    EXPECT_CODE(expr_code(new_(id("C"), {spread(id("xs"))})), LG("C"), LG("xs"), ins::Spread{},
                ins::New{1});
    // An object spread entry pushes its operand and no key.
    EXPECT_CODE(expr_code(object({init("a", num(1)), prop(ir::PropKind::Spread, "", id("o")),
                                  prop(ir::PropKind::Shorthand, "b", id("b")),
                                  prop(ir::PropKind::Init, "<computed>", num(2), true)})),
                S("a"), I(1), LG("o"), ins::Spread{}, S("b"), LG("b"), S("<computed>"), I(2),
                ins::MakeObject{4});
    EXPECT_CODE(expr_code(call(id("super"), {spread(id("xs"))})), LG("xs"), ins::Spread{},
                ins::SuperCall{1});
}

TEST(CompilerExpressions, YieldAndDelegation) {
    EXPECT_CODE(expr_code(yield(num(1))), I(1), ins::Yield{});
    EXPECT_CODE(expr_code(yield(std::nullopt)), U(), ins::Yield{});
    // yield* hands on each value of its operand.
    EXPECT_CODE(expr_code(yield(id("g"), true)), LG("g"), ins::GetIterator{},
                /*2*/ ins::IteratorNext{}, ins::IteratorDone{}, JumpIfTrue{8}, ins::Yield{}, Pop{},
                Jump{2},
                /*8*/ Pop{}, U());
}

TEST(CompilerExpressions, UpdateExpressions) {
    EXPECT_CODE(in_function({"x"}, update(UpdateOp::Increment, false, id("x"))), LL(0), Dup{},
                ins::Increment{}, SL(0));
    EXPECT_CODE(in_function({"x"}, update(UpdateOp::Decrement, true, id("x"))), LL(0),
                ins::Decrement{}, Dup{}, SL(0));
    EXPECT_CODE(expr_code(update(UpdateOp::Increment, false, member(id("o"), "n"))), LG("o"),
                GP("n"), Dup{}, ins::Increment{}, LG("o"), SP("n"), SG("o"));
}

TEST(CompilerExpressions, AssignmentsWriteBackThroughTheAccessPath) {
    // o.a.b = 1 with o a local
    EXPECT_CODE(in_function({"o"}, set(member(member(id("o"), "a"), "b"), num(1))), I(1), Dup{},
                LL(0), GP("a"), SP("b"), LL(0), SP("a"), SL(0));
    // arr[i] += 2
    EXPECT_CODE(in_function({"arr", "i"},
                            assign(AssignOp::AddAssign, index(id("arr"), id("i")), num(2))),
                LL(0), LL(1), ins::GetIndex{}, I(2), ins::Add{}, Dup{}, LL(0), LL(1),
                ins::SetIndex{}, SL(0));
    // this.x = 1
    EXPECT_CODE(expr_code(set(member(id("this"), "x"), num(1))), I(1), Dup{}, ins::LoadThis{},
                SP("x"), ins::StoreThis{});
    // undeclared = 3 inside a function stores the global.
    EXPECT_CODE(in_function({}, set(id("undeclared"), num(3))), I(3), Dup{}, SG("undeclared"));
}

TEST(CompilerExpressions, CompoundOperatorsMapToTheirBinaryInstruction) {
    struct Case {
        AssignOp op;
        Instruction instruction;
    };
    const Case cases[] = {
        {AssignOp::AddAssign, ins::Add{}},       {AssignOp::SubAssign, ins::Sub{}},
        {AssignOp::MulAssign, ins::Mul{}},       {AssignOp::DivAssign, ins::Div{}},
        {AssignOp::ModAssign, ins::Mod{}},       {AssignOp::ExpAssign, ins::Pow{}},
        {AssignOp::BitAndAssign, ins::BitAnd{}}, {AssignOp::BitOrAssign, ins::BitOr{}},
        {AssignOp::BitXorAssign, ins::BitXor{}}, {AssignOp::ShlAssign, ins::Shl{}},
        {AssignOp::ShrAssign, ins::Shr{}},       {AssignOp::UShrAssign, ins::UShr{}},
    };
    for (const auto& c : cases) {
        EXPECT_CODE(expr_code(assign(c.op, id("x"), num(2))), LG("x"), I(2), c.instruction, Dup{},
                    SG("x"));
    }
}

TEST(CompilerExpressions, LogicalAssignmentsStoreOnlyWhenTheRightSideRuns) {
    EXPECT_CODE(expr_code(assign(AssignOp::OrAssign, id("x"), num(5))), LG("x"), Dup{},
                JumpIfTrue{7}, Pop{}, I(5), Dup{}, SG("x"));
    EXPECT_CODE(expr_code(assign(AssignOp::AndAssign, id("x"), num(5))), LG("x"), Dup{},
                JumpIfFalse{7}, Pop{}, I(5), Dup{}, SG("x"));
    EXPECT_CODE(expr_code(assign(AssignOp::NullishAssign, id("x"), num(5))), LG("x"),
                JumpIfNullish{3}, Jump{7}, Pop{}, I(5), Dup{}, SG("x"));
}

TEST(CompilerExpressions, ImpureKeysOfAWrittenBackPathAreEvaluatedOnce) {
    // g[f()][j] = v: the inner key is read for the read of g[f()] and again to store it.
    auto code = in_function({"g", "j", "v"},
                            set(index(index(id("g"), call(id("f"), {})), id("j")), id("v")));
    EXPECT_CODE(code, LL(2), Dup{}, LL(0), LG("f"), ins::Call{0}, Dup{}, SL(3), ins::GetIndex{},
                LL(1), ins::SetIndex{}, LL(0), LL(3), ins::SetIndex{}, SL(0));
    // a[f()] += 1: the key is read once for the read and reused for the write.
    auto compound = in_function({"a"}, assign(AssignOp::AddAssign, index(id("a"), call(id("f"), {})),
                                              num(1)));
    EXPECT_CODE(compound, LL(0), LG("f"), ins::Call{0}, Dup{}, SL(1), ins::GetIndex{}, I(1),
                ins::Add{}, Dup{}, LL(0), LL(1), ins::SetIndex{}, SL(0));
}

TEST(CompilerExpressions, InvalidAssignmentTargets) {
    const char* expected = "compile error: invalid assignment target";
    EXPECT_EQ(compile_error(program({es(set(member(call(id("f"), {}), "x"), num(1)))})), expected);
    EXPECT_EQ(compile_error(program(
                  {es(set(member(logical(LogicalOp::Or, id("a"), id("b")), "x"), num(1)))})),
              expected);
    EXPECT_EQ(compile_error(program({es(set(index(num(1), num(0)), num(1)))})), expected);
}

}  // namespace
}  // namespace corvane::compiler_test
