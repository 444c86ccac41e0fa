// Member, call, index, non-null, optional and tagged-template chains are as deep as they
// are long. The parser counts their links toward the nesting limit; the deepest chains it
// accepts (and the deepest trees the lowering accepts) must go through parsing, lowering,
// compiling and destruction on a thread with a 512 KiB stack.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "compiler/compiler.h"
#include "parser/ast.h"
#include "parser/front_end.h"
#include "parser/lower.h"

namespace corvane {
namespace {

// Sanitizer builds pad every frame with red zones, so they get a proportionally larger
// stack; the 512 KiB figure applies to ordinary builds.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kStackScale = 8;
#else
constexpr size_t kStackScale = 1;
#endif
constexpr size_t kStackSize = 512 * 1024 * kStackScale;
constexpr unsigned char kPaint = 0xA5;

void* run_thunk(void* arg) {
    (*static_cast<std::function<void()>*>(arg))();
    return nullptr;
}

// Runs fn on a thread with a painted 512 KiB stack; returns the bytes the call touched.
size_t run_on_small_stack(std::function<void()> fn) {
    std::vector<unsigned char> stack(kStackSize);
    std::memset(stack.data(), kPaint, stack.size());
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstack(&attr, stack.data(), stack.size());
    pthread_t thread;
    EXPECT_EQ(pthread_create(&thread, &attr, run_thunk, &fn), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    size_t untouched = 0;
    while (untouched < stack.size() && stack[untouched] == kPaint) ++untouched;
    return stack.size() - untouched;
}

std::string repeat(std::string_view s, size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (size_t i = 0; i < n; ++i) out.append(s);
    return out;
}

// What the whole front end and the compiler made of one text.
struct Outcome {
    bool parsed = false;     // front_end::parse succeeded
    bool compiled = false;   // compile_with_externals succeeded
    std::string error;       // the first error's display text
    CorvaneError::Kind kind = CorvaneError::Kind::ParseError;
};

// Parses, lowers, compiles and destroys everything on the small stack.
Outcome run_whole_path(const std::string& text, size_t& stack_used) {
    Outcome out;
    stack_used = run_on_small_stack([&] {
        auto program = front_end::parse(text);
        if (!program) {
            out.error = program.error().display();
            out.kind = program.error().kind();
            return;
        }
        out.parsed = true;
        auto compiled = compile_with_externals(*program, {});
        if (!compiled) {
            out.error = compiled.error().display();
            out.kind = compiled.error().kind();
            return;
        }
        out.compiled = true;
    });
    return out;
}

struct Chain {
    const char* name;
    std::function<std::string(size_t)> make;  // a program with a chain of n links
    bool lowers;  // the lowering accepts the construct (tagged templates are refused)
    size_t min_accepted = parser::kMaxNestingDepth - 16;  // the statement takes a few levels
};

const Chain kChains[] = {
    {"member", [](size_t n) { return "let a = {}; x = a" + repeat(".b", n); }, true},
    {"call", [](size_t n) { return "let f = 1; x = f" + repeat("()", n); }, true},
    {"index", [](size_t n) { return "let a = 1; x = a" + repeat("[0]", n); }, true},
    {"non-null member", [](size_t n) { return "let a = 1; x = a" + repeat("!.y", n / 2); }, true},
    {"optional", [](size_t n) { return "let a = 1; x = a" + repeat("?.b", n); }, true},
    {"optional call", [](size_t n) { return "let a = 1; x = a" + repeat("?.()", n); }, true},
    {"method calls", [](size_t n) { return "let a = 1; x = a" + repeat(".m(1)", n / 2); }, true},
    {"type-argument calls", [](size_t n) { return "let f = 1; x = f" + repeat("<T>()", n / 2); }, true},
    {"new callee", [](size_t n) { return "let a = 1; x = new a" + repeat(".b", n) + "()"; }, true},
    {"tagged templates", [](size_t n) { return "let f = 1; x = f" + repeat("`t`", n); }, false},
    {"chained arguments", [](size_t n) { return "let a = 1; x = " + repeat("a.b(", n / 2) + repeat(")", n / 2); },
     true, parser::kMaxNestingDepth / 2},
};

// The largest n for which make(n) parses (n up to 4 * the limit).
size_t longest_accepted(const Chain& c) {
    size_t lo = 0, hi = 4 * parser::kMaxNestingDepth;
    while (lo < hi) {
        const size_t mid = (lo + hi + 1) / 2;
        if (parser::parse_typescript(c.make(mid)).ok()) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    return lo;
}

TEST(ChainDepth, LinksCountTowardTheNestingLimit) {
    for (const Chain& c : kChains) {
        const size_t n = longest_accepted(c);
        EXPECT_GE(n, c.min_accepted) << c.name;
        EXPECT_LE(n, 2 * parser::kMaxNestingDepth) << c.name;
        for (size_t m : {n + 1, n + 2, size_t{5000}}) {
            const parser::ParseResult r = parser::parse_typescript(c.make(m));
            ASSERT_FALSE(r.ok()) << c.name << " n=" << m;
            EXPECT_NE(r.diagnostics[0].find("Nesting too deep: more than 256 levels"),
                      std::string::npos)
                << c.name << ": " << r.diagnostics[0];
        }
    }
}

TEST(ChainDepth, DeepestAcceptedChainsSurviveTheWholePathOnA512KiBStack) {
    size_t max_used = 0;
    for (const Chain& c : kChains) {
        const size_t n = longest_accepted(c);
        for (size_t m : {n, n + 1, size_t{100000}}) {
            size_t used = 0;
            const Outcome o = run_whole_path(c.make(m), used);
            max_used = std::max(max_used, used);
            if (m == n && c.lowers) {
                EXPECT_TRUE(o.compiled) << c.name << ": " << o.error;
            } else if (m == n) {
                EXPECT_EQ(o.kind, CorvaneError::Kind::UnsupportedSyntax) << c.name << ": " << o.error;
            } else {
                EXPECT_EQ(o.kind, CorvaneError::Kind::ParseError) << c.name;
                EXPECT_NE(o.error.find("Nesting too deep: more than 256 levels"), std::string::npos)
                    << c.name << ": " << o.error;
            }
            if (kStackScale == 1) {
                EXPECT_LT(used, 384 * 1024u) << c.name << " n=" << m;
            }
        }
    }
    std::printf("[ chain depth ] deepest stack use: %zu bytes\n", max_used);
}

// The deepest trees come from long operator chains, which the lowering accepts up to its
// own depth bound (a little below the parser's operator-chain limit); beyond it the
// lowering refuses them. Both ends fit the small stack.
TEST(ChainDepth, DeepestLoweredTreesCompileOnA512KiBStack) {
    struct Case {
        std::string text;
        bool accepted;
    };
    const Case cases[] = {
        {"x = 1" + repeat(" + 1", front_end::kMaxLoweringDepth - 8), true},
        {"x = 1" + repeat(" ** 1", front_end::kMaxLoweringDepth - 8), true},
        {"x = 1" + repeat(" ** 1", parser::kMaxOperatorChain), false},
        {"let a = 1; x = " + repeat("a.b(", 100) + "1" + repeat(" + 1", 800) + repeat(")", 100),
         true},
        // Parenthesised operator chains nest deeper than the lowering's bound.
        {repeat("x = (", 3) + "1" + repeat(" + 1", 900) + repeat(")" + repeat(" + 1", 900), 3),
         false},
    };
    size_t max_used = 0;
    for (const Case& c : cases) {
        size_t used = 0;
        const Outcome o = run_whole_path(c.text, used);
        max_used = std::max(max_used, used);
        if (c.accepted) {
            EXPECT_TRUE(o.compiled) << c.text.substr(0, 40) << ": " << o.error;
        } else {
            EXPECT_EQ(o.kind, CorvaneError::Kind::ParseError) << o.error;
            EXPECT_NE(o.error.find("nested too deeply"), std::string::npos) << o.error;
        }
        if (kStackScale == 1) {
            EXPECT_LT(used, 384 * 1024u) << c.text.substr(0, 40);
        }
    }
    std::printf("[ lowered depth ] deepest stack use: %zu bytes\n", max_used);
}

}  // namespace
}  // namespace corvane
