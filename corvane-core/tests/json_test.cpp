#include "vm/builtins/json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "runtime_values.h"
#include "trace.h"
#include "vm/builtins/string_methods.h"

namespace corvane {
namespace {

using namespace testing_values;

std::string stringify(RunBudget& budget, std::vector<Value> args) {
    auto r = json_stringify(budget, args);
    if (!r) return "error: " + r.error().display();
    return std::string(r->as_str_view());
}

std::string stringify(const Value& v) {
    RunBudget budget;
    return stringify(budget, {v});
}

std::string parse(RunBudget& budget, std::string_view text) {
    auto r = json_parse(budget, {{S(text)}});
    if (!r) return "error: " + r.error().display();
    return show(*r);
}

std::string parse(std::string_view text) {
    RunBudget budget;
    return parse(budget, text);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(JsonStringify, Values) {
    struct Row {
        Value value;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {O({{"a", A({I(1), F(2.5), S("x")})}, {"b", N()}}), "{\"a\":[1,2.5,\"x\"],\"b\":null}"},
        {S("say \"hi\"\n"), "\"say \\\"hi\\\"\n\""},
        {S("a\\b"), "\"a\\\\b\""},
        {S("\\\""), "\"\\\\\\\"\""},
        {S("tab\tcr\r\x01"), "\"tab\tcr\r\x01\""},
        {S("é😀"), "\"é😀\""},
        {U(), "undefined"},
        {Value::function(Closure{}), "undefined"},
        {Value::builtin_method(Str("Math"), Str("max")), "undefined"},
        {Value::generator(GeneratorObject{}), "undefined"},
        {A({U()}), "[undefined]"},
        {O({{"a", U()}}), "{\"a\":undefined}"},
        {F(kNaN), "null"},
        {F(kInf), "null"},
        {F(-kInf), "null"},
        {F(-0.0), "-0"},
        {F(1e21), "1000000000000000000000"},
        {F(1e-7), "0.0000001"},
        {F(0.1 + 0.2), "0.30000000000000004"},
        {F(2.0), "2"},
        {I(-42), "-42"},
        {I(std::numeric_limits<int64_t>::min()), "-9223372036854775808"},
        {B(true), "true"},
        {B(false), "false"},
        {N(), "null"},
        {A({}), "[]"},
        {O({}), "{}"},
        {A({A({}), O({}), A({A({I(1)})})}), "[[],{},[[1]]]"},
        {O({{"a\"b", I(1)}}), "{\"a\"b\":1}"},
        {O({{"k\\", S("v\\")}}), "{\"k\\\":\"v\\\\\"}"},
    };
    for (const Row& row : rows) EXPECT_EQ(stringify(row.value), row.expected) << show(row.value);
}

TEST(JsonStringify, Arguments) {
    RunBudget budget;
    EXPECT_EQ(stringify(budget, {}), "undefined");
    EXPECT_EQ(stringify(budget, {O({{"a", I(1)}}), N(), I(2)}), "{\"a\":1}");
}

TEST(JsonParse, Scalars) {
    struct Row {
        std::string text;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {" 42 ", "42"},
        {"+7", "7"},
        {"-0", "0"},
        {"007", "7"},
        {"4.0", "4.0"},
        {"1e3", "1000.0"},
        {"-1.5E-1", "-0.15"},
        {".5", "0.5"},
        {"5.", "5.0"},
        {"Infinity", "Infinity"},
        {"-infinity", "-Infinity"},
        {"inf", "Infinity"},
        {"NaN", "NaN"},
        {"99999999999999999999", "100000000000000000000.0"},
        {"9223372036854775807", "9223372036854775807"},
        {"-9223372036854775808", "-9223372036854775808"},
        {"9223372036854775808", "9223372036854776000.0"},
        {"null", "null"},
        {"true", "true"},
        {"false", "false"},
        {"\t\n null \u00A0\u3000", "null"},
        {"\"abc\"", "\"abc\""},
        {"\"\"", "\"\""},
        {"\"a\\u0041\"", "\"a\\u0041\""},
        {"\"q\\\"q\"", "\"q\"q\""},
        {"\"b\\\\s\"", "\"b\\s\""},
        {"\"l\\nf\"", "\"l\nf\""},
        {"\"t\\tb\"", "\"t\tb\""},
        {"\"r\\r/\\/\"", "\"r\\r/\\/\""},
        // The passes run in order: two backslashes become one, which then starts \n.
        {"\"\\\\n\"", "\"\n\""},
        {"\"\\\\\\\"\"", "\"\\\"\""},
        {"\"a\", \"b\"", "\"a\", \"b\""},
        {"\"é😀\"", "\"é😀\""},
    };
    for (const Row& row : rows) EXPECT_EQ(parse(row.text), row.expected) << row.text;
}

TEST(JsonParse, Containers) {
    struct Row {
        std::string text;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"{a: 1, \"b\": [true, null]}", "{a:1,b:[true,null]}"},
        {"[1,2,]", "[1,2]"},
        {"[1,2", "[1]"},
        {"[1, 2 ", "[1]"},
        {"[1,[2,3]]", "[1,[2,3]]"},
        {"[]", "[]"},
        {"[ ]", "[]"},
        {"{}", "{}"},
        {"{ }", "{}"},
        {"{\"a\":1,\"a\":2}", "{a:2}"},
        {"{\"a\":1,\"b\":2,\"a\":3}", "{a:3,b:2}"},
        {"{\"a\" 1}", "{}"},
        {"{,,\"a\":1,}", "{a:1}"},
        {"{\"a:b\":1}", "{a:b:1}"},
        {"{\"a\\\"\":1}", "{a\\\":1}"},
        {"{ key with spaces : 1 }", "{key with spaces:1}"},
        {"{\"\":1}", "{:1}"},
        {"{\"a\":{\"b\":{\"c\":[1,{\"d\":\"x,y]\"}]}}}", "{a:{b:{c:[1,{d:\"x,y]\"}]}}}"},
        {"[\"a,b\", \"c]d\", \"e\\\"]\"]", "[\"a,b\",\"c]d\",\"e\"]\"]"},
        {"[1 2]", "error: runtime error: Invalid JSON: 1 2"},
        {"[1,,2]", "error: runtime error: Invalid JSON: "},
        {"{\"a\": }", "error: runtime error: Invalid JSON: "},
        {"{\"a\": nope}", "error: runtime error: Invalid JSON: nope"},
        {"[é", "[]"},
        {"[1,é", "[1]"},
    };
    for (const Row& row : rows) EXPECT_EQ(parse(row.text), row.expected) << row.text;
}

TEST(JsonParse, Failures) {
    struct Row {
        std::string text;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"hello", "error: runtime error: Invalid JSON: hello"},
        {"", "error: runtime error: Invalid JSON: "},
        {"   ", "error: runtime error: Invalid JSON: "},
        {"[", "error: runtime error: Invalid JSON: ["},
        {"{", "error: runtime error: Invalid JSON: {"},
        {" [ ", "error: runtime error: Invalid JSON: ["},
        {"\"", "error: runtime error: Invalid JSON: \""},
        {"+", "error: runtime error: Invalid JSON: +"},
        {"0x10", "error: runtime error: Invalid JSON: 0x10"},
        {"Null", "error: runtime error: Invalid JSON: Null"},
        {"1e", "error: runtime error: Invalid JSON: 1e"},
        {"]", "error: runtime error: Invalid JSON: ]"},
        {"[1, hello]", "error: runtime error: Invalid JSON: hello"},
    };
    for (const Row& row : rows) EXPECT_EQ(parse(row.text), row.expected) << row.text;

