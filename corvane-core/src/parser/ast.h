// The syntax tree produced by the TypeScript (TSX) parser.
//
// Nodes live in one arena (Ast::nodes) and refer to each other by 32-bit index (NodeId).
// Every node has the same layout: a kind, a small operator/sub-kind byte, flag bits, a span
// (byte offsets into the parsed text), four child slots a..d, two child lists and two
// string references (the second list, the second string and the number share storage; see
// Node). Which slot means what is documented per kind below; unused slots are
// kNoNode / empty. Child lists are ranges in Ast::lists; inside a list kNoNode marks a hole
// (array literal / array pattern elisions). Strings (decoded identifier names, string
// values, cooked template text, regex pattern and flags) live in Ast::strings.
//
// Type annotations, type parameters and type arguments are parsed completely and then
// dropped: no type node is kept. Declarations that only exist in TypeScript (interface,
// type alias, enum, namespace, ...) keep a node so that the lowering can see and refuse or
// erase them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::parser {

using NodeId = uint32_t;
inline constexpr NodeId kNoNode = 0xFFFFFFFFu;

// Byte offsets [start, end) into the parsed text.
struct Span {
    uint32_t start = 0;
    uint32_t end = 0;
    bool operator==(const Span&) const = default;
};

// A range of child ids in Ast::lists.
struct ListRef {
    uint32_t begin = 0;
    uint32_t count = 0;
};

// A range of bytes in Ast::strings (UTF-8 text).
struct StrRef {
    uint32_t begin = 0;
    uint32_t len = 0;
};

enum class NodeKind : uint8_t {
    // ---- Statements -------------------------------------------------------------------
    Block,          // list: statements
    Empty,          // `;`
    ExprStmt,       // a: expression
    If,             // a: test, b: consequent, c: alternate or kNoNode
    While,          // a: test, b: body
    DoWhile,        // a: body, b: test
    For,            // a: init (VarDecl, expression, or kNoNode), b: test, c: update, d: body
    ForIn,          // a: left (VarDecl with one declarator, or a pattern/expression), b: right,
                    // d: body
    ForOf,          // like ForIn; flag Await for `for await (...)`
    Return,         // a: argument or kNoNode
    Throw,          // a: argument
    Break,          // a: label (Identifier) or kNoNode
    Continue,       // a: label (Identifier) or kNoNode
    Labeled,        // a: label (Identifier), b: body statement
    Try,            // a: block (Block), b: catch parameter pattern or kNoNode,
                    // c: catch body (Block) or kNoNode when there is no catch clause,
                    // d: finally block (Block) or kNoNode
    Switch,         // a: discriminant, list: SwitchCase nodes
    SwitchCase,     // a: test or kNoNode for `default`, list: statements
    Debugger,       // `debugger;`
    With,           // a: object, b: body
    VarDecl,        // op: DeclKind, list: VarDeclarator nodes; flag Declare
    VarDeclarator,  // a: target pattern, b: initializer or kNoNode; flag Definite (`x!: T`)
    FunctionDecl,   // see "Functions" below; flag Declare for `declare function`
    ClassDecl,      // see "Classes" below

    // TypeScript-only declarations (the lowering erases or refuses them).
    TypeAlias,          // `type X = ...`; a: name (Identifier); flag Declare
    Interface,          // `interface X {...}`; a: name (Identifier); flag Declare
    Enum,               // a: name (Identifier), list: EnumMember; flags Const, Declare
    EnumMember,         // a: key (Identifier or StringLit), b: initializer or kNoNode
    Namespace,          // op: NamespaceKind, a: name (Identifier; for `A.B.C` the first part,
                        // str: the whole dotted name), b: body (Block) or kNoNode;
                        // flag Declare. `declare global {}` has op Global.
    ImportEquals,       // `import x = require("m")` / `import x = A.B`; a: name, b: reference
                        // expression (ExternalModuleRef for require(...)); flag Export
    ExternalModuleRef,  // `require("m")` in ImportEquals; str: module name
    ExportAssign,       // `export = expr`; a: expression
    ExportAsNamespace,  // `export as namespace N`; a: name

    // Module syntax (the lowering refuses it; kept with minimal detail).
    ImportDecl,  // any `import ... from "m"` / `import "m"`; str: module name; flag TypeOnly
    ExportDecl,  // op: ExportKind; a: declaration (ExportKind::Declaration), expression or
                 // declaration (ExportKind::Default), else kNoNode; str: module name for
                 // `export ... from "m"` (empty otherwise); flag TypeOnly

