// Parser: valid snippets, error messages with positions, tree shapes for the constructs
// the lowering reads, directives and spans.
#include <gtest/gtest.h>

#include <string>

#include "parser/ast.h"

namespace corvane::parser {
namespace {

std::string first_diag(std::string_view text) {
    ParseResult r = parse_typescript(text);
    return r.diagnostics.empty() ? std::string("<none>") : r.diagnostics.front();
}

// Dump of all top-level statements, separated by "; ".
std::string dump(std::string_view text) {
    ParseResult r = parse_typescript(text);
    if (!r.ok()) return "DIAG: " + r.diagnostics.front();
    std::string out;
    for (NodeId s : r.statements()) {
        if (!out.empty()) out += "; ";
        out += dump_node(r.ast, s);
    }
    return out;
}

TEST(ParserValid, SnippetsParseWithoutDiagnostics) {
    const char* cases[] = {
        // expressions and operators
        "a = b ? c : d ? e : f", "a ?\?= b; a ||= c; a &&= d; a **= 2; a >>>= 1",
        "x = a ?? (b || c)", "x = (a && b) ?? c", "x = (-a) ** 2", "x = a ** -b", "x = ++a ** 2",
        "x = a < b > c", "x = a >> b >>> c >= d", "x = a in b, c instanceof D",
        "x = typeof y, void 0, !z, ~w, -v, +u", "x = y++ + ++z - -w", "delete o[k]",
        // calls, members, optional chains, type arguments
        "a?.b?.[c]?.(d).e", "f<T>(x)", "f<T, U<V>>(x)", "new Map<string, number[]>()", "x = f<T>",
        "x = f<T>\n(y)", "x = a.b<c>(d)", "x = a?.<T>(b)", "new a.b.C()", "new (f())()", "new new X()()",
        "super_ = class extends Base { m() { super.m(); super['x']; } constructor() { super(); } }",
        "x = import.meta", "import('m').then(f)", "function f() { return new.target }",
        // functions and arrows
        "(a, b) => a", "async (a) => await a", "async a => a", "async function* g() { yield* x; await y; }",
        "x = <T,>(a: T) => a", "x = <T extends U>(a: T): T => a", "x = (a?: number, ...b: string[]): void => {}",
        "x = a ? (b) : c => d", "x = a ? (b): c => d : e", "x = a ? b : (c): d => e",
        "x = async (a, b)", "x = async", "x = async\n(y)",
        "f(function () {}, function* g() {}, async () => {})",
        // statements, labels, ASI
        "a: b: for (;;) { continue a; }", "do x++; while (x < 5) y", "if (a) function f() {}",
        "let x = 1\nlet y = 2", "x\n++y", "return_ = 1", "for (const x of y) for (let z in x) {}",
        "for (x.y of z) {}", "for ([a, b] of c) {}", "for (let [a] = [1]; ; ) break",
        "switch (x) { case 1: default: case 2: }", "try {} catch {} finally {}",
        "var let = 1; let = 2", "let async = 1; async = 2", "yield = 1; await = 2",
        // classes
        "class A { static x = 1; #y = 2; static { this.x++; } accessor z = 3; get() {} set() {} static() {} }",
        "class A { constructor(private readonly a: number, public b = 1) {} }",
        "abstract class A { abstract m(): void; protected abstract x: number; declare y: string; }",
        "class A { m(): void; m(x?: number) {} [k: string]: any; p!: number; q?: string }",
        "@d class A { @e() m(@f x) {} @g static p = 1 }",
        // types and declarations
        "type A<T> = T extends (infer U)[] ? U : never", "type M = { -readonly [K in keyof T]+?: T[K] }",
        "type F = new () => void", "type T = [a: string, b?: number, ...c: boolean[]]",
        "let x: typeof import('m'); let y: A.B.C<D>[]; let z: `a${string}`",
        "function f(this: Foo, x: unknown): asserts x is string {}", "function g(x: any): x is number { return true }",
        "interface I extends J<K> { (): void; new (): I; readonly [k: string]: unknown; m?<T>(): T }",
        "enum E { A = 1, B, C = 'c' }", "const enum E { A }", "declare module 'm' { export const x: number }",
        "declare global { interface Window {} }", "namespace A.B.C { export let x = 1 }",
        "import x = require('m')", "export = x", "export as namespace N",
        "let v = x as const satisfies readonly unknown[]", "let w = y!", "let d!: number",
        "using r = f(); await using s = g()", "for (using r of rs) {}",
        // module syntax (parsed so that the lowering can refuse it)
        "import d, { a as b, type C } from 'm'", "import * as ns from 'm'", "import 'side'",
        "export default function () {}", "export { a as default, b }", "export * as ns from 'm'",
        "export const c = 1", "export type { T } from 'm'",
        // JSX
        "x = <div a='1' b={2} {...c}>text {d} <br /></div>", "x = <></>", "x = <a.b.c />",
        "x = <ns:tag data-x='1' />", "x = <A<string> p />",
        // hashbang and directives
        "#!/usr/bin/env node\n'use strict'; x",
    };
    for (const char* c : cases) {
        ParseResult r = parse_typescript(c);
        EXPECT_TRUE(r.ok()) << c << "\n  -> " << (r.ok() ? "" : r.diagnostics.front());
    }
}

TEST(ParserErrors, MessagesNameExpectedFoundAndPosition) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"let a = ;", "Expected an expression but found ';' (line 1, column 9)"},
        {"f(1, 2;", "Expected ',' or ')' but found ';' (line 1, column 7)"},
        {"x = [1 2]", "Expected ',' or ']' but found '2' (line 1, column 8)"},
        {"x = { a: 1 b: 2 }", "Expected ',' or '}' but found 'b' (line 1, column 12)"},
        {"if (a) {\n  b(;\n}", "Expected an expression but found ';' (line 2, column 5)"},
        {"const s = 'abc", "Unterminated string literal (line 1, column 11)"},
        {"x = `abc${1}", "Unterminated template literal (line 1, column 12)"},
        {"/* x", "Unterminated comment (line 1, column 1)"},
        {"x = /abc", "Unterminated regular expression literal (line 1, column 5)"},
        {"const \xC3\xA9 = (1;", "Expected ')' but found ';' (line 1, column 13)"},
        {"return 1", "A 'return' statement can only be used within a function body (line 1, column 1)"},
        {"break", "A 'break' statement can only be used within an enclosing iteration or switch statement (line 1, column 1)"},
        {"function f() { continue }", "A 'continue' statement can only be used within an enclosing iteration statement (line 1, column 16)"},
        {"for (;;) break nope", "Undefined label 'nope' (line 1, column 16)"},
        {"a: { for (;;) continue a }", "A 'continue' statement can only jump to a label of an enclosing iteration statement (line 1, column 24)"},
        {"a: a: ;", "Duplicate label 'a' (line 1, column 4)"},
        {"switch (x) { default: default: }", "A 'default' clause cannot appear more than once in a 'switch' statement (line 1, column 23)"},
        {"1 = 2", "Invalid left-hand side in assignment (line 1, column 1)"},
        {"f() = 2", "Invalid left-hand side in assignment (line 1, column 1)"},
        {"a + b += 1", "Invalid left-hand side in assignment (line 1, column 1)"},
        {"(a + b)++", "Invalid left-hand side expression in postfix operation (line 1, column 1)"},
        {"++f()", "Invalid left-hand side expression in prefix operation (line 1, column 3)"},
        {"a?.b = 1", "Invalid left-hand side in assignment (line 1, column 1)"},
        {"let let = 1", "'let' is not allowed to be used as a name in 'let' or 'const' declarations (line 1, column 5)"},
        {"const x", "Expected '=' (an initializer) but found end of file (line 1, column 8)"},
        {"const { a }", "A destructuring declaration must have an initializer (line 1, column 12)"},
        {"x = new.target", "'new.target' can only be used inside functions (line 1, column 5)"},
        {"x = a ?? b || c", "'?\?' cannot be mixed with '&&' or '||' without parentheses (line 1, column 7)"},
        {"x = -a ** 2", "Unary operator used immediately before exponentiation expression; parentheses must be used to disambiguate operator precedence (line 1, column 8)"},
        {"x = { a = 1 }", "Invalid shorthand property initializer (line 1, column 9)"},
        {"x = <T>y", "Expected corresponding JSX closing tag for 'T' (line 1, column 9)"},
        {"x = <a><b></a>", "Expected corresponding JSX closing tag for 'b' (line 1, column 13)"},
        {"f = (a)\n=> a", "Expected an expression but found '=>' (line 2, column 1)"},
        {"function f(...a, b) {}", "A rest parameter must be last in a parameter list (line 1, column 16)"},
        {"function f(...a = 1) {}", "A rest parameter cannot have an initializer (line 1, column 17)"},
        {"throw\nx", "Line break not permitted after 'throw' (line 2, column 1)"},
        {"function* g() { var yield }", "'yield' cannot be used as a name inside a generator (line 1, column 21)"},
        {"async function f() { var await }", "'await' cannot be used as a name here (line 1, column 26)"},
        {"a?.b`x`", "Tagged template expressions are not permitted in an optional chain (line 1, column 5)"},
        {"new a?.b()", "Invalid optional chain from new expression (line 1, column 6)"},
        {"for (const x = 1 of y) {}", "The variable declaration of a 'for...of' or 'for...in' statement cannot have an initializer (line 1, column 12)"},
        {"for (let a, b of c) {}", "Only a single variable declaration is allowed in a 'for...of' or 'for...in' statement (line 1, column 6)"},
        {"if (a) let b = 1", "Lexical declaration cannot appear in a single-statement context (line 1, column 8)"},
        {"x = this.#p", "Private names are only allowed inside class bodies (line 1, column 10)"},
        {"class A { static static x }", "'static' modifier already seen (line 1, column 18)"},
        {"x = `\\unicode`", "Invalid escape sequence in template literal (line 1, column 6)"},
        {"x = 1__0", "Multiple consecutive numeric separators are not permitted (line 1, column 7)"},
        {"x = 3in y", "An identifier or keyword cannot immediately follow a numeric literal (line 1, column 6)"},
        {"const class = 1", "Expected an identifier but found reserved word 'class' (line 1, column 7)"},
        {"x = { if }", "Expected ':' after reserved word 'if' in an object literal (line 1, column 7)"},
        {"({ get a() {} } = o)", "Invalid destructuring assignment target (line 1, column 4)"},
        {"[...a, b] = c", "A rest element must be last in a destructuring pattern (line 1, column 2)"},
        {"try {}", "Expected 'catch' or 'finally' but found end of file (line 1, column 7)"},
        {"x = 1 \xC2\xA7 2", "Invalid character (line 1, column 7)"},
        {"x = \"\\u{110000}\"", "Invalid Unicode escape sequence (line 1, column 6)"},
        {"x = /a/gg", "Invalid regular expression flag (line 1, column 8)"},
        {"class A extends B { m() { return super } }", "Expected '(', '.' or '[' after 'super' but found '}' (line 1, column 40)"},
    };
    for (const Case& c : cases) EXPECT_EQ(first_diag(c.text), c.message) << c.text;
}

