#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "number_text.h"
#include "value_convert.h"

using namespace corvane;

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
Value arr(std::initializer_list<Value> xs) { return Value::array(Array(xs)); }
}  // namespace

TEST(ToJsString, NumberRule) {
    struct Case {
        double d;
        const char* text;
    };
    const Case cases[] = {
        {0.1 + 0.2, "0.30000000000000004"},
        {2.5, "2.5"},
        {3.0, "3"},
        {100.0, "100"},
        {-0.0, "-0"},
        {0.0, "0"},
        {1e21, "1000000000000000000000"},
        {1e-7, "0.0000001"},
        {-1.5, "-1.5"},
        {kInf, "Infinity"},
        {-kInf, "-Infinity"},
        {kNaN, "NaN"},
        {123456789012345680000.0, "123456789012345680000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(to_js_string(Value::number(c.d)), c.text);
    }
    EXPECT_EQ(to_js_string(Value::number(1e300)), "1" + std::string(300, '0'));
    EXPECT_EQ(to_js_string(Value::number(5e-324)), "0." + std::string(323, '0') + "5");
    EXPECT_EQ(to_js_string(Value::number(1.7976931348623157e308)).size(), 309u);
}

TEST(ToJsString, Alternatives) {
    struct Case {
        Value v;
        const char* text;
    };
    const Case cases[] = {
        {Value(), "undefined"},
        {Value::null(), "null"},
        {Value::boolean(true), "true"},
        {Value::boolean(false), "false"},
        {Value::integer(-42), "-42"},
        {Value::integer(INT64_MIN), "-9223372036854775808"},
        {Value::string("héllo"), "héllo"},
        {Value::object(ObjectMap{}), "[object Object]"},
        {Value::function(Closure{}), "function"},
        {Value::builtin_method("Math", "max"), "function"},
        {Value::generator(GeneratorObject{}), "[object Generator]"},
        {arr({}), ""},
        {arr({arr({})}), ""},
        {arr({Value::integer(1), arr({Value::integer(2), arr({Value::integer(3)})})}), "1,2,3"},
        {arr({Value::integer(1), Value::null(), arr({Value::integer(2), Value::integer(3)})}),
         "1,null,2,3"},
        {arr({Value(), Value(), Value::string("x")}), "undefined,undefined,x"},
        {arr({arr({}), arr({})}), ","},
    };
    for (const auto& c : cases) EXPECT_EQ(to_js_string(c.v), c.text);
}

TEST(ToJsString, DeepAndLimited) {
    Value v = arr({Value::integer(7)});
    for (int i = 0; i < 200'000; ++i) v = arr({std::move(v)});
    EXPECT_EQ(to_js_string(v), "7");

    Value doubled = arr({Value::string("ab")});
    for (int i = 0; i < 40; ++i) doubled = arr({doubled, doubled});
    EXPECT_EQ(to_js_string_limited(doubled, 1000), std::nullopt);
    EXPECT_EQ(to_js_string_limited(arr({Value::integer(1), Value::integer(2)}), 3), "1,2");
    EXPECT_EQ(to_js_string_limited(arr({Value::integer(1), Value::integer(2)}), 2), std::nullopt);
}

TEST(ToNumber, Alternatives) {
    EXPECT_TRUE(std::isnan(to_number(Value())));
    EXPECT_EQ(to_number(Value::null()), 0);
    EXPECT_EQ(to_number(Value::boolean(true)), 1);
    EXPECT_EQ(to_number(Value::boolean(false)), 0);
    EXPECT_EQ(to_number(Value::integer(-7)), -7);
    EXPECT_EQ(to_number(Value::number(2.5)), 2.5);
    EXPECT_TRUE(std::isnan(to_number(arr({}))));
    EXPECT_TRUE(std::isnan(to_number(Value::object(ObjectMap{}))));
    EXPECT_TRUE(std::isnan(to_number(Value::function(Closure{}))));
}

TEST(ToNumber, DecimalLiteralRule) {
    struct Case {
        const char* text;
        double value;  // NaN means "gives NaN"
    };
    const Case cases[] = {
        {"42", 42},
        {"-1.5e3", -1500},
        {"+7", 7},
        {"5.", 5},
        {".5", 0.5},
        {"5.25", 5.25},
        {"1E2", 100},
        {"1e+2", 100},
        {"1e-2", 0.01},
        {"0.1", 0.1},
        {"007", 7},
        {"Infinity", kInf},
        {"-infinity", -kInf},
        {"INF", kInf},
        {"-Inf", -kInf},
        {"nan", kNaN},
        {"NaN", kNaN},
        {"", kNaN},
        {".", kNaN},
        {" 42", kNaN},
        {"42 ", kNaN},
        {"0x10", kNaN},
        {"0b1", kNaN},
        {"1_000", kNaN},
        {"12px", kNaN},
        {"1e", kNaN},
        {"e5", kNaN},
        {"+", kNaN},
        {"--1", kNaN},
        {"1e400", kInf},
        {"-1e400", -kInf},
        {"1e-400", 0},
        {"0.000000000000000000000000000000000000000000000000001e-999999999999999", 0},
        {"9007199254740993", 9007199254740992.0},  // correctly rounded (ties to even)
        {"2.2250738585072011e-308", 2.2250738585072011e-308},
    };
    for (const auto& c : cases) {
        double got = to_number(Value::string(c.text));
        if (std::isnan(c.value)) {
            EXPECT_TRUE(std::isnan(got)) << c.text;
            EXPECT_FALSE(std::signbit(got)) << c.text;
        } else {
            EXPECT_EQ(got, c.value) << c.text;
        }
    }
    EXPECT_TRUE(std::signbit(parse_decimal_literal("-0")));
    EXPECT_TRUE(std::signbit(parse_decimal_literal("-1e-400")));
}
