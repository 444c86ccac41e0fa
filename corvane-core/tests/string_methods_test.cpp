#include "vm/builtins/string_methods.h"

#include <gtest/gtest.h>

#include <chrono>
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

// The outcome of one call as text: the result, "error: ..." or "no such method".
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
    std::string receiver;
    std::string method;
    std::vector<Value> args;
    std::string expected;
};

void check_rows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        const Value receiver = S(row.receiver);
        EXPECT_EQ(run(receiver, row.method, row.args), row.expected)
            << '"' << row.receiver << "\"." << row.method << " with " << row.args.size()
            << " argument(s)";
        // No method changes its receiver.
        EXPECT_EQ(receiver.as_str_view(), row.receiver);
    }
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(StringMethods, CharacterAccess) {
    check_rows({
        {"abc", "at", {I(-1)}, "\"c\""},
        {"héllo", "at", {I(-1)}, "\"o\""},
        {"abc", "at", {I(-10)}, "\"a\""},
        {"abc", "at", {I(5)}, "undefined"},
        {"abc", "at", {}, "\"a\""},
        {"", "at", {}, "undefined"},
        {"", "at", {I(-1)}, "undefined"},
        {"a😀b", "at", {I(1)}, "\"😀\""},
        {"a😀b", "at", {I(-2)}, "\"😀\""},
        {"abc", "at", {F(1.9)}, "\"b\""},
        {"abc", "at", {F(-1.9)}, "\"c\""},
        {"abc", "at", {S("1")}, "\"b\""},
        {"abc", "at", {F(kNaN)}, "\"a\""},
        {"abc", "at", {N()}, "\"a\""},
        {"abc", "at", {F(1e300)}, "undefined"},
        {"abc", "at", {F(-1e300)}, "\"a\""},
        {"héllo", "charAt", {I(2)}, "\"l\""},
        {"héllo", "charAt", {I(1)}, "\"é\""},
        {"abc", "charAt", {I(-1)}, "\"\""},
        {"abc", "charAt", {I(3)}, "\"\""},
        {"abc", "charAt", {}, "\"a\""},
        {"abc", "charCodeAt", {I(9)}, "NaN"},
        {"abc", "charCodeAt", {I(-1)}, "NaN"},
        {"abc", "charCodeAt", {}, "97"},
        {"😀", "charCodeAt", {I(0)}, "128512"},
        {"é😀", "charCodeAt", {I(1)}, "128512"},
    });
}

TEST(StringMethods, SearchingUsesByteOffsets) {
    check_rows({
        {"héllo", "indexOf", {S("l")}, "3"},
        {"abc", "indexOf", {}, "0"},
        {"abc", "indexOf", {S("")}, "0"},
        {"abc", "indexOf", {S("z")}, "-1"},
        {"abc", "indexOf", {S("abcd")}, "-1"},
        {"xnull", "indexOf", {N()}, "1"},
        {"xundefined", "indexOf", {U()}, "1"},
        {"a1,2", "indexOf", {A({I(1), I(2)})}, "1"},
        {"abc", "indexOf", {S("c"), I(0)}, "2"},
        {"abc", "lastIndexOf", {S("")}, "3"},
        {"abc", "lastIndexOf", {}, "3"},
        {"abcabc", "lastIndexOf", {S("bc")}, "4"},
        {"héé", "lastIndexOf", {S("é")}, "3"},
        {"abc", "lastIndexOf", {S("z")}, "-1"},
        {"abc", "includes", {}, "true"},
        {"abc", "includes", {S("")}, "true"},
        {"abc", "includes", {S("bc")}, "true"},
        {"abc", "includes", {S("x")}, "false"},
        {"abc", "includes", {U()}, "false"},
        {"abc", "startsWith", {}, "true"},
        {"abc", "startsWith", {S("ab")}, "true"},
        {"abc", "startsWith", {S("b")}, "false"},
        {"abc", "startsWith", {S("abcd")}, "false"},
        {"abc", "endsWith", {}, "true"},
        {"abc", "endsWith", {S("bc")}, "true"},
        {"abc", "endsWith", {S("b")}, "false"},
        {"1.5", "endsWith", {F(1.5)}, "true"},
    });
}

