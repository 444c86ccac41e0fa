// Lowering of statements and declarations.
#include <utility>

#include "parser/lower.h"

namespace corvane::front_end {

using parser::kNoNode;
using parser::NodeId;
using parser::NodeKind;

namespace {

ir::Span span_of(const parser::Node& n) { return ir::Span{n.span.start, n.span.end}; }

}  // namespace

bool AstLowerer::lower_statement_list(parser::ListRef list, std::vector<ir::Statement>& out) {
    out.reserve(out.size() + list.count);
    for (NodeId id : ast_.list(list)) {
        out.emplace_back();
        if (!lower_statement(id, out.back())) return false;
    }
    return true;
}

bool AstLowerer::lower_statement_as_block(NodeId id, std::vector<ir::Statement>& out) {
    const parser::Node& n = node(id);
    if (n.kind == NodeKind::Block) return lower_statement_list(n.list, out);
    out.emplace_back();
    return lower_statement(id, out.back());
}

bool AstLowerer::lower_statement(NodeId id, ir::Statement& out) {
    DepthGuard guard(*this);
    if (!guard.ok()) return refuse_too_deep();
    const parser::Node& n = node(id);
    switch (n.kind) {
        case NodeKind::Block: {
            auto& s = out.node.emplace<ir::Statement::Block>();
            s.span = span_of(n);
            return lower_statement_list(n.list, s.body);
        }
        case NodeKind::Empty:
            out.node.emplace<ir::Statement::Expr>(ir::Expr::Undefined{}, ir::Span{0, 0});
            return true;
        case NodeKind::ExprStmt: {
            auto& s = out.node.emplace<ir::Statement::Expr>();
            s.span = span_of(n);
            return lower_expr(n.a, s.expr);
        }
        case NodeKind::If: return lower_if(id, out);
        case NodeKind::While:
        case NodeKind::DoWhile: return lower_loop(id, out);
        case NodeKind::For: return lower_for(id, out);
        case NodeKind::ForIn:
            return refuse(n.span, "for...in loops are not supported, use for...of");
        case NodeKind::ForOf: return lower_for_of(id, out);
        case NodeKind::Return: {
            auto& s = out.node.emplace<ir::Statement::Return>();
            s.span = span_of(n);
            if (n.a == kNoNode) return true;
            return lower_expr(n.a, s.value.emplace());
        }
        case NodeKind::Throw: {
            auto& s = out.node.emplace<ir::Statement::Throw>();
            s.span = span_of(n);
            return lower_expr(n.a, s.value);
        }
        case NodeKind::Break: out.node.emplace<ir::Statement::Break>(span_of(n)); return true;
        case NodeKind::Continue:
            out.node.emplace<ir::Statement::Continue>(span_of(n));
            return true;
        case NodeKind::Labeled: return lower_statement(n.b, out);  // the label disappears
        case NodeKind::Try: return lower_try(id, out);
        case NodeKind::Switch: return lower_switch(id, out);
        case NodeKind::VarDecl: return lower_var_decl(id, out);
        case NodeKind::FunctionDecl: {
            size_t index = 0;
            if (!lower_function_into_table(id, false, index)) return false;
            out.node.emplace<ir::Statement::FunctionDecl>(index, span_of(n));
            return true;
        }
        case NodeKind::ClassDecl: return lower_class_decl(id, out);
        case NodeKind::TypeAlias:
        case NodeKind::Interface:
            // Type-only declarations leave a statement that does nothing.
            out.node.emplace<ir::Statement::Expr>(ir::Expr::Undefined{}, span_of(n));
            return true;
        case NodeKind::Enum:
            return refuse(n.span, "TypeScript enums are not supported");
        case NodeKind::ImportDecl: return refuse_sandbox_at("import declarations are", n.span);
        case NodeKind::ExportDecl: return refuse_sandbox_at("export declarations are", n.span);
        default:
            // debugger, with, namespace / module / declare global, import x = ...,
            // export = ..., export as namespace ...
            return refuse(n.span, "unsupported statement type");
    }
}

bool AstLowerer::lower_if(NodeId id, ir::Statement& out) {
    const parser::Node& n = node(id);
    auto& s = out.node.emplace<ir::Statement::If>();
    s.span = span_of(n);
    if (!lower_expr(n.a, s.test) || !lower_statement_as_block(n.b, s.consequent)) return false;
    if (n.c == kNoNode) return true;
    return lower_statement_as_block(n.c, s.alternate.emplace());
}

bool AstLowerer::lower_loop(NodeId id, ir::Statement& out) {
    const parser::Node& n = node(id);
    if (n.kind == NodeKind::While) {
        auto& s = out.node.emplace<ir::Statement::While>();
        s.span = span_of(n);
        return lower_expr(n.a, s.test) && lower_statement_as_block(n.b, s.body);
    }
    auto& s = out.node.emplace<ir::Statement::DoWhile>();
    s.span = span_of(n);
    return lower_statement_as_block(n.a, s.body) && lower_expr(n.b, s.test);
}

bool AstLowerer::lower_for(NodeId id, ir::Statement& out) {
    const parser::Node& n = node(id);
    auto& s = out.node.emplace<ir::Statement::For>();
    s.span = span_of(n);
    if (n.a != kNoNode) {
        ir::Statement& init = *s.init.emplace();
        if (node(n.a).kind == NodeKind::VarDecl) {
            if (!lower_var_decl(n.a, init)) return false;
        } else {
            // An expression initializer carries the span of the whole loop.
            auto& e = init.node.emplace<ir::Statement::Expr>();
            e.span = s.span;
            if (!lower_expr(n.a, e.expr)) return false;
        }
    }
    if (n.b != kNoNode && !lower_expr(n.b, s.test.emplace())) return false;
    if (n.c != kNoNode && !lower_expr(n.c, s.update.emplace())) return false;
    return lower_statement_as_block(n.d, s.body);
}

bool AstLowerer::lower_for_of(NodeId id, ir::Statement& out) {
    const parser::Node& n = node(id);
    const parser::Node& left = node(n.a);
    if (left.kind != NodeKind::VarDecl) {
        return refuse(n.span, "unsupported for-of left-hand side");
    }
    const auto kind = left.op_as<parser::DeclKind>();
    if (kind == parser::DeclKind::Using || kind == parser::DeclKind::AwaitUsing) {
        return refuse(left.span, "using declarations are not supported");
    }
    const auto declarators = ast_.list(left.list);
    if (declarators.empty()) return refuse(n.span, "empty for-of binding");
    // Only the first declarator binds; `for await` lowers like a plain for-of.
    const NodeId target = node(declarators[0]).a;
    auto& s = out.node.emplace<ir::Statement::ForOf>();
    s.span = span_of(n);
    if (node(target).kind == NodeKind::Identifier) {
        s.binding.node.emplace<ir::ForBinding::Ident>(std::string(str(node(target).str)));
    } else {
        auto& p = s.binding.node.emplace<ir::ForBinding::Pattern>();
        if (!lower_binding_pattern_to_param(target, p.pattern)) return false;
    }
    return lower_expr(n.b, s.iterable) && lower_statement_as_block(n.d, s.body);
}

bool AstLowerer::lower_try(NodeId id, ir::Statement& out) {
    const parser::Node& n = node(id);
    auto& s = out.node.emplace<ir::Statement::Try>();
    s.span = span_of(n);
    if (!lower_statement_as_block(n.a, s.block)) return false;
    if (n.c != kNoNode) {
        // A destructuring catch parameter binds nothing.
        if (n.b != kNoNode && node(n.b).kind == NodeKind::Identifier) {
            s.catch_param = std::string(str(node(n.b).str));
        }
        if (!lower_statement_as_block(n.c, s.catch_body)) return false;
    }
    if (n.d == kNoNode) return true;
    return lower_statement_as_block(n.d, s.finally_body.emplace());
}

bool AstLowerer::lower_switch(NodeId id, ir::Statement& out) {
    const parser::Node& n = node(id);
    auto& s = out.node.emplace<ir::Statement::Switch>();
    s.span = span_of(n);
    if (!lower_expr(n.a, s.discriminant)) return false;
    s.cases.reserve(n.list.count);
    for (NodeId case_id : ast_.list(n.list)) {
        const parser::Node& c = node(case_id);
        ir::SwitchCase& lowered = s.cases.emplace_back();
        if (c.a != kNoNode && !lower_expr(c.a, lowered.test.emplace())) return false;
        if (!lower_statement_list(c.list, lowered.body)) return false;
    }
    return true;
}

bool AstLowerer::lower_class_decl(NodeId id, ir::Statement& out) {
    const parser::Node& n = node(id);
    auto& s = out.node.emplace<ir::Statement::ClassDecl>();
    s.span = span_of(n);
    s.name = n.a != kNoNode ? std::string(str(node(n.a).str)) : "AnonymousClass";
    if (!lower_super_class(id, s.super_class)) return false;
    auto body = std::make_unique<ClassBody>();
    if (!lower_class_body(id, *body)) return false;
    s.constructor = std::move(body->constructor);
    s.methods = std::move(body->methods);
    s.static_methods = std::move(body->static_methods);
    return true;
}

bool AstLowerer::lower_var_decl(NodeId id, ir::Statement& out) {
    const parser::Node& n = node(id);
    ir::VarKind kind = ir::VarKind::Let;
    switch (n.op_as<parser::DeclKind>()) {
        case parser::DeclKind::Var: kind = ir::VarKind::Var; break;
        case parser::DeclKind::Let: kind = ir::VarKind::Let; break;
        case parser::DeclKind::Const: kind = ir::VarKind::Const; break;
        case parser::DeclKind::Using:
        case parser::DeclKind::AwaitUsing:
            return refuse(n.span, "using declarations are not supported");
    }
    // Type annotations, `!` and `declare` are not in the tree or not read.
    auto& s = out.node.emplace<ir::Statement::VarDecl>();
    s.kind = kind;
    s.span = span_of(n);
    s.declarations.reserve(n.list.count);
    for (NodeId declarator_id : ast_.list(n.list)) {
        const parser::Node& d = node(declarator_id);
        ir::VarDeclarator& lowered = s.declarations.emplace_back();
        if (!lower_binding_pattern(d.a, lowered.target)) return false;
        if (d.b != kNoNode && !lower_expr(d.b, lowered.init.emplace())) return false;
    }
    return true;
}

}  // namespace corvane::front_end
