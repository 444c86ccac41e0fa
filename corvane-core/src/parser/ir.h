// The intermediate representation: the tree the front end builds from the syntax tree and
// the compiler translates into bytecode.
//
// Plain owned data: every node owns its children, there are no parent links and no sharing.
// The only cross-references are indices from function expressions and declarations into
// Program::functions. Copying a node copies the whole subtree; == compares whole subtrees.
//
// Variant alternatives and struct fields are declared in a fixed order: the snapshot
// format writes a variant as its alternative index followed by its fields in declaration
// order, so neither order may change. Each tree type holds its alternatives in a
// std::variant member named `node`; alternatives are nested structs named after the
// construct (Statement::If, Expr::Binary, ParamPattern::Rest, ...).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace corvane::ir {

// One owned child held on the heap, for recursive positions. Copying copies the child.
template <class T>
class Box {
public:
    Box() : ptr_(std::make_unique<T>()) {}
    Box(T value) : ptr_(std::make_unique<T>(std::move(value))) {}  // NOLINT: implicit on purpose
    Box(const Box& other) : ptr_(other.ptr_ ? std::make_unique<T>(*other.ptr_) : nullptr) {}
    Box(Box&&) noexcept = default;
    Box& operator=(const Box& other) {
        if (this != &other) ptr_ = other.ptr_ ? std::make_unique<T>(*other.ptr_) : nullptr;
        return *this;
    }
    Box& operator=(Box&&) noexcept = default;
    ~Box() = default;

    T& operator*() { return *ptr_; }
    const T& operator*() const { return *ptr_; }
    T* operator->() { return ptr_.get(); }
    const T* operator->() const { return ptr_.get(); }
    T& get() { return *ptr_; }
    const T& get() const { return *ptr_; }

    friend bool operator==(const Box& a, const Box& b) {
        if (!a.ptr_ || !b.ptr_) return a.ptr_ == b.ptr_;
        return *a.ptr_ == *b.ptr_;
    }

private:
    std::unique_ptr<T> ptr_;
};

// True when T is one of the alternatives of the variant V.
template <class T, class V>
struct is_alternative : std::false_type {};
template <class T, class... Ts>
struct is_alternative<T, std::variant<Ts...>>
    : std::bool_constant<(std::is_same_v<T, Ts> || ...)> {};
template <class T, class V>
inline constexpr bool is_alternative_v = is_alternative<T, V>::value;

struct Expr;
struct Statement;
struct FunctionDef;
struct ObjProperty;
struct ClassMethod;
struct ParamPattern;
struct AssignTarget;

// Byte offsets [start, end) into the text that was parsed.
struct Span {
    uint32_t start = 0;
    uint32_t end = 0;
    bool operator==(const Span&) const = default;
};

enum class BinOp : uint8_t {
    Add, Sub, Mul, Div, Mod, Exp,
    Eq, NotEq, StrictEq, StrictNotEq,
    Lt, LtEq, Gt, GtEq,
    BitAnd, BitOr, BitXor,
    Shl, Shr, UShr,
    In, InstanceOf,
};

enum class UnaryOp : uint8_t { Neg, Not, BitNot, Void };

enum class UpdateOp : uint8_t { Increment, Decrement };

enum class LogicalOp : uint8_t { And, Or, Nullish };

enum class AssignOp : uint8_t {
    Assign,
    AddAssign, SubAssign, MulAssign, DivAssign, ModAssign, ExpAssign,
    BitAndAssign, BitOrAssign, BitXorAssign,
    ShlAssign, ShrAssign, UShrAssign,
    NullishAssign, AndAssign, OrAssign,
};

enum class VarKind : uint8_t { Const, Let, Var };

enum class PropKind : uint8_t { Init, Get, Set, Method, Shorthand, Spread };

const char* to_string(BinOp op);
const char* to_string(UnaryOp op);
const char* to_string(UpdateOp op);
const char* to_string(LogicalOp op);
const char* to_string(AssignOp op);
const char* to_string(VarKind kind);
const char* to_string(PropKind kind);