    // ---- Expressions ------------------------------------------------------------------
    Identifier,   // str: name with escapes decoded; flag Escaped when written with escapes.
                  // Used for references, binding names, labels and property names after `.`;
                  // the parent tells which.
    PrivateName,  // `#x`; str: name without `#`
    NullLit,
    BoolLit,       // flag True when `true`
    NumberLit,     // num: value (correctly rounded double); str: raw text as written
    BigIntLit,     // str: raw digits as written without the trailing `n` (prefix kept)
    StringLit,     // str: value with escapes interpreted (UTF-8; lone surrogates as WTF-8),
                   // str2: raw text including quotes
    RegExpLit,     // str: pattern text between the slashes, str2: flags
    Template,      // list: TemplateElement nodes (always one more than expressions),
                   // list2: substitution expressions
    TemplateElement,  // str: cooked text (escapes interpreted), str2: raw text;
                      // flag InvalidCooked when an escape is invalid (only allowed in tagged
                      // templates; cooked is then empty)
    TaggedTemplate,   // a: tag expression, b: Template; type arguments dropped
    This,
    Super,
    ArrayLit,    // list: elements; kNoNode for a hole, Spread for `...x`
    ObjectLit,   // list: Property nodes
    Property,    // op: PropKind. a: key (Identifier, StringLit, NumberLit, BigIntLit,
                 // PrivateName never; with flag Computed any expression), b: value.
                 // Init: b = value. Shorthand: a = key Identifier, b = a separate
                 // Identifier node for the value (in patterns possibly AssignPattern with
                 // that Identifier as target, e.g. `{ a = 1 }`). Method/Getter/Setter: b =
                 // FunctionExpr. Spread (object literal `...x`): a = kNoNode, b = argument.
                 // Flag Computed for `[k]: v`.
    FunctionExpr,  // see "Functions" below
    Arrow,         // see "Functions" below
    ClassExpr,     // see "Classes" below
    Unary,         // op: UnaryOp, a: operand
    Update,        // op: UpdateOp, a: operand; flag Prefix for `++x`
    Binary,        // op: BinaryOp, a: left, b: right (`#x in o` has a PrivateName left)
    Logical,       // op: LogicalOp, a: left, b: right
    Assign,        // op: AssignOp, a: target (an expression, or ObjectPattern/ArrayPattern for
                   // destructuring assignment), b: value
    Conditional,   // a: test, b: consequent, c: alternate
    Sequence,      // list: expressions (at least two)
    Paren,         // a: inner expression
    Member,        // a: object, b: property (Identifier or PrivateName); flag Optional for `?.`
    Index,         // a: object, b: index expression; flag Optional for `?.[`
    Call,          // a: callee, list: arguments (Spread for `...x`); flag Optional for `?.(`;
                   // type arguments dropped
    New,           // a: callee, list: arguments; flag HasArgs when written with parentheses
    Chain,         // a: the outermost link of an optional chain. Wraps every Member / Index /
                   // Call / NonNull chain that contains at least one Optional link and ends
                   // where the chain ends: `a?.b.c` is Chain(Member(Member(a,b,Optional),c));
                   // `(a?.b).c` is Member(Paren(Chain(Member(a,b,Optional))),c).
    Spread,        // a: argument (in array literals, call arguments, object spread uses
                   // Property with PropKind::Spread)
    Await,         // a: argument
    Yield,         // a: argument or kNoNode; flag Delegate for `yield*`
    MetaProperty,  // op: MetaKind (`new.target`, `import.meta`)
    ImportCall,    // `import(x)` / `import(x, opts)`; a: specifier, b: options or kNoNode
    AsExpr,        // `x as T`; a: expression; flag Const for `as const`
    Satisfies,     // `x satisfies T`; a: expression
    NonNull,       // `x!`; a: expression (can be a link inside a Chain)
    Instantiation, // `f<T>` not followed by a call; a: expression

    // ---- Patterns (binding and assignment targets) ------------------------------------
    // Binding names are Identifier nodes. Patterns appear as declarator targets,
    // parameters, catch parameters, for-in/of left sides and destructuring assignment
    // targets (where leaves may also be Member/Index/Paren expressions).
    ObjectPattern,  // list: Property nodes (Init / Shorthand, value is a pattern) and at most
                    // one final RestElement
    ArrayPattern,   // list: element patterns, kNoNode for a hole, RestElement last
    AssignPattern,  // `target = default`; a: target pattern, b: default expression
    RestElement,    // `...target`; a: target pattern

    // ---- Functions --------------------------------------------------------------------
    // FunctionDecl / FunctionExpr / Arrow share one layout:
    //   a: name (Identifier) or kNoNode, list: Param nodes,
    //   b: body: Block, or for an arrow with flag ExprBody the body expression, or kNoNode
    //      for a function without body (overload signature, `declare function`, abstract
    //      method);
    //   flags: Async, Generator, ExprBody, Declare.
    // Type parameters and the return type are dropped.
    Param,  // a: target pattern (Identifier / ObjectPattern / ArrayPattern), b: default or
            // kNoNode, list2: decorators. Flags: Rest (`...x`), Optional (`x?`), ThisParam
            // (TypeScript `this: T` pseudo-parameter: a is an Identifier "this"), and the
            // parameter-property modifiers Public / Private / Protected / Readonly /
            // Override (any of them makes a constructor parameter a parameter property).