TEST(StringMethods, SliceAndSubstring) {
    check_rows({
        {"abc", "slice", {I(-2)}, "\"bc\""},
        {"abc", "slice", {I(2), I(1)}, "\"\""},
        {"abc", "slice", {I(5), I(10)}, "\"\""},
        {"abc", "slice", {}, "\"abc\""},
        {"abc", "slice", {I(0), I(-1)}, "\"ab\""},
        {"abc", "slice", {I(-100), I(100)}, "\"abc\""},
        {"abc", "slice", {I(1), U()}, "\"\""},
        {"abcdef", "substring", {I(4), I(1)}, "\"bcd\""},
        {"abc", "substring", {I(-3), I(2)}, "\"ab\""},
        {"abc", "substring", {I(1)}, "\"bc\""},
        {"abc", "substring", {F(kNaN), I(2)}, "\"ab\""},
        {"abc", "substring", {I(1), I(100)}, "\"bc\""},
        // Offsets are bytes; one inside a character moves back to that character's start.
        {"héllo", "slice", {I(3)}, "\"llo\""},
        {"héllo", "slice", {I(2)}, "\"éllo\""},
        {"héllo", "slice", {I(0), I(2)}, "\"h\""},
        {"héllo", "slice", {I(-4)}, "\"éllo\""},
        {"😀x", "slice", {I(2), I(3)}, "\"\""},
        {"😀x", "slice", {I(3), I(5)}, "\"😀x\""},
        {"héllo", "substring", {I(2), I(3)}, "\"é\""},
        {"😀", "substring", {I(1), I(3)}, "\"\""},
    });
}

TEST(StringMethods, Split) {
    check_rows({
        {"abc", "split", {S("")}, "[\"a\",\"b\",\"c\"]"},
        {"abc", "split", {}, "[\"a\",\"b\",\"c\"]"},
        {"", "split", {S(",")}, "[\"\"]"},
        {"", "split", {}, "[]"},
        {"", "split", {S("")}, "[]"},
        {"a,b,,c", "split", {S(",")}, "[\"a\",\"b\",\"\",\"c\"]"},
        {",a,", "split", {S(",")}, "[\"\",\"a\",\"\"]"},
        {"a::b", "split", {S("::")}, "[\"a\",\"b\"]"},
        {"abc", "split", {S("abcd")}, "[\"abc\"]"},
        {"abc", "split", {S("abc")}, "[\"\",\"\"]"},
        {"a1b1c", "split", {I(1)}, "[\"a\",\"b\",\"c\"]"},
        {"anullb", "split", {N()}, "[\"a\",\"b\"]"},
        {"a😀é", "split", {S("")}, "[\"a\",\"😀\",\"é\"]"},
        {"a,b", "split", {S(","), I(1)}, "[\"a\",\"b\"]"},
    });
}

TEST(StringMethods, TrimUsesWhiteSpaceProperty) {
    check_rows({
        {"  a b \t\n", "trim", {}, "\"a b\""},
        {"  a ", "trimStart", {}, "\"a \""},
        {"  a ", "trimLeft", {}, "\"a \""},
        {"  a ", "trimEnd", {}, "\"  a\""},
        {"  a ", "trimRight", {}, "\"  a\""},
        {"\v\f\r\u0085x", "trim", {}, "\"x\""},
        {"\u00A0\u1680\u2000\u200A\u3000x\u2028\u2029\u202F\u205F", "trim", {}, "\"x\""},
        // Not White_Space: zero width space, byte order mark, Mongolian vowel separator.
        {"\u200Bx\uFEFF", "trim", {}, "\"\u200Bx\uFEFF\""},
        {"\u180Ex", "trim", {}, "\"\u180Ex\""},
        {" \u00A0 ", "trim", {}, "\"\""},
        {"", "trim", {}, "\"\""},
    });
}

