// GCC 12 reports a false "may be used uninitialized" for moves of the machine's outcome
// variant when the sanitizers are enabled; it must be silenced before <vector> is read.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "vm_test_util.h"

using namespace corvane;
using namespace corvane::test;

TEST(VmProperty, ReadsByKind) {
    struct Case {
        Code code;
        std::string expected;
    };
    const Case cases[] = {
        {{S("héllo"), ins::GetProperty{"length"}}, "5"},
        {{C(1), C(2), C(3), ins::MakeArray{3}, ins::GetProperty{"length"}}, "3"},
        {{S("length"), C(7), ins::MakeObject{1}, ins::GetProperty{"length"}}, "7"},
        {{C(10), C(20), ins::MakeArray{2}, ins::GetProperty{"+1"}}, "20"},
        {{C(10), C(20), ins::MakeArray{2}, ins::GetProperty{"-1"}}, "undefined"},
        {{C(10), C(20), ins::MakeArray{2}, S("1"), ins::GetIndex{}}, "undefined"},
        {{C(10), C(20), ins::MakeArray{2}, C(1), ins::GetIndex{}}, "20"},
        {{C(10), C(20), ins::MakeArray{2}, F(1.7), ins::GetIndex{}}, "20"},
        {{C(10), C(20), ins::MakeArray{2}, F(-0.5), ins::GetIndex{}}, "10"},
        {{S("héllo"), C(1), ins::GetIndex{}}, "é"},
        {{S("abc"), C(-1), ins::GetIndex{}}, "undefined"},
        {{S("1"), C(5), ins::MakeObject{1}, C(1), ins::GetIndex{}}, "5"},
        {{C(5), ins::GetProperty{"toFixed"}, ins::TypeOf{}}, "undefined"},
        {{S("s"), ins::GetProperty{"toUpperCase"}, ins::TypeOf{}}, "function"},
        {{S("s"), ins::GetProperty{"0"}}, "undefined"},
        // a key holding undefined reads as undefined and still counts for `in`
        {{S("k"), U(), ins::MakeObject{1}, ins::GetProperty{"k"}}, "undefined"},
        {{S("k"), S("k"), U(), ins::MakeObject{1}, ins::In{}}, "true"},
        {{S("push"), ins::MakeArray{0}, ins::In{}}, "false"},
        {{C(1), C(0), C(9), ins::MakeArray{2}, ins::In{}}, "true"},
        // duplicate keys: first position, last value
        {{ins::LoadGlobal{"Object"}, ins::GetProperty{"entries"}, S("a"), C(1), S("b"), C(2), S("a"), C(3),
          ins::MakeObject{3}, ins::Call{1}},
         "a,3,b,2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.code).text(), c.expected) << debug_string(c.code.back());
    }
}

TEST(VmProperty, ReadErrors) {
    EXPECT_EQ(run({U(), ins::GetProperty{"x"}}).error(),
              "type error: Cannot read properties of undefined (reading 'x')");
    EXPECT_EQ(run({ins::PushConst{Constant::null()}, ins::GetProperty{"y"}}).error(),
              "type error: Cannot read properties of null (reading 'y')");
}

TEST(VmProperty, Writes) {
    // a[5] = v on a two-element array pads with undefined.
    auto m = run({S("v"), C(1), C(2), ins::MakeArray{2}, C(5), ins::SetIndex{}});
    EXPECT_EQ(m.text(), "1,2,undefined,undefined,undefined,v");
    EXPECT_EQ(m.value().as_array().size(), 6u);
    EXPECT_EQ(run({C(1), ins::MakeArray{0}, C(2000), ins::SetIndex{}}).error(),
              "runtime error: array index 2000 too far beyond length 0");
    EXPECT_EQ(run({C(1), ins::MakeArray{0}, C(1024), ins::SetIndex{}, ins::GetProperty{"length"}}).text(),
              "1025");
    EXPECT_EQ(run({C(5), C(1), ins::MakeArray{1}, C(-1), ins::SetIndex{}}).text(), "1");
    EXPECT_EQ(run({C(1), ins::MakeArray{0}, ins::SetProperty{"y"}}).error(),
              "type error: cannot set property 'y' on object");
    EXPECT_EQ(run({C(2), S("a"), C(1), ins::MakeObject{1}, C(1), ins::SetIndex{}, S("1"), ins::GetIndex{}}).text(),
              "2");
}

TEST(VmProperty, SpreadEntries) {
    Program p;
    p.globals = {{"xs", arr({I(1), I(2)})}, {"o", Value()}};
    struct Case {
        Code code;
        std::string expected;
    };
    const Case cases[] = {
        // [0, ...xs, ..."hé", 9]
        {{C(0), ins::LoadGlobal{"xs"}, ins::Spread{}, S("hé"), ins::Spread{}, C(9), ins::MakeArray{4},
          ins::LoadGlobal{"JSON"}, ins::Pop{}},
         "0,1,2,h,é,9"},
        // Math.max(...xs, 7)
        {{ins::LoadGlobal{"Math"}, ins::GetProperty{"max"}, ins::LoadGlobal{"xs"}, ins::Spread{}, C(0),
          ins::Call{2}},
         "2"},
        // {a: 1, ...{a: 5, b: 6}, ...xs, ..."z", ...7}: keys a, b, 0, 1 with a = 5, "0" = "z"
        {{S("a"), C(1), S("a"), C(5), S("b"), C(6), ins::MakeObject{2}, ins::Spread{}, ins::LoadGlobal{"xs"},
          ins::Spread{}, S("z"), ins::Spread{}, C(7), ins::Spread{}, ins::MakeObject{5}, ins::StoreGlobal{"o"},
          ins::LoadGlobal{"Object"}, ins::GetProperty{"entries"}, ins::LoadGlobal{"o"}, ins::Call{1}},
         "a,5,b,6,0,z,1,2"},
    };
    for (const Case& c : cases) EXPECT_EQ(run(c.code, p).text(), c.expected);
    EXPECT_EQ(run({C(1), ins::Spread{}, ins::MakeArray{1}}).error(), "type error: number is not iterable");
    // A spread mark never outlives its value: a marked value that is popped leaves no mark.
    auto m = run({ins::LoadGlobal{"xs"}, ins::Spread{}, ins::Pop{}, ins::LoadGlobal{"xs"}, ins::MakeArray{1},
                  ins::GetProperty{"length"}},
                 p);
    EXPECT_EQ(m.text(), "1");
    EXPECT_TRUE(m.vm->spread_marks.empty());
}

TEST(VmProperty, DestructureInstructions) {
    EXPECT_EQ(run({S("a"), C(1), ins::MakeObject{1}, ins::DestructureObject{{"a", "b"}}, ins::MakeArray{2}})
                  .text(),
              "1,undefined");
    EXPECT_EQ(run({C(1), ins::MakeArray{1}, ins::DestructureArray{3}, ins::MakeArray{3}}).text(),
              "1,undefined,undefined");
    EXPECT_EQ(run({C(5), ins::DestructureArray{2}, ins::MakeArray{2}}).value().as_array()[1].is_undefined(), true);
}

TEST(VmProperty, NamespaceMethodsFollowTheObject) {
    Program p;
    p.local_names = {"obj", "M"};
    // Math.PI; obj.missing -> undefined (not a Math method)
    EXPECT_EQ(run({ins::MakeObject{0}, ins::StoreLocal{0}, ins::LoadGlobal{"Math"}, ins::GetProperty{"PI"},
                   ins::Pop{}, ins::LoadLocal{0}, ins::GetProperty{"missing"}, ins::TypeOf{}},
                  p)
                  .text(),
              "undefined");
    // const M = Math; M.max(1, 2)
    EXPECT_EQ(run({ins::LoadGlobal{"Math"}, ins::StoreLocal{1}, ins::LoadLocal{1}, ins::GetProperty{"max"}, C(1),
                   C(2), ins::Call{2}},
                  p)
                  .text(),
              "2");
    EXPECT_EQ(run({ins::LoadGlobal{"Math"}, ins::GetProperty{"hypot"}, C(3), C(4), ins::Call{2}}).error(),
              "type error: Math.hypot is not a function");
}

TEST(VmProperty, IndexFillIsLinear) {
    // for (i = 0; i < 100000; i++) a[i] = i;  -- stays in place, no copy per store
    Program p;
    p.local_names = {"a", "i"};
    Code code = {ins::MakeArray{0}, ins::StoreLocal{0}, C(0), ins::StoreLocal{1},
                 /*4*/ ins::LoadLocal{1}, C(100000), ins::Lt{}, ins::JumpIfFalse{19},
                 ins::LoadLocal{1}, ins::Dup{}, ins::LoadLocal{0}, ins::LoadLocal{1}, ins::SetIndex{},
                 ins::StoreLocal{0}, ins::Pop{},
                 ins::LoadLocal{1}, ins::Increment{}, ins::StoreLocal{1}, ins::Jump{4},
                 /*19*/ ins::LoadLocal{0}, ins::GetProperty{"length"}};
    p.limits.time_limit_ms = 2000;  // quadratic copying would take far longer
    EXPECT_EQ(run(code, p).text(), "100000");
}

TEST(VmIteration, ForOfStates) {
    Program p;
    p.globals = {{"xs", arr({I(1), I(2), I(3)})}};
    p.local_names = {"sum", "x"};
    // sum = 0; for (x of xs) sum += x; sum
    Code loop = {C(0), ins::StoreLocal{0}, ins::LoadGlobal{"xs"}, ins::GetIterator{},
                 /*4*/ ins::IteratorNext{}, ins::IteratorDone{}, ins::JumpIfTrue{14},
                 ins::StoreLocal{1}, ins::LoadLocal{0}, ins::LoadLocal{1}, ins::Add{}, ins::StoreLocal{0},
                 ins::Jump{4}, ins::Pop{},
                 /*14*/ ins::Pop{}, ins::LoadLocal{0}};
    EXPECT_EQ(run(loop, p).text(), "6");
    loop[2] = S("héllo");
    loop[0] = S("");
    EXPECT_EQ(run(loop, p).text(), "héllo");
    EXPECT_EQ(run({C(1), ins::GetIterator{}}).error(), "type error: number is not iterable");
    EXPECT_EQ(run({C(1), ins::IteratorNext{}}).error(), "runtime error: invalid iterator state");
    EXPECT_EQ(run({S("x"), C(1), ins::MakeArray{2}, ins::IteratorNext{}}).error(), "runtime error: invalid iterator");
}

TEST(VmIteration, LongArrayIsLinear) {
    Program p;
    Array big(100000, I(1));
    p.globals = {{"xs", Value::array(std::move(big))}};
    p.local_names = {"n", "x"};
    p.limits.time_limit_ms = 2000;
    Code loop = {C(0), ins::StoreLocal{0}, ins::LoadGlobal{"xs"}, ins::GetIterator{},
                 /*4*/ ins::IteratorNext{}, ins::IteratorDone{}, ins::JumpIfTrue{13},
                 ins::StoreLocal{1}, ins::LoadLocal{0}, ins::Increment{}, ins::StoreLocal{0},
                 ins::Jump{4}, ins::Pop{},
                 /*13*/ ins::Pop{}, ins::LoadLocal{0}};
    EXPECT_EQ(run(loop, p).text(), "100000");
}