    // ---- Classes ----------------------------------------------------------------------
    // ClassDecl / ClassExpr: a: name (Identifier) or kNoNode, b: superclass expression or
    //   kNoNode, list: ClassMember nodes, list2: decorators; flags Abstract, Declare.
    //   `implements` and type parameters are dropped.
    ClassMember,  // op: MemberKind. a: key (Identifier, StringLit, NumberLit, BigIntLit,
                  // PrivateName, or any expression with flag Computed), b: value:
                  //   Constructor/Method/Getter/Setter: FunctionExpr (b of that function is
                  //     kNoNode for abstract members and overload signatures);
                  //   Property/AccessorProperty: initializer or kNoNode;
                  //   StaticBlock: Block (a = kNoNode);
                  //   IndexSignature: kNoNode (a = kNoNode).
                  // list2: decorators. Flags: Static, Computed, Abstract, Declare, Optional,
                  // Definite, Readonly, Override, Public, Private, Protected.
    Decorator,    // a: expression

    // ---- JSX (the lowering refuses it) ------------------------------------------------
    JsxElement,    // a: JsxName of the opening tag, list: attributes (JsxAttribute /
                   // JsxSpreadAttribute), list2: children; flag SelfClosing
    JsxFragment,   // list2: children
    JsxName,       // str: the whole tag or attribute name as written (`a.b`, `ns:x`, `x-y`)
    JsxAttribute,  // a: JsxName, b: value (StringLit, JsxExprContainer, JsxElement,
                   // JsxFragment) or kNoNode
    JsxSpreadAttribute,  // a: expression of `{...x}`
    JsxText,             // str: the text as written
    JsxExprContainer,    // a: expression, or kNoNode for `{}` / `{/* comment */}`
    JsxSpreadChild,      // `{...x}` as a child; a: expression
};

// Flag bits (Node::flags). Each kind documents which it uses.
enum NodeFlag : uint32_t {
    kFlagAsync = 1u << 0,
    kFlagGenerator = 1u << 1,
    kFlagExprBody = 1u << 2,
    kFlagDeclare = 1u << 3,
    kFlagAbstract = 1u << 4,
    kFlagStatic = 1u << 5,
    kFlagComputed = 1u << 6,
    kFlagOptional = 1u << 7,
    kFlagDefinite = 1u << 8,
    kFlagReadonly = 1u << 9,
    kFlagOverride = 1u << 10,
    kFlagPublic = 1u << 11,
    kFlagPrivate = 1u << 12,
    kFlagProtected = 1u << 13,
    kFlagRest = 1u << 14,
    kFlagThisParam = 1u << 15,
    kFlagPrefix = 1u << 16,
    kFlagDelegate = 1u << 17,
    kFlagConst = 1u << 18,
    kFlagAwait = 1u << 19,
    kFlagEscaped = 1u << 20,
    kFlagInvalidCooked = 1u << 21,
    kFlagHasArgs = 1u << 22,
    kFlagTypeOnly = 1u << 23,
    kFlagTrue = 1u << 24,
    kFlagSelfClosing = 1u << 25,
    kFlagExport = 1u << 26,
};

enum class DeclKind : uint8_t { Var, Let, Const, Using, AwaitUsing };

enum class UnaryOp : uint8_t { Neg, Plus, Not, BitNot, Typeof, Void, Delete };

enum class UpdateOp : uint8_t { Increment, Decrement };

enum class BinaryOp : uint8_t {
    Add, Sub, Mul, Div, Mod, Exp,                 // + - * / % **
    Eq, NotEq, StrictEq, StrictNotEq,             // == != === !==
    Lt, LtEq, Gt, GtEq,                           // < <= > >=
    Shl, Shr, UShr,                               // << >> >>>
    BitAnd, BitOr, BitXor,                        // & | ^
    In, InstanceOf,                               // in instanceof
};

enum class LogicalOp : uint8_t { And, Or, Nullish };  // && || ??

enum class AssignOp : uint8_t {
    Assign,                                       // =
    AddAssign, SubAssign, MulAssign, DivAssign,   // += -= *= /=
    ModAssign, ExpAssign,                         // %= **=
    BitAndAssign, BitOrAssign, BitXorAssign,      // &= |= ^=
    ShlAssign, ShrAssign, UShrAssign,             // <<= >>= >>>=
    NullishAssign, AndAssign, OrAssign,           // ??= &&= ||=
};