struct Expr {
    // Equality is by identity of the double: NaN equals NaN, 0 and -0 differ.
    struct Number {
        double value;
        friend bool operator==(const Number& a, const Number& b);
    };
    struct String { std::string value; bool operator==(const String&) const = default; };
    struct Bool { bool value = false; bool operator==(const Bool&) const = default; };
    struct Null { bool operator==(const Null&) const = default; };
    struct Undefined { bool operator==(const Undefined&) const = default; };
    struct Template {
        std::vector<std::string> quasis;
        std::vector<Expr> exprs;
        bool operator==(const Template&) const = default;
    };
    struct RegExp {
        std::string pattern;
        std::string flags;
        bool operator==(const RegExp&) const = default;
    };
    struct Ident { std::string name; bool operator==(const Ident&) const = default; };
    struct Array {
        std::vector<std::optional<Expr>> elements;
        bool operator==(const Array&) const = default;
    };
    struct Object {
        std::vector<ObjProperty> properties;
        bool operator==(const Object&) const = default;
    };
    struct Spread { Box<Expr> argument; bool operator==(const Spread&) const = default; };
    struct Binary {
        BinOp op = BinOp::Add;
        Box<Expr> left;
        Box<Expr> right;
        bool operator==(const Binary&) const = default;
    };
    struct Unary {
        UnaryOp op = UnaryOp::Neg;
        Box<Expr> operand;
        bool operator==(const Unary&) const = default;
    };
    struct Update {
        UpdateOp op = UpdateOp::Increment;
        bool prefix = false;
        Box<Expr> target;
        bool operator==(const Update&) const = default;
    };
    struct Logical {
        LogicalOp op = LogicalOp::And;
        Box<Expr> left;
        Box<Expr> right;
        bool operator==(const Logical&) const = default;
    };
    struct Conditional {
        Box<Expr> test;
        Box<Expr> consequent;
        Box<Expr> alternate;
        bool operator==(const Conditional&) const = default;
    };
    struct Assign {
        AssignOp op = AssignOp::Assign;
        Box<Expr> target;
        Box<Expr> value;
        bool operator==(const Assign&) const = default;
    };
    struct Sequence {
        std::vector<Expr> expressions;
        bool operator==(const Sequence&) const = default;
    };
    struct Member {
        Box<Expr> object;
        std::string property;
        bool optional = false;
        bool operator==(const Member&) const = default;
    };
    struct Index {
        Box<Expr> object;
        Box<Expr> index;
        bool optional = false;
        bool operator==(const Index&) const = default;
    };
    struct Call {
        Box<Expr> callee;
        std::vector<Expr> args;
        bool optional = false;
        bool operator==(const Call&) const = default;
    };
    struct New {
        Box<Expr> callee;
        std::vector<Expr> args;
        bool operator==(const New&) const = default;
    };
    struct Arrow { size_t func_index = 0; bool operator==(const Arrow&) const = default; };
    struct Function { size_t func_index = 0; bool operator==(const Function&) const = default; };
    struct Await { Box<Expr> argument; bool operator==(const Await&) const = default; };
    struct Yield {
        std::optional<Box<Expr>> argument;
        bool delegate = false;
        bool operator==(const Yield&) const = default;
    };
    struct TypeOf { Box<Expr> argument; bool operator==(const TypeOf&) const = default; };
    struct Class {
        std::optional<std::string> name;
        std::optional<std::string> super_class;
        std::optional<Box<FunctionDef>> constructor;
        std::vector<ClassMethod> methods;
        std::vector<ClassMethod> static_methods;
        bool operator==(const Class&) const = default;
    };

    using Node = std::variant<Number, String, Bool, Null, Undefined, Template, RegExp, Ident,
                              Array, Object, Spread, Binary, Unary, Update, Logical,
                              Conditional, Assign, Sequence, Member, Index, Call, New, Arrow,
                              Function, Await, Yield, TypeOf, Class>;
    Node node;

    // Defaults to the first alternative.
    Expr() : node(Number{0.0}) {}
    template <class A>
        requires is_alternative_v<std::remove_cvref_t<A>, Node>
    Expr(A&& alternative) : node(std::forward<A>(alternative)) {}  // NOLINT: implicit

    bool operator==(const Expr&) const = default;

    template <class A>
    bool is() const { return std::holds_alternative<A>(node); }
    template <class A>
    const A& as() const { return std::get<A>(node); }
    template <class A>
    A& as() { return std::get<A>(node); }
};