TEST(ParserErrors, StopAtFirstErrorAndNeverLoop) {
    ParseResult r = parse_typescript("let a = ;\nlet b = ;\n)))]]]}}}");
    ASSERT_EQ(r.diagnostics.size(), 1u);
    EXPECT_EQ(r.diagnostics[0], "Expected an expression but found ';' (line 1, column 9)");
}

TEST(ParserTree, ShapesReadByTheLowering) {
    struct Case {
        const char* text;
        const char* tree;
    };
    const Case cases[] = {
        // optional chains: per-link flag, the chain ends at the parenthesis
        {"a?.b.c", "(ExprStmt (Chain (Member (Member f=128 (Identifier \"a\") (Identifier \"b\")) (Identifier \"c\"))))"},
        {"(a?.b).c", "(ExprStmt (Member (Paren (Chain (Member f=128 (Identifier \"a\") (Identifier \"b\")))) (Identifier \"c\")))"},
        {"a?.[0]?.(1)", "(ExprStmt (Chain (Call f=128 (Index f=128 (Identifier \"a\") (NumberLit 0)) [(NumberLit 1)])))"},
        // regex versus division
        {"a / b / c", "(ExprStmt (Binary op=3 (Binary op=3 (Identifier \"a\") (Identifier \"b\")) (Identifier \"c\")))"},
        {"x = /b/g", "(ExprStmt (Assign op=0 (Identifier \"x\") (RegExpLit /b/g)))"},
        {"a\n/b/g", "(ExprStmt (Binary op=3 (Binary op=3 (Identifier \"a\") (Identifier \"b\")) (Identifier \"g\")))"},
        {"if (x) /re/.test(y)", "(If (Identifier \"x\") (ExprStmt (Call (Member (RegExpLit /re/) (Identifier \"test\")) [(Identifier \"y\")])))"},
        {"x = a++ / 2", "(ExprStmt (Assign op=0 (Identifier \"x\") (Binary op=3 (Update (Identifier \"a\")) (NumberLit 2))))"},
        // ASI and restricted productions
        {"a\n++b", "(ExprStmt (Identifier \"a\")); (ExprStmt (Update f=65536 (Identifier \"b\")))"},
        {"function f() { return\n1 }", "(FunctionDecl (Identifier \"f\") (Block [(Return) (ExprStmt (NumberLit 1))]))"},
        // precedence and associativity
        {"a ** b ** c", "(ExprStmt (Binary op=5 (Identifier \"a\") (Binary op=5 (Identifier \"b\") (Identifier \"c\"))))"},
        {"a || b && c", "(ExprStmt (Logical op=1 (Identifier \"a\") (Logical op=0 (Identifier \"b\") (Identifier \"c\"))))"},
        {"a - b - c", "(ExprStmt (Binary op=1 (Binary op=1 (Identifier \"a\") (Identifier \"b\")) (Identifier \"c\")))"},
        {"a = b = c", "(ExprStmt (Assign op=0 (Identifier \"a\") (Assign op=0 (Identifier \"b\") (Identifier \"c\"))))"},
        {"x = a == b as T", "(ExprStmt (Assign op=0 (Identifier \"x\") (Binary op=6 (Identifier \"a\") (AsExpr (Identifier \"b\")))))"},
        // TypeScript expression wrappers
        {"x as const", "(ExprStmt (AsExpr f=262144 (Identifier \"x\")))"},
        {"x!.y", "(ExprStmt (Member (NonNull (Identifier \"x\")) (Identifier \"y\")))"},
        {"f<T>", "(ExprStmt (Instantiation (Identifier \"f\")))"},
        {"f<T>(1)", "(ExprStmt (Call (Identifier \"f\") [(NumberLit 1)]))"},
        {"a < b > (c)", "(ExprStmt (Call (Identifier \"a\") [(Identifier \"c\")]))"},
        {"a < b > c", "(ExprStmt (Binary op=12 (Binary op=10 (Identifier \"a\") (Identifier \"b\")) (Identifier \"c\")))"},
        // arrows in conditionals
        {"a ? (b) : c => d", "(ExprStmt (Conditional (Identifier \"a\") (Paren (Identifier \"b\")) (Arrow f=4 (Identifier \"d\") [(Param (Identifier \"c\"))])))"},
        // declarations
        {"let [a = 1, , ...b] = c", "(VarDecl op=1 [(VarDeclarator (ArrayPattern [(AssignPattern (Identifier \"a\") (NumberLit 1)) _ (RestElement (Identifier \"b\"))]) (Identifier \"c\"))])"},
        {"const { a, b: c = 1, ...d } = e", "(VarDecl op=2 [(VarDeclarator (ObjectPattern [(Property op=1 (Identifier \"a\") (Identifier \"a\")) (Property op=0 (Identifier \"b\") (AssignPattern (Identifier \"c\") (NumberLit 1))) (RestElement (Identifier \"d\"))]) (Identifier \"e\"))])"},
        {"await using r = f()", "(VarDecl op=4 [(VarDeclarator (Identifier \"r\") (Call (Identifier \"f\")))])"},
        {"declare const x: number", "(VarDecl op=2 f=8 [(VarDeclarator (Identifier \"x\"))])"},
        {"[a, b] = [b, a]", "(ExprStmt (Assign op=0 (ArrayPattern [(Identifier \"a\") (Identifier \"b\")]) (ArrayLit [(Identifier \"b\") (Identifier \"a\")])))"},
        {"({ a = 1 } = o)", "(ExprStmt (Paren (Assign op=0 (ObjectPattern [(Property op=1 (Identifier \"a\") (AssignPattern (Identifier \"a\") (NumberLit 1)))]) (Identifier \"o\"))))"},
        // functions
        {"async function* g(a, b = 1, ...c) {}", "(FunctionDecl f=3 (Identifier \"g\") (Block) [(Param (Identifier \"a\")) (Param (Identifier \"b\") (NumberLit 1)) (Param f=16384 (Identifier \"c\"))])"},
        {"function f(this: T, x?: number): void;", "(FunctionDecl (Identifier \"f\") [(Param f=32768 (Identifier \"this\")) (Param f=128 (Identifier \"x\"))])"},
        {"x = async a => a", "(ExprStmt (Assign op=0 (Identifier \"x\") (Arrow f=5 (Identifier \"a\") [(Param (Identifier \"a\"))])))"},
        // object literal property kinds
        {"x = { a, b: 1, [c]: 2, d() {}, get e() {}, set e(v) {}, ...f }",
         "(ExprStmt (Assign op=0 (Identifier \"x\") (ObjectLit [(Property op=1 (Identifier \"a\") (Identifier \"a\")) (Property op=0 (Identifier \"b\") (NumberLit 1)) (Property op=0 f=64 (Identifier \"c\") (NumberLit 2)) (Property op=2 (Identifier \"d\") (FunctionExpr (Block))) (Property op=3 (Identifier \"e\") (FunctionExpr (Block))) (Property op=4 (Identifier \"e\") (FunctionExpr (Block) [(Param (Identifier \"v\"))])) (Property op=5 (Identifier \"f\"))])))"},
        // class member kinds
        {"class A extends B { constructor(private x) { super() } static m() {} get g() {} p = 1; static {} accessor q; [k: string]: any }",
         "(ClassDecl (Identifier \"A\") (Identifier \"B\") [(ClassMember op=0 (Identifier \"constructor\") (FunctionExpr (Block [(ExprStmt (Call (Super)))]) [(Param f=4096 (Identifier \"x\"))])) (ClassMember op=1 f=32 (Identifier \"m\") (FunctionExpr (Block))) (ClassMember op=2 (Identifier \"g\") (FunctionExpr (Block))) (ClassMember op=4 (Identifier \"p\") (NumberLit 1)) (ClassMember op=5 f=32 (Block)) (ClassMember op=6 (Identifier \"q\")) (ClassMember op=7)])"},
        // templates: cooked pieces
        {"`a\\tb${1}c`", "(ExprStmt (Template [(TemplateElement \"a\tb\") (TemplateElement \"c\")] [(NumberLit 1)]))"},
        {"tag`\\unicode`", "(ExprStmt (TaggedTemplate (Identifier \"tag\") (Template [(TemplateElement \"\" f=2097152)])))"},
        // TS-only statements
        {"type T = number; interface I {}", "(TypeAlias (Identifier \"T\")); (Interface (Identifier \"I\"))"},
        {"enum E { A = 1 }", "(Enum (Identifier \"E\") [(EnumMember (Identifier \"A\") (NumberLit 1))])"},
        {"namespace A.B {}", "(Namespace (Identifier \"A\") (Block))"},
        {"declare global {}", "(Namespace op=2 f=8 (Block))"},
        {"import x = require('m')", "(ImportEquals (Identifier \"x\") (ExternalModuleRef))"},
        {"export = x; export as namespace N", "(ExportAssign (Identifier \"x\")); (ExportAsNamespace (Identifier \"N\"))"},
        // module syntax and meta properties
        {"import { a } from 'm'", "(ImportDecl)"},
        {"export default 1", "(ExportDecl (NumberLit 1))"},
        {"import('m')", "(ExprStmt (ImportCall (StringLit \"m\")))"},
        {"import.meta", "(ExprStmt (MetaProperty op=1))"},
        // literals
        {"10n", "(ExprStmt (BigIntLit \"10\"))"},
        {"0x10", "(ExprStmt (NumberLit 16))"},
        {"x = '\\u0041\\n'", "(ExprStmt (Assign op=0 (Identifier \"x\") (StringLit \"A\n\")))"},
        {"#p in o", "DIAG: Private names are only allowed inside class bodies (line 1, column 1)"},
        // JSX
        {"<a b='c'>d{e}</a>", "(ExprStmt (JsxElement (JsxName \"a\") [(JsxAttribute (JsxName \"b\") (StringLit \"c\"))] [(JsxText \"d\") (JsxExprContainer (Identifier \"e\"))]))"},
    };
    for (const Case& c : cases) EXPECT_EQ(dump(c.text), c.tree) << c.text;
}

