// Lowering of functions, parameter lists, destructuring patterns and class bodies.
#include <memory>
#include <utility>

#include "parser/lower.h"

namespace corvane::front_end {

using parser::kNoNode;
using parser::NodeId;
using parser::NodeKind;

bool AstLowerer::lower_function(NodeId id, ir::FunctionDef& out) {
    const parser::Node& n = node(id);
    std::optional<std::string> name;
    if (n.a != kNoNode) name = std::string(str(node(n.a).str));
    return lower_function_parts(id, std::move(name), false, out);
}

bool AstLowerer::lower_function_into_table(NodeId id, bool is_arrow, size_t& index) {
    // Built on the heap: the table only receives the function once its body (and every
    // function nested in it) is finished.
    auto function = std::make_unique<ir::FunctionDef>();
    const bool ok = is_arrow ? lower_function_parts(id, std::nullopt, true, *function)
                             : lower_function(id, *function);
    if (!ok) return false;
    functions_.push_back(std::move(*function));
    index = functions_.size() - 1;
    return true;
}

// Shared by declarations, function expressions, arrows and class members. Type
// parameters and return types are not in the tree; a `this` pseudo-parameter is skipped.
bool AstLowerer::lower_function_parts(NodeId id, std::optional<std::string> name,
                                      bool is_arrow, ir::FunctionDef& out) {
    DepthGuard guard(*this);
    if (!guard.ok()) return refuse_too_deep();
    const parser::Node& n = node(id);
    out.name = std::move(name);
    out.is_async = n.has(parser::kFlagAsync);
    out.is_generator = !is_arrow && n.has(parser::kFlagGenerator);
    out.is_arrow = is_arrow;
    out.span = ir::Span{n.span.start, n.span.end};
    if (!lower_formal_params(n.list, out.params)) return false;
    if (n.b == kNoNode) return true;  // an overload signature or ambient declaration
    if (n.has(parser::kFlagExprBody)) {
        // `x => expr` returns the expression; the statement spans the whole arrow.
        auto& r = out.body.emplace_back().node.emplace<ir::Statement::Return>();
        r.span = out.span;
        return lower_expr(n.b, r.value.emplace());
    }
    return lower_statement_list(node(n.b).list, out.body);
}

bool AstLowerer::lower_formal_params(parser::ListRef list, std::vector<ir::ParamPattern>& out) {
    out.reserve(list.count);
    for (NodeId param_id : ast_.list(list)) {
        // Type annotations, `?`, decorators and parameter-property modifiers are ignored.
        const parser::Node& p = node(param_id);
        if (p.has(parser::kFlagThisParam)) continue;
        if (p.has(parser::kFlagRest)) {
            if (node(p.a).kind != NodeKind::Identifier) {
                return refuse(p.span, "complex rest parameter patterns are not supported");
            }
            out.emplace_back(ir::ParamPattern::Rest{std::string(str(node(p.a).str))});
            continue;
        }
        ir::ParamPattern& slot = out.emplace_back();
        if (p.b == kNoNode) {
            if (!lower_binding_pattern_to_param(p.a, slot)) return false;
        } else {
            auto& d = slot.node.emplace<ir::ParamPattern::Default>();
            if (!lower_binding_pattern_to_param(p.a, *d.pattern) ||
                !lower_expr(p.b, d.default_value)) {
                return false;
            }
        }
    }
    return true;
}

bool AstLowerer::lower_binding_pattern_to_param(NodeId id, ir::ParamPattern& out) {
    DepthGuard guard(*this);
    if (!guard.ok()) return refuse_too_deep();
    const parser::Node& n = node(id);
    switch (n.kind) {
        case NodeKind::Identifier:
            out.node.emplace<ir::ParamPattern::Ident>(std::string(str(n.str)));
            return true;
        case NodeKind::AssignPattern: {
            auto& d = out.node.emplace<ir::ParamPattern::Default>();
            return lower_binding_pattern_to_param(n.a, *d.pattern) &&
                   lower_expr(n.b, d.default_value);
        }
        case NodeKind::ArrayPattern: {
            // A rest element binds nothing and leaves no entry.
            auto& array = out.node.emplace<ir::ParamPattern::Array>();
            array.elements.reserve(n.list.count);
            for (NodeId element : ast_.list(n.list)) {
                if (element != kNoNode && node(element).kind == NodeKind::RestElement) continue;
                auto& slot = array.elements.emplace_back();
                if (element == kNoNode) continue;  // a hole
                if (!lower_binding_pattern_to_param(element, slot.emplace())) return false;
            }
            return true;
        }
        case NodeKind::ObjectPattern: {
            auto& object = out.node.emplace<ir::ParamPattern::Object>();
            return lower_object_pattern_fields(id, object.fields);
        }
        default: return refuse_expression();
    }
}

bool AstLowerer::lower_binding_pattern(NodeId id, ir::AssignTarget& out) {
    DepthGuard guard(*this);
    if (!guard.ok()) return refuse_too_deep();
    const parser::Node& n = node(id);
    switch (n.kind) {
        case NodeKind::Identifier:
            out.node.emplace<ir::AssignTarget::Ident>(std::string(str(n.str)));
            return true;
        case NodeKind::AssignPattern:
            // A declarator target has no place for a default; only the pattern remains.
            return lower_binding_pattern(n.a, out);
        case NodeKind::ArrayPattern: {
            auto& array = out.node.emplace<ir::AssignTarget::Array>();
            array.elements.reserve(n.list.count);
            for (NodeId element : ast_.list(n.list)) {
                if (element != kNoNode && node(element).kind == NodeKind::RestElement) continue;
                auto& slot = array.elements.emplace_back();
                if (element == kNoNode) continue;  // a skipped position
                if (!lower_binding_pattern(element, slot.emplace())) return false;
            }
            return true;
        }
        case NodeKind::ObjectPattern: {
            auto& object = out.node.emplace<ir::AssignTarget::Object>();
            return lower_object_pattern_fields(id, object.fields);
        }
        default: return refuse_expression();
    }
}

// One field per property of an object pattern. The key becomes the text of the property
// read; a plain name differing from the key becomes the alias; a default is kept. A nested
// pattern under a key is not represented: the key's own name receives the whole value.
// A rest element binds nothing.
bool AstLowerer::lower_object_pattern_fields(NodeId id, std::vector<ir::DestructureField>& out) {
    const parser::Node& n = node(id);
    out.reserve(n.list.count);
    for (NodeId prop_id : ast_.list(n.list)) {
        const parser::Node& p = node(prop_id);
        if (p.kind != NodeKind::Property) continue;
        ir::DestructureField& field = out.emplace_back();
        field.key = property_key_to_string_from_key(ast_, p.a, p.has(parser::kFlagComputed));
        NodeId target = p.b;
        if (target != kNoNode && node(target).kind == NodeKind::AssignPattern) {
            if (!lower_expr(node(target).b, field.default_value.emplace())) return false;
            target = node(target).a;
        }
        if (target != kNoNode && node(target).kind == NodeKind::Identifier) {
            const std::string_view name = str(node(target).str);
            if (name != field.key) field.alias = std::string(name);
        }
    }
    return true;
}

bool AstLowerer::lower_super_class(NodeId class_node, std::optional<std::string>& out) {
    const parser::Node& n = node(class_node);
    if (n.b == kNoNode) return true;
    if (node(n.b).kind != NodeKind::Identifier) {
        return refuse(n.span, "computed super class expressions are not supported");
    }
    // The superclass is a name being read: the sandbox names are refused here as well.
    ir::Expr reference;
    if (!lower_identifier_reference(n.b, reference)) return false;
    out = std::string(str(node(n.b).str));
    return true;
}

bool AstLowerer::lower_class_body(NodeId class_node, ClassBody& out) {
    const parser::Node& n = node(class_node);
    for (NodeId member_id : ast_.list(n.list)) {
        const parser::Node& m = node(member_id);
        const auto kind = m.op_as<parser::MemberKind>();
        switch (kind) {
            case parser::MemberKind::StaticBlock:
                return refuse(m.span, "static blocks are not supported");
            case parser::MemberKind::AccessorProperty:
                return refuse(m.span, "accessor properties in classes are not supported");
            case parser::MemberKind::Property:
            case parser::MemberKind::IndexSignature:
                // Field declarations and index signatures produce nothing; a field's
                // initializer is not lowered.
                break;
            case parser::MemberKind::Constructor:
            case parser::MemberKind::Method:
            case parser::MemberKind::Getter:
            case parser::MemberKind::Setter: {
                // Only identifier and string keys name a method; others are skipped.
                if (m.has(parser::kFlagComputed) || m.a == kNoNode) break;
                const parser::Node& key = node(m.a);
                if (key.kind != NodeKind::Identifier && key.kind != NodeKind::StringLit) break;
                std::string name(str(key.str));
                // Getters and setters become ordinary methods.
                ir::FunctionDef* target = nullptr;
                if (kind == parser::MemberKind::Constructor) {
                    // Overload signatures come first; the last definition wins.
                    target = &*out.constructor.emplace();
                } else {
                    auto& list = m.has(parser::kFlagStatic) ? out.static_methods : out.methods;
                    ir::ClassMethod& method = list.emplace_back();
                    method.name = name;
                    target = &method.function;
                }
                if (!lower_function_parts(m.b, std::move(name), false, *target)) return false;
                break;
            }
        }
    }
    return true;
}

}  // namespace corvane::front_end
