// Every refusal of the front end: error kind, exact message and span, and the first
// refusal in source order winning.
#include <gtest/gtest.h>
#include <pthread.h>

#include <string>

#include "parser/front_end.h"

using corvane::CorvaneError;
using corvane::front_end::parse;

namespace {

struct Case {
    const char* source;
    const char* display;
};

void expect_refused(const Case& c) {
    auto result = parse(c.source);
    ASSERT_FALSE(result.has_value()) << "accepted: " << c.source;
    EXPECT_EQ(result.error().display(), c.display) << "source: " << c.source;
}

}  // namespace

TEST(LowerRefusals, SandboxViolations) {
    const Case cases[] = {
        {"eval('1')", "sandbox violation: eval is forbidden in the sandbox"},
        {"require('fs')", "sandbox violation: require is forbidden in the sandbox"},
        {"process.env", "sandbox violation: process is forbidden in the sandbox"},
        {"globalThis.x", "sandbox violation: globalThis/global is forbidden in the sandbox"},
        {"global", "sandbox violation: globalThis/global is forbidden in the sandbox"},
        {"new Function('return 1')",
         "sandbox violation: Function constructor is forbidden in the sandbox"},
        {"const f = eval", "sandbox violation: eval is forbidden in the sandbox"},
        {"x = () => require", "sandbox violation: require is forbidden in the sandbox"},
        {"const process = 1; process",
         "sandbox violation: process is forbidden in the sandbox"},
        {"eval.x = 1", "sandbox violation: eval is forbidden in the sandbox"},
        {"function f(a = eval) {}", "sandbox violation: eval is forbidden in the sandbox"},
        {"const { a = eval } = o", "sandbox violation: eval is forbidden in the sandbox"},
        {"`${process}`", "sandbox violation: process is forbidden in the sandbox"},
        {"ev\\u0061l(1)", "sandbox violation: eval is forbidden in the sandbox"},
        {"class A extends Function {}",
         "sandbox violation: Function constructor is forbidden in the sandbox"},
        {"import('x')",
         "sandbox violation: dynamic import() is forbidden in the sandbox (at 0..11)"},
        {"let m = import('x')",
         "sandbox violation: dynamic import() is forbidden in the sandbox (at 8..19)"},
        {"import x from 'y'",
         "sandbox violation: import declarations are forbidden in the sandbox (at 0..17)"},
        {"import type { T } from 'y';",
         "sandbox violation: import declarations are forbidden in the sandbox (at 0..27)"},
        {"export const a = 1;",
         "sandbox violation: export declarations are forbidden in the sandbox (at 0..19)"},
        {"export default 1;",
         "sandbox violation: export declarations are forbidden in the sandbox (at 0..17)"},
        {"export * from 'm';",
         "sandbox violation: export declarations are forbidden in the sandbox (at 0..18)"},
        {"let a = 1; export { a };",
         "sandbox violation: export declarations are forbidden in the sandbox (at 11..24)"},
    };
    for (const auto& c : cases) expect_refused(c);
}

TEST(LowerRefusals, UnsupportedSyntax) {
    const Case cases[] = {
        {"debugger;", "unsupported syntax at 0..9: unsupported statement type"},
        {"with (o) {}", "unsupported syntax at 0..11: unsupported statement type"},
        {"declare global {}", "unsupported syntax at 0..17: unsupported statement type"},
        {"import x = A.B;", "unsupported syntax at 0..15: unsupported statement type"},
        {"export = x;", "unsupported syntax at 0..11: unsupported statement type"},
        {"export as namespace N;", "unsupported syntax at 0..22: unsupported statement type"},
        {"using r = open();", "unsupported syntax at 0..17: using declarations are not supported"},
        {"for (x in o) {}",
         "unsupported syntax at 0..15: for...in loops are not supported, use for...of"},
        {"for (x of xs) {}", "unsupported syntax at 0..16: unsupported for-of left-hand side"},
        {"for (a.b of xs) {}", "unsupported syntax at 0..18: unsupported for-of left-hand side"},
        {"function f() { return new.target }",
         "unsupported syntax at 22..32: meta properties are not supported"},
        {"tag`a${1}b`",
         "unsupported syntax at 0..11: tagged template expressions are not supported"},
        {"class A { #p = 1; m() { return this.#p } }",
         "unsupported syntax at 31..38: private fields are not supported"},
        {"class A { #c; m(a) { return a?.b.#c } }",
         "unsupported syntax at 28..35: private fields are not supported"},
        {"delete o.x", "unsupported syntax at 0..10: delete operator is not supported"},
        {"delete eval", "unsupported syntax at 0..11: delete operator is not supported"},
        {"class A extends B.C {}",
         "unsupported syntax at 0..22: computed super class expressions are not supported"},
        {"x = class extends f() {}",
         "unsupported syntax at 4..24: computed super class expressions are not supported"},
        {"class A { static { init() } }",
         "unsupported syntax at 10..27: static blocks are not supported"},
        {"class A { accessor x = 1 }",
         "unsupported syntax at 10..24: accessor properties in classes are not supported"},
        {"function f(...[a, b]) {}",
         "unsupported syntax at 11..20: complex rest parameter patterns are not supported"},
        {"10n", "unsupported syntax at unknown: unsupported expression type"},
        {"x = <div />", "unsupported syntax at unknown: unsupported expression type"},
        {"x = <></>", "unsupported syntax at unknown: unsupported expression type"},
        {"class A { #x; m(o) { return #x in o } }",
         "unsupported syntax at unknown: unsupported expression type"},
    };
    for (const auto& c : cases) expect_refused(c);
}

