// Compiled programs running on the machine: source text through the front end, the
// compiler and the machine, compared by the text of the result.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <unordered_set>

#include "compiler/compiler.h"
#include "parser/front_end.h"
#include "value_convert.h"
#include "vm/builtins/globals.h"
#include "vm/vm.h"

namespace corvane {
namespace {

// The result's string form, "error: {display}" for a failure, or "suspended: {name}".
std::string run_source(std::string_view source,
                       const std::unordered_set<std::string>& externals = {}) {
    auto program = front_end::parse(source);
    if (!program) return "error: " + program.error().display();
    auto compiled = compile_with_externals(*program, externals);
    if (!compiled) return "error: " + compiled.error().display();
    Vm vm(std::move(*compiled), Limits{0, 10000, 512, 100000000}, externals);
    register_globals(vm.globals);
    vm.start_clock();
    vm.push_top_frame();
    auto outcome = vm.execute();
    if (!outcome) return "error: " + outcome.error().display();
    if (auto* suspended = std::get_if<VmSuspended>(&*outcome)) {
        return "suspended: " + suspended->function_name.str();
    }
    return to_js_string(std::get<VmComplete>(*outcome).value);
}

struct Case {
    const char* source;
    const char* expected;
};

void run_cases(std::initializer_list<Case> cases) {
    for (const auto& c : cases) {
        EXPECT_EQ(run_source(c.source), c.expected) << c.source;
    }
}

TEST(CompilerRun, ExpressionsAndResults) {
    run_cases({
        {"1 + 2", "3"},
        {"let x = 1; x", "1"},
        {"let x = 1;", "undefined"},
        {"1;;", "undefined"},
        {"let a = 1; { let a = 2; } a", "2"},
        {"const n = 5; `${n}`", "5"},
        {"const n = 5; `a${n}b`", "a5b"},
        {"``", ""},
        {"let a = null; let b = 2; a ?? b", "2"},
        {"let x = 0; x ||= 5; x", "5"},
        {"let x = 1; x ||= 5", "1"},
        {"let x = 1; x &&= 7; x", "7"},
        {"let x = null; (x ?\?= 3) + x", "6"},
        {"let o = {a: {b: 0}}; o.a.b = 1; o.a.b", "1"},
        {"let arr = [1, 2]; let i = 1; arr[i] += 2; arr[1]", "4"},
        {"let i = 1; const r = [i++, i, ++i, i--, i]; `${r}`", "1,2,3,3,2"},
        {"/a/.test('a')", "error: type error: Cannot read properties of undefined (reading 'test')"},
        {"f().x = 1", "error: compile error: invalid assignment target"},
    });
}

TEST(CompilerRun, OptionalChainsShortCircuitTheWholeChain) {
    run_cases({
        {"const a = null; a?.b", "undefined"},
        {"const a = {b: 1}; a?.b", "1"},
        {"const a = null; a?.b.c", "undefined"},
        {"const a = undefined; a?.[0].x", "undefined"},
        {"const a = {b: {c: 3}}; a?.b.c", "3"},
        {"const o = null; o?.m(1)", "undefined"},
        {"const o = {m(x) { return x + 1 }}; o?.m(1)", "2"},
        {"const f = undefined; f?.()", "undefined"},
        {"const o = {}; o.m?.()", "undefined"},
        {"const a = {b: null}; a.b?.c", "undefined"},
        {"const a = {b: null}; a.b.c", "error: type error: Cannot read properties of null (reading 'c')"},
    });
}

TEST(CompilerRun, SpreadEntries) {
    run_cases({
        {"const xs = [1, 2]; `${[...xs, 3]}`", "1,2,3"},
        {"`${[0, ...'ab', 3]}`", "0,a,b,3"},
        {"function f(a, b, c) { return a + b + c } const xs = [1, 2]; f(...xs, 3)", "6"},
        {"function f(a, b) { return a * 10 + b } f(...[4], 2)", "42"},
        {"const o = {a: 1}; const p = {...o, b: 2}; p.a * 10 + p.b", "12"},
        {"const o = {a: 1, b: 1}; const p = {b: 2, ...o}; p.b", "1"},
    });
}

TEST(CompilerRun, Destructuring) {
    run_cases({
        {"const { a = 5, b } = { b: 2 }; a * 10 + b", "52"},
        {"const [x, , z] = [1, 2, 3]; x * 10 + z", "13"},
        {"const [p, [q, r]] = [1, [2, 3]]; p * 100 + q * 10 + r", "123"},
        {"const { a: { b } } = { a: 7 }; a", "7"},
        {"let s = 0; for (const [k, v] of [[1, 2], [3, 4]]) { s += k * v } s", "14"},
        {"let s = ''; for (const { n = 'd' } of [{ n: 'a' }, {}]) { s += n } s", "ad"},
    });
}

TEST(CompilerRun, Parameters) {
    run_cases({
        {"function f(a, b) { return a + b } f(1, 2)", "3"},
        {"function f(x = 10) { return x } `${[f(), f(undefined), f(3), f(null)]}`", "10,10,3,null"},
        {"function f({ a, b: c }, [d, e]) { return [a, c, d, e] } `${f({ a: 1, b: 2 }, [3, 4])}`",
         "1,2,3,4"},
        {"function f(...r) { return r.length } f() * 10 + f(1, 2)", "2"},
        {"function f(a, b = a * 2) { return b } f(4)", "8"},
        {"function f({ a } = { a: 9 }) { return a } f()", "9"},
        {"function f(a, a) { return a } f(1, 2)", "2"},
        {"function f() { } f()", "undefined"},
        {"const f = (x, y = 1) => x + y; f(1)", "2"},
    });
}

TEST(CompilerRun, ControlFlow) {
    run_cases({
        {"let i = 0; while (i < 3) { i++ } i", "3"},
        {"let i = 0; do { i++ } while (i < 0); i", "1"},
        {"let s = 0; for (let i = 0; i < 5; i++) { if (i == 2) continue; if (i == 4) break; s += i } s",
         "4"},
        {"let s = 0; for (const x of [1, 2, 3]) { s += x } s", "6"},
        {"let s = 0; for (const x of [1, 2, 3]) { if (x == 2) break; s += x } s", "1"},
        {"let y; let x = 1; switch (x) { case 1: y = 'a'; break; default: y = 'b'; } y", "a"},
        {"let r = ''; switch (9) { default: r += 'd'; case 1: r += '1'; break; case 2: r += '2' } r",
         "d1"},
        // continue inside a switch continues the loop; break leaves only the switch.
        {"let s = 0; for (let i = 0; i < 5; i++) { switch (i) { case 1: continue; case 3: break; } "
         "s += i } s",
         "9"},
        {"let s = ''; for (const x of ['a', 'b', 'c']) { switch (x) { case 'b': continue; } s += x } s",
         "ac"},
        // Nested for-of loops left by break and continue keep the operand stack balanced.
        {"function f() { let t = 0; for (const x of [1, 2, 3]) { for (const y of [1, 2]) { if (y == 2) "
         "break; t += x * y } if (x == 2) continue; t += 100 } return t } f()",
         "206"},
        {"function f() { for (const x of [1, 2]) { switch (x) { case 1: return 'r' } } } f()", "r"},
    });
}

TEST(CompilerRun, TryRecordsEndWithTheirBlock) {
    run_cases({
        {"try { throw 1 } catch (e) { r = e } r", "runtime error: 1"},
        {"try { throw 'boom' } catch (e) { r = e } r", "runtime error: boom"},
        // A try block left by return, break or continue no longer catches anything.
        {"function f() { try { return 1 } catch (e) { return 'wrong' } } f(); let r = 'none'; "
         "try { null.x } catch (e) { r = 'outer' } r",
         "outer"},
        {"function f() { try { return 1 } catch (e) { } } f(); null.x",
         "error: type error: Cannot read properties of null (reading 'x')"},
        {"for (const x of [1]) { try { break } catch (e) { } } throw 'late'",
         "error: runtime error: late"},
        {"let n = 0; while (n < 2) { n++; try { continue } catch (e) { } } throw 'late'",
         "error: runtime error: late"},
    });
}

TEST(CompilerRun, FinallyRunsWhenTheBlockIsLeftByAJump) {
    run_cases({
        {"function g() { try { return 'r' } finally { out = 'done' } } g() + out",
         "rdone"},
        {"function f() { let log = ''; for (const x of [1, 2]) { try { if (x == 1) continue; "
         "log += 'b'; break } finally { log += 'f' } } return log } f()",
         "fbf"},
        {"function f() { let log = ''; try { try { return log } finally { log += 'i' } } "
         "finally { log += 'o'; out = log } } f() + '|' + out",
         "|io"},
        {"let log = ''; try { log += 't' } catch (e) { log += 'c' } finally { log += 'f' } log",
         "tf"},
        {"let log = ''; try { throw 1 } catch (e) { log += 'c' } finally { log += 'f' } log", "cf"},
    });
}

TEST(CompilerRun, AssignmentTargetKeysAreEvaluatedOnce) {
    run_cases({
        {"const g = [[0, 0], [0, 0]]; let i = 0; g[i++][1] = 5; i * 10 + g[0][1]", "15"},
        {"const a = [1, 2]; let k = 0; a[k++] += 10; a[0] * 10 + k", "111"},
        {"const a = [5]; let k = 0; a[k++]++; a[0] * 10 + k", "61"},
        {"calls = 0; function key() { calls++; return 'x' } const o = {x: {y: 1}}; o[key()].y += 1; "
         "o.x.y * 10 + calls",
         "21"},
    });
}

TEST(CompilerRun, FunctionsAndClosures) {
    run_cases({
        {"function f() { return 1 } f()", "1"},
        {"f(); function f() { return 1 }", "error: type error: undefined is not a function"},
        {"function fact(n) { return n <= 1 ? 1 : n * fact(n - 1) } fact(10)", "3628800"},
        {"function outer() { let v = 3; return () => v * 2 } outer()()", "6"},
        {"function f() { undeclared = 3 } f(); undeclared", "3"},
    });
}

TEST(CompilerRun, Classes) {
    run_cases({
        {"class C { constructor() { this.n = 0 } inc() { this.n = this.n + 1 } } const c = new C(); "
         "c.inc(); c.inc(); c.n",
         "2"},
        {"class A { constructor() { this.x = 1 } } class B extends A { constructor() { super(); "
         "this.y = 2 } } const b = new B(); b.x * 10 + b.y",
         "12"},
        // super(...) reaches the parent of the class whose constructor runs, at any depth.
        {"class A { constructor(v) { this.a = v } } class B extends A { constructor(v) { super(v + 1); "
         "this.b = v } } class C extends B { constructor(v) { super(v * 10); this.c = v } } "
         "const c = new C(1); `${[c.a, c.b, c.c]}`",
         "11,10,1"},
        {"class A { constructor() { this.k = 'a' } } class B extends A { constructor() { super(); } } "
         "class D extends A { constructor() { super(); } } new B().k + new D().k",
         "aa"},
        // A derived class without a constructor runs its parent's with the arguments.
        {"class A { constructor(v) { this.v = v } } class B extends A { m() { return this.v } } "
         "new B(4).m()",
         "4"},
        {"class A { static s() { return 's' } } A.s()", "s"},
        {"const K = class { m() { return 1 } }; new K().__class__", "AnonymousClass"},
        {"class C { } new C() instanceof C", "true"},
        {"function mk() { class L { m() { return 5 } } return new L().m() } mk()", "5"},
    });
}

TEST(CompilerRun, UndeclaredExternalNameIsAnOrdinaryGlobal) {
    EXPECT_EQ(run_source("fetch('a')"), "error: type error: undefined is not a function");
}

}  // namespace
}  // namespace corvane
