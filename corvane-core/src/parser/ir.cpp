#include "parser/ir.h"

#include <bit>
#include <cmath>
#include <sstream>

#include "number_text.h"

namespace corvane::ir {

bool operator==(const Expr::Number& a, const Expr::Number& b) {
    if (std::isnan(a.value) && std::isnan(b.value)) return true;
    return std::bit_cast<uint64_t>(a.value) == std::bit_cast<uint64_t>(b.value);
}

const char* to_string(BinOp op) {
    static constexpr const char* kNames[] = {
        "Add",   "Sub",  "Mul", "Div",  "Mod",    "Exp",   "Eq",     "NotEq",
        "StrictEq", "StrictNotEq", "Lt", "LtEq", "Gt", "GtEq", "BitAnd", "BitOr",
        "BitXor", "Shl", "Shr", "UShr", "In",     "InstanceOf",
    };
    return kNames[static_cast<size_t>(op)];
}

const char* to_string(UnaryOp op) {
    static constexpr const char* kNames[] = {"Neg", "Not", "BitNot", "Void"};
    return kNames[static_cast<size_t>(op)];
}

const char* to_string(UpdateOp op) {
    return op == UpdateOp::Increment ? "Increment" : "Decrement";
}

const char* to_string(LogicalOp op) {
    static constexpr const char* kNames[] = {"And", "Or", "Nullish"};
    return kNames[static_cast<size_t>(op)];
}

const char* to_string(AssignOp op) {
    static constexpr const char* kNames[] = {
        "Assign",       "AddAssign",   "SubAssign",    "MulAssign",     "DivAssign",
        "ModAssign",    "ExpAssign",   "BitAndAssign", "BitOrAssign",   "BitXorAssign",
        "ShlAssign",    "ShrAssign",   "UShrAssign",   "NullishAssign", "AndAssign",
        "OrAssign",
    };
    return kNames[static_cast<size_t>(op)];
}

const char* to_string(VarKind kind) {
    static constexpr const char* kNames[] = {"Const", "Let", "Var"};
    return kNames[static_cast<size_t>(kind)];
}

const char* to_string(PropKind kind) {
    static constexpr const char* kNames[] = {"Init",   "Get",       "Set",
                                             "Method", "Shorthand", "Spread"};
    return kNames[static_cast<size_t>(kind)];
}

Span Statement::span() const {
    return std::visit([](const auto& alternative) { return alternative.span; }, node);
}

namespace {

// Renders trees as nested, indented constructor-like text:
//   If(test: Ident "x", consequent: [
//     Expr(Call(Ident "f", [], optional: false)) @0..4
//   ], alternate: none) @0..20
class Printer {
public:
    std::string take() { return std::move(out_); }

    void text(const std::string& s) {
        out_ += '"';
        for (char c : s) {
            switch (c) {
                case '"': out_ += "\\\""; break;
                case '\\': out_ += "\\\\"; break;
                case '\n': out_ += "\\n"; break;
                case '\t': out_ += "\\t"; break;
                case '\r': out_ += "\\r"; break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20) {
                        static constexpr char kHex[] = "0123456789abcdef";
                        out_ += "\\x";
                        out_ += kHex[(c >> 4) & 0xf];
                        out_ += kHex[c & 0xf];
                    } else {
                        out_ += c;
                    }
            }
        }
        out_ += '"';
    }

    void opt_text(const std::optional<std::string>& s) {
        if (s) {
            text(*s);
        } else {
            out_ += "none";
        }
    }

    void flag(const char* name, bool value) {
        out_ += name;
        out_ += value ? ": true" : ": false";
    }

    void span(Span s) {
        out_ += " @" + std::to_string(s.start) + ".." + std::to_string(s.end);
    }

    void newline() {
        out_ += '\n';
        out_.append(static_cast<size_t>(indent_) * 2, ' ');
    }

    void statements(const std::vector<Statement>& list) {
        if (list.empty()) {
            out_ += "[]";
            return;
        }
        out_ += '[';
        ++indent_;
        for (const auto& s : list) {
            newline();
            statement(s);
        }
        --indent_;
        newline();
        out_ += ']';
    }