TEST(LowerRefusals, EnumsAndNamespaces) {
    const Case cases[] = {
        {"namespace N {}", "unsupported syntax at 0..14: unsupported statement type"},
        {"declare module 'm' {}", "unsupported syntax at 0..21: unsupported statement type"},
        {"enum E { A, B = 2 }", "unsupported syntax at 0..19: TypeScript enums are not supported"},
        {"const enum E { A }",
         "unsupported syntax at 0..18: TypeScript enums are not supported"},
    };
    for (const auto& c : cases) expect_refused(c);
}

TEST(LowerRefusals, CompileErrorsForTargets) {
    const Case cases[] = {
        {"[a, b] = [b, a]", "compile error: unsupported assignment target"},
        {"({ a } = o)", "compile error: unsupported assignment target"},
        {"(x as any) = 1", "compile error: unsupported assignment target"},
        {"x! = 1", "compile error: unsupported assignment target"},
        {"class A { #x; m() { this.#x = 1 } }", "compile error: unsupported assignment target"},
        {"(x as any)++", "compile error: unsupported update target"},
        {"--x!", "compile error: unsupported update target"},
    };
    for (const auto& c : cases) expect_refused(c);
}

// Lowering stops at the first refusal met walking the tree in source order.
TEST(LowerRefusals, FirstRefusalInSourceOrderWins) {
    const Case cases[] = {
        {"eval(1); debugger;", "sandbox violation: eval is forbidden in the sandbox"},
        {"debugger; eval(1);", "unsupported syntax at 0..9: unsupported statement type"},
        {"f(require, process)", "sandbox violation: require is forbidden in the sandbox"},
        {"const a = () => { delete x.y }; eval",
         "unsupported syntax at 18..28: delete operator is not supported"},
        {"[a] = [eval]", "compile error: unsupported assignment target"},
        {"class A extends B.C { static {} }",
         "unsupported syntax at 0..33: computed super class expressions are not supported"},
        {"class A { static {} accessor x }",
         "unsupported syntax at 10..19: static blocks are not supported"},
    };
    for (const auto& c : cases) expect_refused(c);
}

TEST(LowerRefusals, SyntaxErrorsWinOverRefusals) {
    auto result = parse("eval(1);\nlet a = ;");
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().kind(), CorvaneError::Kind::ParseError);
    EXPECT_TRUE(result.error().display().starts_with("parse error: "));

    auto bad = parse("let a = ;");
    ASSERT_FALSE(bad.has_value());
    EXPECT_TRUE(bad.error().display().starts_with("parse error: ")) << bad.error().display();
}

// What is not a reference is not refused.
TEST(LowerRefusals, NamesThatAreNotReferencesAreAccepted) {
    const char* cases[] = {
        "obj.eval(1)",
        "obj.process",
        "({ eval: 1 })",
        "({ eval })",
        "const process = 1;",
        "eval = 1",
        "let o = { require() { return 1 } }",
        "function f(eval) {}",
        "class A { Function() {} }",
        "x?.globalThis",
    };
    for (const char* c : cases) EXPECT_TRUE(parse(c).has_value()) << c;
}

namespace {

void* parse_in_thread(void* arg) {
    const auto* source = static_cast<const std::string*>(arg);
    auto result = parse(*source);
    return result.has_value() ? nullptr : new CorvaneError(std::move(result.error()));
}

// AddressSanitizer's redzones make every frame several times larger.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kSmallStack = 16 * 512 * 1024;
#else
constexpr size_t kSmallStack = 512 * 1024;
#endif

// Runs parse on a thread with a 512 KiB stack and returns its error, if any.
std::optional<CorvaneError> parse_on_small_stack(const std::string& source) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, kSmallStack);
    pthread_t thread;
    std::string copy = source;
    EXPECT_EQ(pthread_create(&thread, &attr, parse_in_thread, &copy), 0);
    pthread_attr_destroy(&attr);
    void* out = nullptr;
    pthread_join(thread, &out);
    if (out == nullptr) return std::nullopt;
    std::unique_ptr<CorvaneError> error(static_cast<CorvaneError*>(out));
    return *error;
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

std::string cat(std::initializer_list<std::string> parts) {
    std::string out;
    for (const auto& p : parts) out += p;
    return out;
}

}  // namespace

// Deep trees lower (or fail cleanly) within a 512 KiB stack; chains longer than the
// bounds are refused with a parse error instead of exhausting the stack.
TEST(LowerRefusals, DeepTreesFitASmallStack) {
    // Built by appending: GCC 12 warns falsely about `"x" + std::string` here.
    const std::string accepted[] = {
        cat({"1", repeat("+1", 900)}),
        cat({"a", repeat(".b", 900)}),
        cat({"f", repeat("()", 900)}),
        cat({repeat("(", 200), "1", repeat(")", 200)}),
        cat({repeat("() => ", 200), "1"}),
        cat({repeat("{", 200), repeat("}", 200)}),
        cat({repeat("function f() {", 120), repeat("}", 120)}),
        cat({"const ", repeat("[", 200), "a", repeat("]", 200), " = x"}),
        cat({"function g(", repeat("[", 200), "a", repeat("]", 200), ") {}"}),
        cat({repeat("if (x) ", 200), "y"}),
        cat({"x = ", repeat("class { m() { return ", 60), "1", repeat("} }", 60)}),
    };
    for (const auto& source : accepted) {
        auto error = parse_on_small_stack(source);
        if (error) {
            // Only the parser's own nesting bound may refuse these.
            EXPECT_EQ(error->kind(), CorvaneError::Kind::ParseError) << source.substr(0, 40);
        }
    }
    auto too_long = parse_on_small_stack(cat({"1", repeat("+1", 5000)}));
    ASSERT_TRUE(too_long.has_value());
    EXPECT_EQ(too_long->kind(), CorvaneError::Kind::ParseError);
}
