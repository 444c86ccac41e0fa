#include "vm/builtins/array_methods.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "runtime_values.h"
#include "trace.h"
#include "vm/builtins/call_builtin.h"

namespace corvane {
namespace {

using namespace testing_values;

std::string run(RunBudget& budget, const Value& receiver, std::string_view method,
                const std::vector<Value>& args) {
    auto r = call_builtin(budget, receiver, method, args);
    if (!r) return "no such method";
    if (!*r) return "error: " + r->error().display();
    return show(**r);
}

std::string run(const Value& receiver, std::string_view method, const std::vector<Value>& args) {
    RunBudget budget;
    return run(budget, receiver, method, args);
}

struct Row {
    Value receiver;
    std::string method;
    std::vector<Value> args;
    std::string expected;
};

void check_rows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        const std::string before = show(row.receiver);
        EXPECT_EQ(run(row.receiver, row.method, row.args), row.expected)
            << before << "." << row.method << " with " << row.args.size() << " argument(s)";
        // No method changes its receiver.
        EXPECT_EQ(show(row.receiver), before) << row.method;
    }
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ArrayMethods, ElementAccessAndStackMethods) {
    const Value abc = A({I(1), I(2), I(3)});
    check_rows({
        {abc, "at", {I(-1)}, "3"},
        {abc, "at", {I(-7)}, "1"},
        {abc, "at", {I(3)}, "undefined"},
        {abc, "at", {}, "1"},
        {abc, "at", {F(1.5)}, "2"},
        {abc, "at", {S("x")}, "1"},
        {abc, "at", {F(1e300)}, "undefined"},
        {A({}), "at", {I(-1)}, "undefined"},
        {A({}), "pop", {}, "undefined"},
        {A({}), "shift", {}, "undefined"},
        {abc, "pop", {}, "3"},
        {abc, "shift", {}, "1"},
        {A({I(1)}), "push", {I(2), I(3)}, "3"},
        {A({I(1), I(2)}), "unshift", {I(0)}, "3"},
        {A({}), "push", {}, "0"},
        {A({A({I(1)})}), "pop", {}, "[1]"},
    });
}

TEST(ArrayMethods, Join) {
    check_rows({
        {A({N(), U(), A({I(1), I(2)})}), "join", {}, "\"null,undefined,1,2\""},
        {A({I(1), I(2)}), "join", {S("-")}, "\"1-2\""},
        {A({I(1), I(2)}), "join", {S("")}, "\"12\""},
        {A({I(1), I(2)}), "join", {U()}, "\"1undefined2\""},
        {A({I(1), I(2)}), "join", {N()}, "\"1null2\""},
        {A({}), "join", {}, "\"\""},
        {A({A({})}), "join", {}, "\"\""},
        {A({F(0.5), F(-0.0), F(1e21), B(true), O({})}),
         "join",
         {S(" ")},
         "\"0.5 -0 1000000000000000000000 true [object Object]\""},
        {A({A({I(1), A({I(2), A({I(3)})})}), I(4)}), "join", {S(";")}, "\"1,2,3;4\""},
        {A({S("é"), S("😀")}), "join", {S("·")}, "\"é·😀\""},
    });
}

TEST(ArrayMethods, SearchUsesStrictEquality) {
    const Value xs = A({I(1), F(2), S("2"), N(), U(), A({I(1)}), F(kNaN), I(1)});
    check_rows({
        {xs, "indexOf", {F(1.0)}, "0"},
        {xs, "lastIndexOf", {I(1)}, "7"},
        {xs, "indexOf", {I(2)}, "1"},
        {xs, "indexOf", {S("2")}, "2"},
        {xs, "indexOf", {N()}, "3"},
        {xs, "indexOf", {}, "4"},
        {xs, "indexOf", {U()}, "4"},
        {xs, "indexOf", {A({I(1)})}, "-1"},
        {xs, "indexOf", {F(kNaN)}, "-1"},
        {xs, "indexOf", {I(1), I(5)}, "0"},
        {A({F(kNaN)}), "indexOf", {F(kNaN)}, "-1"},
        {A({F(kNaN)}), "includes", {F(kNaN)}, "false"},
        {A({A({I(1)})}), "includes", {A({I(1)})}, "false"},
        {A({O({})}), "includes", {O({})}, "false"},
        {A({F(0.0)}), "includes", {F(-0.0)}, "true"},
        {xs, "includes", {S("2")}, "true"},
        {xs, "includes", {B(false)}, "false"},
        {A({}), "includes", {}, "false"},
        {A({U()}), "includes", {}, "true"},
    });
}