    RunBudget budget;
    for (const std::vector<Value>& args :
         {std::vector<Value>{}, {I(5)}, {A({S("1")})}, {N()}, {U()}}) {
        auto r = json_parse(budget, args);
        ASSERT_FALSE(r);
        EXPECT_EQ(r.error().display(), "type error: JSON.parse requires a string argument");
    }
}

std::string nested_arrays(size_t depth, std::string_view inner) {
    return std::string(depth, '[') + std::string(inner) + std::string(depth, ']');
}

TEST(JsonParse, NestingDepth) {
    EXPECT_EQ(parse(nested_arrays(64, "1")).substr(0, 4), "[[[[");
    EXPECT_EQ(parse(nested_arrays(65, "1")),
              "error: runtime error: JSON nesting depth exceeded (max 64)");
    // The innermost empty array is read at depth 64 and starts no deeper read.
    EXPECT_EQ(parse(nested_arrays(65, "")).substr(0, 4), "[[[[");
    EXPECT_EQ(parse(nested_arrays(66, "")),
              "error: runtime error: JSON nesting depth exceeded (max 64)");
    std::string objects;
    for (int i = 0; i < 64; ++i) objects += "{\"a\":";
    EXPECT_EQ(parse(objects + "1" + std::string(64, '}')).substr(0, 6), "{a:{a:");
    EXPECT_EQ(parse("{\"a\":" + objects + "1" + std::string(65, '}')),
              "error: runtime error: JSON nesting depth exceeded (max 64)");
    // A member without a colon is skipped before any deeper read.
    EXPECT_EQ(parse(std::string(70, '{') + std::string(70, '}')), "{}");
    RunBudget budget;
    auto deep = json_to_value_depth(budget, "1", 65);
    ASSERT_FALSE(deep);
    EXPECT_EQ(deep.error().display(), "runtime error: JSON nesting depth exceeded (max 64)");
    auto at_limit = json_to_value_depth(budget, "1", 64);
    ASSERT_TRUE(at_limit);
}

TEST(JsonParse, SplitTopLevel) {
    struct Row {
        std::string text;
        std::vector<std::string> pieces;
    };
    const std::vector<Row> rows = {
        {"1,2,3", {"1", "2", "3"}},
        {"1,2,", {"1", "2"}},
        {"1,,2", {"1", "", "2"}},
        {",", {""}},
        {"[1,2],{\"a\":1,\"b\":2}", {"[1,2]", "{\"a\":1,\"b\":2}"}},
        {"\"a,b\",c", {"\"a,b\"", "c"}},
        {"\"a\\\",b\",c", {"\"a\\\",b\"", "c"}},
        {"\"a\\\\\",b", {"\"a\\\\\"", "b"}},
        // Below zero the count no longer splits: only a count of exactly zero does.
        {"]],a,b", {"]],a,b"}},
        {"],[,a", {"],[", "a"}},
        {" x ", {" x "}},
    };
    for (const Row& row : rows) {
        const auto pieces = split_json_top_level(row.text);
        EXPECT_EQ(std::vector<std::string>(pieces.begin(), pieces.end()), row.pieces) << row.text;
    }
}

TEST(Json, RoundTrip) {
    const Value v = O({{"name", S("corvane")},
                       {"list", A({I(1), F(-2.5), F(1e21), B(false), N(), A({}), O({})})},
                       {"nested", O({{"deep", A({A({A({S("é😀")})})})}})},
                       {"big", I(std::numeric_limits<int64_t>::max())}});
    RunBudget budget;
    auto text = value_to_json(budget, v);
    ASSERT_TRUE(text);
    EXPECT_EQ(parse(*text), show(v));
}

Value doubled(Value leaf, int times) {
    Value v = std::move(leaf);
    for (int i = 0; i < times; ++i) v = A({v, v});
    return v;
}

TEST(JsonStringify, OversizedTextFailsBeforeItIsBuilt) {
    // Thirty doublings: about 2^30 leaves as text, a few dozen cells in memory.
    EXPECT_EQ(stringify(doubled(I(1), 30)), "error: allocation limit exceeded");
    ObjectMap wide;
    wide.set(Str("k"), doubled(S("abc"), 30));
    EXPECT_EQ(stringify(Value::object(std::move(wide))), "error: allocation limit exceeded");
    // One long string, one byte over once quoted.
    EXPECT_EQ(stringify(S(std::string(kMaxStringBytes - 1, 'x'))),
              "error: allocation limit exceeded");
    EXPECT_EQ(stringify(S(std::string(kMaxStringBytes - 2, 'x'))).size(), kMaxStringBytes);
    // Escapes count.
    EXPECT_EQ(stringify(S(std::string(kMaxStringBytes / 2, '"'))),
              "error: allocation limit exceeded");
    ObjectMap long_key;
    long_key.set(Str(std::string(kMaxStringBytes, 'k')), I(1));
    EXPECT_EQ(stringify(Value::object(std::move(long_key))), "error: allocation limit exceeded");
}

TEST(Json, DeepNestingNeedsNoDeepRecursion) {
    Value deep_array = I(1);
    Value deep_object = I(1);
    for (int i = 0; i < 100000; ++i) {
        deep_array = A({deep_array});
        ObjectMap m;
        m.set(Str("a"), deep_object);
        deep_object = Value::object(std::move(m));
    }
    const std::string array_text = stringify(deep_array);
    EXPECT_EQ(array_text, nested_arrays(100000, "1"));
    const std::string object_text = stringify(deep_object);
    EXPECT_EQ(object_text.size(), 100000u * 6 + 1);
    EXPECT_EQ(parse(array_text), "error: runtime error: JSON nesting depth exceeded (max 64)");
    EXPECT_EQ(parse(object_text), "error: runtime error: JSON nesting depth exceeded (max 64)");
}

TEST(JsonParse, HostileInputsEndCleanly) {
    const size_t mb = 1 << 20;
    EXPECT_EQ(parse(std::string(mb, '[')),
              "error: runtime error: JSON nesting depth exceeded (max 64)");
    EXPECT_EQ(parse(std::string(mb, '{')), "{}");
    EXPECT_EQ(parse(std::string(mb, ']')).substr(0, 36), "error: runtime error: Invalid JSON: ");
    EXPECT_EQ(parse(std::string(mb, '"')).size(),
              2 + 400 + std::string("... (1048574 bytes)").size());
    EXPECT_EQ(parse(std::string(mb, ',')).substr(0, 36), "error: runtime error: Invalid JSON: ");
    std::string brackets;
    for (size_t i = 0; i < mb / 2; ++i) brackets += (i % 2 ? "[" : "{\"a\":");
    EXPECT_EQ(parse(brackets), "error: runtime error: JSON nesting depth exceeded (max 64)");
    // Every byte value, in a fixed pseudo-random order: a clean result or error, no crash.
    uint32_t state = 12345;
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int i = 0; i < 300; ++i) {
            state = state * 1103515245 + 12345;
            const char pick[] = "[]{},:\"\\ 1aé\x80";
            text += (state >> 16) % 3 == 0 ? static_cast<char>(state >> 24)
                                           : pick[(state >> 16) % (sizeof pick - 1)];
        }
        (void)parse(text);
    }
}