TEST(StringMethods, CaseMappingAscii) {
    check_rows({
        {"Hello, World 1", "toUpperCase", {}, "\"HELLO, WORLD 1\""},
        {"Hello, World 1", "toLowerCase", {}, "\"hello, world 1\""},
        {"", "toUpperCase", {}, "\"\""},
    });
}

TEST(StringMethods, FullCaseMappings) {
    check_rows({
        {"straße", "toUpperCase", {}, "\"STRASSE\""},
        {"İ", "toLowerCase", {}, "\"i\u0307\""},
        {"İstanbul", "toLowerCase", {}, "\"i\u0307stanbul\""},
        {"ﬃ", "toUpperCase", {}, "\"FFI\""},
        {"ŉ", "toUpperCase", {}, "\"ʼN\""},
        {"ǅ", "toUpperCase", {}, "\"Ǆ\""},
        {"ǅ", "toLowerCase", {}, "\"ǆ\""},
        {"ΑΒΓ", "toLowerCase", {}, "\"αβγ\""},
        // The capital sigma takes its final form at the end of a word.
        {"ΟΔΟΣ", "toLowerCase", {}, "\"οδος\""},
        {"ΟΔΟΣ ΣΟΣ.", "toLowerCase", {}, "\"οδος σος.\""},
        {"Σ", "toLowerCase", {}, "\"σ\""},
        {" Σ ", "toLowerCase", {}, "\" σ \""},
        {"ΑΣ'Α", "toLowerCase", {}, "\"ασ'α\""},
        {"ΑΣ'", "toLowerCase", {}, "\"ας'\""},
        {"Α'Σ", "toLowerCase", {}, "\"α'ς\""},
        {"ΑΣ\u0301", "toLowerCase", {}, "\"ας\u0301\""},
        {"ΑΣΣ", "toLowerCase", {}, "\"ασς\""},
        {"ΟΔΟΣ", "toUpperCase", {}, "\"ΟΔΟΣ\""},
        {"привет", "toUpperCase", {}, "\"ПРИВЕТ\""},
        {"𐐀𐐨", "toLowerCase", {}, "\"𐐨𐐨\""},
        {"𐐀𐐨", "toUpperCase", {}, "\"𐐀𐐀\""},
        {"ÀÉÎ õü", "toLowerCase", {}, "\"àéî õü\""},
        {"ß", "toLowerCase", {}, "\"ß\""},
        {"ẞ", "toLowerCase", {}, "\"ß\""},
        {"😀a", "toUpperCase", {}, "\"😀A\""},
        {"ǰ", "toUpperCase", {}, "\"J\u030C\""},
        {"123 _-", "toUpperCase", {}, "\"123 _-\""},
    });
    // A mapping that grows the text may not take it past the limit.
    std::string n_apostrophe;
    for (int i = 0; i < 3400000; ++i) n_apostrophe += "ŉ";
    EXPECT_EQ(run(S(n_apostrophe), "toUpperCase", {}), "error: allocation limit exceeded");
    RunBudget budget;
    auto lower = call_builtin(budget, S(n_apostrophe), "toLowerCase", {});
    ASSERT_TRUE(lower && *lower);
    EXPECT_EQ((*lower)->as_str_view(), n_apostrophe);
    n_apostrophe.resize(3333333 * 2);
    auto upper = call_builtin(budget, S(n_apostrophe), "toUpperCase", {});
    ASSERT_TRUE(upper && *upper);
    EXPECT_EQ((*upper)->as_str_view().size(), 9999999u);
}