struct ObjProperty {
    PropKind kind = PropKind::Init;
    std::string key;
    Expr value;
    bool computed = false;
    bool operator==(const ObjProperty&) const = default;
};

// One property of an object pattern.
struct DestructureField {
    std::string key;
    std::optional<std::string> alias;
    std::optional<Expr> default_value;  // written `default` in the format description
    bool operator==(const DestructureField&) const = default;
};

// A parameter, or a pattern in a for-of binding.
struct ParamPattern {
    struct Ident { std::string name; bool operator==(const Ident&) const = default; };
    struct Object {
        std::vector<DestructureField> fields;
        bool operator==(const Object&) const = default;
    };
    struct Array {
        std::vector<std::optional<ParamPattern>> elements;
        bool operator==(const Array&) const = default;
    };
    struct Rest { std::string name; bool operator==(const Rest&) const = default; };
    struct Default {
        Box<ParamPattern> pattern;
        Expr default_value;
        bool operator==(const Default&) const = default;
    };

    using Node = std::variant<Ident, Object, Array, Rest, Default>;
    Node node;

    // Defaults to the first alternative.
    ParamPattern() : node(Ident{}) {}
    template <class A>
        requires is_alternative_v<std::remove_cvref_t<A>, Node>
    ParamPattern(A&& alternative) : node(std::forward<A>(alternative)) {}  // NOLINT: implicit

    bool operator==(const ParamPattern&) const = default;

    template <class A>
    bool is() const { return std::holds_alternative<A>(node); }
    template <class A>
    const A& as() const { return std::get<A>(node); }
};

// The binding of a variable declarator.
struct AssignTarget {
    struct Ident { std::string name; bool operator==(const Ident&) const = default; };
    struct Object {
        std::vector<DestructureField> fields;
        bool operator==(const Object&) const = default;
    };
    struct Array {
        std::vector<std::optional<AssignTarget>> elements;
        bool operator==(const Array&) const = default;
    };

    using Node = std::variant<Ident, Object, Array>;
    Node node;

    // Defaults to the first alternative.
    AssignTarget() : node(Ident{}) {}
    template <class A>
        requires is_alternative_v<std::remove_cvref_t<A>, Node>
    AssignTarget(A&& alternative) : node(std::forward<A>(alternative)) {}  // NOLINT: implicit

    bool operator==(const AssignTarget&) const = default;

    template <class A>
    bool is() const { return std::holds_alternative<A>(node); }
    template <class A>
    const A& as() const { return std::get<A>(node); }
};

// The left side of for-of.
struct ForBinding {
    struct Ident { std::string name; bool operator==(const Ident&) const = default; };
    struct Pattern { ParamPattern pattern; bool operator==(const Pattern&) const = default; };

    using Node = std::variant<Ident, Pattern>;
    Node node;

    // Defaults to the first alternative.
    ForBinding() : node(Ident{}) {}
    template <class A>
        requires is_alternative_v<std::remove_cvref_t<A>, Node>
    ForBinding(A&& alternative) : node(std::forward<A>(alternative)) {}  // NOLINT: implicit

    bool operator==(const ForBinding&) const = default;

    template <class A>
    bool is() const { return std::holds_alternative<A>(node); }
    template <class A>
    const A& as() const { return std::get<A>(node); }
};

struct VarDeclarator {
    AssignTarget target;
    std::optional<Expr> init;
    bool operator==(const VarDeclarator&) const = default;
};

struct SwitchCase;

struct Statement {
    using ExprT = ::corvane::ir::Expr;
    using List = std::vector<Statement>;