// A direct reading of the container rules, cutting every array and object afresh with
// split_json_top_level; scalars go to the reader itself. The reader must agree with it on
// every input, however malformed.
Result<Value> reference_read(std::string_view text, uint32_t depth) {
    if (depth > kJsonMaxDepth) {
        return fail(CorvaneError::runtime_error("JSON nesting depth exceeded (max 64)"));
    }
    const std::string_view t = text::trim_white_space(text);
    if (t.empty() || (t.front() != '[' && t.front() != '{')) {
        RunBudget budget;
        return json_to_value_depth(budget, t, depth);
    }
    if (t.size() < 2) return fail(CorvaneError::runtime_error("Invalid JSON: " + std::string(t)));
    const size_t last = std::max<size_t>(1, text::char_start(t, t.size() - 1));
    const std::string_view inner = text::trim_white_space(t.substr(1, last - 1));
    if (t.front() == '[') {
        Array out;
        if (inner.empty()) return Value::array(std::move(out));
        for (std::string_view piece : split_json_top_level(inner)) {
            auto v = reference_read(text::trim_white_space(piece), depth + 1);
            if (!v) return v;
            out.push_back(std::move(*v));
        }
        return Value::array(std::move(out));
    }
    ObjectMap out;
    if (inner.empty()) return Value::object(std::move(out));
    for (std::string_view raw : split_json_top_level(inner)) {
        const std::string_view piece = text::trim_white_space(raw);
        if (piece.empty()) continue;
        // The first colon outside a string.
        size_t colon = std::string_view::npos;
        bool in_string = false;
        size_t backslashes = 0;
        for (size_t i = 0; i < piece.size() && colon == std::string_view::npos; ++i) {
            const char ch = piece[i];
            if (in_string && ch == '\\') {
                ++backslashes;
                continue;
            }
            if (in_string && ch == '"' && backslashes % 2 == 0) {
                in_string = false;
            } else if (!in_string && ch == '"') {
                in_string = true;
            } else if (!in_string && ch == ':') {
                colon = i;
            }
            backslashes = 0;
        }
        if (colon == std::string_view::npos) continue;
        std::string_view key = text::trim_white_space(piece.substr(0, colon));
        if (key.size() >= 2 && key.front() == '"' && key.back() == '"') {
            key = key.substr(1, key.size() - 2);
        }
        auto v = reference_read(text::trim_white_space(piece.substr(colon + 1)), depth + 1);
        if (!v) return v;
        out.set(Str(key), std::move(*v));
    }
    return Value::object(std::move(out));
}

