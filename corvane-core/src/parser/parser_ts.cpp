// TypeScript types (parsed completely, no nodes kept) and TypeScript-only declarations.
#include "parser/parser_internal.h"

namespace corvane::parser {

void Parser::skip_type_annotation() {
    if (is(Tok::Colon)) {
        next();
        skip_type();
    }
}

bool Parser::at_function_type_start() {
    if (is(Tok::Lt)) return true;
    if (!is(Tok::LParen)) return false;
    Lexer::State s = lx_.save();
    const uint32_t pe = prev_end_;
    bool result = false;
    lx_.next();
    auto after_param_start = [&]() {
        const Tok k = lx_.tok().kind;
        if (k == Tok::Colon || k == Tok::Comma || k == Tok::Question || k == Tok::Eq) return true;
        if (k == Tok::RParen) {
            lx_.next();
            return lx_.tok().kind == Tok::Arrow;
        }
        return false;
    };
    const Token& t = lx_.tok();
    if (t.kind == Tok::RParen || t.kind == Tok::Ellipsis) {
        result = true;
    } else if (t.kind == Tok::Ident) {
        lx_.next();
        result = after_param_start();
    } else if (t.kind == Tok::LBracket || t.kind == Tok::LBrace) {
        // Skip a balanced binding pattern, then look at what follows it.
        int depth = 0;
        do {
            Tok k = lx_.tok().kind;
            if (k == Tok::LBracket || k == Tok::LBrace || k == Tok::LParen) ++depth;
            if (k == Tok::RBracket || k == Tok::RBrace || k == Tok::RParen) --depth;
            if (k == Tok::Eof || failed_) break;
            lx_.next();
        } while (depth > 0);
        result = !failed_ && after_param_start();
    }
    lx_.restore(s);
    prev_end_ = pe;
    return result;
}

void Parser::skip_type() {
    DepthGuard guard(*this);
    if (!guard.ok) return;
    const bool saved = no_conditional_types_;
    if (at_function_type_start()) {
        no_conditional_types_ = false;
        if (is(Tok::Lt)) skip_type_parameters();
        skip_function_type_params();
        expect(Tok::Arrow);
        skip_return_type();
        no_conditional_types_ = saved;
        return;
    }
    if (is_kw(Kw::New) || (is_kw(Kw::Abstract) && peek().kind == Tok::Ident && peek().kw == Kw::New)) {
        if (is_kw(Kw::Abstract)) next();
        next();
        if (is(Tok::Lt)) skip_type_parameters();
        skip_function_type_params();
        expect(Tok::Arrow);
        skip_return_type();
        return;
    }
    skip_union();
    if (!no_conditional_types_ && is_kw(Kw::Extends) && !tok().nl_before) {
        next();
        no_conditional_types_ = true;
        skip_type();
        no_conditional_types_ = false;
        expect(Tok::Question);
        skip_type();
        expect(Tok::Colon);
        skip_type();
        no_conditional_types_ = saved;
    }
}

void Parser::skip_type_no_conditional() {
    const bool saved = no_conditional_types_;
    no_conditional_types_ = true;
    skip_type();
    no_conditional_types_ = saved;
}

void Parser::skip_function_type_params() {
    const bool saved = no_conditional_types_;
    no_conditional_types_ = false;
    FnContext saved_fn = fn_;
    fn_.in_function = true;
    fn_.top_level = false;
    parse_params(false);
    fn_ = saved_fn;
    no_conditional_types_ = saved;
}

void Parser::skip_union() {
    eat(Tok::Pipe);
    skip_intersection();
    while (is(Tok::Pipe) && !failed_) {
        next();
        skip_intersection();
    }
}

void Parser::skip_intersection() {
    eat(Tok::Amp);
    skip_type_operator();
    while (is(Tok::Amp) && !failed_) {
        next();
        skip_type_operator();
    }
}

void Parser::skip_type_operator() {
    DepthGuard guard(*this);
    if (!guard.ok) return;
    if (is(Tok::Ident) && !tok().escaped) {
        Kw kw = tok().kw;
        if (kw == Kw::Keyof || kw == Kw::Unique || kw == Kw::Readonly) {
            Peek p = peek();
            // `keyof` etc. used as plain type names are followed by something that cannot
            // start a type.
            bool operand = p.kind == Tok::Ident || p.kind == Tok::LParen || p.kind == Tok::LBracket ||
                           p.kind == Tok::LBrace || p.kind == Tok::String || p.kind == Tok::Number ||
                           p.kind == Tok::Template || p.kind == Tok::TemplateHead ||
                           p.kind == Tok::Minus;
            if (operand) {
                next();
                skip_type_operator();
                return;
            }
        } else if (kw == Kw::Infer) {
            next();
            if (!is(Tok::Ident)) {
                error_expected("a type parameter name after 'infer'");
                return;
            }
            next();
            if (is_kw(Kw::Extends) && !tok().nl_before) {
                // `infer U extends C` unless the `extends` starts a conditional type.
                Speculation spec(*this);
                next();
                skip_type_no_conditional();
                if (!failed_ && is(Tok::Question) && !no_conditional_types_) failed_ = true;
                spec.finish();
            }
            return;
        }
    }
    skip_postfix_type();
}

void Parser::skip_postfix_type() {
    skip_primary_type();
    while (is(Tok::LBracket) && !tok().nl_before && !failed_) {
        next();
        if (!eat(Tok::RBracket)) {
            const bool saved = no_conditional_types_;
            no_conditional_types_ = false;
            skip_type();
            no_conditional_types_ = saved;
            expect(Tok::RBracket);
        }
    }
}

void Parser::skip_entity_name() {
    if (!is(Tok::Ident)) {
        error_expected("a type name");
        return;
    }
    next();
    while (is(Tok::Dot) && !failed_) {
        next();
        if (!is(Tok::Ident) && !is(Tok::PrivateName)) {
            error_expected("an identifier after '.'");
            return;
        }
        next();
    }
}

void Parser::skip_primary_type() {
    DepthGuard guard(*this);
    if (!guard.ok) return;
    const bool saved_nc = no_conditional_types_;
    switch (kind()) {
        case Tok::Ident: {
            if (tok().escaped) {
                skip_entity_name();
                break;
            }
            switch (tok().kw) {
                case Kw::Typeof:
                    next();
                    if (is_kw(Kw::Import)) {
                        skip_primary_type();
                        return;
                    }
                    skip_entity_name();
                    if (is(Tok::Lt) && !tok().nl_before) skip_type_arguments();
                    return;
                case Kw::Import:
                    next();
                    expect(Tok::LParen);
                    if (!is(Tok::String)) {
                        error_expected("a module name string");
                        return;
                    }
                    next();
                    if (eat(Tok::Comma) && !is(Tok::RParen)) {
                        parse_assignment();
                        eat(Tok::Comma);
                    }
                    expect(Tok::RParen);
                    while (eat(Tok::Dot) && !failed_) {
                        if (!is(Tok::Ident)) {
                            error_expected("an identifier after '.'");
                            return;
                        }
                        next();
                    }
                    if (is(Tok::Lt) && !tok().nl_before) skip_type_arguments();
                    return;
                case Kw::This:
                case Kw::Void:
                case Kw::Null:
                case Kw::True:
                case Kw::False:
                    next();
                    return;
                case Kw::Function:
                case Kw::Class:
                case Kw::If:
                case Kw::Return:
                    error_expected("a type");
                    return;
                default:
                    break;
            }
            skip_entity_name();
            if (is(Tok::Lt) && !tok().nl_before) skip_type_arguments();
            return;
        }
        case Tok::String:
        case Tok::Number:
        case Tok::BigInt:
            next();
            return;
        case Tok::Minus:
            next();
            if (!is(Tok::Number) && !is(Tok::BigInt)) {
                error_expected("a number after '-' in a type");
                return;
            }
            next();
            return;
        case Tok::Template:
        case Tok::TemplateHead:
            skip_template_type();
            return;
        case Tok::LBrace:
            skip_object_type();
            return;
        case Tok::LBracket:
            skip_tuple_type();
            return;
        case Tok::LParen:
            next();
            no_conditional_types_ = false;
            skip_type();
            no_conditional_types_ = saved_nc;
            expect(Tok::RParen);
            return;
        default:
            error_expected("a type");
            return;
    }
}

void Parser::skip_template_type() {
    if (tok().invalid_escape) {
        error(tok().invalid_escape_pos, "Invalid escape sequence in template literal type");
        return;
    }
    if (is(Tok::Template)) {
        next();
        return;
    }
    const bool saved = no_conditional_types_;
    no_conditional_types_ = false;
    while (!failed_) {
        next();
        skip_type();
        if (!is(Tok::RBrace)) {
            error_expected("'}' to close the template type substitution");
            break;
        }
        lx_.rescan_template_continuation();
        if (is(Tok::TemplateTail)) {
            next();
            break;
        }
    }
    no_conditional_types_ = saved;
}

void Parser::skip_tuple_type() {
    next();  // [
    const bool saved = no_conditional_types_;
    no_conditional_types_ = false;
    while (!is(Tok::RBracket) && !failed_) {
        eat(Tok::Ellipsis);
        if (is(Tok::Ident)) {
            Peek p = peek();
            if (p.kind == Tok::Colon ||
                (p.kind == Tok::Question && peek2().kind == Tok::Colon)) {
                next();
                eat(Tok::Question);
                next();  // :
                eat(Tok::Ellipsis);
            }
        }
        skip_type();
        eat(Tok::Question);
        if (!is(Tok::RBracket)) expect(Tok::Comma);
    }
    no_conditional_types_ = saved;
    expect(Tok::RBracket);
}

void Parser::skip_object_type() {
    // Mapped type: `{ [+|-]readonly? [K in T as U]?: V }`.
    bool mapped = false;
    {
        Lexer::State s = lx_.save();
        const uint32_t pe = prev_end_;
        lx_.next();
        if (lx_.tok().kind == Tok::Plus || lx_.tok().kind == Tok::Minus) {
            mapped = true;
        } else {
            if (lx_.tok().kind == Tok::Ident && lx_.tok().kw == Kw::Readonly) lx_.next();
            if (lx_.tok().kind == Tok::LBracket) {
                lx_.next();
                if (lx_.tok().kind == Tok::Ident) {
                    lx_.next();
                    mapped = lx_.tok().kind == Tok::Ident && lx_.tok().kw == Kw::In;
                }
            }
        }
        lx_.restore(s);
        prev_end_ = pe;
    }
    const bool saved = no_conditional_types_;
    no_conditional_types_ = false;
    next();  // {
    if (mapped) {
        if (eat(Tok::Plus) || eat(Tok::Minus)) {
            expect_kw(Kw::Readonly, "readonly");
        } else {
            eat_kw(Kw::Readonly);
        }
        expect(Tok::LBracket);
        if (!is(Tok::Ident)) {
            error_expected("a type parameter name");
            return;
        }
        next();
        expect_kw(Kw::In, "in");
        skip_type();
        if (eat_kw(Kw::As)) skip_type();
        expect(Tok::RBracket);
        if (eat(Tok::Plus) || eat(Tok::Minus)) {
            expect(Tok::Question);
        } else {
            eat(Tok::Question);
        }
        skip_type_annotation();
        if (!eat(Tok::Semi)) eat(Tok::Comma);
        expect(Tok::RBrace);
        no_conditional_types_ = saved;
        return;
    }
    while (!is(Tok::RBrace) && !failed_) {
        skip_type_member();
        if (failed_) break;
        if (eat(Tok::Semi) || eat(Tok::Comma)) continue;
        if (!is(Tok::RBrace) && !tok().nl_before) {
            error_expected("';' or '}' in a type literal");
            break;
        }
    }
    expect(Tok::RBrace);
    no_conditional_types_ = saved;
}

void Parser::skip_type_member() {
    DepthGuard guard(*this);
    if (!guard.ok) return;
    // Call / construct signatures.
    if (is(Tok::LParen) || is(Tok::Lt)) {
        if (is(Tok::Lt)) skip_type_parameters();
        skip_function_type_params();
        if (eat(Tok::Colon)) skip_return_type();
        return;
    }
    if (is_kw(Kw::New)) {
        Peek p = peek();
        if (p.kind == Tok::LParen || p.kind == Tok::Lt) {
            next();
            if (is(Tok::Lt)) skip_type_parameters();
            skip_function_type_params();
            if (eat(Tok::Colon)) skip_return_type();
            return;
        }
    }
    // Modifiers.
    while (is_kw(Kw::Readonly) || is_kw(Kw::Get) || is_kw(Kw::Set)) {
        Peek p = peek();
        if (p.kind == Tok::Ident || p.kind == Tok::String || p.kind == Tok::Number ||
            p.kind == Tok::LBracket) {
            next();
        } else {
            break;
        }
    }
    // Index signature.
    if (is(Tok::LBracket)) {
        Peek p = peek();
        if (p.kind == Tok::Ident && peek2().kind == Tok::Colon) {
            next();
            next();
            skip_type_annotation();
            expect(Tok::RBracket);
            skip_type_annotation();
            return;
        }
    }
    uint32_t flags = 0;
    parse_property_key(flags);
    if (failed_) return;
    eat(Tok::Question);
    if (is(Tok::LParen) || is(Tok::Lt)) {
        if (is(Tok::Lt)) skip_type_parameters();
        skip_function_type_params();
        if (eat(Tok::Colon)) skip_return_type();
        return;
    }
    skip_type_annotation();
}

void Parser::skip_type_arguments() {
    DepthGuard guard(*this);
    if (!guard.ok) return;
    lx_.rescan_less_than();
    expect(Tok::Lt);
    const bool saved = no_conditional_types_;
    no_conditional_types_ = false;
    while (!failed_) {
        skip_type();
        if (!eat(Tok::Comma)) break;
        if (is(Tok::Gt)) break;
    }
    no_conditional_types_ = saved;
    if (!is(Tok::Gt)) {
        error_expected("'>'");
        return;
    }
    next();
}

void Parser::skip_type_parameters() {
    DepthGuard guard(*this);
    if (!guard.ok) return;
    lx_.rescan_less_than();
    expect(Tok::Lt);
    const bool saved = no_conditional_types_;
    no_conditional_types_ = false;
    while (!is(Tok::Gt) && !failed_) {
        while (is(Tok::Ident) && (tok().kw == Kw::Const || tok().kw == Kw::In || tok().kw == Kw::Out)) {
            Peek p = peek();
            if (p.kind != Tok::Ident) break;
            next();
        }
        if (!is(Tok::Ident) || (tok().kw != Kw::None && is_reserved_word(tok().kw))) {
            error_expected("a type parameter name");
            return;
        }
        next();
        if (eat_kw(Kw::Extends)) skip_type();
        if (eat(Tok::Eq)) skip_type();
        if (!eat(Tok::Comma)) break;
    }
    no_conditional_types_ = saved;
    if (!is(Tok::Gt)) {
        error_expected("'>'");
        return;
    }
    next();
}

void Parser::skip_return_type() {
    // `asserts x`, `asserts x is T`, `x is T`, `this is T`, or a type.
    if (is_kw(Kw::Asserts)) {
        Peek p = peek();
        if (p.kind == Tok::Ident && !p.nl_before) {
            next();
            next();
            if (is_kw(Kw::Is) && !tok().nl_before) {
                next();
                skip_type();
            }
            return;
        }
    }
    if (is(Tok::Ident)) {
        Peek p = peek();
        if (p.kind == Tok::Ident && p.kw == Kw::Is && !p.nl_before) {
            next();
            next();
            skip_type();
            return;
        }
    }
    skip_type();
}

void Parser::skip_heritage_list() {
    while (!failed_) {
        skip_entity_name();
        if (is(Tok::Lt)) skip_type_arguments();
        if (!eat(Tok::Comma)) break;
    }
}

// ---- declarations -----------------------------------------------------------------------

NodeId Parser::try_parse_ts_declaration(uint32_t start, uint32_t flags) {
    if (!is(Tok::Ident) || tok().escaped) return kNoNode;
    switch (tok().kw) {
        case Kw::Type: {
            Peek p = peek();
            if (p.kind == Tok::Ident && !p.nl_before) {
                next();
                return parse_type_alias(start, flags);
            }
            return kNoNode;
        }
        case Kw::Interface: {
            Peek p = peek();
            if (p.kind == Tok::Ident && !p.nl_before) {
                next();
                return parse_interface(start, flags);
            }
            return kNoNode;
        }
        case Kw::Enum: {
            Peek p = peek();
            if (p.kind == Tok::Ident) return parse_enum(start, flags);
            return kNoNode;
        }
        case Kw::Namespace:
        case Kw::Module: {
            Peek p = peek();
            bool module = tok().kw == Kw::Module;
            if (!p.nl_before && (p.kind == Tok::Ident || (module && p.kind == Tok::String))) {
                return parse_namespace(start, flags,
                                       module ? NamespaceKind::Module : NamespaceKind::Namespace);
            }
            return kNoNode;
        }
        case Kw::Abstract: {
            Peek p = peek();
            if (p.kind == Tok::Ident && p.kw == Kw::Class && !p.nl_before) {
                next();
                return parse_class(NodeKind::ClassDecl, start, flags | kFlagAbstract, {}, true);
            }
            return kNoNode;
        }
        case Kw::Declare: {
            Peek p = peek();
            if (p.kind == Tok::Ident && !p.nl_before) {
                switch (p.kw) {
                    case Kw::Var:
                    case Kw::Let:
                    case Kw::Const:
                    case Kw::Function:
                    case Kw::Class:
                    case Kw::Enum:
                    case Kw::Namespace:
                    case Kw::Module:
                    case Kw::Global:
                    case Kw::Type:
                    case Kw::Interface:
                    case Kw::Abstract:
                    case Kw::Async:
                    case Kw::Using:
                        return parse_declare(start);
                    default:
                        break;
                }
            }
            return kNoNode;
        }
        case Kw::Global: {
            // `global { }` only as part of `declare global`; plain `global` is a name.
            return kNoNode;
        }
        default:
            return kNoNode;
    }
}

NodeId Parser::parse_declare(uint32_t start) {
    next();  // declare
    const bool saved = pending_declare_;
    pending_declare_ = true;
    NodeId d;
    if (is_kw(Kw::Global)) {
        d = parse_namespace(start, kFlagDeclare, NamespaceKind::Global);
    } else if (is_kw(Kw::Var) || is_kw(Kw::Let) || is_kw(Kw::Const)) {
        const uint32_t dstart = tok().start;
        if (is_kw(Kw::Const) && peek().kind == Tok::Ident && peek().kw == Kw::Enum) {
            next();
            d = parse_enum(start, kFlagConst);
        } else {
            DeclKind dk = is_kw(Kw::Var) ? DeclKind::Var : is_kw(Kw::Let) ? DeclKind::Let : DeclKind::Const;
            next();
            d = parse_var_decl(dk, dstart, false);
            expect_semicolon();
        }
    } else {
        FnContext saved_fn = fn_;
        d = parse_statement_list_item();
        fn_ = std::move(saved_fn);
    }
    pending_declare_ = saved;
    if (d != kNoNode) {
        nd(d).flags |= kFlagDeclare;
        nd(d).span.start = start;
        finish(d);
    }
    return d;
}

NodeId Parser::parse_type_alias(uint32_t start, uint32_t flags) {
    NodeId n = mk(NodeKind::TypeAlias, start);
    nd(n).flags = flags;
    nd(n).a = parse_binding_identifier();
    if (is(Tok::Lt)) skip_type_parameters();
    expect(Tok::Eq);
    skip_type();
    expect_semicolon();
    finish(n);
    return n;
}

NodeId Parser::parse_interface(uint32_t start, uint32_t flags) {
    NodeId n = mk(NodeKind::Interface, start);
    nd(n).flags = flags;
    nd(n).a = parse_binding_identifier();
    if (is(Tok::Lt)) skip_type_parameters();
    if (eat_kw(Kw::Extends)) skip_heritage_list();
    if (!is(Tok::LBrace)) {
        error_expected("'{'");
        return kNoNode;
    }
    skip_object_type();
    finish(n);
    return n;
}

NodeId Parser::parse_enum(uint32_t start, uint32_t flags) {
    next();  // enum
    NodeId n = mk(NodeKind::Enum, start);
    nd(n).flags = flags;
    nd(n).a = parse_binding_identifier();
    expect(Tok::LBrace);
    size_t mark = list_mark();
    while (!is(Tok::RBrace) && !failed_) {
        const uint32_t ms = tok().start;
        NodeId key;
        if (is(Tok::Ident)) {
            key = ident_from_token();
        } else if (is(Tok::String)) {
            uint32_t f = 0;
            key = parse_property_key(f);
        } else if (is(Tok::LBracket)) {
            uint32_t f = 0;
            key = parse_property_key(f);
        } else {
            error_expected("an enum member name");
            break;
        }
        NodeId m = mk(NodeKind::EnumMember, ms);
        nd(m).a = key;
        if (eat(Tok::Eq)) nd(m).b = parse_assignment();
        finish(m);
        push(m);
        if (!is(Tok::RBrace)) expect(Tok::Comma);
    }
    nd(n).list = list_from(mark);
    expect(Tok::RBrace);
    finish(n);
    return n;
}

NodeId Parser::parse_namespace(uint32_t start, uint32_t flags, NamespaceKind nk) {
    const bool global = nk == NamespaceKind::Global;
    next();  // namespace / module / global
    NodeId n = mk(NodeKind::Namespace, start);
    nd(n).op = uint8_t(nk);
    nd(n).flags = flags;
    if (!global) {
        if (is(Tok::String)) {
            NodeId s = mk(NodeKind::StringLit, tok().start, tok().end);
            nd(s).str = ast_.add_str(tok().value);
            nd(s).str2 = ast_.add_str(src_.substr(tok().start, tok().end - tok().start));
            nd(n).a = s;
            nd(n).str = nd(s).str;
            next();
            if (can_insert_semicolon() && !is(Tok::LBrace)) {
                // `declare module "x";`
                expect_semicolon();
                finish(n);
                return n;
            }
        } else {
            const uint32_t name_start = tok().start;
            nd(n).a = parse_binding_identifier();
            while (eat(Tok::Dot) && !failed_) {
                if (!is(Tok::Ident)) {
                    error_expected("an identifier after '.'");
                    return kNoNode;
                }
                next();
            }
            nd(n).str = ast_.add_str(src_.substr(name_start, prev_end_ - name_start));
        }
    }
    FnContext saved = fn_;
    fn_ = FnContext{};
    nd(n).b = parse_block();
    fn_ = std::move(saved);
    finish(n);
    return n;
}

NodeId Parser::parse_import_equals(uint32_t start, uint32_t flags) {
    // After `import`: `[type] Name = require("m")` or `Name = A.B.C`.
    if (is_kw(Kw::Type)) {
        Peek p = peek();
        if (p.kind == Tok::Ident) next();
    }
    NodeId n = mk(NodeKind::ImportEquals, start);
    nd(n).flags = flags;
    nd(n).a = parse_binding_identifier();
    expect(Tok::Eq);
    if (is_kw(Kw::Require) && peek().kind == Tok::LParen) {
        const uint32_t rs = tok().start;
        next();
        next();
        if (!is(Tok::String)) {
            error_expected("a module name string");
            return kNoNode;
        }
        NodeId r = mk(NodeKind::ExternalModuleRef, rs);
        nd(r).str = ast_.add_str(tok().value);
        next();
        expect(Tok::RParen);
        finish(r);
        nd(n).b = r;
    } else {
        const uint32_t es = tok().start;
        NodeId e = parse_binding_identifier();
        while (eat(Tok::Dot) && !failed_) {
            if (!is(Tok::Ident)) {
                error_expected("an identifier after '.'");
                return kNoNode;
            }
            NodeId prop = ident_from_token();
            NodeId m = mk(NodeKind::Member, es);
            nd(m).a = e;
            nd(m).b = prop;
            e = m;
        }
        nd(n).b = e;
    }
    expect_semicolon();
    finish(n);
    return n;
}

}  // namespace corvane::parser
