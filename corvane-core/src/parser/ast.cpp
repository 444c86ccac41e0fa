// Names of node kinds, for tests and debugging output.
#include "parser/ast.h"

#include <cstdio>

namespace corvane::parser {

static_assert(sizeof(Node) == 56, "Node grew: the arena of a large program fills more pages");

const char* node_kind_name(NodeKind kind) {
    switch (kind) {
        case NodeKind::Block:
            return "Block";
        case NodeKind::Empty:
            return "Empty";
        case NodeKind::ExprStmt:
            return "ExprStmt";
        case NodeKind::If:
            return "If";
        case NodeKind::While:
            return "While";
        case NodeKind::DoWhile:
            return "DoWhile";
        case NodeKind::For:
            return "For";
        case NodeKind::ForIn:
            return "ForIn";
        case NodeKind::ForOf:
            return "ForOf";
        case NodeKind::Return:
            return "Return";
        case NodeKind::Throw:
            return "Throw";
        case NodeKind::Break:
            return "Break";
        case NodeKind::Continue:
            return "Continue";
        case NodeKind::Labeled:
            return "Labeled";
        case NodeKind::Try:
            return "Try";
        case NodeKind::Switch:
            return "Switch";
        case NodeKind::SwitchCase:
            return "SwitchCase";
        case NodeKind::Debugger:
            return "Debugger";
        case NodeKind::With:
            return "With";
        case NodeKind::VarDecl:
            return "VarDecl";
        case NodeKind::VarDeclarator:
            return "VarDeclarator";
        case NodeKind::FunctionDecl:
            return "FunctionDecl";
        case NodeKind::ClassDecl:
            return "ClassDecl";
        case NodeKind::TypeAlias:
            return "TypeAlias";
        case NodeKind::Interface:
            return "Interface";
        case NodeKind::Enum:
            return "Enum";
        case NodeKind::EnumMember:
            return "EnumMember";
        case NodeKind::Namespace:
            return "Namespace";
        case NodeKind::ImportEquals:
            return "ImportEquals";
        case NodeKind::ExternalModuleRef:
            return "ExternalModuleRef";
        case NodeKind::ExportAssign:
            return "ExportAssign";
        case NodeKind::ExportAsNamespace:
            return "ExportAsNamespace";
        case NodeKind::ImportDecl:
            return "ImportDecl";
        case NodeKind::ExportDecl:
            return "ExportDecl";
        case NodeKind::Identifier:
            return "Identifier";
        case NodeKind::PrivateName:
            return "PrivateName";
        case NodeKind::NullLit:
            return "NullLit";
        case NodeKind::BoolLit:
            return "BoolLit";
        case NodeKind::NumberLit:
            return "NumberLit";
        case NodeKind::BigIntLit:
            return "BigIntLit";
        case NodeKind::StringLit:
            return "StringLit";
        case NodeKind::RegExpLit:
            return "RegExpLit";
        case NodeKind::Template:
            return "Template";
        case NodeKind::TemplateElement:
            return "TemplateElement";
        case NodeKind::TaggedTemplate:
            return "TaggedTemplate";
        case NodeKind::This:
            return "This";
        case NodeKind::Super:
            return "Super";
        case NodeKind::ArrayLit:
            return "ArrayLit";
        case NodeKind::ObjectLit:
            return "ObjectLit";
        case NodeKind::Property:
            return "Property";
        case NodeKind::FunctionExpr:
            return "FunctionExpr";
        case NodeKind::Arrow:
            return "Arrow";
        case NodeKind::ClassExpr:
            return "ClassExpr";
        case NodeKind::Unary:
            return "Unary";
        case NodeKind::Update:
            return "Update";
        case NodeKind::Binary:
            return "Binary";
        case NodeKind::Logical:
            return "Logical";
        case NodeKind::Assign:
            return "Assign";
        case NodeKind::Conditional:
            return "Conditional";
        case NodeKind::Sequence:
            return "Sequence";
        case NodeKind::Paren:
            return "Paren";
        case NodeKind::Member:
            return "Member";
        case NodeKind::Index:
            return "Index";
        case NodeKind::Call:
            return "Call";
        case NodeKind::New:
            return "New";
        case NodeKind::Chain:
            return "Chain";
        case NodeKind::Spread:
            return "Spread";
        case NodeKind::Await:
            return "Await";
        case NodeKind::Yield:
            return "Yield";
        case NodeKind::MetaProperty:
            return "MetaProperty";
        case NodeKind::ImportCall:
            return "ImportCall";
        case NodeKind::AsExpr:
            return "AsExpr";
        case NodeKind::Satisfies:
            return "Satisfies";
        case NodeKind::NonNull:
            return "NonNull";
        case NodeKind::Instantiation:
            return "Instantiation";
        case NodeKind::ObjectPattern:
            return "ObjectPattern";
        case NodeKind::ArrayPattern:
            return "ArrayPattern";
        case NodeKind::AssignPattern:
            return "AssignPattern";
        case NodeKind::RestElement:
            return "RestElement";
        case NodeKind::Param:
            return "Param";
        case NodeKind::ClassMember:
            return "ClassMember";
        case NodeKind::Decorator:
            return "Decorator";
        case NodeKind::JsxElement:
            return "JsxElement";
        case NodeKind::JsxFragment:
            return "JsxFragment";
        case NodeKind::JsxName:
            return "JsxName";
        case NodeKind::JsxAttribute:
            return "JsxAttribute";
        case NodeKind::JsxSpreadAttribute:
            return "JsxSpreadAttribute";
        case NodeKind::JsxText:
            return "JsxText";
        case NodeKind::JsxExprContainer:
            return "JsxExprContainer";
        case NodeKind::JsxSpreadChild:
            return "JsxSpreadChild";
    }
    return "?";
}

namespace {

void dump_into(const Ast& ast, NodeId id, std::string& out, int depth) {
    if (id == kNoNode) {
        out += "_";
        return;
    }
    if (depth > 400) {
        out += "...";
        return;
    }
    const Node& n = ast[id];
    out += "(";
    out += node_kind_name(n.kind);
    switch (n.kind) {
        case NodeKind::Identifier:
        case NodeKind::PrivateName:
        case NodeKind::StringLit:
        case NodeKind::TemplateElement:
        case NodeKind::JsxName:
        case NodeKind::JsxText:
        case NodeKind::BigIntLit:
            out += " \"";
            out += ast.str(n.str);
            out += "\"";
            break;
        case NodeKind::RegExpLit:
            out += " /";
            out += ast.str(n.str);
            out += "/";
            out += ast.str(n.str2);
            break;
        case NodeKind::NumberLit: {
            char buf[40];
            std::snprintf(buf, sizeof buf, " %.17g", n.num);
            out += buf;
            break;
        }
        default:
            break;
    }
    if (n.op != 0 || n.kind == NodeKind::Binary || n.kind == NodeKind::Assign ||
        n.kind == NodeKind::Unary || n.kind == NodeKind::Logical || n.kind == NodeKind::VarDecl ||
        n.kind == NodeKind::Property || n.kind == NodeKind::ClassMember) {
        out += " op=";
        out += std::to_string(n.op);
    }
    if (n.flags) {
        out += " f=";
        out += std::to_string(n.flags);
    }
    for (NodeId c : {n.a, n.b, n.c, n.d}) {
        if (c == kNoNode) continue;
        out += " ";
        dump_into(ast, c, out, depth + 1);
    }
    for (ListRef l : {n.list, uses_list2(n.kind) ? n.list2 : ListRef{}}) {
        if (l.count == 0) continue;
        out += " [";
        bool first = true;
        for (NodeId c : ast.list(l)) {
            if (!first) out += " ";
            first = false;
            dump_into(ast, c, out, depth + 1);
        }
        out += "]";
    }
    out += ")";
}

}  // namespace

bool uses_list2(NodeKind kind) {
    switch (kind) {
        case NodeKind::Template:
        case NodeKind::Param:
        case NodeKind::ClassDecl:
        case NodeKind::ClassExpr:
        case NodeKind::ClassMember:
        case NodeKind::JsxElement:
        case NodeKind::JsxFragment: return true;
        default: return false;
    }
}

std::string dump_node(const Ast& ast, NodeId id) {
    std::string out;
    dump_into(ast, id, out, 0);
    return out;
}

}  // namespace corvane::parser