    // No default member initializers in the first alternatives: the variant decides
    // whether it is default-constructible while the enclosing type is still incomplete.
    struct VarDecl {
        VarKind kind;
        std::vector<VarDeclarator> declarations;
        Span span;
        bool operator==(const VarDecl&) const = default;
    };
    struct Expr {
        ExprT expr;
        Span span;
        bool operator==(const Expr&) const = default;
    };
    struct Return {
        std::optional<ExprT> value;
        Span span;
        bool operator==(const Return&) const = default;
    };
    struct If {
        ExprT test;
        List consequent;
        std::optional<List> alternate;
        Span span;
        bool operator==(const If&) const = default;
    };
    struct While {
        ExprT test;
        List body;
        Span span;
        bool operator==(const While&) const = default;
    };
    struct ForOf {
        ForBinding binding;
        ExprT iterable;
        List body;
        Span span;
        bool operator==(const ForOf&) const = default;
    };
    struct For {
        std::optional<Box<Statement>> init;
        std::optional<ExprT> test;
        std::optional<ExprT> update;
        List body;
        Span span;
        bool operator==(const For&) const = default;
    };
    struct Block {
        List body;
        Span span;
        bool operator==(const Block&) const = default;
    };
    struct Throw {
        ExprT value;
        Span span;
        bool operator==(const Throw&) const = default;
    };
    struct Try {
        List block;
        std::optional<std::string> catch_param;
        List catch_body;
        std::optional<List> finally_body;
        Span span;
        bool operator==(const Try&) const = default;
    };
    struct Break {
        Span span;
        bool operator==(const Break&) const = default;
    };
    struct Continue {
        Span span;
        bool operator==(const Continue&) const = default;
    };
    struct FunctionDecl {
        size_t func_index = 0;
        Span span;
        bool operator==(const FunctionDecl&) const = default;
    };
    struct Switch {
        ExprT discriminant;
        std::vector<SwitchCase> cases;
        Span span;
        bool operator==(const Switch&) const = default;
    };
    struct DoWhile {
        List body;
        ExprT test;
        Span span;
        bool operator==(const DoWhile&) const = default;
    };
    struct ClassDecl {
        std::string name;
        std::optional<std::string> super_class;
        std::optional<Box<FunctionDef>> constructor;
        std::vector<ClassMethod> methods;
        std::vector<ClassMethod> static_methods;
        Span span;
        bool operator==(const ClassDecl&) const = default;
    };

    using Node = std::variant<VarDecl, Expr, Return, If, While, ForOf, For, Block, Throw, Try,
                              Break, Continue, FunctionDecl, Switch, DoWhile, ClassDecl>;
    Node node;

    // Defaults to the first alternative.
    Statement() : node(VarDecl{VarKind::Const, {}, {}}) {}
    template <class A>
        requires is_alternative_v<std::remove_cvref_t<A>, Node>
    Statement(A&& alternative) : node(std::forward<A>(alternative)) {}  // NOLINT: implicit

    bool operator==(const Statement&) const = default;

    // Every alternative carries the span of its source statement.
    Span span() const;

    template <class A>
    bool is() const { return std::holds_alternative<A>(node); }
    template <class A>
    const A& as() const { return std::get<A>(node); }
};

struct SwitchCase {
    std::optional<Expr> test;
    std::vector<Statement> body;
    bool operator==(const SwitchCase&) const = default;
};

struct FunctionDef {
    std::optional<std::string> name;
    std::vector<ParamPattern> params;
    std::vector<Statement> body;
    bool is_async = false;
    bool is_generator = false;
    bool is_arrow = false;
    Span span;
    bool operator==(const FunctionDef&) const = default;
};

struct ClassMethod {
    std::string name;
    FunctionDef function;
    bool operator==(const ClassMethod&) const = default;
};

struct Program {
    std::vector<Statement> body;
    std::vector<FunctionDef> functions;
    bool operator==(const Program&) const = default;
};

// Readable multi-line renderings for test failure messages and debugging. The format is
// for people, not for parsing.
std::string debug_string(const Program& program);
std::string debug_string(const Statement& statement);
std::string debug_string(const Expr& expr);
std::string debug_string(const FunctionDef& function);
std::string debug_string(const ParamPattern& pattern);
std::string debug_string(const AssignTarget& target);
std::string debug_string(const ForBinding& binding);

// GoogleTest and stream printing.
std::ostream& operator<<(std::ostream& out, const Program& program);
std::ostream& operator<<(std::ostream& out, const Statement& statement);
std::ostream& operator<<(std::ostream& out, const Expr& expr);
std::ostream& operator<<(std::ostream& out, const FunctionDef& function);
std::ostream& operator<<(std::ostream& out, const ParamPattern& pattern);
std::ostream& operator<<(std::ostream& out, const AssignTarget& target);
std::ostream& operator<<(std::ostream& out, const ForBinding& binding);

}  // namespace corvane::ir