TEST(StringMethods, RepeatAndPad) {
    check_rows({
        {"ab", "repeat", {I(3)}, "\"ababab\""},
        {"ab", "repeat", {I(-1)}, "\"\""},
        {"ab", "repeat", {}, "\"\""},
        {"ab", "repeat", {F(2.7)}, "\"abab\""},
        {"ab", "repeat", {S("2")}, "\"abab\""},
        {"", "repeat", {F(1e18)}, "\"\""},
        {"x", "repeat", {I(10000001)}, "error: allocation limit exceeded"},
        {"ab", "repeat", {I(5000001)}, "error: allocation limit exceeded"},
        {"abc",
         "repeat",
         {I(std::numeric_limits<int64_t>::max())},
         "error: allocation limit exceeded"},
        {"5", "padStart", {I(3), S("0")}, "\"005\""},
        {"abc", "padEnd", {I(6), S("12")}, "\"abc121\""},
        {"abc", "padStart", {I(2)}, "\"abc\""},
        {"a", "padStart", {I(3)}, "\"  a\""},
        {"a", "padEnd", {I(3)}, "\"a  \""},
        {"a", "padEnd", {I(4), S("")}, "\"a\""},
        {"a", "padStart", {I(-4), S("x")}, "\"a\""},
        {"a", "padStart", {}, "\"a\""},
        {"a", "padStart", {I(5), N()}, "\"nulla\""},
        {"a", "padStart", {I(4), S("é")}, "\"éééa\""},
        {"a", "padEnd", {I(3), S("😀é")}, "\"a😀é\""},
        {"a", "padEnd", {I(4), S("😀é")}, "\"a😀é😀\""},
        // The receiver's length is counted in bytes: "é" already has two.
        {"é", "padStart", {I(3), S("x")}, "\"xé\""},
        {"a", "padEnd", {I(20000000)}, "error: allocation limit exceeded"},
        {"a",
         "padStart",
         {I(std::numeric_limits<int64_t>::max()), S("xy")},
         "error: allocation limit exceeded"},
        {"a", "padEnd", {I(10000001)}, "error: allocation limit exceeded"},
    });
    // Exactly at the limit is allowed.
    RunBudget budget;
    auto big = call_builtin(budget, S("x"), "repeat", {{I(10000000)}});
    ASSERT_TRUE(big && *big);
    EXPECT_EQ((*big)->as_str_view().size(), 10000000u);
    auto padded = call_builtin(budget, S("x"), "padStart", {{I(10000000), S("ab")}});
    ASSERT_TRUE(padded && *padded);
    EXPECT_EQ((*padded)->as_str_view().size(), 10000000u);
    EXPECT_TRUE((*padded)->as_str_view().starts_with("abab"));
}

TEST(StringMethods, ConcatAndReplace) {
    check_rows({
        {"a", "concat", {S("b"), I(1), N(), A({I(1), A({I(2), U()})})}, "\"ab1null1,2,undefined\""},
        {"a", "concat", {}, "\"a\""},
        {"a", "concat", {O({})}, "\"a[object Object]\""},
        {"aXbXc", "replace", {S("X"), S("$&")}, "\"a$&bXc\""},
        {"abc", "replace", {S(""), S("-")}, "\"-abc\""},
        {"abc", "replace", {S("b")}, "\"ac\""},
        {"abc", "replace", {S("z"), S("y")}, "\"abc\""},
        {"abc", "replace", {}, "\"abc\""},
        {"a.b", "replace", {S("."), U()}, "\"aundefinedb\""},
        {"abc", "replaceAll", {S(""), S("-")}, "\"-a-b-c-\""},
        {"", "replaceAll", {S(""), S("-")}, "\"-\""},
        {"a😀", "replaceAll", {S(""), S(".")}, "\".a.😀.\""},
        {"aXbXc", "replaceAll", {S("X"), S("--")}, "\"a--b--c\""},
        {"aaa", "replaceAll", {S("aa"), S("b")}, "\"ba\""},
        {"abc", "replaceAll", {S("b")}, "\"ac\""},
        {"abc", "replaceAll", {S("z"), S("y")}, "\"abc\""},
        {"a$b", "replaceAll", {S("$"), S("$$")}, "\"a$$b\""},
    });
}

