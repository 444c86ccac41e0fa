// The compiler recurses once per IR level; every tree the front end accepts must compile
// within a 512 KiB stack.
#include <gtest/gtest.h>
#include <pthread.h>

#include <string>

#include "compiler/compiler.h"
#include "parser/front_end.h"

namespace corvane {
namespace {

struct Job {
    const ir::Program* program;
    bool ok = false;
};

void* compile_in_thread(void* arg) {
    auto* job = static_cast<Job*>(arg);
    job->ok = compile_with_externals(*job->program, {}).has_value();
    return nullptr;
}

// AddressSanitizer surrounds every local with red zones, which makes frames several times
// larger; the bound is the plain build's.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kStackBytes = 4 * 512 * 1024;
#else
constexpr size_t kStackBytes = 512 * 1024;
#endif

// Compiles on a thread with a 512 KiB stack; true when compilation succeeded.
bool compile_on_small_stack(const ir::Program& program) {
    Job job{&program};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, kStackBytes);
    pthread_t thread;
    EXPECT_EQ(pthread_create(&thread, &attr, compile_in_thread, &job), 0);
    pthread_attr_destroy(&attr);
    pthread_join(thread, nullptr);
    return job.ok;
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

TEST(CompilerDepth, DeepTreesCompileOnASmallStack) {
    const std::string sources[] = {
        cat({"1", repeat("+1", 1000)}),
        cat({"a", repeat("?.b", 1000)}),
        cat({"f", repeat("(1)", 1000)}),
        cat({"x", repeat("[0]", 500), " = 1"}),
        cat({"x", repeat("[i++]", 500), " += 1"}),
        cat({repeat("[", 500), "1", repeat("]", 500)}),
        cat({repeat("x ? ", 500), "1", repeat(" : 2", 500)}),
        cat({repeat("() => ", 200), "1"}),
        cat({"const ", repeat("[", 300), "a", repeat("]", 300), " = x"}),
        cat({"function g(", repeat("[", 300), "a", repeat("]", 300), ") {}"}),
        cat({repeat("while (x) { try { ", 150), "break;", repeat("} finally { y() } }", 150)}),
        cat({repeat("if (x) { ", 300), "y", repeat(" }", 300)}),
        cat({"x = ", repeat("class { m() { return ", 60), "1", repeat("} }", 60)}),
    };
    for (const auto& source : sources) {
        auto program = front_end::parse(source);
        if (!program) continue;  // beyond the front end's own nesting bound
        EXPECT_TRUE(compile_on_small_stack(*program)) << source.substr(0, 60);
    }
}

}  // namespace
}  // namespace corvane
