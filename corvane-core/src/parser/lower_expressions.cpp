// Lowering of expressions, with the identifier-level sandbox policy.
#include <cmath>
#include <limits>
#include <utility>

#include "parser/lower.h"

namespace corvane::front_end {

using parser::kNoNode;
using parser::NodeId;
using parser::NodeKind;

namespace {

ir::BinOp binary_op(parser::BinaryOp op) {
    switch (op) {
        case parser::BinaryOp::Add: return ir::BinOp::Add;
        case parser::BinaryOp::Sub: return ir::BinOp::Sub;
        case parser::BinaryOp::Mul: return ir::BinOp::Mul;
        case parser::BinaryOp::Div: return ir::BinOp::Div;
        case parser::BinaryOp::Mod: return ir::BinOp::Mod;
        case parser::BinaryOp::Exp: return ir::BinOp::Exp;
        case parser::BinaryOp::Eq: return ir::BinOp::Eq;
        case parser::BinaryOp::NotEq: return ir::BinOp::NotEq;
        case parser::BinaryOp::StrictEq: return ir::BinOp::StrictEq;
        case parser::BinaryOp::StrictNotEq: return ir::BinOp::StrictNotEq;
        case parser::BinaryOp::Lt: return ir::BinOp::Lt;
        case parser::BinaryOp::LtEq: return ir::BinOp::LtEq;
        case parser::BinaryOp::Gt: return ir::BinOp::Gt;
        case parser::BinaryOp::GtEq: return ir::BinOp::GtEq;
        case parser::BinaryOp::Shl: return ir::BinOp::Shl;
        case parser::BinaryOp::Shr: return ir::BinOp::Shr;
        case parser::BinaryOp::UShr: return ir::BinOp::UShr;
        case parser::BinaryOp::BitAnd: return ir::BinOp::BitAnd;
        case parser::BinaryOp::BitOr: return ir::BinOp::BitOr;
        case parser::BinaryOp::BitXor: return ir::BinOp::BitXor;
        case parser::BinaryOp::In: return ir::BinOp::In;
        case parser::BinaryOp::InstanceOf: return ir::BinOp::InstanceOf;
    }
    return ir::BinOp::Add;
}

ir::AssignOp assign_op(parser::AssignOp op) {
    switch (op) {
        case parser::AssignOp::Assign: return ir::AssignOp::Assign;
        case parser::AssignOp::AddAssign: return ir::AssignOp::AddAssign;
        case parser::AssignOp::SubAssign: return ir::AssignOp::SubAssign;
        case parser::AssignOp::MulAssign: return ir::AssignOp::MulAssign;
        case parser::AssignOp::DivAssign: return ir::AssignOp::DivAssign;
        case parser::AssignOp::ModAssign: return ir::AssignOp::ModAssign;
        case parser::AssignOp::ExpAssign: return ir::AssignOp::ExpAssign;
        case parser::AssignOp::BitAndAssign: return ir::AssignOp::BitAndAssign;
        case parser::AssignOp::BitOrAssign: return ir::AssignOp::BitOrAssign;
        case parser::AssignOp::BitXorAssign: return ir::AssignOp::BitXorAssign;
        case parser::AssignOp::ShlAssign: return ir::AssignOp::ShlAssign;
        case parser::AssignOp::ShrAssign: return ir::AssignOp::ShrAssign;
        case parser::AssignOp::UShrAssign: return ir::AssignOp::UShrAssign;
        case parser::AssignOp::NullishAssign: return ir::AssignOp::NullishAssign;
        case parser::AssignOp::AndAssign: return ir::AssignOp::AndAssign;
        case parser::AssignOp::OrAssign: return ir::AssignOp::OrAssign;
    }
    return ir::AssignOp::Assign;
}

ir::LogicalOp logical_op(parser::LogicalOp op) {
    switch (op) {
        case parser::LogicalOp::And: return ir::LogicalOp::And;
        case parser::LogicalOp::Or: return ir::LogicalOp::Or;
        case parser::LogicalOp::Nullish: return ir::LogicalOp::Nullish;
    }
    return ir::LogicalOp::And;
}

}  // namespace

bool AstLowerer::lower_expr(NodeId id, ir::Expr& out) {
    DepthGuard guard(*this);
    if (!guard.ok()) return refuse_too_deep();
    const parser::Node& n = node(id);
    switch (n.kind) {
        case NodeKind::Identifier: return lower_identifier_reference(id, out);
        case NodeKind::NullLit: out.node.emplace<ir::Expr::Null>(); return true;
        case NodeKind::BoolLit:
            out.node.emplace<ir::Expr::Bool>(n.has(parser::kFlagTrue));
            return true;
        case NodeKind::NumberLit: out.node.emplace<ir::Expr::Number>(n.num); return true;
        case NodeKind::StringLit:
            out.node.emplace<ir::Expr::String>(std::string(str(n.str)));
            return true;
        case NodeKind::RegExpLit:
            out.node.emplace<ir::Expr::RegExp>(std::string(str(n.str)), std::string(str(n.str2)));
            return true;
        case NodeKind::Template: return lower_template(id, out);
        case NodeKind::TaggedTemplate:
            return refuse(n.span, "tagged template expressions are not supported");
        case NodeKind::This: out.node.emplace<ir::Expr::Ident>("this"); return true;
        case NodeKind::Super: out.node.emplace<ir::Expr::Ident>("super"); return true;
        case NodeKind::ArrayLit: return lower_array_literal(id, out);
        case NodeKind::ObjectLit: return lower_object_literal(id, out);
        case NodeKind::FunctionExpr:
        case NodeKind::Arrow: {
            const bool is_arrow = n.kind == NodeKind::Arrow;
            size_t index = 0;
            if (!lower_function_into_table(id, is_arrow, index)) return false;
            if (is_arrow) {
                out.node.emplace<ir::Expr::Arrow>(index);
            } else {
                out.node.emplace<ir::Expr::Function>(index);
            }
            return true;
        }
        case NodeKind::ClassExpr: return lower_class_expr(id, out);
        case NodeKind::Unary: return lower_unary(id, out);
        case NodeKind::Update:
        case NodeKind::Binary:
        case NodeKind::Logical:
        case NodeKind::Assign:
        case NodeKind::Conditional:
        case NodeKind::Sequence: return lower_operator(id, out);
        case NodeKind::Member:
        case NodeKind::Index:
        case NodeKind::Call:
        case NodeKind::New: return lower_member_like(id, out);
        case NodeKind::Chain: return lower_chain_expr(n.a, out);
        case NodeKind::Await: {
            auto& e = out.node.emplace<ir::Expr::Await>();
            return lower_expr(n.a, *e.argument);
        }
        case NodeKind::Yield: {
            auto& e = out.node.emplace<ir::Expr::Yield>();
            e.delegate = n.has(parser::kFlagDelegate);
            if (n.a == kNoNode) return true;
            return lower_expr(n.a, *e.argument.emplace());
        }
        case NodeKind::MetaProperty:
            return refuse(n.span, "meta properties are not supported");
        case NodeKind::ImportCall:
            return refuse_sandbox_at("dynamic import() is", n.span);
        // Wrappers that only exist for the type checker or for grouping.
        case NodeKind::Paren:
        case NodeKind::AsExpr:
        case NodeKind::Satisfies:
        case NodeKind::NonNull:
        case NodeKind::Instantiation: return lower_expr(n.a, out);
        default:
            // BigInt literals, JSX, a private name as operand (`#x in o`), and anything
            // else without a lowering.
            return refuse_expression();
    }
}

bool AstLowerer::lower_identifier_reference(NodeId id, ir::Expr& out) {
    const std::string_view name = str(node(id).str);
    if (name == "undefined") {
        out.node.emplace<ir::Expr::Undefined>();
    } else if (name == "NaN") {
        out.node.emplace<ir::Expr::Number>(std::numeric_limits<double>::quiet_NaN());
    } else if (name == "Infinity") {
        out.node.emplace<ir::Expr::Number>(std::numeric_limits<double>::infinity());
    } else if (name == "eval") {
        return refuse_sandbox("eval is forbidden in the sandbox");
    } else if (name == "require") {
        return refuse_sandbox("require is forbidden in the sandbox");
    } else if (name == "process") {
        return refuse_sandbox("process is forbidden in the sandbox");
    } else if (name == "globalThis" || name == "global") {
        return refuse_sandbox("globalThis/global is forbidden in the sandbox");
    } else if (name == "Function") {
        return refuse_sandbox("Function constructor is forbidden in the sandbox");
    } else {
        out.node.emplace<ir::Expr::Ident>(std::string(name));
    }
    return true;
}

bool AstLowerer::lower_template(NodeId id, ir::Expr& out) {
    const parser::Node& n = node(id);
    auto& t = out.node.emplace<ir::Expr::Template>();
    t.quasis.reserve(n.list.count);
    for (NodeId element : ast_.list(n.list)) t.quasis.emplace_back(str(node(element).str));
    t.exprs.reserve(n.list2.count);
    for (NodeId e : ast_.list(n.list2)) {
        if (!lower_expr(e, t.exprs.emplace_back())) return false;
    }
    return true;
}

bool AstLowerer::lower_array_literal(NodeId id, ir::Expr& out) {
    const parser::Node& n = node(id);
    auto& array = out.node.emplace<ir::Expr::Array>();
    array.elements.reserve(n.list.count);
    for (NodeId element : ast_.list(n.list)) {
        std::optional<ir::Expr>& slot = array.elements.emplace_back();
        if (element == kNoNode) continue;  // a hole
        if (node(element).kind == NodeKind::Spread) {
            auto& spread = slot.emplace().node.emplace<ir::Expr::Spread>();
            if (!lower_expr(node(element).a, *spread.argument)) return false;
        } else if (!lower_expr(element, slot.emplace())) {
            return false;
        }
    }
    return true;
}

bool AstLowerer::lower_object_literal(NodeId id, ir::Expr& out) {
    const parser::Node& n = node(id);
    auto& object = out.node.emplace<ir::Expr::Object>();
    object.properties.reserve(n.list.count);
    for (NodeId prop_id : ast_.list(n.list)) {
        const parser::Node& p = node(prop_id);
        ir::ObjProperty& lowered = object.properties.emplace_back();
        switch (p.op_as<parser::PropKind>()) {
            case parser::PropKind::Spread:
                lowered.kind = ir::PropKind::Spread;
                if (!lower_expr(p.b, lowered.value)) return false;
                break;
            case parser::PropKind::Shorthand:
                // The value is built from the key itself: no special names, no sandbox check.
                lowered.kind = ir::PropKind::Shorthand;
                lowered.key = std::string(str(node(p.a).str));
                lowered.value.node.emplace<ir::Expr::Ident>(lowered.key);
                break;
            case parser::PropKind::Method:
            case parser::PropKind::Init:
            case parser::PropKind::Getter:
            case parser::PropKind::Setter:
                // An accessor becomes a plain property holding the accessor function. A
                // computed key keeps only its text; its expression is not evaluated.
                lowered.kind = p.op_as<parser::PropKind>() == parser::PropKind::Method
                                   ? ir::PropKind::Method
                                   : ir::PropKind::Init;
                lowered.computed = p.has(parser::kFlagComputed);
                lowered.key = property_key_to_string_from_key(ast_, p.a, lowered.computed);
                if (!lower_expr(p.b, lowered.value)) return false;
                break;
        }
    }
    return true;
}

bool AstLowerer::lower_class_expr(NodeId id, ir::Expr& out) {
    const parser::Node& n = node(id);
    auto& c = out.node.emplace<ir::Expr::Class>();
    if (n.a != kNoNode) c.name = std::string(str(node(n.a).str));
    if (!lower_super_class(id, c.super_class)) return false;
    auto body = std::make_unique<ClassBody>();
    if (!lower_class_body(id, *body)) return false;
    c.constructor = std::move(body->constructor);
    c.methods = std::move(body->methods);
    c.static_methods = std::move(body->static_methods);
    return true;
}

// Targets of assignment and update: a name (not a reference, so no special names and no
// sandbox check), `o.p` or `o[k]`. Anything else is refused with `message`.
bool AstLowerer::lower_assignment_target(NodeId id, const char* message, ir::Expr& out) {
    const parser::Node& n = node(id);
    if (n.kind == NodeKind::Identifier) {
        out.node.emplace<ir::Expr::Ident>(std::string(str(n.str)));
        return true;
    }
    if (n.kind == NodeKind::Member && !n.has(parser::kFlagOptional) &&
        node(n.b).kind == NodeKind::Identifier) {
        auto& m = out.node.emplace<ir::Expr::Member>();
        m.property = std::string(str(node(n.b).str));
        return lower_expr(n.a, *m.object);
    }
    if (n.kind == NodeKind::Index && !n.has(parser::kFlagOptional)) {
        auto& i = out.node.emplace<ir::Expr::Index>();
        return lower_expr(n.a, *i.object) && lower_expr(n.b, *i.index);
    }
    return refuse_compile(message);
}

bool AstLowerer::lower_unary(NodeId id, ir::Expr& out) {
    const parser::Node& n = node(id);
    ir::UnaryOp op = ir::UnaryOp::Neg;
    switch (n.op_as<parser::UnaryOp>()) {
        case parser::UnaryOp::Delete:
            return refuse(n.span, "delete operator is not supported");
        case parser::UnaryOp::Typeof: {
            auto& e = out.node.emplace<ir::Expr::TypeOf>();
            return lower_expr(n.a, *e.argument);
        }
        case parser::UnaryOp::Plus: {
            // Numeric conversion by multiplication with 1.
            auto& e = out.node.emplace<ir::Expr::Binary>();
            e.op = ir::BinOp::Mul;
            e.right->node.emplace<ir::Expr::Number>(1.0);
            return lower_expr(n.a, *e.left);
        }
        case parser::UnaryOp::Neg: op = ir::UnaryOp::Neg; break;
        case parser::UnaryOp::Not: op = ir::UnaryOp::Not; break;
        case parser::UnaryOp::BitNot: op = ir::UnaryOp::BitNot; break;
        case parser::UnaryOp::Void: op = ir::UnaryOp::Void; break;
    }
    auto& e = out.node.emplace<ir::Expr::Unary>();
    e.op = op;
    return lower_expr(n.a, *e.operand);
}

bool AstLowerer::lower_operator(NodeId id, ir::Expr& out) {
    const parser::Node& n = node(id);
    switch (n.kind) {
        case NodeKind::Update: {
            auto& e = out.node.emplace<ir::Expr::Update>();
            e.op = n.op_as<parser::UpdateOp>() == parser::UpdateOp::Increment
                       ? ir::UpdateOp::Increment
                       : ir::UpdateOp::Decrement;
            e.prefix = n.has(parser::kFlagPrefix);
            return lower_assignment_target(n.a, "unsupported update target", *e.target);
        }
        case NodeKind::Binary: {
            auto& e = out.node.emplace<ir::Expr::Binary>();
            e.op = binary_op(n.op_as<parser::BinaryOp>());
            return lower_expr(n.a, *e.left) && lower_expr(n.b, *e.right);
        }
        case NodeKind::Logical: {
            auto& e = out.node.emplace<ir::Expr::Logical>();
            e.op = logical_op(n.op_as<parser::LogicalOp>());
            return lower_expr(n.a, *e.left) && lower_expr(n.b, *e.right);
        }
        case NodeKind::Assign: {
            auto& e = out.node.emplace<ir::Expr::Assign>();
            e.op = assign_op(n.op_as<parser::AssignOp>());
            return lower_assignment_target(n.a, "unsupported assignment target", *e.target) &&
                   lower_expr(n.b, *e.value);
        }
        case NodeKind::Conditional: {
            auto& e = out.node.emplace<ir::Expr::Conditional>();
            return lower_expr(n.a, *e.test) && lower_expr(n.b, *e.consequent) &&
                   lower_expr(n.c, *e.alternate);
        }
        case NodeKind::Sequence: {
            auto& e = out.node.emplace<ir::Expr::Sequence>();
            e.expressions.reserve(n.list.count);
            for (NodeId item : ast_.list(n.list)) {
                if (!lower_expr(item, e.expressions.emplace_back())) return false;
            }
            return true;
        }
        default: return refuse_expression();
    }
}

bool AstLowerer::lower_args(parser::ListRef list, std::vector<ir::Expr>& out) {
    out.reserve(list.count);
    for (NodeId arg : ast_.list(list)) {
        ir::Expr& slot = out.emplace_back();
        if (node(arg).kind == NodeKind::Spread) {
            auto& spread = slot.node.emplace<ir::Expr::Spread>();
            if (!lower_expr(node(arg).a, *spread.argument)) return false;
        } else if (!lower_expr(arg, slot)) {
            return false;
        }
    }
    return true;
}

// Member access, indexing, calls and `new`. The optional flag is the node's own, so the
// same code serves plain expressions and the links of an optional chain.
bool AstLowerer::lower_member_like(NodeId id, ir::Expr& out) {
    const parser::Node& n = node(id);
    const bool optional = n.has(parser::kFlagOptional);
    switch (n.kind) {
        case NodeKind::Member: {
            if (node(n.b).kind == NodeKind::PrivateName) {
                return refuse(n.span, "private fields are not supported");
            }
            auto& e = out.node.emplace<ir::Expr::Member>();
            e.property = std::string(str(node(n.b).str));
            e.optional = optional;
            return lower_expr(n.a, *e.object);
        }
        case NodeKind::Index: {
            auto& e = out.node.emplace<ir::Expr::Index>();
            e.optional = optional;
            return lower_expr(n.a, *e.object) && lower_expr(n.b, *e.index);
        }
        case NodeKind::Call: {
            auto& e = out.node.emplace<ir::Expr::Call>();
            e.optional = optional;
            return lower_expr(n.a, *e.callee) && lower_args(n.list, e.args);
        }
        case NodeKind::New: {
            auto& e = out.node.emplace<ir::Expr::New>();
            return lower_expr(n.a, *e.callee) && lower_args(n.list, e.args);
        }
        default: return refuse_expression();
    }
}

// An optional chain, from its outermost link. Member, index and call links carry their own
// optional flag (lower_member_like reads it) and a non-null assertion link is transparent,
// so the chain lowers link by link exactly like the plain forms.
bool AstLowerer::lower_chain_expr(NodeId id, ir::Expr& out) { return lower_expr(id, out); }

}  // namespace corvane::front_end