    void opt_statements(const std::optional<std::vector<Statement>>& list) {
        if (list) {
            statements(*list);
        } else {
            out_ += "none";
        }
    }

    void exprs(const std::vector<Expr>& list) {
        out_ += '[';
        bool first = true;
        for (const auto& e : list) {
            if (!first) out_ += ", ";
            first = false;
            expr(e);
        }
        out_ += ']';
    }

    void opt_expr(const std::optional<Expr>& e) {
        if (e) {
            expr(*e);
        } else {
            out_ += "none";
        }
    }

    void field(const DestructureField& f) {
        out_ += '{';
        text(f.key);
        out_ += ", alias: ";
        opt_text(f.alias);
        out_ += ", default: ";
        opt_expr(f.default_value);
        out_ += '}';
    }

    void fields(const std::vector<DestructureField>& list) {
        out_ += '[';
        bool first = true;
        for (const auto& f : list) {
            if (!first) out_ += ", ";
            first = false;
            field(f);
        }
        out_ += ']';
    }

    void pattern(const ParamPattern& p) {
        std::visit(
            [this](const auto& n) {
                using T = std::decay_t<decltype(n)>;
                if constexpr (std::is_same_v<T, ParamPattern::Ident>) {
                    out_ += "Ident ";
                    text(n.name);
                } else if constexpr (std::is_same_v<T, ParamPattern::Object>) {
                    out_ += "Object";
                    fields(n.fields);
                } else if constexpr (std::is_same_v<T, ParamPattern::Array>) {
                    out_ += "Array[";
                    bool first = true;
                    for (const auto& e : n.elements) {
                        if (!first) out_ += ", ";
                        first = false;
                        if (e) {
                            pattern(*e);
                        } else {
                            out_ += "none";
                        }
                    }
                    out_ += ']';
                } else if constexpr (std::is_same_v<T, ParamPattern::Rest>) {
                    out_ += "Rest ";
                    text(n.name);
                } else {
                    out_ += "Default(";
                    pattern(*n.pattern);
                    out_ += ", ";
                    expr(n.default_value);
                    out_ += ')';
                }
            },
            p.node);
    }

    void target(const AssignTarget& t) {
        std::visit(
            [this](const auto& n) {
                using T = std::decay_t<decltype(n)>;
                if constexpr (std::is_same_v<T, AssignTarget::Ident>) {
                    out_ += "Ident ";
                    text(n.name);
                } else if constexpr (std::is_same_v<T, AssignTarget::Object>) {
                    out_ += "Object";
                    fields(n.fields);
                } else {
                    out_ += "Array[";
                    bool first = true;
                    for (const auto& e : n.elements) {
                        if (!first) out_ += ", ";
                        first = false;
                        if (e) {
                            target(*e);
                        } else {
                            out_ += "none";
                        }
                    }
                    out_ += ']';
                }
            },
            t.node);
    }

    void binding(const ForBinding& b) {
        if (const auto* ident = std::get_if<ForBinding::Ident>(&b.node)) {
            out_ += "Ident ";
            text(ident->name);
        } else {
            out_ += "Pattern(";
            pattern(std::get<ForBinding::Pattern>(b.node).pattern);
            out_ += ')';
        }
    }

    void function(const FunctionDef& f) {
        out_ += "FunctionDef(name: ";
        opt_text(f.name);
        out_ += ", params: [";
        bool first = true;
        for (const auto& p : f.params) {
            if (!first) out_ += ", ";
            first = false;
            pattern(p);
        }
        out_ += "], ";
        flag("async", f.is_async);
        out_ += ", ";
        flag("generator", f.is_generator);
        out_ += ", ";
        flag("arrow", f.is_arrow);
        out_ += ", body: ";
        statements(f.body);
        out_ += ')';
        span(f.span);
    }

