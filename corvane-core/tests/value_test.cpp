#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "value.h"

using namespace corvane;

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

Value arr(std::initializer_list<Value> xs) { return Value::array(Array(xs)); }
Value obj() { return Value::object(ObjectMap{}); }
Value fn() { return Value::function(Closure{}); }
}  // namespace

TEST(Value, IsSixteenBytesAndDefaultsToUndefined) {
    EXPECT_EQ(sizeof(Value), 16u);
    EXPECT_TRUE(Value().is_undefined());
}

TEST(Value, TypeNames) {
    struct Case {
        Value v;
        const char* name;
    };
    const Case cases[] = {
        {Value(), "undefined"},
        {Value::null(), "null"},
        {Value::boolean(true), "boolean"},
        {Value::integer(1), "number"},
        {Value::number(1.5), "number"},
        {Value::string("s"), "string"},
        {arr({}), "object"},
        {obj(), "object"},
        {fn(), "function"},
        {Value::generator(GeneratorObject{}), "object"},
        {Value::builtin_method("__string__", "toUpperCase"), "function"},
    };
    for (const auto& c : cases) EXPECT_EQ(type_name(c.v), c.name);
}

TEST(Value, Truthiness) {
    struct Case {
        Value v;
        bool truthy;
    };
    const Case cases[] = {
        {Value(), false},
        {Value::null(), false},
        {Value::boolean(false), false},
        {Value::boolean(true), true},
        {Value::integer(0), false},
        {Value::integer(-3), true},
        {Value::number(0.0), false},
        {Value::number(-0.0), false},
        {Value::number(kNaN), false},
        {Value::number(0.5), true},
        {Value::string(""), false},
        {Value::string("0"), true},
        {arr({}), true},
        {obj(), true},
        {fn(), true},
        {Value::builtin_method("Math", "max"), true},
    };
    for (const auto& c : cases) EXPECT_EQ(is_truthy(c.v), c.truthy) << type_name(c.v);
}

TEST(Value, StrictEquality) {
    struct Case {
        Value a, b;
        bool equal;
    };
    const Case cases[] = {
        {Value::integer(1), Value::number(1.0), true},
        {Value::number(1.0), Value::integer(1), true},
        {Value::number(0.0), Value::number(-0.0), true},
        {Value::number(kNaN), Value::number(kNaN), false},
        {Value::integer(1), Value::string("1"), false},
        {Value::null(), Value(), false},
        {Value(), Value(), true},
        {Value::null(), Value::null(), true},
        {Value::boolean(true), Value::boolean(true), true},
        {Value::boolean(true), Value::integer(1), false},
        {Value::string("ab"), Value::string("ab"), true},
        {Value::string("ab"), Value::string("abc"), false},
        {Value::string(""), Value::string(""), true},
        {arr({}), arr({}), false},
        {obj(), obj(), false},
        {Value::integer(INT64_MAX), Value::number(9223372036854775807.0), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(strict_eq(c.a, c.b), c.equal);
        EXPECT_EQ(eq(c.a, c.b), c.equal);
    }
    Value a = arr({Value::integer(1)});
    EXPECT_FALSE(strict_eq(a, a));
}

TEST(Value, CopiesBehaveAsDeepCopies) {
    Value a = arr({Value::integer(1)});
    Value b = a;
    EXPECT_TRUE(a.same_cell(b));
    b.array_mut().push_back(Value::integer(2));
    EXPECT_EQ(a.as_array().size(), 1u);
    EXPECT_EQ(b.as_array().size(), 2u);

    Value inner = arr({Value::integer(1)});
    Value outer = arr({inner});
    Value copy = outer;
    copy.array_mut()[0].array_mut().push_back(Value::integer(9));
    EXPECT_EQ(outer.as_array()[0].as_array().size(), 1u);
    EXPECT_EQ(inner.as_array().size(), 1u);
    EXPECT_EQ(copy.as_array()[0].as_array().size(), 2u);
}

TEST(Value, UniqueCellIsMutatedInPlace) {
    Value a = arr({});
    const Array* before = &a.as_array();
    a.array_mut().push_back(Value::integer(1));
    EXPECT_EQ(before, &a.as_array());
}

TEST(Value, MoveLeavesUndefined) {
    Value a = Value::string("text");
    Value b = std::move(a);
    EXPECT_TRUE(a.is_undefined());  // NOLINT(bugprone-use-after-move)
    a = std::move(b);
    EXPECT_TRUE(b.is_undefined());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(a.as_str_view(), "text");
}

TEST(Value, DestroyingDeepNestingDoesNotRecurse) {
    for (Tag kind : {Tag::Array, Tag::Object, Tag::Function}) {
        Value v = arr({});
        for (int i = 0; i < 1'000'000; ++i) {
            if (kind == Tag::Array) {
                v = arr({std::move(v)});
            } else if (kind == Tag::Object) {
                ObjectMap m;
                m.set("k", std::move(v));
                v = Value::object(std::move(m));
            } else {
                Closure c;
                c.captures.emplace_back("x", std::move(v));
                v = Value::function(std::move(c));
            }
        }
        v = Value();  // must not overflow the native stack
    }
}

TEST(ObjectMap, KeepsInsertionOrderAndReplacesInPlace) {
    ObjectMap m;
    for (int i = 0; i < 40; ++i) m.set(Str(std::to_string(i)), Value::integer(i));
    m.set("5", Value::string("five"));
    ASSERT_EQ(m.size(), 40u);
    EXPECT_EQ(m.entries()[5].key.view(), "5");
    EXPECT_EQ(m.find("5")->as_str_view(), "five");
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(m.entries()[i].key.view(), std::to_string(i));
        ASSERT_NE(m.find(std::to_string(i)), nullptr);
    }
    EXPECT_EQ(m.find("40"), nullptr);
    EXPECT_TRUE(m.erase("0"));
    EXPECT_FALSE(m.erase("0"));
    EXPECT_EQ(m.entries()[0].key.view(), "1");
    EXPECT_EQ(m.find("39")->as_int(), 39);
    EXPECT_EQ(m.size(), 39u);
}
