// GCC 12 reports a false "may be used uninitialized" for moves of the machine's outcome
// variant when the sanitizers are enabled; it must be silenced before <vector> is read.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <pthread.h>

#include "vm_test_util.h"

using namespace corvane;
using namespace corvane::test;

namespace {
// try { <body> } catch (e) { result = e }; result
Code try_catch(Code body, Code prefix = {}) {
    Code code = std::move(prefix);
    size_t start = code.size();
    code.push_back(ins::TryStart{0, std::nullopt});
    code.insert(code.end(), body.begin(), body.end());
    size_t end_jump = code.size() + 1;
    code.push_back(ins::TryEnd{});
    code.push_back(ins::Jump{0});
    size_t handler = code.size();
    code.push_back(ins::StoreGlobal{"result"});
    code.push_back(ins::LoadGlobal{"result"});
    code[start] = ins::TryStart{handler, std::nullopt};
    code[end_jump] = ins::Jump{code.size()};
    return code;
}
}  // namespace

TEST(VmExceptions, CatchReceivesTheDisplayText) {
    struct Case {
        Code body;
        std::string expected;
    };
    const Case cases[] = {
        {{S("boom"), ins::Throw{}}, "runtime error: boom"},
        {{C(42), ins::Throw{}}, "runtime error: 42"},
        {{S("a"), C(1), ins::MakeObject{1}, ins::Throw{}}, "runtime error: [object Object]"},
        {{C(1), C(2), ins::MakeArray{2}, ins::Throw{}}, "runtime error: 1,2"},
        {{ins::LoadGlobal{"undefinedFunction"}, ins::Call{0}}, "type error: undefined is not a function"},
        {{ins::LoadGlobal{"Error"}, S("x"), ins::New{1}}, "type error: undefined is not a constructor"},
        {{ins::Pop{}}, "runtime error: stack underflow"},
    };
    for (const Case& c : cases) EXPECT_EQ(run(try_catch(c.body)).text(), c.expected);
    EXPECT_EQ(run({S("boom"), ins::Throw{}}).error(), "runtime error: boom");
}

TEST(VmExceptions, HandlerCutsTheStackAndNestedBlocksUnwindInOrder) {
    // Values pushed inside the block are gone when the handler runs.
    auto m = run(try_catch({C(1), C(2), S("x"), ins::Throw{}}, {C(7)}));
    EXPECT_EQ(m.text(), "runtime error: x");
    ASSERT_EQ(m.vm->stack.size(), 1u);  // only the 7 pushed before the block is left
    EXPECT_EQ(m.vm->stack[0].as_int(), 7);
    // An error inside the handler goes to the enclosing block.
    Code inner = try_catch({S("in"), ins::Throw{}});
    inner.push_back(S("again"));
    inner.push_back(ins::Throw{});
    EXPECT_EQ(run(try_catch(inner)).text(), "runtime error: again");
}

TEST(VmExceptions, TryRecordsDieWithTheirFrame) {
    Program p;
    // f(): try { return 1 } catch { return 99 }   -- the return leaves the try block
    p.functions = {fn({ins::TryStart{3, std::nullopt}, C(1), ins::Return{}, ins::Pop{}, C(99), ins::Return{}}, 0)};
    // f(); then an uncaught error: it must not resume in f's handler.
    auto m = run({ins::MakeClosure{0}, ins::Call{0}, ins::Pop{}, S("late"), ins::Throw{}}, p);
    EXPECT_EQ(m.error(), "runtime error: late");
    EXPECT_TRUE(m.vm->try_stack.empty());
}

TEST(VmExceptions, StackOverflowIsCaughtAndFramesAreGone) {
    Program p;
    p.functions = {fn({ins::LoadGlobal{"f"}, ins::Call{0}, ins::Return{}}, 0)};
    p.limits.max_stack_depth = 50;
    auto m = run(try_catch({ins::LoadGlobal{"f"}, ins::Call{0}}, {ins::MakeClosure{0}, ins::StoreGlobal{"f"}}), p);
    EXPECT_EQ(m.text(), "stack overflow (depth 51)");
    EXPECT_EQ(m.vm->frames.size(), 1u);
    EXPECT_EQ(m.vm->call_depth, 0u);
}

TEST(VmExceptions, CallbackErrorsEndTheNativeCall) {
    Program p;
    p.functions = {
        // throws
        fn({S("boom"), ins::Throw{}}, 2),
        // try { throw "inner" } catch (e) { return e }
        fn({ins::TryStart{3, std::nullopt}, S("inner"), ins::Throw{}, ins::Return{}}, 2),
    };
    // try { [1, 2].map(throws) } catch (e) { e }
    auto m = run(try_catch({C(1), C(2), ins::MakeArray{2}, ins::GetProperty{"map"}, ins::MakeClosure{0},
                            ins::Call{1}}),
                 p);
    EXPECT_EQ(m.text(), "runtime error: boom");
    EXPECT_EQ(m.vm->frames.size(), 1u);
    // Without a try block anywhere the run fails with the callback's error.
    EXPECT_EQ(run({C(1), ins::MakeArray{1}, ins::GetProperty{"map"}, ins::MakeClosure{0}, ins::Call{1}}, p).error(),
              "runtime error: boom");
    // A try block inside the callback catches there.
    EXPECT_EQ(run(try_catch({C(1), ins::MakeArray{1}, ins::GetProperty{"map"}, ins::MakeClosure{1}, ins::Call{1}}),
                  p)
                  .text(),
              "runtime error: inner");
}

namespace {
struct ThreadRun {
    Program program;
    Code code;
    std::string error;
};

void* run_on_thread(void* arg) {
    auto* t = static_cast<ThreadRun*>(arg);
    t->error = run(t->code, t->program).error();
    return nullptr;
}
}  // namespace

TEST(VmLimits, NestedExecutionsCannotExhaustASmallNativeStack) {
    // f(x) = [x].map(f): every level is a native nested execution.
    ThreadRun t;
    t.program.functions = {fn({ins::LoadLocal{0}, ins::MakeArray{1}, ins::GetProperty{"map"}, ins::LoadGlobal{"f"},
                               ins::Call{1}, ins::Return{}},
                              2)};
    t.program.limits.max_stack_depth = 1'000'000;
    t.code = {ins::MakeClosure{0}, ins::StoreGlobal{"f"}, ins::LoadGlobal{"f"}, C(1), C(0), ins::Call{2}};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 512 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attr, run_on_thread, &t), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_EQ(t.error.rfind("stack overflow (depth ", 0), 0u) << t.error;
}
