// Statements, variable declarations and module declarations.
#include "parser/parser_internal.h"

namespace corvane::parser {

bool Parser::at_let_declaration() {
    // `let` starts a declaration when followed by an identifier, `[` or `{`; otherwise it
    // is an identifier (sloppy scripts).
    if (!is_kw(Kw::Let)) return false;
    Peek p = peek();
    if (p.kind == Tok::LBracket || p.kind == Tok::LBrace) return true;
    if (p.kind != Tok::Ident) return false;
    // `let in x`, `let instanceof y` are expressions.
    return p.kw != Kw::In && p.kw != Kw::InstanceOf && !(p.kw == Kw::Of && p.nl_before);
}

bool Parser::at_using_declaration() {
    if (!is_kw(Kw::Using)) return false;
    Peek p = peek();
    return p.kind == Tok::Ident && !p.nl_before && p.kw != Kw::In && p.kw != Kw::InstanceOf &&
           p.kw != Kw::Of;
}

bool Parser::at_await_using_declaration() {
    if (!is_kw(Kw::Await)) return false;
    Peek p = peek();
    if (p.kind != Tok::Ident || p.kw != Kw::Using || p.nl_before) return false;
    Peek p2 = peek2();
    return p2.kind == Tok::Ident && !p2.nl_before && p2.kw != Kw::In && p2.kw != Kw::InstanceOf;
}

NodeId Parser::parse_statement_list_item() {
    DepthGuard guard(*this);
    if (!guard.ok) return kNoNode;
    const uint32_t start = tok().start;
    if (is(Tok::At)) {
        ListRef decorators = parse_decorators();
        if (is_kw(Kw::Export)) return parse_export_statement(start, decorators);
        uint32_t flags = 0;
        if (is_kw(Kw::Abstract) && !peek().nl_before) {
            next();
            flags |= kFlagAbstract;
        }
        if (!is_kw(Kw::Class)) {
            error_expected("'class' after decorators");
            return kNoNode;
        }
        return parse_class(NodeKind::ClassDecl, start, flags, decorators, true);
    }
    if (tok().kind == Tok::Ident && !tok().escaped) {
        switch (tok().kw) {
            case Kw::Function:
                return parse_function(NodeKind::FunctionDecl, start, 0, true);
            case Kw::Class:
                return parse_class(NodeKind::ClassDecl, start, 0, {}, true);
            case Kw::Const: {
                Peek p = peek();
                if (p.kind == Tok::Ident && p.kw == Kw::Enum) {
                    next();
                    return parse_enum(start, kFlagConst);
                }
                next();
                NodeId d = parse_var_decl(DeclKind::Const, start, false);
                expect_semicolon();
                finish(d);
                return d;
            }
            case Kw::Let:
                if (at_let_declaration()) {
                    next();
                    NodeId d = parse_var_decl(DeclKind::Let, start, false);
                    expect_semicolon();
                    finish(d);
                    return d;
                }
                break;
            case Kw::Using:
                if (at_using_declaration()) {
                    next();
                    NodeId d = parse_var_decl(DeclKind::Using, start, false);
                    expect_semicolon();
                    finish(d);
                    return d;
                }
                break;
            case Kw::Await:
                if (at_await_using_declaration()) {
                    next();
                    next();
                    NodeId d = parse_var_decl(DeclKind::AwaitUsing, start, false);
                    expect_semicolon();
                    finish(d);
                    return d;
                }
                break;
            case Kw::Import: {
                Peek p = peek();
                if (p.kind != Tok::LParen && p.kind != Tok::Dot) return parse_import_statement(start);
                break;
            }
            case Kw::Export:
                return parse_export_statement(start, {});
            case Kw::Async: {
                Peek p = peek();
                if (p.kind == Tok::Ident && p.kw == Kw::Function && !p.nl_before) {
                    next();
                    return parse_function(NodeKind::FunctionDecl, start, kFlagAsync, true);
                }
                break;
            }
            default: {
                NodeId d = try_parse_ts_declaration(start, 0);
                if (d != kNoNode || failed_) return d;
                break;
            }
        }
    }
    return parse_statement();
}

NodeId Parser::parse_statement() {
    DepthGuard guard(*this);
    if (!guard.ok) return kNoNode;
    const uint32_t start = tok().start;
    switch (kind()) {
        case Tok::LBrace:
            return parse_block();
        case Tok::Semi:
            next();
            return mk(NodeKind::Empty, start);
        case Tok::Ident:
            if (tok().escaped) break;
            switch (tok().kw) {
                case Kw::Var: {
                    next();
                    NodeId d = parse_var_decl(DeclKind::Var, start, false);
                    expect_semicolon();
                    finish(d);
                    return d;
                }
                case Kw::If: return parse_if();
                case Kw::For: return parse_for();
                case Kw::While: return parse_while();
                case Kw::Do: return parse_do_while();
                case Kw::Return: return parse_return();
                case Kw::Break: return parse_break_continue(true);
                case Kw::Continue: return parse_break_continue(false);
                case Kw::Throw: return parse_throw();
                case Kw::Try: return parse_try();
                case Kw::Switch: return parse_switch();
                case Kw::Function:
                    // Function declarations as the body of if/labels (sloppy scripts).
                    return parse_function(NodeKind::FunctionDecl, start, 0, true);
                case Kw::Debugger:
                    next();
                    expect_semicolon();
                    return mk(NodeKind::Debugger, start);
                case Kw::With: {
                    next();
                    expect(Tok::LParen);
                    NodeId obj = parse_expression();
                    expect(Tok::RParen);
                    NodeId body = parse_statement();
                    NodeId w = mk(NodeKind::With, start);
                    nd(w).a = obj;
                    nd(w).b = body;
                    return w;
                }
                case Kw::Class:
                case Kw::Const:
                case Kw::Enum:
                case Kw::Import:
                case Kw::Export:
                    if (tok().kw == Kw::Import) {
                        Peek p = peek();
                        if (p.kind == Tok::LParen || p.kind == Tok::Dot) break;
                    }
                    error(start, "Declarations are not allowed as the body of a statement; wrap "
                                 "them in a block");
                    return kNoNode;
                case Kw::Let:
                    if (at_let_declaration() && peek().kind != Tok::LBracket) {
                        error(start, "Lexical declaration cannot appear in a single-statement "
                                     "context");
                        return kNoNode;
                    }
                    break;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return parse_labeled_or_expression();
}

NodeId Parser::parse_block() {
    const uint32_t start = tok().start;
    expect(Tok::LBrace);
    NodeId b = mk(NodeKind::Block, start);
    ListRef body = parse_block_body(false);
    expect(Tok::RBrace);
    nd(b).list = body;
    finish(b);
    return b;
}

ListRef Parser::parse_block_body(bool /*function_body*/) {
    size_t mark = list_mark();
    while (!is(Tok::RBrace) && !is(Tok::Eof) && !failed_) {
        NodeId s = parse_statement_list_item();
        if (s == kNoNode) break;
        push(s);
    }
    return list_from(mark);
}

NodeId Parser::parse_var_decl(DeclKind dk, uint32_t start, bool in_for) {
    NodeId decl = mk(NodeKind::VarDecl, start);
    nd(decl).op = static_cast<uint8_t>(dk);
    size_t mark = list_mark();
    while (!failed_) {
        const uint32_t dstart = tok().start;
        NodeId target;
        if (dk == DeclKind::Using || dk == DeclKind::AwaitUsing) {
            target = parse_binding_identifier();
        } else {
            if ((dk == DeclKind::Let || dk == DeclKind::Const) && is_kw(Kw::Let)) {
                error(tok().start, "'let' is not allowed to be used as a name in 'let' or "
                                   "'const' declarations");
                return kNoNode;
            }
            target = parse_binding_target();
        }
        NodeId d = mk(NodeKind::VarDeclarator, dstart);
        nd(d).a = target;
        if (is(Tok::Bang) && !tok().nl_before) {
            next();
            nd(d).flags |= kFlagDefinite;
        }
        skip_type_annotation();
        if (eat(Tok::Eq)) {
            bool saved = no_in_;
            no_in_ = in_for;
            nd(d).b = parse_assignment();
            no_in_ = saved;
        } else if (!in_for && !(nd(decl).flags & kFlagDeclare) && !failed_) {
            // Missing initializers: const/using need one, destructuring patterns too.
            bool pattern = target != kNoNode && ast_[target].kind != NodeKind::Identifier;
            if (pattern || dk == DeclKind::Const || dk == DeclKind::Using ||
                dk == DeclKind::AwaitUsing) {
                if (!(dk == DeclKind::Const && pending_declare_)) {
                    error(tok().start, pattern ? "A destructuring declaration must have an initializer"
                                               : cat({"Expected '=' (an initializer) but found ", found_text()}));
                }
            }
        }
        finish(d);
        push(d);
        if (!eat(Tok::Comma)) break;
    }
    nd(decl).list = list_from(mark);
    finish(decl);
    return decl;
}

NodeId Parser::parse_if() {
    const uint32_t start = tok().start;
    next();
    expect(Tok::LParen);
    NodeId test = parse_expression();
    expect(Tok::RParen);
    NodeId cons = parse_statement();
    NodeId alt = kNoNode;
    if (eat_kw(Kw::Else)) alt = parse_statement();
    NodeId n = mk(NodeKind::If, start);
    nd(n).a = test;
    nd(n).b = cons;
    nd(n).c = alt;
    return n;
}

NodeId Parser::parse_while() {
    const uint32_t start = tok().start;
    next();
    expect(Tok::LParen);
    NodeId test = parse_expression();
    expect(Tok::RParen);
    ++fn_.loop_depth;
    NodeId body = parse_statement();
    --fn_.loop_depth;
    NodeId n = mk(NodeKind::While, start);
    nd(n).a = test;
    nd(n).b = body;
    return n;
}

NodeId Parser::parse_do_while() {
    const uint32_t start = tok().start;
    next();
    ++fn_.loop_depth;
    NodeId body = parse_statement();
    --fn_.loop_depth;
    expect_kw(Kw::While, "while");
    expect(Tok::LParen);
    NodeId test = parse_expression();
    expect(Tok::RParen);
    eat(Tok::Semi);  // `do ... while (x)` ends without a semicolon
    NodeId n = mk(NodeKind::DoWhile, start);
    nd(n).a = body;
    nd(n).b = test;
    return n;
}

NodeId Parser::parse_for() {
    const uint32_t start = tok().start;
    next();
    bool is_await = false;
    if (is_kw(Kw::Await)) {
        if (fn_.in_function && !fn_.is_async) {
            error(tok().start, "'for await' loops are only allowed in async functions and at the "
                               "top level");
            return kNoNode;
        }
        next();
        is_await = true;
    }
    expect(Tok::LParen);
    NodeId init = kNoNode;
    const uint32_t init_start = tok().start;
    bool is_decl = false;
    if (is(Tok::Semi)) {
        // no initializer
    } else if (is_kw(Kw::Var) || is_kw(Kw::Const) || at_let_declaration() ||
               at_using_declaration() || at_await_using_declaration()) {
        DeclKind dk = is_kw(Kw::Var)     ? DeclKind::Var
                      : is_kw(Kw::Const) ? DeclKind::Const
                      : is_kw(Kw::Let)   ? DeclKind::Let
                      : is_kw(Kw::Using) ? DeclKind::Using
                                         : DeclKind::AwaitUsing;
        if (dk == DeclKind::AwaitUsing) next();
        next();
        init = parse_var_decl(dk, init_start, true);
        is_decl = true;
    } else {
        bool saved = no_in_;
        no_in_ = true;
        init = parse_expression();
        no_in_ = saved;
    }
    if (failed_) return kNoNode;
    const bool is_of = is_kw(Kw::Of);
    const bool is_in = is_kw(Kw::In);
    if (is_of || is_in) {
        if (is_await && !is_of) {
            error_expected("'of'");
            return kNoNode;
        }
        if (is_decl) {
            const Node& d = ast_[init];
            if (d.list.count != 1) {
                error(init_start, "Only a single variable declaration is allowed in a 'for...of' "
                                  "or 'for...in' statement");
                return kNoNode;
            }
            const Node& decl0 = ast_[ast_.list(d.list)[0]];
            if (decl0.b != kNoNode && !(is_in && d.op_as<DeclKind>() == DeclKind::Var &&
                                        ast_[decl0.a].kind == NodeKind::Identifier)) {
                error(decl0.span.start, "The variable declaration of a 'for...of' or 'for...in' "
                                        "statement cannot have an initializer");
                return kNoNode;
            }
        } else {
            if (is_of && ast_[init].kind == NodeKind::Identifier && init_start == ast_[init].span.start &&
                ast_.str(ast_[init].str) == "async" && !(ast_[init].flags & kFlagEscaped) && !is_await) {
                error(init_start, "The left-hand side of a 'for...of' statement may not be 'async'");
                return kNoNode;
            }
            init = to_assign_target(init, true);
            if (init == kNoNode) return kNoNode;
        }
        next();
        NodeId right = is_of ? parse_assignment() : parse_expression();
        expect(Tok::RParen);
        ++fn_.loop_depth;
        NodeId body = parse_statement();
        --fn_.loop_depth;
        NodeId n = mk(is_of ? NodeKind::ForOf : NodeKind::ForIn, start);
        nd(n).a = init;
        nd(n).b = right;
        nd(n).d = body;
        if (is_await) nd(n).flags |= kFlagAwait;
        return n;
    }
    if (is_await) {
        error_expected("'of'");
        return kNoNode;
    }
    if (is_decl) {
        // Declarations in a plain for loop still need their initializers.
        for (NodeId d : ast_.list(ast_[init].list)) {
            const Node& dn = ast_[d];
            DeclKind dk = ast_[init].op_as<DeclKind>();
            bool pattern = ast_[dn.a].kind != NodeKind::Identifier;
            if (dn.b == kNoNode && (pattern || dk == DeclKind::Const || dk == DeclKind::Using ||
                                    dk == DeclKind::AwaitUsing)) {
                error(dn.span.start, pattern ? "A destructuring declaration must have an initializer"
                                             : "A 'const' declaration must be initialized");
                return kNoNode;
            }
        }
    }
    expect(Tok::Semi);
    NodeId test = is(Tok::Semi) ? kNoNode : parse_expression();
    expect(Tok::Semi);
    NodeId update = is(Tok::RParen) ? kNoNode : parse_expression();
    expect(Tok::RParen);
    ++fn_.loop_depth;
    NodeId body = parse_statement();
    --fn_.loop_depth;
    NodeId n = mk(NodeKind::For, start);
    nd(n).a = init;
    nd(n).b = test;
    nd(n).c = update;
    nd(n).d = body;
    return n;
}

NodeId Parser::parse_return() {
    const uint32_t start = tok().start;
    if (!fn_.in_function) {
        error(start, "A 'return' statement can only be used within a function body");
        return kNoNode;
    }
    next();
    NodeId arg = kNoNode;
    if (!can_insert_semicolon()) arg = parse_expression();
    expect_semicolon();
    NodeId n = mk(NodeKind::Return, start);
    nd(n).a = arg;
    return n;
}

NodeId Parser::parse_throw() {
    const uint32_t start = tok().start;
    next();
    if (tok().nl_before) {
        error(tok().start, "Line break not permitted after 'throw'");
        return kNoNode;
    }
    NodeId arg = parse_expression();
    expect_semicolon();
    NodeId n = mk(NodeKind::Throw, start);
    nd(n).a = arg;
    return n;
}

NodeId Parser::parse_break_continue(bool is_break) {
    const uint32_t start = tok().start;
    next();
    NodeId label = kNoNode;
    if (is(Tok::Ident) && !tok().nl_before && !(tok().kw != Kw::None && is_reserved_word(tok().kw))) {
        std::string_view name = tok().value;
        bool found = false;
        for (const auto& l : fn_.labels) {
            if (l.name == name) {
                found = true;
                if (!is_break && !l.is_loop) {
                    error(tok().start, "A 'continue' statement can only jump to a label of an "
                                       "enclosing iteration statement");
                    return kNoNode;
                }
            }
        }
        if (!found) {
            error(tok().start, cat({"Undefined label '", name, "'"}));
            return kNoNode;
        }
        label = ident_from_token();
    } else if (is_break ? (fn_.loop_depth == 0 && fn_.switch_depth == 0) : fn_.loop_depth == 0) {
        error(start, is_break ? "A 'break' statement can only be used within an enclosing "
                                "iteration or switch statement"
                              : "A 'continue' statement can only be used within an enclosing "
                                "iteration statement");
        return kNoNode;
    }
    expect_semicolon();
    NodeId n = mk(is_break ? NodeKind::Break : NodeKind::Continue, start);
    nd(n).a = label;
    return n;
}

NodeId Parser::parse_try() {
    const uint32_t start = tok().start;
    next();
    NodeId block = parse_block();
    NodeId param = kNoNode, handler = kNoNode, finalizer = kNoNode;
    if (is_kw(Kw::Catch)) {
        next();
        if (eat(Tok::LParen)) {
            param = parse_binding_target();
            skip_type_annotation();
            expect(Tok::RParen);
        }
        handler = parse_block();
    }
    if (eat_kw(Kw::Finally)) finalizer = parse_block();
    if (handler == kNoNode && finalizer == kNoNode && !failed_) {
        error_expected("'catch' or 'finally'");
        return kNoNode;
    }
    NodeId n = mk(NodeKind::Try, start);
    nd(n).a = block;
    nd(n).b = param;
    nd(n).c = handler;
    nd(n).d = finalizer;
    return n;
}

NodeId Parser::parse_switch() {
    const uint32_t start = tok().start;
    next();
    expect(Tok::LParen);
    NodeId disc = parse_expression();
    expect(Tok::RParen);
    expect(Tok::LBrace);
    NodeId sw = mk(NodeKind::Switch, start);
    nd(sw).a = disc;
    size_t mark = list_mark();
    bool seen_default = false;
    ++fn_.switch_depth;
    while (!is(Tok::RBrace) && !failed_) {
        const uint32_t cstart = tok().start;
        NodeId test = kNoNode;
        if (eat_kw(Kw::Case)) {
            test = parse_expression();
        } else if (is_kw(Kw::Default)) {
            if (seen_default) {
                error(cstart, "A 'default' clause cannot appear more than once in a 'switch' "
                              "statement");
                break;
            }
            seen_default = true;
            next();
        } else {
            error_expected("'case' or 'default'");
            break;
        }
        expect(Tok::Colon);
        size_t smark = list_mark();
        while (!is(Tok::RBrace) && !is_kw(Kw::Case) && !is_kw(Kw::Default) && !is(Tok::Eof) &&
               !failed_) {
            NodeId s = parse_statement_list_item();
            if (s == kNoNode) break;
            push(s);
        }
        ListRef stmts = list_from(smark);
        NodeId c = mk(NodeKind::SwitchCase, cstart);
        nd(c).a = test;
        nd(c).list = stmts;
        push(c);
    }
    --fn_.switch_depth;
    nd(sw).list = list_from(mark);
    expect(Tok::RBrace);
    finish(sw);
    return sw;
}

NodeId Parser::parse_labeled_or_expression() {
    const uint32_t start = tok().start;
    const bool ident_start = is(Tok::Ident);
    NodeId expr = parse_expression();
    if (failed_) return kNoNode;
    if (ident_start && is(Tok::Colon) && ast_[expr].kind == NodeKind::Identifier &&
        ast_[expr].span.start == start) {
        std::string_view name = src_.substr(ast_[expr].span.start,
                                            ast_[expr].span.end - ast_[expr].span.start);
        for (const auto& l : fn_.labels) {
            if (l.name == name) {
                error(start, cat({"Duplicate label '", name, "'"}));
                return kNoNode;
            }
        }
        next();
        // `a: b: for (...)`: every label of a chain directly labelling a loop is a loop label.
        bool is_loop = is_kw(Kw::For) || is_kw(Kw::While) || is_kw(Kw::Do);
        if (!in_label_chain_) label_chain_start_ = fn_.labels.size();
        fn_.labels.push_back({name, is_loop});
        if (is_loop) {
            for (size_t i = label_chain_start_; i < fn_.labels.size(); ++i) fn_.labels[i].is_loop = true;
        }
        in_label_chain_ = is(Tok::Ident) && peek().kind == Tok::Colon;
        NodeId body;
        if (is_kw(Kw::Function)) {
            body = parse_function(NodeKind::FunctionDecl, tok().start, 0, true);
        } else {
            body = parse_statement();
        }
        in_label_chain_ = false;
        fn_.labels.pop_back();
        NodeId n = mk(NodeKind::Labeled, start);
        nd(n).a = expr;
        nd(n).b = body;
        return n;
    }
    expect_semicolon();
    NodeId n = mk(NodeKind::ExprStmt, start);
    nd(n).a = expr;
    return n;
}

NodeId Parser::parse_expression_statement() {
    const uint32_t start = tok().start;
    NodeId expr = parse_expression();
    expect_semicolon();
    NodeId n = mk(NodeKind::ExprStmt, start);
    nd(n).a = expr;
    return n;
}

// ---- module syntax ----------------------------------------------------------------------

namespace {
bool is_identifier_name(const Token& t) { return t.kind == Tok::Ident; }
}  // namespace

NodeId Parser::parse_import_statement(uint32_t start) {
    next();  // import
    NodeId n = mk(NodeKind::ImportDecl, start);
    // `import type X from`, `import type { } from`, `import type X = require()`
    if (is_kw(Kw::Type)) {
        Peek p = peek();
        bool type_only = (p.kind == Tok::Ident && p.kw != Kw::From) || p.kind == Tok::LBrace ||
                         p.kind == Tok::Star ||
                         (p.kind == Tok::Ident && p.kw == Kw::From && peek2().kind == Tok::Ident &&
                          peek2().kw == Kw::From);
        if (type_only) {
            next();
            nd(n).flags |= kFlagTypeOnly;
        }
    }
    if (is(Tok::String)) {
        nd(n).str = ast_.add_str(tok().value);
        next();
        if (is_kw(Kw::With) || (is_kw(Kw::Assert) && !tok().nl_before)) {
            next();
            parse_object_literal();
        }
        expect_semicolon();
        finish(n);
        return n;
    }
    bool need_from = false;
    if (is(Tok::Ident) && !is_kw(Kw::From)) {
        // default binding, or `import x = ...`
        Peek p = peek();
        if (p.kind == Tok::Eq) {
            ast_.nodes.pop_back();
            return parse_import_equals(start, 0);
        }
        parse_binding_identifier();
        need_from = true;
        if (!eat(Tok::Comma)) goto from_clause;
    } else if (is_kw(Kw::From)) {
        Peek p = peek();
        if (p.kind == Tok::Eq) {
            ast_.nodes.pop_back();
            return parse_import_equals(start, 0);
        }
        if (p.kind == Tok::Ident && p.kw == Kw::From) {
            parse_binding_identifier();
            need_from = true;
            goto from_clause;
        }
        parse_binding_identifier();
        need_from = true;
        if (!eat(Tok::Comma)) goto from_clause;
    }
    if (eat(Tok::Star)) {
        expect_kw(Kw::As, "as");
        parse_binding_identifier();
        need_from = true;
    } else if (eat(Tok::LBrace)) {
        while (!is(Tok::RBrace) && !failed_) {
            if (is_kw(Kw::Type) && peek().kind != Tok::Comma && peek().kind != Tok::RBrace &&
                !(peek().kind == Tok::Ident && peek().kw == Kw::As &&
                  (peek2().kind == Tok::Comma || peek2().kind == Tok::RBrace))) {
                next();
            }
            if (is(Tok::String)) {
                next();
                expect_kw(Kw::As, "as");
                parse_binding_identifier();
            } else if (is_identifier_name(tok())) {
                Peek p = peek();
                if (p.kind == Tok::Ident && p.kw == Kw::As) {
                    next();
                    next();
                    parse_binding_identifier();
                } else {
                    parse_binding_identifier();
                }
            } else {
                error_expected("an import specifier");
                return kNoNode;
            }
            if (!eat(Tok::Comma)) break;
        }
        expect(Tok::RBrace);
        need_from = true;
    } else if (!need_from) {
        error_expected("an import clause");
        return kNoNode;
    }
from_clause:
    expect_kw(Kw::From, "from");
    if (!is(Tok::String)) {
        error_expected("a module name string");
        return kNoNode;
    }
    nd(n).str = ast_.add_str(tok().value);
    next();
    if (is_kw(Kw::With) || (is_kw(Kw::Assert) && !tok().nl_before)) {
        next();
        parse_object_literal();
    }
    expect_semicolon();
    finish(n);
    return n;
}

NodeId Parser::parse_export_statement(uint32_t start, ListRef decorators) {
    next();  // export
    NodeId n = mk(NodeKind::ExportDecl, start);
    auto module_name = [&]() {
        if (!is(Tok::String)) {
            error_expected("a module name string");
            return;
        }
        nd(n).str = ast_.add_str(tok().value);
        next();
        if (is_kw(Kw::With) || (is_kw(Kw::Assert) && !tok().nl_before)) {
            next();
            parse_object_literal();
        }
    };
    if (is(Tok::Eq)) {
        ast_.nodes.pop_back();
        next();
        NodeId e = parse_assignment();
        expect_semicolon();
        NodeId ea = mk(NodeKind::ExportAssign, start);
        nd(ea).a = e;
        return ea;
    }
    if (is_kw(Kw::As)) {
        ast_.nodes.pop_back();
        next();
        expect_kw(Kw::Namespace, "namespace");
        NodeId name = parse_binding_identifier();
        expect_semicolon();
        NodeId ea = mk(NodeKind::ExportAsNamespace, start);
        nd(ea).a = name;
        return ea;
    }
    if (is_kw(Kw::Import)) {
        // export import A = B.C
        ast_.nodes.pop_back();
        next();
        return parse_import_equals(start, kFlagExport);
    }
    if (is_kw(Kw::Default)) {
        next();
        nd(n).op = static_cast<uint8_t>(ExportKind::Default);
        const uint32_t dstart = tok().start;
        NodeId d;
        if (is_kw(Kw::Function)) {
            d = parse_function(NodeKind::FunctionDecl, dstart, 0, false);
        } else if (is_kw(Kw::Async) && peek().kind == Tok::Ident && peek().kw == Kw::Function &&
                   !peek().nl_before) {
            next();
            d = parse_function(NodeKind::FunctionDecl, dstart, kFlagAsync, false);
        } else if (is_kw(Kw::Class)) {
            d = parse_class(NodeKind::ClassDecl, dstart, 0, decorators, false);
        } else if (is(Tok::At)) {
            ListRef decs = parse_decorators();
            d = parse_class(NodeKind::ClassDecl, dstart, 0, decs, false);
        } else if (is_kw(Kw::Abstract) && peek().kind == Tok::Ident && peek().kw == Kw::Class) {
            next();
            d = parse_class(NodeKind::ClassDecl, dstart, kFlagAbstract, decorators, false);
        } else if (is_kw(Kw::Interface) && peek().kind == Tok::Ident && !peek().nl_before) {
            next();
            d = parse_interface(dstart, 0);
        } else {
            d = parse_assignment();
            expect_semicolon();
        }
        nd(n).a = d;
        finish(n);
        return n;
    }
    if (is_kw(Kw::Type) && (peek().kind == Tok::LBrace || peek().kind == Tok::Star)) {
        next();
        nd(n).flags |= kFlagTypeOnly;
    }
    if (eat(Tok::Star)) {
        nd(n).op = static_cast<uint8_t>(ExportKind::All);
        if (eat_kw(Kw::As)) {
            if (is(Tok::String)) next();
            else parse_binding_identifier();
        }
        expect_kw(Kw::From, "from");
        module_name();
        expect_semicolon();
        finish(n);
        return n;
    }
    if (eat(Tok::LBrace)) {
        nd(n).op = static_cast<uint8_t>(ExportKind::Named);
        while (!is(Tok::RBrace) && !failed_) {
            if (is_kw(Kw::Type) && peek().kind != Tok::Comma && peek().kind != Tok::RBrace &&
                !(peek().kind == Tok::Ident && peek().kw == Kw::As)) {
                next();
            }
            if (!is(Tok::Ident) && !is(Tok::String)) {
                error_expected("an export specifier");
                return kNoNode;
            }
            next();
            if (eat_kw(Kw::As)) {
                if (!is(Tok::Ident) && !is(Tok::String)) {
                    error_expected("an export name");
                    return kNoNode;
                }
                next();
            }
            if (!eat(Tok::Comma)) break;
        }
        expect(Tok::RBrace);
        if (eat_kw(Kw::From)) module_name();
        expect_semicolon();
        finish(n);
        return n;
    }
    // export + declaration
    nd(n).op = static_cast<uint8_t>(ExportKind::Declaration);
    const uint32_t dstart = tok().start;
    NodeId d = kNoNode;
    if (is(Tok::At) || decorators.count > 0) {
        ListRef decs = is(Tok::At) ? parse_decorators() : decorators;
        uint32_t flags = 0;
        if (eat_kw(Kw::Abstract)) flags |= kFlagAbstract;
        d = parse_class(NodeKind::ClassDecl, dstart, flags, decs, true);
    } else if (is_kw(Kw::Var) || is_kw(Kw::Let) || is_kw(Kw::Const) || is_kw(Kw::Function) ||
               is_kw(Kw::Class) || is_kw(Kw::Async) || is_kw(Kw::Using) ||
               at_await_using_declaration() || is_kw(Kw::Enum) || is_kw(Kw::Declare) ||
               is_kw(Kw::Abstract) || is_kw(Kw::Interface) || is_kw(Kw::Type) ||
               is_kw(Kw::Namespace) || is_kw(Kw::Module)) {
        if (is_kw(Kw::Var)) {
            next();
            d = parse_var_decl(DeclKind::Var, dstart, false);
            expect_semicolon();
            finish(d);
        } else {
            d = parse_statement_list_item();
        }
    } else {
        error_expected("a declaration");
        return kNoNode;
    }
    nd(n).a = d;
    finish(n);
    return n;
}

}  // namespace corvane::parser