TEST(StringMethods, NoSuchMethod) {
    check_rows({
        {"abc", "substr", {I(1)}, "no such method"},
        {"abc", "match", {S("a")}, "no such method"},
        {"abc", "search", {S("a")}, "no such method"},
        {"abc", "normalize", {}, "no such method"},
        {"abc", "length", {}, "no such method"},
        {"abc", "toString", {}, "no such method"},
        {"abc", "push", {I(1)}, "no such method"},
        {"abc", "TRIM", {}, "no such method"},
        {"abc", "", {}, "no such method"},
    });
    for (const Value& receiver : {I(5), F(1.5), B(true), N(), U(), O({{"trim", S("x")}})}) {
        EXPECT_EQ(run(receiver, "trim", {}), "no such method");
        EXPECT_EQ(run(receiver, "toFixed", {I(2)}), "no such method");
    }
}

// Text arguments that are enormous as text (an array shared with itself many times over)
// are never expanded past what the call can use.
Value doubled(Value leaf, int times) {
    Value v = std::move(leaf);
    for (int i = 0; i < times; ++i) v = A({v, v});
    return v;
}

TEST(StringMethods, HugeTextArgumentsAreNeverBuilt) {
    const Value huge = doubled(S("abcdefgh"), 40);  // about 9 * 2^40 bytes as text
    check_rows({
        {"abc", "indexOf", {huge}, "-1"},
        {"abc", "lastIndexOf", {huge}, "-1"},
        {"abc", "includes", {huge}, "false"},
        {"abc", "startsWith", {huge}, "false"},
        {"abc", "endsWith", {huge}, "false"},
        {"abc", "split", {huge}, "[\"abc\"]"},
        {"abc", "replace", {huge, S("x")}, "\"abc\""},
        {"abc", "replaceAll", {huge, S("x")}, "\"abc\""},
        {"abc", "replace", {S("b"), huge}, "error: allocation limit exceeded"},
        {"abc", "replace", {S("z"), huge}, "\"abc\""},
        {"abc", "replaceAll", {S("b"), huge}, "error: allocation limit exceeded"},
        {"abc", "replaceAll", {S(""), huge}, "error: allocation limit exceeded"},
        {"abc", "concat", {huge}, "error: allocation limit exceeded"},
        {"abc", "padEnd", {I(6), huge}, "\"abcabc\""},
        {"abc", "padEnd", {I(20000000), huge}, "error: allocation limit exceeded"},
    });
}

TEST(StringMethods, GrowingResultsStopAtTheLimit) {
    const std::string nine_mb(9000000, 'a');
    RunBudget budget;
    const Value s = S(nine_mb);
    EXPECT_EQ(run(budget, s, "concat", {S(std::string(1000001, 'b'))}),
              "error: allocation limit exceeded");
    EXPECT_EQ(run(budget, s, "replaceAll", {S("a"), S("bb")}), "error: allocation limit exceeded");
    EXPECT_EQ(run(budget, S(std::string(5000000, 'a')), "replaceAll", {S(""), S("x")}),
              "error: allocation limit exceeded");
    auto ok = call_builtin(budget, S(std::string(4999999, 'a')), "replaceAll", {{S(""), S("x")}});
    ASSERT_TRUE(ok && *ok);
    EXPECT_EQ((*ok)->as_str_view().size(), 9999999u);
}

