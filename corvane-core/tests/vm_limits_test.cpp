// GCC 12 reports a false "may be used uninitialized" for moves of the machine's outcome
// variant when the sanitizers are enabled; it must be silenced before <vector> is read.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <chrono>

#include "vm_test_util.h"

using namespace corvane;
using namespace corvane::test;

TEST(VmLimits, AllocationCountIsExact) {
    Program p;
    p.limits.max_allocations = 0;
    EXPECT_EQ(run({C(1)}, p).error(), "allocation limit exceeded");
    p.limits.max_allocations = 1;
    auto m = run({C(1), C(2)}, p);
    EXPECT_EQ(m.error(), "allocation limit exceeded");
    EXPECT_EQ(m.vm->stack.size(), 1u);
    // [1, 2] costs the two pushes, one event for the literal and its own push.
    p.limits.max_allocations = 4;
    EXPECT_EQ(run({C(1), C(2), ins::MakeArray{2}}, p).text(), "1,2");
    EXPECT_EQ(run({C(1), C(2), ins::MakeArray{2}}, p).vm->allocation_count, 4u);
    p.limits.max_allocations = 3;
    EXPECT_EQ(run({C(1), C(2), ins::MakeArray{2}}, p).error(), "allocation limit exceeded");
}

TEST(VmLimits, CallDepthIsExact) {
    Program p;
    // f(n): n <= 1 ? 0 : f(n - 1)
    p.functions = {fn({ins::LoadLocal{0}, C(1), ins::LtEq{}, ins::JumpIfFalse{6}, C(0), ins::Return{},
                       ins::LoadGlobal{"f"}, ins::LoadLocal{0}, C(1), ins::Sub{}, ins::Call{1}, ins::Return{}},
                      1)};
    auto depth = [&](int64_t n) {
        return run({ins::MakeClosure{0}, ins::StoreGlobal{"f"}, ins::LoadGlobal{"f"}, C(n), ins::Call{1}}, p);
    };
    EXPECT_EQ(depth(512).text(), "0");
    EXPECT_EQ(depth(513).error(), "stack overflow (depth 513)");
    p.limits.max_stack_depth = 0;
    EXPECT_EQ(depth(1).error(), "stack overflow (depth 1)");
}

TEST(VmLimits, TimeLimitStopsLoopsAndIsNeverCaught) {
    Program p;
    p.limits.time_limit_ms = 20;
    // try { while (true) {} } catch {}
    Code loop = {ins::TryStart{3, std::nullopt}, ins::Jump{1}, ins::TryEnd{}, ins::Pop{}};
    auto start = std::chrono::steady_clock::now();
    auto m = run(loop, p);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(m.error(), "execution time limit exceeded");
    EXPECT_LT(ms, 25 + 200);  // generous for loaded machines; the overshoot itself is tiny
    // Inside a nested execution too.
    p.functions = {fn({ins::Jump{0}}, 2)};
    EXPECT_EQ(run({C(1), ins::MakeArray{1}, ins::GetProperty{"map"}, ins::MakeClosure{0}, ins::Call{1}}, p).error(),
              "execution time limit exceeded");
}