TEST(ArrayMethods, SliceAndSplice) {
    const Value xs = A({I(1), I(2), I(3), I(4)});
    check_rows({
        {A({I(1), I(2), I(3)}), "slice", {I(4), I(10)}, "[]"},
        {xs, "slice", {}, "[1,2,3,4]"},
        {xs, "slice", {I(1)}, "[2,3,4]"},
        {xs, "slice", {I(-2)}, "[3,4]"},
        {xs, "slice", {I(1), I(-1)}, "[2,3]"},
        {xs, "slice", {I(2), I(1)}, "[]"},
        {xs, "slice", {I(-100), I(100)}, "[1,2,3,4]"},
        {xs, "slice", {I(1), U()}, "[]"},
        {xs, "splice", {I(1), I(2)}, "[2,3]"},
        {xs, "splice", {}, "[1,2,3,4]"},
        {xs, "splice", {I(2)}, "[3,4]"},
        {xs, "splice", {I(-1)}, "[4]"},
        {xs, "splice", {I(9)}, "[]"},
        {xs, "splice", {I(1), I(-3)}, "[]"},
        {xs, "splice", {I(1), I(100)}, "[2,3,4]"},
        {xs, "splice", {I(1), I(1), S("new")}, "[2]"},
        {xs, "splice", {I(0), U()}, "[]"},
    });
}

TEST(ArrayMethods, ConcatFlatFillReverse) {
    check_rows({
        {A({I(1)}), "concat", {A({I(2), A({I(3)})}), I(4)}, "[1,2,[3],4]"},
        {A({I(1)}), "concat", {}, "[1]"},
        {A({}), "concat", {A({}), S("x"), O({{"a", I(1)}})}, "[\"x\",{a:1}]"},
        {A({I(1), A({I(2), A({I(3)})})}), "flat", {}, "[1,2,[3]]"},
        {A({I(1), A({I(2), A({I(3)})})}), "flat", {I(5)}, "[1,2,[3]]"},
        {A({A({}), A({}), I(1)}), "flat", {}, "[1]"},
        {A({I(1), I(2), I(3)}), "fill", {I(0), I(1)}, "[1,0,0]"},
        {A({I(1), I(2), I(3)}), "fill", {I(0)}, "[0,0,0]"},
        {A({I(1), I(2), I(3)}), "fill", {}, "[undefined,undefined,undefined]"},
        {A({I(1), I(2), I(3)}), "fill", {I(0), I(-1)}, "[1,2,0]"},
        {A({I(1), I(2), I(3)}), "fill", {I(0), I(3)}, "[1,2,3]"},
        {A({I(1), I(2), I(3)}), "fill", {I(0), I(9)}, "[1,2,3]"},
        {A({I(1), I(2), I(3)}), "fill", {I(0), I(0), I(2)}, "[0,0,3]"},
        {A({I(1), I(2), I(3)}), "fill", {I(0), I(0), I(-1)}, "[0,0,3]"},
        {A({I(1), I(2), I(3)}), "fill", {I(0), I(0), I(99)}, "[0,0,0]"},
        {A({I(1), I(2), I(3)}), "fill", {I(0), I(2), I(1)}, "[1,2,3]"},
        {A({I(1), I(2), I(3)}), "fill", {A({I(7)}), I(1), I(2)}, "[1,[7],3]"},
        {A({I(1), I(2), I(3)}), "reverse", {}, "[3,2,1]"},
        {A({}), "reverse", {}, "[]"},
    });
}

TEST(ArrayMethods, NoSuchMethod) {
    const Value xs = A({I(3), I(1), I(2)});
    for (const char* name : {"keys", "values", "entries", "map", "filter", "reduce", "forEach",
                             "find", "findIndex", "some", "every", "sort", "flatMap", "length",
                             "toString", "trim", "findLast", "Join", ""}) {
        EXPECT_EQ(run(xs, name, {}), "no such method") << name;
    }
}

Value doubled(Value leaf, int times) {
    Value v = std::move(leaf);
    for (int i = 0; i < times; ++i) v = A({v, v});
    return v;
}