TEST(StringMethods, LongSearchesStayLinear) {
    // A needle that almost matches everywhere: a naive search would compare about
    // 5000 bytes at each of a million positions.
    const std::string hay(1000000, 'a');
    const std::string needle = std::string(5000, 'a') + "b";
    RunBudget budget(monotonic_now_ns() + 2'000'000'000);
    EXPECT_EQ(run(budget, S(hay), "indexOf", {S(needle)}), "-1");
    EXPECT_EQ(run(budget, S(hay), "lastIndexOf", {S(needle)}), "-1");
    EXPECT_EQ(run(budget, S(hay), "lastIndexOf", {S(std::string(5000, 'a'))}), "995000");
    EXPECT_EQ(run(budget, S(hay + needle), "indexOf", {S(needle)}), "1000000");
    EXPECT_EQ(run(budget, S(needle + hay), "lastIndexOf", {S(needle)}), "0");
    auto pieces = call_builtin(budget, S(hay), "split", {{S(needle)}});
    ASSERT_TRUE(pieces && *pieces);
    ASSERT_EQ((*pieces)->as_array().size(), 1u);
    EXPECT_EQ((*pieces)->as_array()[0].as_str_view().size(), hay.size());
}

TEST(StringMethods, WindowedSearchFindsMatchesAcrossWindowEdges) {
    // Searches run in windows of 64 KiB; matches straddling a window edge must be found.
    for (size_t at : {65535u, 65534u, 65536u - 20u, 131071u}) {
        for (const std::string& needle : {std::string("xyz"), std::string(40, 'x') + "y"}) {
            std::string hay(200000, '.');
            hay.replace(at, needle.size(), needle);
            EXPECT_EQ(run(S(hay), "indexOf", {S(needle)}), std::to_string(at));
            EXPECT_EQ(run(S(hay), "lastIndexOf", {S(needle)}), std::to_string(at));
            EXPECT_EQ(run(S(hay), "includes", {S(needle)}), "true");
        }
    }
}

TEST(StringMethods, LongWorkRespectsTheDeadline) {
    const Value big = S(std::string(9000000, 'a'));
    struct Case {
        const char* method;
        std::vector<Value> args;
    };
    const std::vector<Case> cases = {
        {"split", {S("")}},
        {"split", {S("a")}},
        {"replaceAll", {S("a"), S("")}},
        {"toUpperCase", {}},
    };
    for (const Case& c : cases) {
        const int64_t start = monotonic_now_ns();
        RunBudget budget(start + 2'000'000);  // 2 ms
        EXPECT_EQ(run(budget, big, c.method, c.args), "error: execution time limit exceeded")
            << c.method;
        const int64_t elapsed_ms = (monotonic_now_ns() - start) / 1'000'000;
        // Generous bound for a loaded machine; the full work takes far longer.
        EXPECT_LT(elapsed_ms, 60) << c.method;
        EXPECT_GT(budget.clock_reads(), 0u);
    }
    // A deadline already passed stops even short work at its first check.
    RunBudget expired(monotonic_now_ns() - 1);
    EXPECT_EQ(run(expired, big, "indexOf", {S("b")}), "error: execution time limit exceeded");
}

TEST(StringMethods, InvalidUtf8NeverCrashes) {
    const std::vector<std::string> texts = {
        "\xff", "a\xc3", "\xe2\x82", "\xf0\x9f\x98", "\x80\x80x", "\xed\xa0\x80", "\xc0\xafz",
    };
    const std::vector<std::pair<std::string, std::vector<Value>>> calls = {
        {"at", {I(-1)}},
        {"at", {I(1)}},
        {"charAt", {I(1)}},
        {"charCodeAt", {I(0)}},
        {"slice", {I(1), I(2)}},
        {"substring", {I(2)}},
        {"split", {}},
        {"trim", {}},
        {"toUpperCase", {}},
        {"toLowerCase", {}},
        {"padStart", {I(9), S("\xe2")}},
        {"replaceAll", {S(""), S("-")}},
        {"indexOf", {S("\x80")}},
        {"lastIndexOf", {S("x")}},
    };
    for (const std::string& t : texts) {
        for (const auto& [method, args] : calls) {
            const std::string out = run(S(t), method, args);
            EXPECT_EQ(out.rfind("error", 0), std::string::npos) << method;
        }
    }
}

}  // namespace
}  // namespace corvane
