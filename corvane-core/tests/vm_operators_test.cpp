// GCC 12 reports a false "may be used uninitialized" for moves of the machine's outcome
// variant when the sanitizers are enabled; it must be silenced before <vector> is read.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <cmath>
#include <limits>

#include "vm/operators.h"
#include "vm_test_util.h"

using namespace corvane;
using namespace corvane::test;

namespace {
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

std::string shown(const Value& v) {
    return std::string(v.is_int() ? "Int " : v.is_float() ? "Float " : "") + to_js_string(v);
}
}  // namespace

TEST(VmOperators, BinaryTable) {
    struct Case {
        Op op;
        Value a, b;
        std::string expected;
    };
    const Case cases[] = {
        {Op::Add, I(kMax), I(1), "Float 9223372036854776000"},
        {Op::Add, Value::number(1.5), I(1), "Float 2.5"},
        {Op::Add, I(2), I(3), "Int 5"},
        {Op::Add, Value::number(2), Value::number(3), "Float 5"},
        {Op::Add, str("a"), I(1), "a1"},
        {Op::Add, I(1), str("a"), "1a"},
        {Op::Add, Value::null(), str("x"), "nullx"},
        {Op::Add, Value::boolean(true), I(1), "Float 2"},
        {Op::Add, arr({I(1), I(2)}), str(""), "1,2"},
        {Op::Sub, I(kMin), I(1), "Float -9223372036854776000"},
        {Op::Mul, I(kMin), I(-1), "Float 9223372036854776000"},
        {Op::Mul, I(6), I(7), "Int 42"},
        {Op::Div, I(7), I(2), "Float 3.5"},
        {Op::Div, I(1), I(0), "Float Infinity"},
        {Op::Div, I(kMin), I(-1), "Float 9223372036854776000"},
        {Op::Mod, I(-7), I(2), "Int -1"},
        {Op::Mod, I(7), I(0), "Float NaN"},
        {Op::Mod, I(kMin), I(-1), "Int 0"},
        {Op::Pow, I(2), I(10), "Float 1024"},
        {Op::UShr, I(-1), I(0), "Int 0"},
        {Op::Shl, I(1), I(33), "Int 2"},
        {Op::Shl, I(1), I(31), "Int -2147483648"},
        {Op::BitOr, I(2147483648), I(0), "Int 2147483647"},
        {Op::BitOr, I(4294967296), I(0), "Int 2147483647"},
        {Op::Shr, I(-8), I(1), "Int -4"},
        {Op::BitAnd, Value::number(NAN), I(1), "Int 0"},
        {Op::Eq, I(1), str("1"), "false"},
        {Op::Eq, Value::null(), Value(), "false"},
        {Op::StrictEq, Value::number(NAN), Value::number(NAN), "false"},
        {Op::StrictNotEq, I(1), Value::number(1.0), "false"},
        {Op::Gt, str("b"), str("a"), "false"},
        {Op::Gt, str("10"), str("9"), "true"},
        {Op::Lt, I(1), Value::number(NAN), "false"},
    };
    for (const Case& c : cases) {
        auto r = binary_op(c.op, c.a, c.b);
        ASSERT_TRUE(r) << op_name(c.op);
        EXPECT_EQ(shown(*r), c.expected) << op_name(c.op) << " " << to_js_string(c.a) << " " << to_js_string(c.b);
    }
}

TEST(VmOperators, UnaryTable) {
    struct Case {
        Op op;
        Value a;
        std::string expected;
    };
    const Case cases[] = {
        {Op::Neg, I(kMin), "Int -9223372036854775808"},
        {Op::Neg, I(5), "Int -5"},
        {Op::Neg, str("2"), "Float -2"},
        {Op::Increment, I(kMax), "Int -9223372036854775808"},
        {Op::Decrement, I(kMin), "Int 9223372036854775807"},
        {Op::Increment, Value::number(1.5), "Float 2.5"},
        {Op::BitNot, Value::number(NAN), "Int -1"},
        {Op::BitNot, I(0), "Int -1"},
        {Op::Not, str(""), "true"},
        {Op::TypeOf, arr({}), "object"},
        {Op::Void, I(1), "undefined"},
    };
    for (const Case& c : cases) EXPECT_EQ(shown(unary_op(c.op, c.a)), c.expected) << op_name(c.op);
}

TEST(VmOperators, StringLengthLimitForAddAndConcat) {
    Value big = Value::string(std::string(6'000'000, 'x'));
    EXPECT_EQ(binary_op(Op::Add, big, big).error().display(), "allocation limit exceeded");
    const Value parts[] = {big, I(1), big};
    EXPECT_EQ(concat_values(parts).error().display(), "allocation limit exceeded");
    const Value ok[] = {str("a"), I(1), Value::null(), arr({I(1), I(2)})};
    EXPECT_EQ(to_js_string(*concat_values(ok)), "a1null1,2");
}

TEST(VmOperators, ThroughTheMachine) {
    // 1 + 2, the kind of a Float constant kept, jumps and a jump to the end of the code.
    EXPECT_EQ(shown(run({C(1), C(2), ins::Add{}}).value()), "Int 3");
    EXPECT_EQ(shown(run({F(2.0)}).value()), "Float 2");
    EXPECT_TRUE(run({}).value().is_undefined());
    EXPECT_EQ(run({B(false), ins::JumpIfFalse{4}, C(1), ins::Jump{5}, C(2)}).text(), "2");
    EXPECT_EQ(run({C(7), ins::Jump{3}, C(8)}).text(), "7");
    EXPECT_EQ(run({ins::Pop{}}).error(), "runtime error: stack underflow");
    EXPECT_EQ(run({U(), ins::JumpIfNullish{3}, C(1), ins::Pop{}, C(9)}).text(), "9");
    // Reserved alternatives do nothing.
    EXPECT_EQ(run({C(4), ins::Reserved48{}, ins::Reserved49{}, ins::Reserved50{}, ins::Reserved69{3},
                   ins::Reserved72{}, ins::Spread{}, ins::Pop{}, C(5)})
                  .text(),
              "5");
    EXPECT_EQ(run({S("a"), C(1), U(), ins::Concat{3}}).text(), "a1undefined");
    EXPECT_EQ(run({C(1), ins::Yield{}}).error(),
              "runtime error: yield can only be used inside a generator function");
}

TEST(VmVariables, LocalsAndGlobals) {
    Program s;
    s.local_names = {"x"};
    // Store beyond the locals extends them; reading a missing slot is undefined.
    EXPECT_EQ(run({C(3), ins::StoreLocal{4}, ins::LoadLocal{4}, ins::LoadLocal{9}, ins::Concat{2}}, s).text(),
              "3undefined");
    auto m = run({ins::LoadGlobal{"nope"}, ins::TypeOf{}, ins::StoreGlobal{"t"}, C(1), ins::StoreGlobal{"t2"},
                  ins::LoadGlobal{"t"}});
    EXPECT_EQ(m.text(), "undefined");
    EXPECT_EQ(m.global("t2").as_int(), 1);
}