TEST(ArrayMethods, JoinNeverBuildsAnOversizedText) {
    // Thirty doublings: a billion elements as text, a few dozen cells in memory.
    const Value shared = doubled(S("abc"), 30);
    check_rows({
        {shared, "join", {}, "error: allocation limit exceeded"},
        {A({shared}), "join", {S("-")}, "error: allocation limit exceeded"},
        {A({I(1), I(2)}), "join", {shared}, "error: allocation limit exceeded"},
        // A separator that is never written may be as long as it likes.
        {A({I(1)}), "join", {shared}, "\"1\""},
        {A({}), "join", {shared}, "\"\""},
    });
    // Exactly at the limit is fine; one byte more is not.
    const std::string half(4999999, 'x');
    RunBudget budget;
    auto exact = join_array(budget, Array{S(half), S(half)}, "ab");
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->size(), 10000000u);
    EXPECT_EQ(run(A({S(half), S(half)}), "join", {S("abc")}), "error: allocation limit exceeded");
}

Value nested(size_t depth, Value innermost) {
    Value v = std::move(innermost);
    for (size_t i = 0; i < depth; ++i) v = A({v});
    return v;
}

TEST(ArrayMethods, DeepNestingNeedsNoDeepRecursion) {
    const Value deep = nested(100000, I(7));
    EXPECT_EQ(run(A({deep, deep}), "join", {}), "\"7,7\"");
    EXPECT_EQ(run(deep, "join", {}), "\"7\"");
    EXPECT_EQ(run(A({I(1)}), "concat", {deep}).substr(0, 6), "[1,[[[");
    auto flat = call_builtin(*std::make_unique<RunBudget>(), deep, "flat", {});
    ASSERT_TRUE(flat && *flat);
    EXPECT_EQ(run(**flat, "join", {}), "\"7\"");
    EXPECT_EQ(run(deep, "indexOf", {deep}), "-1");
    EXPECT_EQ(run(A({S("a"), deep}), "join", {S("|")}), "\"a|7\"");
}

TEST(ArrayMethods, LongWorkRespectsTheDeadline) {
    Array many(2000000, S("piece"));
    const Value big = Value::array(std::move(many));
    struct Case {
        const char* method;
        std::vector<Value> args;
    };
    const std::vector<Case> cases = {
        {"join", {S(",")}},
        {"indexOf", {S("absent")}},
        {"includes", {S("absent")}},
        {"reverse", {}},
    };
    for (const Case& c : cases) {
        RunBudget expired(monotonic_now_ns() - 1);
        EXPECT_EQ(run(expired, big, c.method, c.args), "error: execution time limit exceeded")
            << c.method;
    }
    // Searching many long texts of the needle's length reads them all: that work counts.
    const std::string long_text(1 << 20, 'x');
    std::string needle_text = long_text;
    needle_text.back() = 'y';
    const Value texts = Value::array(Array(4096, S(long_text)));
    {
        const int64_t start = monotonic_now_ns();
        RunBudget budget(start + 2'000'000);
        EXPECT_EQ(run(budget, texts, "includes", {S(needle_text)}),
                  "error: execution time limit exceeded");
        EXPECT_LT((monotonic_now_ns() - start) / 1'000'000, 60);
    }
    // Join of a structure that is enormous as text stops at the deadline or the limit,
    // whichever comes first, and never runs long past the deadline.
    const Value shared = doubled(F(0.1), 30);
    const int64_t start = monotonic_now_ns();
    RunBudget budget(start + 2'000'000);
    const std::string out = run(budget, shared, "join", {});
    EXPECT_TRUE(out == "error: execution time limit exceeded" ||
                out == "error: allocation limit exceeded")
        << out;
    EXPECT_LT((monotonic_now_ns() - start) / 1'000'000, 60);
}

TEST(ArrayMethods, JoinOfManyPiecesIsLinear) {
    Array pieces;
    for (int i = 0; i < 100000; ++i)
        pieces.push_back(S(std::string(1, 'p').append(std::to_string(i))));
    RunBudget budget;
    auto text = join_array(budget, pieces, ",");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->substr(0, 12), "p0,p1,p2,p3,");
    EXPECT_TRUE(text->ends_with(",p99999"));
}

}  // namespace
}  // namespace corvane