    void methods(const std::vector<ClassMethod>& list) {
        if (list.empty()) {
            out_ += "[]";
            return;
        }
        out_ += '[';
        ++indent_;
        for (const auto& m : list) {
            newline();
            text(m.name);
            out_ += ": ";
            function(m.function);
        }
        --indent_;
        newline();
        out_ += ']';
    }

    void class_parts(const std::optional<std::string>& super_class,
                     const std::optional<Box<FunctionDef>>& constructor,
                     const std::vector<ClassMethod>& instance_methods,
                     const std::vector<ClassMethod>& static_methods) {
        out_ += ", extends: ";
        opt_text(super_class);
        out_ += ", constructor: ";
        if (constructor) {
            function(**constructor);
        } else {
            out_ += "none";
        }
        out_ += ", methods: ";
        methods(instance_methods);
        out_ += ", static: ";
        methods(static_methods);
        out_ += ')';
    }

    void expr(const Expr& e) {
        std::visit([this](const auto& n) { expr_node(n); }, e.node);
    }

    void expr_node(const Expr::Number& n) { out_ += "Number " + number_to_text(n.value); }
    void expr_node(const Expr::String& n) {
        out_ += "String ";
        text(n.value);
    }
    void expr_node(const Expr::Bool& n) { out_ += n.value ? "Bool true" : "Bool false"; }
    void expr_node(const Expr::Null&) { out_ += "Null"; }
    void expr_node(const Expr::Undefined&) { out_ += "Undefined"; }
    void expr_node(const Expr::Template& n) {
        out_ += "Template(quasis: [";
        bool first = true;
        for (const auto& q : n.quasis) {
            if (!first) out_ += ", ";
            first = false;
            text(q);
        }
        out_ += "], exprs: ";
        exprs(n.exprs);
        out_ += ')';
    }
    void expr_node(const Expr::RegExp& n) {
        out_ += "RegExp(";
        text(n.pattern);
        out_ += ", ";
        text(n.flags);
        out_ += ')';
    }
    void expr_node(const Expr::Ident& n) {
        out_ += "Ident ";
        text(n.name);
    }
    void expr_node(const Expr::Array& n) {
        out_ += "Array[";
        bool first = true;
        for (const auto& e : n.elements) {
            if (!first) out_ += ", ";
            first = false;
            opt_expr(e);
        }
        out_ += ']';
    }
    void expr_node(const Expr::Object& n) {
        out_ += "Object{";
        bool first = true;
        for (const auto& p : n.properties) {
            if (!first) out_ += ", ";
            first = false;
            out_ += to_string(p.kind);
            out_ += ' ';
            if (p.computed) out_ += "computed ";
            text(p.key);
            out_ += ": ";
            expr(p.value);
        }
        out_ += '}';
    }
    void expr_node(const Expr::Spread& n) {
        out_ += "Spread(";
        expr(*n.argument);
        out_ += ')';
    }
    void expr_node(const Expr::Binary& n) {
        out_ += "Binary(";
        out_ += to_string(n.op);
        out_ += ", ";
        expr(*n.left);
        out_ += ", ";
        expr(*n.right);
        out_ += ')';
    }
    void expr_node(const Expr::Unary& n) {
        out_ += "Unary(";
        out_ += to_string(n.op);
        out_ += ", ";
        expr(*n.operand);
        out_ += ')';
    }
    void expr_node(const Expr::Update& n) {
        out_ += "Update(";
        out_ += to_string(n.op);
        out_ += n.prefix ? ", prefix, " : ", postfix, ";
        expr(*n.target);
        out_ += ')';
    }
    void expr_node(const Expr::Logical& n) {
        out_ += "Logical(";
        out_ += to_string(n.op);
        out_ += ", ";
        expr(*n.left);
        out_ += ", ";
        expr(*n.right);
        out_ += ')';
    }
    void expr_node(const Expr::Conditional& n) {
        out_ += "Conditional(";
        expr(*n.test);
        out_ += ", ";
        expr(*n.consequent);
        out_ += ", ";
        expr(*n.alternate);
        out_ += ')';
    }
    void expr_node(const Expr::Assign& n) {
        out_ += "Assign(";
        out_ += to_string(n.op);
        out_ += ", ";
        expr(*n.target);
        out_ += ", ";
        expr(*n.value);
        out_ += ')';
    }
    void expr_node(const Expr::Sequence& n) {
        out_ += "Sequence";
        exprs(n.expressions);
    }
    void expr_node(const Expr::Member& n) {
        out_ += "Member(";
        expr(*n.object);
        out_ += ", ";
        text(n.property);
        out_ += ", ";
        flag("optional", n.optional);
        out_ += ')';
    }
    void expr_node(const Expr::Index& n) {
        out_ += "Index(";
        expr(*n.object);
        out_ += ", ";
        expr(*n.index);
        out_ += ", ";
        flag("optional", n.optional);
        out_ += ')';
    }
    void expr_node(const Expr::Call& n) {
        out_ += "Call(";
        expr(*n.callee);
        out_ += ", ";
        exprs(n.args);
        out_ += ", ";
        flag("optional", n.optional);
        out_ += ')';
    }
    void expr_node(const Expr::New& n) {
        out_ += "New(";
        expr(*n.callee);
        out_ += ", ";
        exprs(n.args);
        out_ += ')';
    }
    void expr_node(const Expr::Arrow& n) { out_ += "Arrow #" + std::to_string(n.func_index); }
    void expr_node(const Expr::Function& n) {
        out_ += "Function #" + std::to_string(n.func_index);
    }
    void expr_node(const Expr::Await& n) {
        out_ += "Await(";
        expr(*n.argument);
        out_ += ')';
    }
    void expr_node(const Expr::Yield& n) {
        out_ += n.delegate ? "YieldDelegate(" : "Yield(";
        if (n.argument) {
            expr(**n.argument);
        } else {
            out_ += "none";
        }
        out_ += ')';
    }
    void expr_node(const Expr::TypeOf& n) {
        out_ += "TypeOf(";
        expr(*n.argument);
        out_ += ')';
    }
    void expr_node(const Expr::Class& n) {
        out_ += "Class(name: ";
        opt_text(n.name);
        class_parts(n.super_class, n.constructor, n.methods, n.static_methods);
    }