std::string outcome(const Result<Value>& r) {
    return r ? show(*r) : "error: " + r.error().display();
}

TEST(JsonParse, AgreesWithADirectReadingOnMalformedInputs) {
    const std::string_view alphabet[] = {"[", "]", "{",    "}",    ",", ":",  "\"",  "\\", " ",
                                         "1", "a", "-2.5", "null", "é", "\n", "[1,", "{a:"};
    uint32_t state = 2024;
    auto next = [&](uint32_t bound) {
        state = state * 1664525 + 1013904223;
        return (state >> 8) % bound;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string text = next(2) ? "[" : "{";
        const uint32_t length = 1 + next(40);
        for (uint32_t i = 0; i < length; ++i) text += alphabet[next(std::size(alphabet))];
        RunBudget budget;
        ASSERT_EQ(outcome(json_to_value_depth(budget, text, 0)), outcome(reference_read(text, 0)))
            << text;
    }
    // Deep and lopsided nesting around the depth limit.
    for (size_t depth : {62u, 63u, 64u, 65u, 66u}) {
        for (const char* inner : {"1", "", "1,2", "]", ",", "{a:[1]}", "\"[\""}) {
            for (const char* open : {"[", "{k:", "{\"k\":[", "[{a:"}) {
                std::string text;
                for (size_t i = 0; i < depth; ++i) text += open;
                text += inner;
                text += std::string(depth / 2, ']');
                RunBudget budget;
                ASSERT_EQ(outcome(json_to_value_depth(budget, text, 0)),
                          outcome(reference_read(text, 0)))
                    << text;
            }
        }
    }
}

TEST(Json, LongWorkRespectsTheDeadline) {
    // A megabyte document of many small members.
    std::string doc = "[";
    for (int i = 0; i < 40000; ++i) {
        if (i) doc += ",";
        doc += "{\"id\":" + std::to_string(i) + ",\"tag\":\"x\"}";
    }
    doc += "]";
    ASSERT_GT(doc.size(), 900000u);
    RunBudget expired(monotonic_now_ns() - 1);
    EXPECT_EQ(parse(expired, doc), "error: execution time limit exceeded");
    RunBudget expired2(monotonic_now_ns() - 1);
    EXPECT_EQ(stringify(expired2, {doubled(I(1), 20)}), "error: execution time limit exceeded");

    const int64_t start = monotonic_now_ns();
    RunBudget budget(start + 2'000'000);
    EXPECT_EQ(stringify(budget, {doubled(F(0.1), 30)}), "error: execution time limit exceeded");
    EXPECT_LT((monotonic_now_ns() - start) / 1'000'000, 60);
}

}  // namespace
}  // namespace corvane