enum class PropKind : uint8_t { Init, Shorthand, Method, Getter, Setter, Spread };

enum class MemberKind : uint8_t {
    Constructor, Method, Getter, Setter, Property, StaticBlock, AccessorProperty,
    IndexSignature,
};

enum class MetaKind : uint8_t { NewTarget, ImportMeta };

enum class NamespaceKind : uint8_t { Namespace, Module, Global };

// `export default x`, `export const ...`, `export { a }` / `export { a } from "m"`,
// `export * from "m"` / `export * as ns from "m"`.
enum class ExportKind : uint8_t { Default, Declaration, Named, All };

// 56 bytes. No kind uses more than one of list2 / str2 / num (list2: Template, Param,
// ClassDecl, ClassExpr, ClassMember, JsxElement, JsxFragment; str2: StringLit, RegExpLit,
// TemplateElement; num: NumberLit), so they share storage: the arena of a large program
// is a fifth smaller than with separate fields, and filling it touches fewer pages.
struct Node {
    Node() : list2{} {}

    NodeKind kind{};
    uint8_t op = 0;  // DeclKind / UnaryOp / BinaryOp / ... as documented per kind
    uint16_t reserved = 0;
    uint32_t flags = 0;
    Span span;
    NodeId a = kNoNode;
    NodeId b = kNoNode;
    NodeId c = kNoNode;
    NodeId d = kNoNode;
    ListRef list;
    StrRef str;
    union {
        ListRef list2;
        StrRef str2;
        double num;
    };

    bool has(uint32_t flag) const { return (flags & flag) != 0; }
    template <typename E>
    E op_as() const {
        return static_cast<E>(op);
    }
};

// The arena. Nodes, child lists and strings are appended during parsing and never moved
// relative to each other (indices stay valid).
struct Ast {
    std::vector<Node> nodes;
    std::vector<NodeId> lists;
    std::string strings;

    const Node& operator[](NodeId id) const { return nodes[id]; }
    Node& operator[](NodeId id) { return nodes[id]; }
    std::span<const NodeId> list(ListRef r) const { return {lists.data() + r.begin, r.count}; }
    std::string_view str(StrRef r) const { return {strings.data() + r.begin, r.len}; }

    NodeId add(const Node& n) {
        nodes.push_back(n);
        return static_cast<NodeId>(nodes.size() - 1);
    }
    ListRef add_list(std::span<const NodeId> items) {
        ListRef r{static_cast<uint32_t>(lists.size()), static_cast<uint32_t>(items.size())};
        lists.insert(lists.end(), items.begin(), items.end());
        return r;
    }
    StrRef add_str(std::string_view s) {
        StrRef r{static_cast<uint32_t>(strings.size()), static_cast<uint32_t>(s.size())};
        strings.append(s);
        return r;
    }
};

// A leading string-literal statement of the script ("use strict"). Directive prologues of
// function bodies stay ordinary ExprStmt(StringLit) statements.
struct Directive {
    std::string value;  // the literal's value, escapes interpreted
    std::string raw;    // the literal as written, without the quotes
    Span span;          // the whole statement, including a terminating `;`
};

struct ParseResult {
    Ast ast;
    std::vector<Directive> directives;
    ListRef body;  // top-level statements after the directives
    // One message per syntax error, e.g. "Expected ')' but found ';' (line 3, column 14)".
    // Any message means the text is not valid; the tree is then incomplete.
    std::vector<std::string> diagnostics;

    bool ok() const { return diagnostics.empty(); }
    std::span<const NodeId> statements() const { return ast.list(body); }
};

// Parses `text` as a TypeScript script with JSX syntax recognised. Module syntax (import,
// export) is parsed into nodes. Never throws except std::bad_alloc; never recurses deeper
// than kMaxNestingDepth syntactic levels.
ParseResult parse_typescript(std::string_view text);

// Nesting beyond this many levels (parentheses, brackets, blocks, type arguments, JSX,
// templates, unary chains, ...) is a diagnostic instead of a native stack overflow.
inline constexpr uint32_t kMaxNestingDepth = 256;

// More binary operators than this in one expression (`a + b + ... `) is a diagnostic: the
// tree of such a chain is as deep as it is long, and the lowering recurses per level.
inline constexpr uint32_t kMaxOperatorChain = 1024;

const char* node_kind_name(NodeKind kind);

// True for the kinds that use Node::list2 (the others may use its storage for str2 / num).
bool uses_list2(NodeKind kind);

// A compact S-expression of a subtree, for tests and debugging: kind, literal text or
// value, `op=` and `f=` (flags) when set, then the child slots a..d and the lists in
// brackets; `_` stands for kNoNode.
std::string dump_node(const Ast& ast, NodeId id);

}  // namespace corvane::parser