    void statement(const Statement& s) {
        std::visit([this](const auto& n) { stmt_node(n); }, s.node);
    }

    void stmt_node(const Statement::VarDecl& n) {
        out_ += "VarDecl(";
        out_ += to_string(n.kind);
        for (const auto& d : n.declarations) {
            out_ += ", ";
            target(d.target);
            out_ += " = ";
            opt_expr(d.init);
        }
        out_ += ')';
        span(n.span);
    }
    void stmt_node(const Statement::Expr& n) {
        out_ += "Expr(";
        expr(n.expr);
        out_ += ')';
        span(n.span);
    }
    void stmt_node(const Statement::Return& n) {
        out_ += "Return(";
        opt_expr(n.value);
        out_ += ')';
        span(n.span);
    }
    void stmt_node(const Statement::If& n) {
        out_ += "If(";
        expr(n.test);
        out_ += ", then: ";
        statements(n.consequent);
        out_ += ", else: ";
        opt_statements(n.alternate);
        out_ += ')';
        span(n.span);
    }
    void stmt_node(const Statement::While& n) {
        out_ += "While(";
        expr(n.test);
        out_ += ", ";
        statements(n.body);
        out_ += ')';
        span(n.span);
    }
    void stmt_node(const Statement::ForOf& n) {
        out_ += "ForOf(";
        binding(n.binding);
        out_ += ", ";
        expr(n.iterable);
        out_ += ", ";
        statements(n.body);
        out_ += ')';
        span(n.span);
    }
    void stmt_node(const Statement::For& n) {
        out_ += "For(init: ";
        if (n.init) {
            statement(**n.init);
        } else {
            out_ += "none";
        }
        out_ += ", test: ";
        opt_expr(n.test);
        out_ += ", update: ";
        opt_expr(n.update);
        out_ += ", ";
        statements(n.body);
        out_ += ')';
        span(n.span);
    }
    void stmt_node(const Statement::Block& n) {
        out_ += "Block";
        statements(n.body);
        span(n.span);
    }
    void stmt_node(const Statement::Throw& n) {
        out_ += "Throw(";
        expr(n.value);
        out_ += ')';
        span(n.span);
    }
    void stmt_node(const Statement::Try& n) {
        out_ += "Try(";
        statements(n.block);
        out_ += ", catch ";
        opt_text(n.catch_param);
        out_ += ": ";
        statements(n.catch_body);
        out_ += ", finally: ";
        opt_statements(n.finally_body);
        out_ += ')';
        span(n.span);
    }
    void stmt_node(const Statement::Break& n) {
        out_ += "Break";
        span(n.span);
    }
    void stmt_node(const Statement::Continue& n) {
        out_ += "Continue";
        span(n.span);
    }
    void stmt_node(const Statement::FunctionDecl& n) {
        out_ += "FunctionDecl #" + std::to_string(n.func_index);
        span(n.span);
    }
    void stmt_node(const Statement::Switch& n) {
        out_ += "Switch(";
        expr(n.discriminant);
        out_ += ", [";
        ++indent_;
        for (const auto& c : n.cases) {
            newline();
            if (c.test) {
                out_ += "case ";
                expr(*c.test);
            } else {
                out_ += "default";
            }
            out_ += ": ";
            statements(c.body);
        }
        --indent_;
        newline();
        out_ += "])";
        span(n.span);
    }
    void stmt_node(const Statement::DoWhile& n) {
        out_ += "DoWhile(";
        statements(n.body);
        out_ += ", ";
        expr(n.test);
        out_ += ')';
        span(n.span);
    }
    void stmt_node(const Statement::ClassDecl& n) {
        out_ += "ClassDecl(name: ";
        text(n.name);
        class_parts(n.super_class, n.constructor, n.methods, n.static_methods);
        span(n.span);
    }

