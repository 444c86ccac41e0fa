// GCC 12 reports a false "may be used uninitialized" for moves of the machine's outcome
// variant when the sanitizers are enabled; it must be silenced before <vector> is read.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <cmath>

#include "vm/builtins/globals.h"
#include "vm_test_util.h"

using namespace corvane;

namespace {
RunBudget budget;  // no deadline
}  // namespace
using namespace corvane::test;

namespace {
std::string call(std::string_view object, std::string_view method, std::vector<Value> args) {
    std::string out;
    auto r = call_global_method(object, method, args, out, budget);
    if (!r) return "error: " + r.error().display();
    if (!*r) return "<no such method>";
    std::string kind = (*r)->is_float() ? "F:" : "";
    return kind + to_js_string(**r);
}
const double kNaN = NAN;
}  // namespace

TEST(Globals, ConsoleFormatting) {
    std::string out;
    std::vector<Value> a = {str("a"), I(1), Value::boolean(true), Value::null(), Value()};
    ASSERT_TRUE(call_global_method("console", "log", a, out, budget));
    std::vector<Value> b = {arr({I(1), arr({I(2), I(3)})}), Value::object(ObjectMap{})};
    ASSERT_TRUE(call_global_method("console", "error", b, out, budget));
    ASSERT_TRUE(call_global_method("console", "debug", {}, out, budget));
    EXPECT_EQ(out, "a 1 true null undefined\n1,2,3 [object Object]\n\n");
    EXPECT_FALSE(*call_global_method("console", "table", {}, out, budget));
}

TEST(Globals, MathTable) {
    struct Case {
        const char* method;
        std::vector<Value> args;
        std::string expected;
    };
    const Case cases[] = {
        {"max", {}, "F:-Infinity"},      {"min", {}, "F:Infinity"},
        {"max", {I(3)}, "F:3"},          {"max", {str("7"), I(2)}, "F:7"},
        {"max", {Value::number(kNaN), I(1)}, "F:NaN"},
        {"max", {I(1), Value::number(kNaN)}, "F:1"},
        {"round", {Value::number(-2.5)}, "F:-3"}, {"round", {Value::number(2.5)}, "F:3"},
        {"round", {Value::number(-0.4)}, "F:-0"},  {"sign", {Value::number(-0.0)}, "F:0"},
        {"sign", {Value::number(kNaN)}, "F:0"},   {"sign", {I(-4)}, "F:-1"},
        {"random", {}, "F:0.5"},                  {"floor", {I(7)}, "F:7"},
        {"floor", {}, "F:NaN"},                   {"pow", {I(1)}, "F:1"},
        {"atan2", {I(1), I(0)}, "F:1.5707963267948966"},
        {"PI", {}, "F:3.141592653589793"},       {"hypot", {I(3), I(4)}, "<no such method>"},
    };
    for (const Case& c : cases) EXPECT_EQ(call("Math", c.method, c.args), c.expected) << c.method;
    GlobalMap g;
    register_globals(g);
    EXPECT_EQ(to_js_string(*g.find(std::string_view("Math"))->second.as_object().find("SQRT1_2")),
              "0.7071067811865475");
    EXPECT_EQ(g.size(), 6u);
}

TEST(Globals, ArrayObjectPromiseTable) {
    ObjectMap o;
    o.set("a", I(1));
    Value obj = Value::object(o);
    ObjectMap o2;
    o2.set("b", I(2));
    ObjectMap o3;
    o3.set("a", I(3));
    struct Case {
        const char* object;
        const char* method;
        std::vector<Value> args;
        std::string expected;
    };
    Value resolved2 = make_promise(true, I(2));
    const Case cases[] = {
        {"Array", "from", {str("héllo")}, "h,é,l,l,o"},
        {"Array", "from", {I(5)}, ""},
        {"Array", "isArray", {arr({})}, "true"},
        {"Array", "of", {I(1), I(2)}, "1,2"},
        {"Object", "keys", {I(5)}, ""},
        {"Object", "keys", {arr({I(1)})}, ""},
        {"Object", "entries", {obj}, "a,1"},
        {"Object", "assign", {obj, Value::object(o2), I(7), Value::object(o3)}, "[object Object]"},
        {"Object", "freeze", {}, "<no such method>"},
        {"Object", "fromEntries", {}, "<no such method>"},
        {"Promise", "race", {}, "<no such method>"},
        {"JSON", "nope", {}, "<no such method>"},
        {"Nope", "x", {}, "<no such method>"},
    };
    for (const Case& c : cases) EXPECT_EQ(call(c.object, c.method, c.args), c.expected) << c.method;
    // assign: a 3 then b 2; the first argument is unchanged
    std::string out;
    std::vector<Value> args = {obj, Value::object(o2), I(7), Value::object(o3)};
    Value merged = **call_global_method("Object", "assign", args, out, budget);
    EXPECT_EQ(to_js_string(**call_global_method("Object", "entries", std::vector<Value>{merged}, out, budget)), "a,3,b,2");
    EXPECT_EQ(obj.as_object().find("a")->as_int(), 1);
    // Promise.all
    std::vector<Value> all_args = {arr({I(1), resolved2})};
    Value all = **call_global_method("Promise", "all", all_args, out, budget);
    EXPECT_EQ(to_js_string(*all.as_object().find("value")), "1,2");
    Value rejected = **call_global_method("Promise", "reject", std::vector<Value>{str("e")}, out, budget);
    std::vector<Value> rej_args = {arr({rejected, I(1)})};
    Value first_rejected = **call_global_method("Promise", "all", rej_args, out, budget);
    EXPECT_EQ(to_js_string(*first_rejected.as_object().find("reason")), "e");
    EXPECT_TRUE(call_global_method("Promise", "resolve", std::vector<Value>{rejected}, out, budget).value()->same_cell(rejected));
}