TEST(ParserTree, DirectivesAreReturnedSeparately) {
    ParseResult r = parse_typescript("'use strict';\n\"a\\x41\"\nx; 'not a directive'");
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.directives.size(), 2u);
    EXPECT_EQ(r.directives[0].value, "use strict");
    EXPECT_EQ(r.directives[0].raw, "use strict");
    EXPECT_EQ(r.directives[0].span, (Span{0, 13}));
    EXPECT_EQ(r.directives[1].value, "aA");
    EXPECT_EQ(r.directives[1].raw, "a\\x41");
    EXPECT_EQ(r.statements().size(), 2u);

    // A string that continues into an expression is not a directive.
    ParseResult e = parse_typescript("'a' + b");
    EXPECT_TRUE(e.directives.empty());
    EXPECT_EQ(e.statements().size(), 1u);
}

TEST(ParserTree, SpansAreByteOffsets) {
    ParseResult r = parse_typescript("let \xC3\xA9 = f(1);  g()");
    ASSERT_TRUE(r.ok());
    auto stmts = r.statements();
    ASSERT_EQ(stmts.size(), 2u);
    EXPECT_EQ(r.ast[stmts[0]].span, (Span{0, 14}));
    EXPECT_EQ(r.ast[stmts[1]].span, (Span{16, 19}));
    const Node& decl = r.ast[r.ast.list(r.ast[stmts[0]].list)[0]];
    EXPECT_EQ(r.ast[decl.a].span, (Span{4, 6}));
    EXPECT_EQ(r.ast.str(r.ast[decl.a].str), "\xC3\xA9");
    EXPECT_EQ(r.ast[decl.b].span, (Span{9, 13}));
}

}  // namespace
}  // namespace corvane::parser