    void program(const Program& p) {
        out_ += "Program(body: ";
        statements(p.body);
        out_ += ", functions: [";
        ++indent_;
        for (size_t i = 0; i < p.functions.size(); ++i) {
            newline();
            out_ += '#' + std::to_string(i) + ' ';
            function(p.functions[i]);
        }
        --indent_;
        if (!p.functions.empty()) newline();
        out_ += "])";
    }

private:
    std::string out_;
    int indent_ = 0;
};

template <class T, class F>
std::string render(const T& value, F method) {
    Printer printer;
    (printer.*method)(value);
    return printer.take();
}

}  // namespace

std::string debug_string(const Program& program) { return render(program, &Printer::program); }
std::string debug_string(const Statement& s) { return render(s, &Printer::statement); }
std::string debug_string(const Expr& e) { return render(e, &Printer::expr); }
std::string debug_string(const FunctionDef& f) { return render(f, &Printer::function); }
std::string debug_string(const ParamPattern& p) { return render(p, &Printer::pattern); }
std::string debug_string(const AssignTarget& t) { return render(t, &Printer::target); }
std::string debug_string(const ForBinding& b) { return render(b, &Printer::binding); }

std::ostream& operator<<(std::ostream& out, const Program& v) { return out << debug_string(v); }
std::ostream& operator<<(std::ostream& out, const Statement& v) { return out << debug_string(v); }
std::ostream& operator<<(std::ostream& out, const Expr& v) { return out << debug_string(v); }
std::ostream& operator<<(std::ostream& out, const FunctionDef& v) {
    return out << debug_string(v);
}
std::ostream& operator<<(std::ostream& out, const ParamPattern& v) {
    return out << debug_string(v);
}
std::ostream& operator<<(std::ostream& out, const AssignTarget& v) {
    return out << debug_string(v);
}
std::ostream& operator<<(std::ostream& out, const ForBinding& v) {
    return out << debug_string(v);
}

}  // namespace corvane::ir
