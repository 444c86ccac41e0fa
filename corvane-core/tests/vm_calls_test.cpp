// GCC 12 reports a false "may be used uninitialized" for moves of the machine's outcome
// variant when the sanitizers are enabled; it must be silenced before <vector> is read.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "vm_test_util.h"

using namespace corvane;
using namespace corvane::test;

namespace {
// inc(): this.n = this.n + 1 (returns nothing)
CompiledFunction inc_method() {
    return fn({ins::LoadThis{}, ins::GetProperty{"n"}, C(1), ins::Add{}, ins::Dup{}, ins::LoadThis{},
               ins::SetProperty{"n"}, ins::StoreThis{}, ins::Pop{}, U(), ins::Return{}},
              0);
}
// {n: <n>, inc: closure 0}
Code counter(int64_t n) { return {S("n"), C(n), S("inc"), ins::MakeClosure{0}, ins::MakeObject{2}}; }
Code concat(Code a, const Code& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
}  // namespace

TEST(VmCalls, PlainCallsAndParameters) {
    Program p;
    p.functions = {fn({ins::LoadLocal{0}, ins::LoadLocal{1}, ins::Add{}, ins::Return{}}, 2),
                   fn({ins::LoadLocal{1}, ins::Return{}}, 2, {}, /*rest=*/true)};
    EXPECT_EQ(run({ins::MakeClosure{0}, C(2), C(3), ins::Call{2}}, p).text(), "5");
    EXPECT_EQ(run({ins::MakeClosure{0}, C(2), ins::Call{1}}, p).text(), "NaN");
    EXPECT_EQ(run({ins::MakeClosure{1}, C(1), C(2), C(3), ins::Call{3}}, p).text(), "2,3");
    EXPECT_EQ(run({ins::MakeClosure{1}, C(1), ins::Call{1}, ins::GetProperty{"length"}}, p).text(), "0");
    EXPECT_EQ(run({U(), ins::Call{0}}).error(), "type error: undefined is not a function");
    EXPECT_EQ(run({ins::MakeObject{0}, ins::Call{0}}).error(), "type error: [object Object] is not a function");
    EXPECT_EQ(run({ins::MakeObject{0}, ins::GetProperty{"m"}, ins::Call{0}}).error(),
              "type error: undefined is not a function");
    EXPECT_EQ(run({S("s"), ins::GetProperty{"nope"}, ins::Call{0}}).error(),
              "type error: undefined is not a function");
}

TEST(VmCalls, ClosuresCaptureAtCreation) {
    Program p;
    p.local_names = {"x", "f"};
    p.functions = {fn({ins::LoadGlobal{"x"}, ins::Return{}}, 0)};
    // x = 1; f = closure; x = 2; f()  -> 1
    EXPECT_EQ(run({C(1), ins::StoreLocal{0}, ins::MakeClosure{0}, ins::StoreLocal{1}, C(2), ins::StoreLocal{0},
                   ins::LoadLocal{1}, ins::Call{0}},
                  p)
                  .text(),
              "1");
}

TEST(VmCalls, MethodWritesBackToItsVariable) {
    Program p;
    p.functions = {inc_method()};
    p.local_names = {"obj"};
    // local: obj.inc(); obj.inc(); result of the call is the object; obj.n == 2
    auto m = run(concat(counter(0), {ins::StoreLocal{0}, ins::LoadLocal{0}, ins::GetProperty{"inc"}, ins::Call{0},
                                     ins::Pop{}, ins::LoadLocal{0}, ins::GetProperty{"inc"}, ins::Call{0},
                                     ins::GetProperty{"n"}, ins::LoadLocal{0}, ins::GetProperty{"n"},
                                     ins::MakeArray{2}}),
                 p);
    EXPECT_EQ(m.text(), "2,2");
    // global
    m = run(concat(counter(5), {ins::StoreGlobal{"g"}, ins::LoadGlobal{"g"}, ins::GetProperty{"inc"}, ins::Call{0},
                                ins::Pop{}, ins::LoadGlobal{"g"}, ins::GetProperty{"n"}}),
            p);
    EXPECT_EQ(m.text(), "6");
}

TEST(VmCalls, WriteBackOnlyWhereTheReceiverCameFrom) {
    Program p;
    p.functions = {inc_method()};
    p.local_names = {"a", "list"};
    // a = {b: counter}; a.b.inc() -> a.b.n stays 0 (the copy was changed, nothing stored back)
    Code nested = {S("b")};
    nested = concat(nested, counter(0));
    nested = concat(nested, {ins::MakeObject{1}, ins::StoreLocal{0}, ins::LoadLocal{0}, ins::GetProperty{"b"},
                             ins::GetProperty{"inc"}, ins::Call{0}, ins::Pop{}, ins::LoadLocal{0},
                             ins::GetProperty{"b"}, ins::GetProperty{"n"}, ins::LoadLocal{0},
                             ins::GetProperty{"inc"}, ins::TypeOf{}, ins::MakeArray{2}});
    EXPECT_EQ(run(nested, p).text(), "0,undefined");
    // list = [counter]; list[0].inc() -> list unchanged, still an array of one object
    Code indexed = concat(counter(0), {ins::MakeArray{1}, ins::StoreLocal{1}, ins::LoadLocal{1}, C(0),
                                       ins::GetIndex{}, ins::GetProperty{"inc"}, ins::Call{0}, ins::Pop{},
                                       ins::LoadLocal{1}, C(0), ins::GetIndex{}, ins::GetProperty{"n"},
                                       ins::LoadLocal{1}, ins::GetProperty{"length"}, ins::MakeArray{2}});
    EXPECT_EQ(run(indexed, p).text(), "0,1");
    // const f = obj.inc; f() -> no receiver
    Code detached = concat(counter(0), {ins::GetProperty{"inc"}, ins::StoreLocal{0}, ins::LoadLocal{0},
                                        ins::Call{0}});
    EXPECT_EQ(run(detached, p).error(), "type error: Cannot read properties of undefined (reading 'n')");
}

TEST(VmCalls, ReceiverSurvivesMethodCallsInArguments) {
    Program p;
    // add(x): return this.v + x      get(): return this.v
    p.functions = {fn({ins::LoadThis{}, ins::GetProperty{"v"}, ins::LoadLocal{0}, ins::Add{}, ins::Return{}}, 1),
                   fn({ins::LoadThis{}, ins::GetProperty{"v"}, ins::Return{}}, 0)};
    p.local_names = {"obj", "other"};
    Code code = {S("v"), C(100), S("add"), ins::MakeClosure{0}, ins::MakeObject{2}, ins::StoreLocal{0},
                 S("v"), C(7), S("get"), ins::MakeClosure{1}, ins::MakeObject{2}, ins::StoreLocal{1},
                 // obj.add(other.get()) + Math.max(other.get(), 1)
                 ins::LoadLocal{0}, ins::GetProperty{"add"}, ins::LoadLocal{1}, ins::GetProperty{"get"},
                 ins::Call{0}, ins::Call{1}, ins::LoadGlobal{"Math"}, ins::GetProperty{"max"}, ins::LoadLocal{1},
                 ins::GetProperty{"get"}, ins::Call{0}, C(1), ins::Call{2}, ins::Add{}};
    EXPECT_EQ(run(code, p).text(), "114");
}

TEST(VmCalls, CallerThisReplacedOnlyForThisCalls) {
    Program p;
    p.functions = {
        inc_method(),
        // outer(): this.inc(); return this.n
        fn({ins::LoadThis{}, ins::GetProperty{"inc"}, ins::Call{0}, ins::Pop{}, ins::LoadThis{},
            ins::GetProperty{"n"}, ins::Return{}},
           0),
        // other(): const o = {n: 50, inc}; o.inc(); new-free: return this.n
        fn(concat(counter(50), {ins::StoreLocal{0}, ins::LoadLocal{0}, ins::GetProperty{"inc"}, ins::Call{0},
                                ins::Pop{}, ins::LoadThis{}, ins::GetProperty{"n"}, ins::Return{}}),
           0, {"o"}),
    };
    Code with_outer = {S("n"), C(1), S("inc"), ins::MakeClosure{0}, S("outer"), ins::MakeClosure{1},
                       S("other"), ins::MakeClosure{2}, ins::MakeObject{4}, ins::StoreGlobal{"x"},
                       ins::LoadGlobal{"x"}, ins::GetProperty{"outer"}, ins::Call{0},
                       ins::LoadGlobal{"x"}, ins::GetProperty{"other"}, ins::Call{0},
                       ins::LoadGlobal{"x"}, ins::GetProperty{"n"}, ins::MakeArray{3}};
    EXPECT_EQ(run(with_outer, p).text(), "2,2,2");
}

TEST(VmClasses, HierarchiesAndInstances) {
    Program p;
    auto set_this = [](const char* key, int64_t v) {
        return Code{C(v), ins::Dup{}, ins::LoadThis{}, ins::SetProperty{key}, ins::StoreThis{}, ins::Pop{}};
    };
    auto ctor = [&](const char* key, int64_t v, bool super) {
        Code c;
        if (super) c = {ins::SuperCall{0}, ins::Pop{}};
        c = concat(c, set_this(key, v));
        c = concat(c, {U(), ins::Return{}});
        return fn(c, 0);
    };
    p.functions = {ctor("x", 1, false), ctor("y", 2, true), ctor("z", 3, true), ctor("w", 4, true),
                   fn({C(42), ins::Return{}}, 0)};
    Code code = {
        // class A { constructor() { this.x = 1 } m() { return 42 } }
        S("m"), ins::MakeClosure{4}, ins::MakeClosure{0}, ins::MakeClass{"A", 1, 0, false}, ins::StoreGlobal{"A"},
        // class B extends A { constructor() { super(); this.y = 2 } }
        ins::LoadGlobal{"A"}, ins::MakeClosure{1}, ins::MakeClass{"B", 0, 0, true}, ins::StoreGlobal{"B"},
        // class C extends B { ... this.z = 3 }, class D extends A { ... this.w = 4 }
        ins::LoadGlobal{"B"}, ins::MakeClosure{2}, ins::MakeClass{"C", 0, 0, true}, ins::StoreGlobal{"C"},
        ins::LoadGlobal{"A"}, ins::MakeClosure{3}, ins::MakeClass{"D", 0, 0, true}, ins::StoreGlobal{"D"},
        ins::LoadGlobal{"C"}, ins::New{0}, ins::StoreGlobal{"c"},
        ins::LoadGlobal{"D"}, ins::New{0}, ins::StoreGlobal{"d"},
        ins::LoadGlobal{"Object"}, ins::GetProperty{"keys"}, ins::LoadGlobal{"c"}, ins::Call{1},
        ins::LoadGlobal{"Object"}, ins::GetProperty{"keys"}, ins::LoadGlobal{"d"}, ins::Call{1},
        ins::LoadGlobal{"c"}, ins::GetProperty{"m"}, ins::Call{0},
        ins::LoadGlobal{"c"}, ins::LoadGlobal{"C"}, ins::InstanceOf{},
        ins::LoadGlobal{"c"}, ins::LoadGlobal{"A"}, ins::InstanceOf{},
        C(5), ins::LoadGlobal{"C"}, ins::InstanceOf{},
        ins::MakeArray{6}};
    EXPECT_EQ(run(code, p).text(), "m,__class__,x,y,z,m,__class__,x,w,42,true,false,false");
    // A class without a constructor; `new` on a non-constructor.
    EXPECT_EQ(run({ins::MakeObject{0}, ins::GetProperty{"x"}, U(), ins::MakeClass{"E", 0, 0, false}, C(1),
                   ins::New{1}, ins::GetProperty{"__class__"}},
                  p)
                  .text(),
              "E");
    EXPECT_EQ(run({U(), ins::New{0}}).error(), "type error: undefined is not a constructor");
}

TEST(VmCalls, AwaitUnwrapsSettledPromises) {
    EXPECT_EQ(run({C(5), ins::Await{}}).text(), "5");
    EXPECT_EQ(run({ins::LoadGlobal{"Promise"}, ins::GetProperty{"resolve"}, C(7), ins::Call{1}, ins::Await{}}).text(),
              "7");
    EXPECT_EQ(run({ins::LoadGlobal{"Promise"}, ins::GetProperty{"reject"}, S("no"), ins::Call{1}, ins::Await{}})
                  .error(),
              "runtime error: Unhandled promise rejection: no");
    // {__promise__: 1, ...} is not a promise
    EXPECT_EQ(run({S("__promise__"), C(1), S("status"), S("resolved"), ins::MakeObject{2}, ins::Await{},
                   ins::GetProperty{"status"}})
                  .text(),
              "resolved");
}

TEST(VmCalls, ExternalCalls) {
    Program p;
    EXPECT_EQ(run({C(1), ins::CallExternal{"fetch", 1}}, p).error(), "unknown external function: fetch");
    p.externals = {"fetch"};
    EXPECT_EQ(run({C(1), ins::CallExternal{"fetch", 1}}, p).error(),
              "runtime error: external function calls are not available yet");
    // From a callback run by a builtin the call can never suspend.
    p.functions = {fn({ins::LoadLocal{0}, ins::CallExternal{"fetch", 1}, ins::Return{}}, 1)};
    EXPECT_EQ(run({C(1), ins::MakeArray{1}, ins::GetProperty{"map"}, ins::MakeClosure{0}, ins::Call{1}}, p).error(),
              "runtime error: cannot suspend inside array callback");
}

TEST(VmCalls, ArrayCallbacksRunNested) {
    Program p;
    p.functions = {fn({ins::LoadLocal{0}, ins::LoadLocal{1}, ins::Mul{}, ins::Return{}}, 2)};
    EXPECT_EQ(run({C(1), C(2), C(3), ins::MakeArray{3}, ins::GetProperty{"map"}, ins::MakeClosure{0}, ins::Call{1}},
                  p)
                  .text(),
              "0,2,6");
    EXPECT_EQ(run({C(1), ins::MakeArray{1}, ins::GetProperty{"map"}, C(5), ins::Call{1}}).error(),
              "type error: 5 is not a function");
}
