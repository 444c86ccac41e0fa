// Hostile input: truncated and byte-mutated corpus programs must parse without crashing,
// and nesting at and beyond the depth limit must end in a diagnostic on a thread with a
// 512 KiB stack.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "parser/ast.h"

namespace corvane::parser {
namespace {

std::vector<std::string> corpus_texts() {
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    for (const char* kind : {"valid", "invalid"}) {
        const fs::path dir = fs::path(__FILE__).parent_path() / "corpus" / kind;
        std::vector<fs::path> paths;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(dir, ec)) paths.push_back(e.path());
        std::sort(paths.begin(), paths.end());
        for (const auto& p : paths) {
            std::ifstream in(p, std::ios::binary);
            std::stringstream ss;
            ss << in.rdbuf();
            out.push_back(ss.str());
        }
    }
    return out;
}

// A tiny deterministic generator so that failures reproduce.
struct Rng {
    uint64_t state;
    uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
};

void check_clean(const std::string& text) {
    ParseResult r = parse_typescript(text);
    for (const std::string& d : r.diagnostics) {
        ASSERT_NE(d.find("(line "), std::string::npos) << d;
    }
    // Every node span lies inside the text.
    for (const Node& n : r.ast.nodes) {
        ASSERT_LE(n.span.start, n.span.end);
        ASSERT_LE(n.span.end, text.size());
    }
}

TEST(ParserFuzz, TruncatedAndMutatedCorpusReturnsCleanly) {
    const std::vector<std::string> texts = corpus_texts();
    ASSERT_FALSE(texts.empty());
    static const char kInteresting[] = "(){}[]<>/`'\"\\$?.:;,=!+-*&|^~@# \n\t0x_n";
    Rng rng{12345};
    size_t variants = 0;
    for (const std::string& text : texts) {
        // Truncations at a spread of cut points.
        for (int i = 1; i <= 24; ++i) {
            check_clean(text.substr(0, text.size() * i / 25));
            ++variants;
        }
        // Byte mutations: replace, insert or delete a few bytes.
        for (int i = 0; i < 60; ++i) {
            std::string m = text;
            const int edits = 1 + static_cast<int>(rng.next() % 4);
            for (int e = 0; e < edits && !m.empty(); ++e) {
                size_t pos = rng.next() % m.size();
                switch (rng.next() % 4) {
                    case 0: m[pos] = kInteresting[rng.next() % (sizeof kInteresting - 1)]; break;
                    case 1: m.insert(pos, 1, kInteresting[rng.next() % (sizeof kInteresting - 1)]); break;
                    case 2: m.erase(pos, 1 + rng.next() % 8); break;
                    default: m[pos] = static_cast<char>(rng.next() & 0xFF); break;
                }
            }
            check_clean(m);
            ++variants;
        }
    }
    EXPECT_GT(variants, 2000u);
}

// ---- depth limits on a small stack ------------------------------------------------------

// Sanitizer builds pad every frame with red zones, so they get a proportionally larger
// stack; the 512 KiB figure and the usage bound apply to ordinary builds.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kStackScale = 8;
#else
constexpr size_t kStackScale = 1;
#endif
constexpr size_t kStackSize = 512 * 1024 * kStackScale;
constexpr unsigned char kPaint = 0xA5;

struct StackRun {
    std::function<void()> fn;
};

void* run_thunk(void* arg) {
    static_cast<StackRun*>(arg)->fn();
    return nullptr;
}

// Runs fn on a thread whose 512 KiB stack is painted beforehand; returns the number of
// stack bytes the call touched.
size_t run_on_small_stack(const std::function<void()>& fn) {
    std::vector<unsigned char> stack(kStackSize);
    std::memset(stack.data(), kPaint, stack.size());
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstack(&attr, stack.data(), stack.size());
    StackRun run{fn};
    pthread_t thread;
    EXPECT_EQ(pthread_create(&thread, &attr, run_thunk, &run), 0);
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

struct Nesting {
    const char* name;
    std::function<std::string(size_t)> make;
};

TEST(ParserDepth, NestingAtAndBeyondTheLimitOnA512KiBStack) {
    const Nesting constructs[] = {
        {"parentheses", [](size_t n) { return "x = " + repeat("(", n) + "1" + repeat(")", n); }},
        {"arrays", [](size_t n) { return "x = " + repeat("[", n) + repeat("]", n); }},
        {"objects", [](size_t n) { return "x = " + repeat("{a:", n) + "1" + repeat("}", n); }},
        {"blocks", [](size_t n) { return repeat("{", n) + repeat("}", n); }},
        {"if chains", [](size_t n) { return repeat("if (a) ", n) + "b;"; }},
        {"else-if chains", [](size_t n) { return "if (a) b;" + repeat(" else if (a) b;", n); }},
        {"functions", [](size_t n) { return repeat("function f() {", n) + repeat("}", n); }},
        {"arrows", [](size_t n) { return "x = " + repeat("() => ", n) + "1"; }},
        {"calls", [](size_t n) { return "x = " + repeat("f(", n) + repeat(")", n); }},
        {"templates", [](size_t n) { return "x = " + repeat("`${", n) + "1" + repeat("}`", n); }},
        {"unary", [](size_t n) { return "x = " + repeat("- ", n) + "1"; }},
        {"not", [](size_t n) { return "x = " + repeat("!", n) + "1"; }},
        {"unary words", [](size_t n) { return "x = " + repeat("typeof ", n) + "1"; }},
        {"conditionals", [](size_t n) { return "x = " + repeat("a ? b : ", n) + "c"; }},
        {"assignments", [](size_t n) { return repeat("a = ", n) + "1"; }},
        {"new", [](size_t n) { return "x = " + repeat("new ", n) + "X"; }},
        {"type arguments", [](size_t n) { return "let x: " + repeat("A<", n) + "B" + repeat(">", n); }},
        {"type parentheses", [](size_t n) { return "let x: " + repeat("(", n) + "B" + repeat(")", n); }},
        {"object types", [](size_t n) { return "let x: " + repeat("{a:", n) + "B" + repeat("}", n); }},
        {"array patterns", [](size_t n) { return "let " + repeat("[", n) + "a" + repeat("]", n) + " = b"; }},
        {"classes", [](size_t n) { return "x = " + repeat("class { m() { return ", n) + "1" + repeat("} }", n); }},
        {"jsx", [](size_t n) { return "x = " + repeat("<a>", n) + repeat("</a>", n); }},
        {"arrow parameters", [](size_t n) { return "x = " + repeat("(a = ", n) + "1" + repeat(") => 1", n); }},
    };
    size_t max_used = 0;
    for (const Nesting& c : constructs) {
        // Well below the limit parses; far beyond it reports the limit.
        for (size_t n : {size_t{50}, size_t{kMaxNestingDepth + 1}, size_t{5000}}) {
            const std::string text = c.make(n);
            ParseResult result;
            size_t used = run_on_small_stack([&] { result = parse_typescript(text); });
            max_used = std::max(max_used, used);
            if (n == 50) {
                EXPECT_TRUE(result.ok()) << c.name << ": " << result.diagnostics.at(0);
            } else if (n == 5000) {
                ASSERT_FALSE(result.ok()) << c.name;
                EXPECT_NE(result.diagnostics[0].find("Nesting too deep: more than 256 levels"),
                          std::string::npos)
                    << c.name << ": " << result.diagnostics[0];
            }
            if (kStackScale == 1) {
                EXPECT_LT(used, 256 * 1024u) << c.name << " n=" << n;
            }
        }
    }
    RecordProperty("max_stack_bytes", static_cast<int>(max_used));
    std::printf("[ parser depth ] deepest stack use: %zu bytes\n", max_used);
}

TEST(ParserDepth, LongFlatInputsAreNotNesting) {
    // Long operator chains, statement lists and element lists are iterated, not recursed.
    std::string chain = "x = 1" + repeat(" + 1", 1000) + ";\n";
    std::string many = repeat("a = a + 1;\n", 20000);
    std::string elements = "x = [" + repeat("1, ", 50000) + "];";
    for (const std::string* text : {&chain, &many, &elements}) {
        ParseResult r;
        run_on_small_stack([&] { r = parse_typescript(*text); });
        EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.diagnostics[0]);
    }
}

}  // namespace
}  // namespace corvane::parser
