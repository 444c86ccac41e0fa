// Functions, parameters, binding patterns, classes and decorators.
#include "parser/parser_internal.h"

namespace corvane::parser {

namespace {
// A word that may follow `function`, `class`, `let` etc. as a binding name. Reserved words
// are refused; contextual words (async, of, type, ...) are fine.
bool is_binding_word(const Token& t) {
    return t.kind == Tok::Ident && !(t.kw != Kw::None && is_reserved_word(t.kw));
}
}  // namespace

NodeId Parser::parse_binding_identifier() {
    if (!is(Tok::Ident)) {
        error_expected("an identifier");
        return kNoNode;
    }
    if (!is_binding_word(tok())) {
        error(tok().start, cat({"Expected an identifier but found reserved word '", tok().value, "'"}));
        return kNoNode;
    }
    if (is_kw(Kw::Yield) && fn_.is_generator) {
        error(tok().start, "'yield' cannot be used as a name inside a generator");
        return kNoNode;
    }
    if (is_kw(Kw::Await) && (fn_.is_async || !fn_.in_function)) {
        error(tok().start, "'await' cannot be used as a name here");
        return kNoNode;
    }
    return ident_from_token();
}

NodeId Parser::parse_binding_target() {
    DepthGuard guard(*this);
    if (!guard.ok) return kNoNode;
    if (is(Tok::LBracket)) return parse_array_pattern();
    if (is(Tok::LBrace)) return parse_object_pattern();
    return parse_binding_identifier();
}

NodeId Parser::parse_binding_element() {
    const uint32_t start = tok().start;
    NodeId target = parse_binding_target();
    if (is(Tok::Eq)) {
        next();
        bool saved = no_in_;
        no_in_ = false;
        NodeId def = parse_assignment();
        no_in_ = saved;
        NodeId n = mk(NodeKind::AssignPattern, start);
        nd(n).a = target;
        nd(n).b = def;
        return n;
    }
    return target;
}

NodeId Parser::parse_array_pattern() {
    const uint32_t start = tok().start;
    next();  // [
    size_t mark = list_mark();
    while (!is(Tok::RBracket) && !failed_) {
        if (is(Tok::Comma)) {
            next();
            push(kNoNode);
            continue;
        }
        if (is(Tok::Ellipsis)) {
            const uint32_t rs = tok().start;
            next();
            NodeId t = parse_binding_target();
            NodeId r = mk(NodeKind::RestElement, rs);
            nd(r).a = t;
            push(r);
            if (is(Tok::Comma)) {
                error(tok().start, "A rest element must be last in a destructuring pattern");
                return kNoNode;
            }
            break;
        }
        push(parse_binding_element());
        if (!is(Tok::RBracket)) expect(Tok::Comma);
    }
    expect(Tok::RBracket);
    NodeId n = mk(NodeKind::ArrayPattern, start);
    nd(n).list = list_from(mark);
    return n;
}

NodeId Parser::parse_object_pattern() {
    const uint32_t start = tok().start;
    next();  // {
    size_t mark = list_mark();
    while (!is(Tok::RBrace) && !failed_) {
        const uint32_t ps = tok().start;
        if (is(Tok::Ellipsis)) {
            next();
            NodeId t = parse_binding_identifier();
            NodeId r = mk(NodeKind::RestElement, ps);
            nd(r).a = t;
            push(r);
            if (is(Tok::Comma)) {
                error(tok().start, "A rest element must be last in a destructuring pattern");
                return kNoNode;
            }
            break;
        }
        uint32_t flags = 0;
        const bool was_word = is(Tok::Ident);
        const Token key_tok = tok();
        NodeId key = parse_property_key(flags);
        if (failed_) return kNoNode;
        NodeId p = mk(NodeKind::Property, ps);
        nd(p).a = key;
        nd(p).flags = flags & kFlagComputed;
        if (eat(Tok::Colon)) {
            nd(p).op = static_cast<uint8_t>(PropKind::Init);
            nd(p).b = parse_binding_element();
        } else {
            if (!was_word || (flags & kFlagComputed) || !is_binding_word(key_tok)) {
                error_expected("':'");
                return kNoNode;
            }
            nd(p).op = static_cast<uint8_t>(PropKind::Shorthand);
            NodeId value = mk(NodeKind::Identifier, ast_[key].span.start, ast_[key].span.end);
            nd(value).str = ast_[key].str;
            nd(value).flags = ast_[key].flags & kFlagEscaped;
            if (eat(Tok::Eq)) {
                bool saved = no_in_;
                no_in_ = false;
                NodeId def = parse_assignment();
                no_in_ = saved;
                NodeId ap = mk(NodeKind::AssignPattern, ps);
                nd(ap).a = value;
                nd(ap).b = def;
                value = ap;
            }
            nd(p).b = value;
        }
        finish(p);
        push(p);
        if (!is(Tok::RBrace)) expect(Tok::Comma);
    }
    expect(Tok::RBrace);
    NodeId n = mk(NodeKind::ObjectPattern, start);
    nd(n).list = list_from(mark);
    return n;
}

bool Parser::at_property_key_start() const {
    switch (kind()) {
        case Tok::Ident:
        case Tok::String:
        case Tok::Number:
        case Tok::BigInt:
        case Tok::LBracket:
        case Tok::PrivateName:
            return true;
        default:
            return false;
    }
}

NodeId Parser::parse_property_key(uint32_t& flags) {
    const Token& t = tok();
    const uint32_t start = t.start;
    switch (t.kind) {
        case Tok::Ident:
            return ident_from_token();
        case Tok::PrivateName: {
            NodeId n = mk(NodeKind::PrivateName, t.start, t.end);
            nd(n).str = ast_.add_str(t.value);
            next();
            return n;
        }
        case Tok::Number:
        case Tok::BigInt:
        case Tok::String:
            return literal_from_token();
        case Tok::LBracket: {
            next();
            bool saved = no_in_;
            no_in_ = false;
            NodeId e = parse_assignment();
            no_in_ = saved;
            expect(Tok::RBracket);
            flags |= kFlagComputed;
            (void)start;
            return e;
        }
        default:
            error_expected("a property name");
            return kNoNode;
    }
}

ListRef Parser::parse_decorators() {
    size_t mark = list_mark();
    while (is(Tok::At) && !failed_) {
        const uint32_t start = tok().start;
        next();
        bool saved = in_decorator_;
        in_decorator_ = true;
        NodeId e = parse_lhs();
        in_decorator_ = saved;
        NodeId d = mk(NodeKind::Decorator, start);
        nd(d).a = e;
        push(d);
    }
    return list_from(mark);
}

// ---- functions --------------------------------------------------------------------------

NodeId Parser::parse_function(NodeKind nk, uint32_t start, uint32_t flags, bool name_required) {
    next();  // function
    if (eat(Tok::Star)) flags |= kFlagGenerator;
    NodeId fn = mk(nk, start);
    if (is(Tok::Ident) && !is(Tok::LParen)) {
        // A function expression's own name follows the function's own async/generator-ness.
        FnContext saved = fn_;
        if (nk == NodeKind::FunctionExpr) {
            fn_.is_async = (flags & kFlagAsync) != 0;
            fn_.is_generator = (flags & kFlagGenerator) != 0;
            fn_.in_function = true;
        }
        nd(fn).a = parse_binding_identifier();
        fn_ = saved;
    } else if (name_required) {
        error_expected("a function name");
        return kNoNode;
    }
    parse_function_rest(fn, flags, nk == NodeKind::FunctionDecl, false);
    return fn;
}

void Parser::parse_function_rest(NodeId fn, uint32_t flags, bool allow_no_body, bool is_ctor) {
    nd(fn).flags |= flags;
    if (is(Tok::Lt)) skip_type_parameters();
    {
        FnContext saved = fn_;
        fn_.is_async = (flags & kFlagAsync) != 0;
        fn_.is_generator = (flags & kFlagGenerator) != 0;
        fn_.in_function = true;
        fn_.top_level = false;
        nd(fn).list = parse_params(is_ctor);
        fn_ = saved;
    }
    if (is(Tok::Colon)) {
        next();
        skip_return_type();
    }
    if (is(Tok::LBrace)) {
        parse_function_body(fn, flags);
    } else if (allow_no_body && !failed_) {
        expect_semicolon();
    } else if (!failed_) {
        error_expected("'{'");
    }
    finish(fn);
}

void Parser::parse_function_body(NodeId fn, uint32_t flags) {
    FnContext saved = fn_;
    fn_ = FnContext{};
    fn_.in_function = true;
    fn_.top_level = false;
    fn_.is_async = (flags & kFlagAsync) != 0;
    fn_.is_generator = (flags & kFlagGenerator) != 0;
    bool saved_no_in = no_in_;
    no_in_ = false;
    bool saved_cond = in_cond_consequent_;
    in_cond_consequent_ = false;
    nd(fn).b = parse_block();
    in_cond_consequent_ = saved_cond;
    no_in_ = saved_no_in;
    fn_ = std::move(saved);
}

ListRef Parser::parse_params(bool is_ctor) {
    size_t mark = list_mark();
    expect(Tok::LParen);
    bool saved_no_in = no_in_;
    no_in_ = false;
    while (!is(Tok::RParen) && !failed_) {
        NodeId p = parse_param(is_ctor);
        if (p == kNoNode) break;
        push(p);
        if (ast_[p].flags & kFlagRest) {
            if (is(Tok::Comma)) {
                error(tok().start, "A rest parameter must be last in a parameter list");
                break;
            }
            break;
        }
        if (!is(Tok::RParen) && !eat(Tok::Comma)) {
            error_expected("',' or ')'");
            break;
        }
    }
    no_in_ = saved_no_in;
    ListRef r = list_from(mark);
    expect(Tok::RParen);
    return r;
}

NodeId Parser::parse_param(bool is_ctor) {
    const uint32_t start = tok().start;
    ListRef decorators = is(Tok::At) ? parse_decorators() : ListRef{};
    uint32_t flags = 0;
    // Parameter-property modifiers.
    while (is(Tok::Ident) && !tok().escaped &&
           (tok().kw == Kw::Public || tok().kw == Kw::Private || tok().kw == Kw::Protected ||
            tok().kw == Kw::Readonly || tok().kw == Kw::Override)) {
        Peek p = peek();
        if (!(p.kind == Tok::Ident || p.kind == Tok::LBrace || p.kind == Tok::LBracket) ||
            p.nl_before) {
            break;
        }
        switch (tok().kw) {
            case Kw::Public: flags |= kFlagPublic; break;
            case Kw::Private: flags |= kFlagPrivate; break;
            case Kw::Protected: flags |= kFlagProtected; break;
            case Kw::Readonly: flags |= kFlagReadonly; break;
            default: flags |= kFlagOverride; break;
        }
        next();
    }
    if (flags && !is_ctor) {
        error(start, "A parameter property is only allowed in a constructor implementation");
        return kNoNode;
    }
    NodeId param = mk(NodeKind::Param, start);
    nd(param).list2 = decorators;
    if (is_kw(Kw::This) && !flags) {
        Peek p = peek();
        if (p.kind == Tok::Colon || p.kind == Tok::Comma || p.kind == Tok::RParen) {
            nd(param).a = ident_from_token();
            flags |= kFlagThisParam;
            skip_type_annotation();
            nd(param).flags = flags;
            finish(param);
            return param;
        }
    }
    if (eat(Tok::Ellipsis)) flags |= kFlagRest;
    nd(param).a = parse_binding_target();
    if (is(Tok::Question)) {
        next();
        flags |= kFlagOptional;
    }
    skip_type_annotation();
    if (is(Tok::Eq)) {
        if (flags & kFlagRest) {
            error(tok().start, "A rest parameter cannot have an initializer");
            return kNoNode;
        }
        next();
        nd(param).b = parse_assignment();
    }
    nd(param).flags = flags;
    finish(param);
    return param;
}

// ---- classes ----------------------------------------------------------------------------

NodeId Parser::parse_class(NodeKind nk, uint32_t start, uint32_t flags, ListRef decorators,
                           bool name_required) {
    next();  // class
    NodeId cls = mk(nk, start);
    nd(cls).flags = flags;
    nd(cls).list2 = decorators;
    if (is(Tok::Ident) && !is_kw(Kw::Extends) && !is_kw(Kw::Implements)) {
        nd(cls).a = parse_binding_identifier();
    } else if (name_required) {
        error_expected("a class name");
        return kNoNode;
    }
    if (is(Tok::Lt)) skip_type_parameters();
    if (eat_kw(Kw::Extends)) {
        bool saved = in_heritage_;
        in_heritage_ = true;
        nd(cls).b = parse_lhs();
        in_heritage_ = saved;
        if (is(Tok::Lt)) skip_type_arguments();
    }
    if (eat_kw(Kw::Implements)) skip_heritage_list();
    expect(Tok::LBrace);
    size_t mark = list_mark();
    bool saved_no_in = no_in_;
    no_in_ = false;
    bool saved_in_class = in_class_;
    in_class_ = true;
    while (!is(Tok::RBrace) && !failed_) {
        if (eat(Tok::Semi)) continue;
        NodeId m = parse_class_member();
        if (m == kNoNode) break;
        push(m);
    }
    in_class_ = saved_in_class;
    no_in_ = saved_no_in;
    nd(cls).list = list_from(mark);
    expect(Tok::RBrace);
    finish(cls);
    return cls;
}

NodeId Parser::parse_class_member() {
    DepthGuard guard(*this);
    if (!guard.ok) return kNoNode;
    const uint32_t start = tok().start;
    ListRef decorators = is(Tok::At) ? parse_decorators() : ListRef{};
    uint32_t flags = 0;
    NodeId member = mk(NodeKind::ClassMember, start);
    nd(member).list2 = decorators;
    bool is_accessor_field = false;
    // Modifiers. A modifier word followed by something that cannot follow a modifier is the
    // member's name instead (`static() {}`, `readonly = 1`, `get;`).
    while (is(Tok::Ident) && !tok().escaped && !failed_) {
        Kw kw = tok().kw;
        uint32_t bit = 0;
        switch (kw) {
            case Kw::Static: bit = kFlagStatic; break;
            case Kw::Public: bit = kFlagPublic; break;
            case Kw::Private: bit = kFlagPrivate; break;
            case Kw::Protected: bit = kFlagProtected; break;
            case Kw::Readonly: bit = kFlagReadonly; break;
            case Kw::Abstract: bit = kFlagAbstract; break;
            case Kw::Override: bit = kFlagOverride; break;
            case Kw::Declare: bit = kFlagDeclare; break;
            case Kw::Accessor: bit = 1; break;
            default: break;
        }
        if (!bit) break;
        Peek p = peek();
        bool can_follow = p.kind == Tok::Ident || p.kind == Tok::String || p.kind == Tok::Number ||
                          p.kind == Tok::BigInt || p.kind == Tok::LBracket ||
                          p.kind == Tok::PrivateName || p.kind == Tok::Star ||
                          (kw == Kw::Static && p.kind == Tok::LBrace);
        if (!can_follow || (kw != Kw::Static && p.nl_before)) break;
        if (kw == Kw::Static && p.kind == Tok::LBrace) {
            next();
            nd(member).op = static_cast<uint8_t>(MemberKind::StaticBlock);
            FnContext saved = fn_;
            fn_ = FnContext{};
            fn_.in_function = true;
            fn_.top_level = false;
            nd(member).b = parse_block();
            fn_ = std::move(saved);
            nd(member).flags = flags | kFlagStatic;
            finish(member);
            return member;
        }
        if (bit == 1) {
            is_accessor_field = true;
        } else {
            if (flags & bit) {
                error(tok().start, cat({"'", tok().value, "' modifier already seen"}));
                return kNoNode;
            }
            flags |= bit;
        }
        next();
    }
    // Index signature: `[key: T]: U`.
    if (is(Tok::LBracket)) {
        Peek p = peek();
        if (p.kind == Tok::Ident && peek2().kind == Tok::Colon) {
            next();
            next();
            skip_type_annotation();
            expect(Tok::RBracket);
            skip_type_annotation();
            expect_semicolon();
            nd(member).op = static_cast<uint8_t>(MemberKind::IndexSignature);
            nd(member).flags = flags;
            finish(member);
            return member;
        }
    }
    uint32_t fn_flags = 0;
    MemberKind mkind = MemberKind::Method;
    if (is_kw(Kw::Async) && !is_accessor_field) {
        Peek p = peek();
        if (!p.nl_before && (p.kind == Tok::Ident || p.kind == Tok::String || p.kind == Tok::Number ||
                             p.kind == Tok::BigInt || p.kind == Tok::LBracket ||
                             p.kind == Tok::PrivateName || p.kind == Tok::Star)) {
            next();
            fn_flags |= kFlagAsync;
        }
    }
    if (eat(Tok::Star)) fn_flags |= kFlagGenerator;
    if ((is_kw(Kw::Get) || is_kw(Kw::Set)) && fn_flags == 0 && !is_accessor_field) {
        Peek p = peek();
        if (p.kind == Tok::Ident || p.kind == Tok::String || p.kind == Tok::Number ||
            p.kind == Tok::BigInt || p.kind == Tok::LBracket || p.kind == Tok::PrivateName) {
            mkind = is_kw(Kw::Get) ? MemberKind::Getter : MemberKind::Setter;
            next();
        }
    }
    const bool key_is_ident = is(Tok::Ident);
    const bool key_is_string = is(Tok::String);
    const std::string_view key_text = tok().value;
    NodeId key = parse_property_key(flags);
    if (failed_) return kNoNode;
    nd(member).a = key;
    if (is(Tok::Question)) {
        next();
        flags |= kFlagOptional;
    } else if (is(Tok::Bang) && !tok().nl_before) {
        next();
        flags |= kFlagDefinite;
    }
    if (is(Tok::LParen) || is(Tok::Lt)) {
        const bool is_ctor = mkind == MemberKind::Method && !(flags & kFlagStatic) &&
                             (key_is_ident || key_is_string) && key_text == "constructor" &&
                             !(flags & kFlagComputed);
        if (is_ctor) {
            if (fn_flags) {
                error(start, "A constructor cannot be async or a generator");
                return kNoNode;
            }
            mkind = MemberKind::Constructor;
        }
        NodeId fn = mk(NodeKind::FunctionExpr, tok().start);
        parse_function_rest(fn, fn_flags, true, is_ctor);
        nd(member).b = fn;
        nd(member).op = static_cast<uint8_t>(mkind);
        nd(member).flags |= flags;
        finish(member);
        return member;
    }
    if (mkind != MemberKind::Method || fn_flags) {
        error_expected("'('");
        return kNoNode;
    }
    nd(member).op = static_cast<uint8_t>(is_accessor_field ? MemberKind::AccessorProperty
                                                           : MemberKind::Property);
    skip_type_annotation();
    if (eat(Tok::Eq)) {
        FnContext saved = fn_;
        fn_ = FnContext{};
        fn_.in_function = true;
        fn_.top_level = false;
        nd(member).b = parse_assignment();
        fn_ = std::move(saved);
    }
    expect_semicolon();
    nd(member).flags |= flags;
    finish(member);
    return member;
}

}  // namespace corvane::parser
