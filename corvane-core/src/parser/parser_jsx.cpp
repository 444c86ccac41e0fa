// JSX elements and fragments (TSX mode), and the `<T,>(x) => x` generic arrow that TSX
// tells apart from an element by looking ahead.
#include "parser/parser_internal.h"

namespace corvane::parser {

bool Parser::at_generic_arrow_in_tsx() {
    // `<T,>(...)`, `<T extends U>(...)`, `<const T>(...)` start generic arrows; anything
    // else after `<` in expression position is JSX.
    Lexer::State s = lx_.save();
    const uint32_t pe = prev_end_;
    bool result = false;
    lx_.next();
    if (lx_.tok().kind == Tok::Ident) {
        const Kw first = lx_.tok().kw;
        lx_.next();
        const Token& t = lx_.tok();
        if (t.kind == Tok::Comma) {
            result = true;
        } else if (t.kind == Tok::Ident && t.kw == Kw::Extends) {
            lx_.next();
            const Tok k = lx_.tok().kind;
            result = !(k == Tok::Eq || k == Tok::Gt || k == Tok::Slash);
        } else if (first == Kw::Const && t.kind == Tok::Ident) {
            result = true;
        }
    }
    lx_.restore(s);
    prev_end_ = pe;
    return result;
}

NodeId Parser::parse_jsx_name() {
    // After `<` or `</` or in an attribute position; the current token was scanned in JSX
    // tag mode. Names: `a`, `a-b`, `a.b.c`, `ns:name`.
    const uint32_t start = tok().start;
    if (!is(Tok::Ident)) {
        error_expected("a JSX tag or attribute name");
        return kNoNode;
    }
    next(LexMode::JsxTag);
    if (is(Tok::Colon)) {
        next(LexMode::JsxTag);
        if (!is(Tok::Ident)) {
            error_expected("a name after ':'");
            return kNoNode;
        }
        next(LexMode::JsxTag);
    } else {
        while (is(Tok::Dot) && !failed_) {
            next(LexMode::JsxTag);
            if (!is(Tok::Ident)) {
                error_expected("a name after '.'");
                return kNoNode;
            }
            next(LexMode::JsxTag);
        }
    }
    NodeId n = mk(NodeKind::JsxName, start);
    nd(n).str = ast_.add_str(src_.substr(start, prev_end_ - start));
    return n;
}

NodeId Parser::parse_jsx_attribute_value() {
    const uint32_t start = tok().start;
    if (is(Tok::String)) {
        NodeId n = mk(NodeKind::StringLit, tok().start, tok().end);
        nd(n).str = ast_.add_str(tok().value);
        nd(n).str2 = ast_.add_str(src_.substr(tok().start, tok().end - tok().start));
        next(LexMode::JsxTag);
        return n;
    }
    if (is(Tok::LBrace)) {
        next();
        if (is(Tok::RBrace)) {
            error(tok().start, "JSX attributes must only be assigned a non-empty expression");
            return kNoNode;
        }
        bool saved = no_in_;
        no_in_ = false;
        NodeId e = parse_assignment();
        no_in_ = saved;
        if (!is(Tok::RBrace)) {
            error_expected("'}'");
            return kNoNode;
        }
        next(LexMode::JsxTag);
        NodeId n = mk(NodeKind::JsxExprContainer, start);
        nd(n).a = e;
        return n;
    }
    if (is(Tok::Lt)) return parse_jsx_element_or_fragment(false);
    error_expected("a JSX attribute value");
    return kNoNode;
}

NodeId Parser::parse_jsx_element_or_fragment(bool in_children) {
    DepthGuard guard(*this);
    if (!guard.ok) return kNoNode;
    // The current token is `<`. After the closing `>` the next token is scanned as JSX
    // text when this element is itself a child, else as ordinary code.
    const LexMode after = in_children ? LexMode::JsxChild : LexMode::Normal;
    const uint32_t start = tok().start;
    next(LexMode::JsxTag);
    NodeId name = kNoNode;
    size_t attr_mark = list_mark();
    bool fragment = false;
    if (is(Tok::Gt)) {
        fragment = true;
    } else {
        name = parse_jsx_name();
        if (failed_) return kNoNode;
        if (is(Tok::Lt) || is(Tok::Shl)) {
            // Type arguments on a JSX element: `<Select<string> value={v} />`.
            skip_type_arguments();
            lx_.rescan(LexMode::JsxTag);
        }
        while (!failed_ && !is(Tok::Gt) && !is(Tok::Slash)) {
            const uint32_t as = tok().start;
            if (is(Tok::LBrace)) {
                next();
                if (!eat(Tok::Ellipsis)) {
                    error_expected("'...' in a JSX spread attribute");
                    return kNoNode;
                }
                NodeId e = parse_assignment();
                if (!is(Tok::RBrace)) {
                    error_expected("'}'");
                    return kNoNode;
                }
                next(LexMode::JsxTag);
                NodeId sp = mk(NodeKind::JsxSpreadAttribute, as);
                nd(sp).a = e;
                push(sp);
                continue;
            }
            NodeId an = parse_jsx_name();
            if (failed_) return kNoNode;
            NodeId attr = mk(NodeKind::JsxAttribute, as);
            nd(attr).a = an;
            if (is(Tok::Eq)) {
                next(LexMode::JsxTag);
                nd(attr).b = parse_jsx_attribute_value();
                if (failed_) return kNoNode;
            }
            finish(attr);
            push(attr);
        }
    }
    ListRef attrs = list_from(attr_mark);
    NodeId el = mk(fragment ? NodeKind::JsxFragment : NodeKind::JsxElement, start);
    nd(el).a = name;
    nd(el).list = attrs;
    if (failed_) return kNoNode;
    if (is(Tok::Slash)) {
        if (fragment) {
            error_expected("'>'");
            return kNoNode;
        }
        next(LexMode::JsxTag);
        if (!is(Tok::Gt)) {
            error_expected("'>'");
            return kNoNode;
        }
        next(after);
        nd(el).flags |= kFlagSelfClosing;
        finish(el);
        return el;
    }
    // `>`: children follow.
    next(LexMode::JsxChild);
    size_t child_mark = list_mark();
    while (!failed_) {
        if (is(Tok::JsxText)) {
            NodeId t = mk(NodeKind::JsxText, tok().start, tok().end);
            nd(t).str = ast_.add_str(tok().value);
            push(t);
            next(LexMode::JsxChild);
            continue;
        }
        if (is(Tok::LBrace)) {
            const uint32_t cs = tok().start;
            next();
            NodeId c;
            if (is(Tok::Ellipsis)) {
                next();
                c = mk(NodeKind::JsxSpreadChild, cs);
                nd(c).a = parse_expression();
            } else {
                c = mk(NodeKind::JsxExprContainer, cs);
                if (!is(Tok::RBrace)) nd(c).a = parse_expression();
            }
            if (!is(Tok::RBrace)) {
                error_expected("'}'");
                return kNoNode;
            }
            next(LexMode::JsxChild);
            finish(c);
            push(c);
            continue;
        }
        if (is(Tok::Lt)) {
            // A child element, or the closing tag.
            Lexer::State s = lx_.save();
            const uint32_t pe = prev_end_;
            lx_.next(LexMode::JsxTag);
            const bool closing = is(Tok::Slash);
            lx_.restore(s);
            prev_end_ = pe;
            if (!closing) {
                NodeId child = parse_jsx_element_or_fragment(true);
                if (child == kNoNode) return kNoNode;
                push(child);
                continue;
            }
            next(LexMode::JsxTag);  // to '/'
            next(LexMode::JsxTag);
            if (fragment) {
                if (!is(Tok::Gt)) {
                    error_expected("'>' to close the JSX fragment");
                    return kNoNode;
                }
            } else {
                const uint32_t cn = tok().start;
                NodeId close = parse_jsx_name();
                if (failed_) return kNoNode;
                if (ast_.str(ast_[close].str) != ast_.str(ast_[name].str)) {
                    error(cn, cat({"Expected corresponding JSX closing tag for '", ast_.str(ast_[name].str), "'"}));
                    return kNoNode;
                }
                ast_.nodes.pop_back();  // the closing name node is not kept
                if (!is(Tok::Gt)) {
                    error_expected("'>'");
                    return kNoNode;
                }
            }
            next(after);
            break;
        }
        if (is(Tok::Eof)) {
            error(tok().start, fragment ? "Expected a closing tag for the JSX fragment but found end of file"
                                        : cat({"Expected corresponding JSX closing tag for '",
                                                   ast_.str(ast_[name].str), "'"}));
            return kNoNode;
        }
        error_expected("JSX children");
        return kNoNode;
    }
    nd(el).list2 = list_from(child_mark);
    finish(el);
    return el;
}

}  // namespace corvane::parser
