#include <gtest/gtest.h>

#include "parser/source_prep.h"

using corvane::front_end::prepare_source;

namespace {

struct Case {
    const char* source;
    const char* prepared;  // nullptr: unchanged
};

void check(const Case& c) {
    const std::string expected = c.prepared ? c.prepared : c.source;
    EXPECT_EQ(prepare_source(c.source), expected) << "source: " << c.source;
}

}  // namespace

TEST(SourcePrep, TrailingObjectsAndShorthandListsAreRewritten) {
    const Case cases[] = {
        {"{ a: 1 }", ";({ a: 1 })"},
        {"const x = 5;\n{ x, y }", "const x = 5;\n;({ x, y })"},
        {"x = 1\n{ a: 1, b: [1, 2] }", "x = 1\n;({ a: 1, b: [1, 2] })"},
        {"{ a }", ";({ a })"},
        {"{ a_b, c1 , d }", ";({ a_b, c1 , d })"},
        // Trailing white space after the final brace follows the inserted parenthesis.
        {"{ a: 1 }  \n\t", ";({ a: 1 })  \n\t"},
        // Any colon counts, even one inside a string.
        {"f();\n{ 'k': 'v' }", "f();\n;({ 'k': 'v' })"},
        {"{ nested: { deep: 1 } }", ";({ nested: { deep: 1 } })"},
        // A closed statement before the object.
        {"if (x) { y() }\n{ a: 1 }", "if (x) { y() }\n;({ a: 1 })"},
        {"function f() { return 1 }\n{ r: f() }", "function f() { return 1 }\n;({ r: f() })"},
        {"class A {}\nx\n{ a: 1 }", "class A {}\nx\n;({ a: 1 })"},
        {"const f = function () {}\n{ a: 1 }", "const f = function () {}\n;({ a: 1 })"},
        {"function f(): void {}\n{ a: 1 }", "function f(): void {}\n;({ a: 1 })"},
        // Words before the group that are not statement keywords.
        {"label\n{ a: 1 }", "label\n;({ a: 1 })"},
        {"x;(y)\n{ a: 1 }", "x;(y)\n;({ a: 1 })"},
    };
    for (const auto& c : cases) check(c);
}

TEST(SourcePrep, UnicodeLettersAndWhiteSpace) {
    const Case cases[] = {
        // Letters beyond ASCII count as word characters in a shorthand list.
        {"{ \xC3\xA9t\xC3\xA9, b }", ";({ \xC3\xA9t\xC3\xA9, b })"},
        // Unicode white space (no-break space, ideographic space) is trimmed.
        {"{ a: 1 }\xC2\xA0\xE3\x80\x80", ";({ a: 1 })\xC2\xA0\xE3\x80\x80"},
    };
    for (const auto& c : cases) check(c);
}

TEST(SourcePrep, TextsThatStayUnchanged) {
    const Case cases[] = {
        {"", nullptr},
        {"   \n", nullptr},
        {"1 + 2", nullptr},
        {"if (ok) { a: 1 }", nullptr},
        {"if (a) {} else { a: 1 }", nullptr},
        {"while (x) { a: 1 }", nullptr},
        {"for (const x of xs) { a: 1 }", nullptr},
        {"do { a: 1 }", nullptr},
        {"try { a: 1 }", nullptr},
        {"try {} catch (e) { a: 1 }", nullptr},
        {"try {} finally { a: 1 }", nullptr},
        {"switch (x) { case 1: y }", nullptr},
        {"function () { a: 1 }", nullptr},
        {"class { a }", nullptr},
        {"const o = { a: 1 }", nullptr},
        {"f(() => { a: 1 })", nullptr},
        {"f(x, { a: 1 }", nullptr},
        {"const g = () => { a: 1 }", nullptr},
        {"xs = [{ a: 1 }", nullptr},
        {"x ? 1 : { a: 1 }", nullptr},
        {"{}", nullptr},
        {"{   }", nullptr},
        {"x; { a + 1 }", nullptr},
        {"{ f(), g }", nullptr},
        {"{ a, }", nullptr},
        {"{ $a }", nullptr},
        {"{ a\tb }", nullptr},
        // No brace opens the final one.
        {"x }", nullptr},
        {"}}", nullptr},
        // Braces inside strings are counted like any other.
        {"{ a: '{' }", nullptr},
        {"{ a: '}' }", nullptr},
    };
    for (const auto& c : cases) check(c);
}

// A text that ends with a declaration's body is never rewritten, whatever the body holds.
TEST(SourcePrep, TrailingDeclarationsAreNotRewritten) {
    const char* cases[] = {
        "function f() { return x }",
        "function f(a, b) { a, b }",
        "function f(a = { k: 1 }) { x }",
        "function* g() { yield x }",
        "async function f() { await x }",
        "async function* g() { yield x }",
        "function f<T>(x: T) { return x }",
        "function f<T extends (a: number) => void>(x: T): T { x }",
        "function f(): { a: number } { return x }",
        "function f(): Promise<Array<{ a: string }>> { return x }",
        "function f(): string | undefined { return x }",
        "function f(x: unknown): x is string { return x }",
        "function f(x: unknown): asserts x is string { x }",
        "function f(): [number, string] { return x }",
        "function f(): T extends U ? X : Y { return x }",
        "function f(): (a: number) => void { return x }",
        "function f(): typeof import_x { return x }",
        "function f(): keyof T { return x }",
        "function f(): A.B<C>[] { return x }",
        "function f(): 'a' | \"b\" { return x }",
        "function f() /* done */ { return x }",
        "const h = function named() { a: 1 }",
        "class C { x }",
        "class C { x: number }",
        "class C<T> extends B<T> implements I { x }",
        "class C extends B { x }",
        "class C extends ns.Base<T> implements I, J<K> { x }",
        "class C extends mixin(A, B) { x }",
        "class C implements I { x }",
        "abstract class C { x }",
        "export abstract class C<T = { a: 1 }> { x }",
        "declare class C { x: number }",
        "export class C { x }",
        "export default class C { x }",
        "interface I { a: T }",
        "interface I<T> extends J<T>, K { a: T }",
        "export interface I { a }",
        "declare interface I { a: string }",
        "enum E { A }",
        "enum E { A, B }",
        "const enum E { A: 1 }",
        "declare enum E { A }",
        "export enum E { A }",
        "namespace N { x }",
        "namespace A.B.C { x: 1 }",
        "declare namespace N { const x: number }",
        "module M { x }",
        "declare module 'm' { x: 1 }",
        "declare global { x: 1 }",
        "export function f(): void { x }",
        "export default async function g() { a }",
        "let y = 1;\nfunction f() { return y }",
    };
    for (const char* c : cases) check({c, nullptr});
}
