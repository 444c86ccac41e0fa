// Instruction shapes of statements: loops, switch, try, declarations, and what jumps out
// of switch, for-of and try blocks emit before they jump.
#include "compiler_test_support.h"

namespace corvane::compiler_test {
namespace {

using ins::Dup;
using ins::Jump;
using ins::JumpIfFalse;
using ins::JumpIfTrue;
using ins::Pop;

// Compiles `body` as top-level statements followed by `0` (so the last statement is not
// the result expression) and returns the code without that trailing constant.
Code top_code(List body) {
    body.push_back(es(num(0)));
    auto out = compile_ok(program(std::move(body)));
    if (!out.instructions.empty()) out.instructions.pop_back();
    return out.instructions;
}

TEST(CompilerStatements, While) {
    // let i = 0; while (i < 3) { i++; }
    auto code = top_code({let("i", num(0)),
                          while_s(bin(BinOp::Lt, id("i"), num(3)),
                                  {es(update(UpdateOp::Increment, false, id("i")))})});
    EXPECT_CODE(code, I(0), SL(0),
                /*2*/ LL(0), I(3), ins::Lt{}, JumpIfFalse{12},
                /*6*/ LL(0), Dup{}, ins::Increment{}, SL(0), Pop{}, Jump{2});
}

TEST(CompilerStatements, DoWhileContinuesAtTheTest) {
    // do { continue; } while (x)
    auto code = top_code({Statement::DoWhile{{cont(s0)}, id("x"), s0}});
    EXPECT_CODE(code, Jump{1}, LG("x"), JumpIfTrue{0});
}

TEST(CompilerStatements, ForContinuesAtTheUpdateAndBreaksPastTheLoop) {
    // for (let i = 0; i < 2; i++) { if (i) continue; break; }
    auto code = top_code({for_s(let("i", num(0)), bin(BinOp::Lt, id("i"), num(2)),
                                update(UpdateOp::Increment, false, id("i")),
                                {if_(id("i"), {cont(s0)}, std::nullopt, s0), brk(s0)})});
    EXPECT_CODE(code, I(0), SL(0),
                /*2*/ LL(0), I(2), ins::Lt{}, JumpIfFalse{16},
                /*6*/ LL(0), JumpIfFalse{9}, Jump{10},
                /*9*/ Jump{16},
                /*10*/ LL(0), Dup{}, ins::Increment{}, SL(0), Pop{}, Jump{2});
}

TEST(CompilerStatements, ForWithoutClauses) {
    auto code = top_code({for_s(std::nullopt, std::nullopt, std::nullopt, {brk(s0)})});
    EXPECT_CODE(code, Jump{2}, Jump{0});
}

TEST(CompilerStatements, ForOfKeepsItsIteratorStateUntilTheExit) {
    // for (const x of xs) { if (x) break; continue; }
    auto code = top_code({for_of_s("x", id("xs"),
                                   {if_(id("x"), {brk(s0)}, std::nullopt, s0), cont(s0)})});
    EXPECT_CODE(code, LG("xs"), ins::GetIterator{},
                /*2*/ ins::IteratorNext{}, ins::IteratorDone{}, JumpIfTrue{11}, SL(0),
                /*6*/ LL(0), JumpIfFalse{9}, Jump{11},
                /*9*/ Jump{2}, Jump{2},
                /*11*/ Pop{});
}

TEST(CompilerStatements, ForOfWithAPattern) {
    // for (const [k, v] of pairs) {}
    ir::ParamPattern::Array pattern;
    pattern.elements.emplace_back(pid("k"));
    pattern.elements.emplace_back(pid("v"));
    auto code = top_code({for_of(ir::ForBinding::Pattern{pattern}, id("pairs"), {}, s0)});
    EXPECT_CODE(code, LG("pairs"), ins::GetIterator{}, ins::IteratorNext{}, ins::IteratorDone{},
                JumpIfTrue{15}, Dup{}, I(0), ins::GetIndex{}, SL(0), Dup{}, I(1),
                ins::GetIndex{}, SL(1), Pop{}, Jump{2},
                /*15*/ Pop{});
}

TEST(CompilerStatements, SwitchComparesInOrderAndFallsThrough) {
    // switch (x) { case 1: y = 'a'; break; default: y = 'b'; }
    auto code = top_code({switch_s(id("x"), {case_(num(1), {es(set(id("y"), str("a"))), brk(s0)}),
                                             case_(std::nullopt, {es(set(id("y"), str("b")))})})});
    EXPECT_CODE(code, LG("x"), Dup{}, I(1), ins::StrictEq{}, JumpIfTrue{6}, Jump{11},
                /*6*/ S("a"), Dup{}, SG("y"), Pop{}, Jump{15},
                /*11*/ S("b"), Dup{}, SG("y"), Pop{},
                /*15*/ Pop{});
}

TEST(CompilerStatements, SwitchWithoutDefaultJumpsToTheExit) {
    auto code = top_code({switch_s(id("x"), {case_(num(1), {})})});
    EXPECT_CODE(code, LG("x"), Dup{}, I(1), ins::StrictEq{}, JumpIfTrue{6}, Jump{6}, Pop{});
}

TEST(CompilerStatements, ContinueInsideASwitchRemovesTheDiscriminantFirst) {
    // while (c) { switch (x) { case 1: continue; } }
    auto code = top_code(
        {while_s(id("c"), {switch_s(id("x"), {case_(num(1), {cont(s0)})})})});
    EXPECT_CODE(code, LG("c"), JumpIfFalse{12},
                /*2*/ LG("x"), Dup{}, I(1), ins::StrictEq{}, JumpIfTrue{8}, Jump{10},
                /*8*/ Pop{}, Jump{0},
                /*10*/ Pop{}, Jump{0});
}

TEST(CompilerStatements, BreakAndContinueOutOfATryBlockCloseItsRecord) {
    // while (c) { try { if (a) break; continue; } catch (e) { break; } }
    auto code = top_code({while_s(
        id("c"),
        {try_s({if_(id("a"), {brk(s0)}, std::nullopt, s0), cont(s0)}, "e", {brk(s0)}, std::nullopt)})});
    EXPECT_CODE(code, LG("c"), JumpIfFalse{14},
                /*2*/ ins::TryStart{11, std::nullopt},
                /*3*/ LG("a"), JumpIfFalse{7}, ins::TryEnd{}, Jump{14},
                /*7*/ ins::TryEnd{}, Jump{0},
                /*9*/ ins::TryEnd{}, Jump{13},
                // The handler runs after its record is gone: its break closes nothing.
                /*11*/ SL(0), Jump{14},
                /*13*/ Jump{0});
}

TEST(CompilerStatements, TryCatchFinallyLayout) {
    // try { a } catch (e) { b } finally { c }
    auto code = top_code({try_s({es(id("a"))}, "e", {es(id("b"))}, List{es(id("c"))})});
    EXPECT_CODE(code, ins::TryStart{5, std::nullopt}, LG("a"), Pop{}, ins::TryEnd{}, Jump{8},
                /*5*/ SL(0), LG("b"), Pop{},
                /*8*/ LG("c"), Pop{});
}

TEST(CompilerStatements, TryWithoutCatchDiscardsTheErrorText) {
    // try { a } finally { c }
    auto code = top_code({try_s({es(id("a"))}, std::nullopt, {}, List{es(id("c"))})});
    EXPECT_CODE(code, ins::TryStart{5, std::nullopt}, LG("a"), Pop{}, ins::TryEnd{}, Jump{6},
                /*5*/ Pop{},
                /*6*/ LG("c"), Pop{});
}

TEST(CompilerStatements, ReturnLeavingTryBlocksClosesThemAndRunsTheirFinally) {
    // function f() { try { try { return 1 } catch { } } finally { g() } }
    auto inner = try_s({ret_(num(1))}, std::nullopt, {}, std::nullopt);
    auto f = function("f", {}, {try_s({inner}, std::nullopt, {}, List{es(call(id("g"), {}))})});
    auto out = compile_ok(program({}, {f}));
    EXPECT_CODE(out.functions[0].instructions,
                /*0*/ ins::TryStart{14, std::nullopt},
                /*1*/ ins::TryStart{11, std::nullopt}, I(1),
                // The value waits on the stack while both records close and the finally runs.
                /*3*/ ins::TryEnd{}, ins::TryEnd{}, LG("g"), ins::Call{0}, Pop{}, ins::Return{},
                /*9*/ ins::TryEnd{}, Jump{12},
                /*11*/ Pop{},
                /*12*/ ins::TryEnd{}, Jump{15},
                /*14*/ Pop{},
                /*15*/ LG("g"), ins::Call{0}, Pop{}, U(), ins::Return{});
}

TEST(CompilerStatements, JumpsInsideAFinallyReferToTheConstructsAroundIt) {
    // while (c) { try { break } finally { continue } }
    auto code = top_code(
        {while_s(id("c"), {try_s({brk(s0)}, std::nullopt, {}, List{cont(s0)})})});
    EXPECT_CODE(code, LG("c"), JumpIfFalse{11},
                /*2*/ ins::TryStart{8, std::nullopt},
                // break: close the record, run the finally (whose continue jumps back).
                /*3*/ ins::TryEnd{}, Jump{0}, Jump{11},
                /*6*/ ins::TryEnd{}, Jump{9},
                /*8*/ Pop{},
                /*9*/ Jump{0},
                /*10*/ Jump{0});
}

TEST(CompilerStatements, FunctionDeclarationStoresLocalAndGlobal) {
    auto out = compile_ok(program({fdecl(0, s0), es(num(0))}, {function("f", {}, {ret_(num(1))})}));
    EXPECT_CODE(out.instructions, ins::MakeClosure{0}, Dup{}, SL(0), SG("f"), I(0));
    auto anonymous = compile_ok(program({fdecl(0, s0), es(num(0))}, {function(std::nullopt, {}, {})}));
    EXPECT_CODE(anonymous.instructions, ins::MakeClosure{0}, Pop{}, I(0));
}

TEST(CompilerStatements, DeclarationsWithPatterns) {
    // const [x, , z] = xs
    ir::AssignTarget::Array array;
    array.elements.emplace_back(tid("x"));
    array.elements.emplace_back(std::nullopt);
    array.elements.emplace_back(tid("z"));
    EXPECT_CODE(top_code({let_pattern(array, id("xs"))}), LG("xs"), Dup{}, I(0), ins::GetIndex{},
                SL(0), Dup{}, I(2), ins::GetIndex{}, SL(1), Pop{});

    // const { a = 5, b: c } = o
    ir::AssignTarget::Object object;
    object.fields.push_back(field("a", std::nullopt, num(5)));
    object.fields.push_back(field("b", "c"));
    EXPECT_CODE(top_code({let_pattern(object, id("o"))}), LG("o"), Dup{}, GP("a"),
                /*3*/ Dup{}, U(), ins::StrictEq{}, JumpIfFalse{9}, Pop{}, I(5),
                /*9*/ SL(0), Dup{}, GP("b"), SL(1), Pop{});

    // const [p, [q]] = xs: nested patterns bind their names too.
    ir::AssignTarget::Array nested_inner;
    nested_inner.elements.emplace_back(tid("q"));
    ir::AssignTarget::Array nested;
    nested.elements.emplace_back(tid("p"));
    nested.elements.emplace_back(ir::AssignTarget(nested_inner));
    EXPECT_CODE(top_code({let_pattern(nested, id("xs"))}), LG("xs"), Dup{}, I(0), ins::GetIndex{},
                SL(0), Dup{}, I(1), ins::GetIndex{}, Dup{}, I(0), ins::GetIndex{}, SL(1), Pop{},
                Pop{});

    // let x; declares without an initializer.
    EXPECT_CODE(top_code({let("x", std::nullopt)}), U(), SL(0));
}

TEST(CompilerStatements, JumpsWithoutATargetAreRefused) {
    EXPECT_EQ(compile_error(program({brk(s0)})), "compile error: break outside a loop or switch");
    EXPECT_EQ(compile_error(program({cont(s0)})), "compile error: continue outside a loop");
    // A switch is a target for break only.
    EXPECT_EQ(compile_error(program({switch_s(id("x"), {case_(std::nullopt, {cont(s0)})})})),
              "compile error: continue outside a loop");
    auto inside_switch = compile_ok(program({switch_s(id("x"), {case_(std::nullopt, {brk(s0)})})}));
    EXPECT_FALSE(inside_switch.instructions.empty());
}

}  // namespace
}  // namespace corvane::compiler_test
