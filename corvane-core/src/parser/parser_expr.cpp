// Expressions: assignment, conditional, binary operators (precedence climbing without
// recursion per operator), unary chains, member/call chains with optional links, primary
// expressions, arrow functions and templates.
#include <algorithm>

#include "parser/parser_internal.h"

namespace corvane::parser {

namespace {

// Binary precedence levels; 0 means "not a binary operator".
enum Prec : uint8_t {
    kNone = 0,
    kNullish = 1,
    kOr = 2,
    kAnd = 3,
    kBitOr = 4,
    kBitXor = 5,
    kBitAnd = 6,
    kEquality = 7,
    kRelational = 8,
    kShift = 9,
    kAdditive = 10,
    kMultiplicative = 11,
    kExponent = 12,
};

struct BinInfo {
    Prec prec;
    bool logical;
    uint8_t op;
};

BinInfo binary_info(const Token& t, bool no_in) {
    switch (t.kind) {
        case Tok::QuestionQuestion: return {kNullish, true, uint8_t(LogicalOp::Nullish)};
        case Tok::PipePipe: return {kOr, true, uint8_t(LogicalOp::Or)};
        case Tok::AmpAmp: return {kAnd, true, uint8_t(LogicalOp::And)};
        case Tok::Pipe: return {kBitOr, false, uint8_t(BinaryOp::BitOr)};
        case Tok::Caret: return {kBitXor, false, uint8_t(BinaryOp::BitXor)};
        case Tok::Amp: return {kBitAnd, false, uint8_t(BinaryOp::BitAnd)};
        case Tok::EqEq: return {kEquality, false, uint8_t(BinaryOp::Eq)};
        case Tok::NotEq: return {kEquality, false, uint8_t(BinaryOp::NotEq)};
        case Tok::EqEqEq: return {kEquality, false, uint8_t(BinaryOp::StrictEq)};
        case Tok::NotEqEq: return {kEquality, false, uint8_t(BinaryOp::StrictNotEq)};
        case Tok::Lt: return {kRelational, false, uint8_t(BinaryOp::Lt)};
        case Tok::LtEq: return {kRelational, false, uint8_t(BinaryOp::LtEq)};
        case Tok::Gt: return {kRelational, false, uint8_t(BinaryOp::Gt)};
        case Tok::GtEq: return {kRelational, false, uint8_t(BinaryOp::GtEq)};
        case Tok::Shl: return {kShift, false, uint8_t(BinaryOp::Shl)};
        case Tok::Shr: return {kShift, false, uint8_t(BinaryOp::Shr)};
        case Tok::UShr: return {kShift, false, uint8_t(BinaryOp::UShr)};
        case Tok::Plus: return {kAdditive, false, uint8_t(BinaryOp::Add)};
        case Tok::Minus: return {kAdditive, false, uint8_t(BinaryOp::Sub)};
        case Tok::Star: return {kMultiplicative, false, uint8_t(BinaryOp::Mul)};
        case Tok::Slash: return {kMultiplicative, false, uint8_t(BinaryOp::Div)};
        case Tok::Percent: return {kMultiplicative, false, uint8_t(BinaryOp::Mod)};
        case Tok::StarStar: return {kExponent, false, uint8_t(BinaryOp::Exp)};
        case Tok::Ident:
            if (t.escaped) return {kNone, false, 0};
            if (t.kw == Kw::InstanceOf) return {kRelational, false, uint8_t(BinaryOp::InstanceOf)};
            if (t.kw == Kw::In && !no_in) return {kRelational, false, uint8_t(BinaryOp::In)};
            return {kNone, false, 0};
        default:
            return {kNone, false, 0};
    }
}

bool assign_op(Tok k, AssignOp& op) {
    switch (k) {
        case Tok::Eq: op = AssignOp::Assign; return true;
        case Tok::PlusEq: op = AssignOp::AddAssign; return true;
        case Tok::MinusEq: op = AssignOp::SubAssign; return true;
        case Tok::StarEq: op = AssignOp::MulAssign; return true;
        case Tok::SlashEq: op = AssignOp::DivAssign; return true;
        case Tok::PercentEq: op = AssignOp::ModAssign; return true;
        case Tok::StarStarEq: op = AssignOp::ExpAssign; return true;
        case Tok::AmpEq: op = AssignOp::BitAndAssign; return true;
        case Tok::PipeEq: op = AssignOp::BitOrAssign; return true;
        case Tok::CaretEq: op = AssignOp::BitXorAssign; return true;
        case Tok::ShlEq: op = AssignOp::ShlAssign; return true;
        case Tok::ShrEq: op = AssignOp::ShrAssign; return true;
        case Tok::UShrEq: op = AssignOp::UShrAssign; return true;
        case Tok::QuestionQuestionEq: op = AssignOp::NullishAssign; return true;
        case Tok::AmpAmpEq: op = AssignOp::AndAssign; return true;
        case Tok::PipePipeEq: op = AssignOp::OrAssign; return true;
        default: return false;
    }
}

}  // namespace

bool Parser::is_binary_operator_token() const {
    const Token& t = tok();
    if (binary_info(t, false).prec != kNone) return true;
    return t.kind == Tok::Ident && !t.escaped && (t.kw == Kw::As || t.kw == Kw::Satisfies);
}

bool Parser::is_start_of_expression() const {
    switch (kind()) {
        case Tok::Ident:
        case Tok::Number:
        case Tok::BigInt:
        case Tok::String:
        case Tok::Template:
        case Tok::TemplateHead:
        case Tok::LParen:
        case Tok::LBracket:
        case Tok::LBrace:
        case Tok::Plus:
        case Tok::Minus:
        case Tok::Bang:
        case Tok::Tilde:
        case Tok::PlusPlus:
        case Tok::MinusMinus:
        case Tok::Lt:
        case Tok::Slash:
        case Tok::SlashEq:
        case Tok::At:
        case Tok::PrivateName:
            return true;
        default:
            return false;
    }
}

NodeId Parser::parse_expression() {
    const uint32_t start = tok().start;
    NodeId first = parse_assignment();
    if (!is(Tok::Comma) || failed_) return first;
    size_t mark = list_mark();
    push(first);
    while (eat(Tok::Comma) && !failed_) push(parse_assignment());
    NodeId seq = mk(NodeKind::Sequence, start);
    nd(seq).list = list_from(mark);
    return seq;
}

bool Parser::is_simple_target(NodeId e) const {
    while (e != kNoNode) {
        const Node& n = ast_[e];
        switch (n.kind) {
            case NodeKind::Identifier:
            case NodeKind::Member:
            case NodeKind::Index:
                return true;
            case NodeKind::Paren:
            case NodeKind::AsExpr:
            case NodeKind::Satisfies:
            case NodeKind::NonNull:
                e = n.a;
                continue;
            default:
                return false;
        }
    }
    return false;
}

NodeId Parser::to_assign_target(NodeId e, bool top) {
    if (e == kNoNode || failed_) return kNoNode;
    Node& n = nd(e);
    switch (n.kind) {
        case NodeKind::Identifier:
        case NodeKind::Member:
        case NodeKind::Index:
            return e;
        case NodeKind::Paren:
        case NodeKind::AsExpr:
        case NodeKind::Satisfies:
        case NodeKind::NonNull:
            if (is_simple_target(e)) return e;
            break;
        case NodeKind::ArrayLit: {
            n.kind = NodeKind::ArrayPattern;
            auto items = ast_.list(n.list);
            for (size_t i = 0; i < items.size(); ++i) {
                NodeId item = items[i];
                if (item == kNoNode) continue;
                Node& in = nd(item);
                if (in.kind == NodeKind::Spread) {
                    if (i + 1 != items.size()) {
                        error(in.span.start, "A rest element must be last in a destructuring "
                                             "pattern");
                        return kNoNode;
                    }
                    in.kind = NodeKind::RestElement;
                    if (to_assign_target(in.a, false) == kNoNode) return kNoNode;
                    continue;
                }
                if (in.kind == NodeKind::Assign && in.op_as<AssignOp>() == AssignOp::Assign) {
                    in.kind = NodeKind::AssignPattern;
                    in.op = 0;
                    if (to_assign_target(in.a, false) == kNoNode) return kNoNode;
                    continue;
                }
                if (to_assign_target(item, false) == kNoNode) return kNoNode;
            }
            break;
        }
        case NodeKind::ObjectLit: {
            n.kind = NodeKind::ObjectPattern;
            auto items = ast_.list(n.list);
            for (size_t i = 0; i < items.size(); ++i) {
                Node& p = nd(items[i]);
                PropKind pk = p.op_as<PropKind>();
                if (pk == PropKind::Spread) {
                    if (i + 1 != items.size()) {
                        error(p.span.start, "A rest element must be last in a destructuring "
                                            "pattern");
                        return kNoNode;
                    }
                    if (!is_simple_target(p.b)) {
                        error(p.span.start, "Invalid rest element in an object pattern");
                        return kNoNode;
                    }
                    NodeId target = p.b;
                    p.kind = NodeKind::RestElement;
                    p.op = 0;
                    p.a = target;
                    p.b = kNoNode;
                    continue;
                }
                if (pk == PropKind::Shorthand) continue;  // Identifier or AssignPattern already
                if (pk != PropKind::Init) {
                    error(p.span.start, "Invalid destructuring assignment target");
                    return kNoNode;
                }
                NodeId v = p.b;
                Node& vn = nd(v);
                if (vn.kind == NodeKind::Assign && vn.op_as<AssignOp>() == AssignOp::Assign) {
                    vn.kind = NodeKind::AssignPattern;
                    vn.op = 0;
                    if (to_assign_target(vn.a, false) == kNoNode) return kNoNode;
                    continue;
                }
                if (to_assign_target(v, false) == kNoNode) return kNoNode;
            }
            break;
        }
        default:
            error(n.span.start, "Invalid left-hand side in assignment");
            return kNoNode;
    }
    if (n.kind != NodeKind::ArrayPattern && n.kind != NodeKind::ObjectPattern) {
        error(ast_[e].span.start, "Invalid left-hand side in assignment");
        return kNoNode;
    }
    if (top && !pending_cover_.empty()) {
        const Span sp = ast_[e].span;
        pending_cover_.erase(std::remove_if(pending_cover_.begin(), pending_cover_.end(),
                                            [&](uint32_t o) { return o >= sp.start && o < sp.end; }),
                             pending_cover_.end());
    }
    return e;
}

Parser::ArrowGuess Parser::guess_paren_arrow() {
    // At `(`: look at the next few tokens without building anything.
    Lexer::State s = lx_.save();
    const uint32_t pe = prev_end_;
    ArrowGuess g = ArrowGuess::No;
    lx_.next();
    const Token& t = lx_.tok();
    if (t.kind == Tok::RParen || t.kind == Tok::Ellipsis) {
        g = ArrowGuess::Yes;
    } else if (t.kind == Tok::LBracket || t.kind == Tok::LBrace) {
        g = ArrowGuess::Maybe;
    } else if (t.kind == Tok::At) {
        g = ArrowGuess::Yes;
    } else if (t.kind == Tok::Ident &&
               (t.kw == Kw::None || !is_reserved_word(t.kw) || t.kw == Kw::This)) {
        const Kw first_kw = t.kw;
        lx_.next();
        const Token& u = lx_.tok();
        switch (u.kind) {
            case Tok::Colon:
                g = ArrowGuess::Yes;
                break;
            case Tok::Comma:
            case Tok::Eq:
            case Tok::Question:
                g = ArrowGuess::Maybe;
                break;
            case Tok::RParen: {
                lx_.next();
                const Token& v = lx_.tok();
                if (v.kind == Tok::Arrow && !v.nl_before) g = ArrowGuess::Yes;
                else if (v.kind == Tok::Colon) g = ArrowGuess::Maybe;
                break;
            }
            case Tok::Ident:
                // Parameter-property-like modifiers are not allowed in arrows, but
                // `(public x)` can't be an expression either; let the arrow parse report.
                if (first_kw == Kw::Public || first_kw == Kw::Private ||
                    first_kw == Kw::Protected || first_kw == Kw::Readonly) {
                    g = ArrowGuess::Maybe;
                }
                break;
            default:
                break;
        }
    }
    lx_.restore(s);
    prev_end_ = pe;
    return g;
}

NodeId Parser::parse_arrow_after_params(NodeId fn, uint32_t flags) {
    // After the parameter list: optional return type, `=>`, body.
    bool had_return_type = false;
    const bool cond = in_cond_consequent_;
    if (is(Tok::Colon)) {
        next();
        skip_return_type();
        had_return_type = true;
    }
    if (!is(Tok::Arrow)) {
        error_expected("'=>'");
        return kNoNode;
    }
    if (tok().nl_before) {
        error(tok().start, "Line break not permitted before '=>'");
        return kNoNode;
    }
    next();
    in_cond_consequent_ = false;
    parse_arrow_body(fn, flags);
    in_cond_consequent_ = cond;
    if (cond && had_return_type && !is(Tok::Colon) && speculating_ > 0) {
        // `a ? (b): c => d` without a following `:` means (b) was the consequent.
        error(tok().start, "Expected ':' after a conditional arrow function");
        return kNoNode;
    }
    finish(fn);
    return fn;
}

NodeId Parser::parse_arrow_body(NodeId fn, uint32_t flags) {
    nd(fn).flags |= flags;
    if (is(Tok::LBrace)) {
        parse_function_body(fn, flags);
        return fn;
    }
    FnContext saved = fn_;
    fn_ = FnContext{};
    fn_.in_function = true;
    fn_.top_level = false;
    fn_.is_async = (flags & kFlagAsync) != 0;
    nd(fn).flags |= kFlagExprBody;
    nd(fn).b = parse_assignment();
    fn_ = std::move(saved);
    return fn;
}

NodeId Parser::try_parse_paren_arrow(uint32_t start, uint32_t flags) {
    // Parses `(params) [: T] => body` from the current `(` (or `<` of type parameters).
    NodeId fn = mk(NodeKind::Arrow, start);
    if (is(Tok::Lt)) skip_type_parameters();
    {
        FnContext saved = fn_;
        fn_.is_async = (flags & kFlagAsync) != 0;
        fn_.is_generator = false;
        fn_.in_function = true;
        fn_.top_level = false;
        bool cond = in_cond_consequent_;
        in_cond_consequent_ = false;
        nd(fn).list = parse_params(false);
        in_cond_consequent_ = cond;
        fn_ = saved;
    }
    if (failed_) return kNoNode;
    return parse_arrow_after_params(fn, flags);
}

[[gnu::noinline]] NodeId Parser::try_arrow_at(uint32_t start) {
    // Returns kNoNode without consuming anything when no arrow function starts here.
    if (is(Tok::LParen) && !not_arrow_.contains(start)) {
        ArrowGuess g = guess_paren_arrow();
        if (g == ArrowGuess::Yes && !in_cond_consequent_) return try_parse_paren_arrow(start, 0);
        if (g != ArrowGuess::No) {
            Speculation spec(*this);
            NodeId a = try_parse_paren_arrow(start, 0);
            if (spec.finish() && a != kNoNode) return a;
            if (g == ArrowGuess::Yes) return try_parse_paren_arrow(start, 0);
            not_arrow_.insert(start);
        }
    } else if (is(Tok::Lt) && at_generic_arrow_in_tsx()) {
        return try_parse_paren_arrow(start, 0);
    } else if (is_kw(Kw::Async)) {
        return parse_async_prefixed();
    }
    return kNoNode;

}

NodeId Parser::parse_assignment() {
    DepthGuard guard(*this);
    if (!guard.ok) return kNoNode;
    const uint32_t start = tok().start;

    if (is_kw(Kw::Yield) && fn_.is_generator) return parse_yield();

    // Arrow functions start at assignment level.
    if (is(Tok::LParen) || is(Tok::Lt) || is_kw(Kw::Async)) {
        NodeId a = try_arrow_at(start);
        if (a != kNoNode || failed_) return a;
    }

    NodeId left = parse_binary();
    if (failed_) return kNoNode;
    if (is(Tok::Question)) left = parse_conditional_rest(left, start);
    if (failed_) return kNoNode;

    // `x => body`
    if (is(Tok::Arrow) && ast_[left].kind == NodeKind::Identifier && ast_[left].span.start == start &&
        prev_end_ == ast_[left].span.end) {
        if (tok().nl_before) {
            error(tok().start, "Line break not permitted before '=>'");
            return kNoNode;
        }
        const Token& t = tok();
        (void)t;
        NodeId fn = mk(NodeKind::Arrow, start);
        NodeId param = mk(NodeKind::Param, start, ast_[left].span.end);
        nd(param).a = left;
        size_t mark = list_mark();
        push(param);
        nd(fn).list = list_from(mark);
        next();
        parse_arrow_body(fn, 0);
        finish(fn);
        return fn;
    }

    AssignOp op;
    if (is(Tok::Gt)) lx_.rescan_greater();
    if (assign_op(kind(), op)) {
        if (op == AssignOp::Assign) {
            left = to_assign_target(left, true);
            if (left == kNoNode) return kNoNode;
        } else if (!is_simple_target(left)) {
            error(ast_[left].span.start, "Invalid left-hand side in assignment");
            return kNoNode;
        }
        next();
        NodeId right = parse_assignment();
        NodeId n = mk(NodeKind::Assign, start);
        nd(n).op = static_cast<uint8_t>(op);
        nd(n).a = left;
        nd(n).b = right;
        return n;
    }
    return left;
}

NodeId Parser::parse_async_prefixed() {
    // At `async`: `async x => ...`, `async (x) => ...`, `async <T>(x) => ...`. Returns
    // kNoNode (without consuming anything) when it is something else.
    if (tok().escaped) return kNoNode;
    const uint32_t start = tok().start;
    Peek p = peek();
    if (p.nl_before) return kNoNode;
    if (p.kind == Tok::Ident && p.kw != Kw::Function) {
        // `async x => ...`
        Lexer::State s = lx_.save();
        uint32_t pe = prev_end_;
        next();
        next();
        bool arrow = is(Tok::Arrow) && !tok().nl_before;
        lx_.restore(s);
        prev_end_ = pe;
        if (!arrow) return kNoNode;
        next();  // async
        NodeId fn = mk(NodeKind::Arrow, start);
        const uint32_t ps = tok().start;
        FnContext saved = fn_;
        fn_.is_async = true;
        fn_.in_function = true;
        NodeId id = parse_binding_identifier();
        fn_ = saved;
        NodeId param = mk(NodeKind::Param, ps);
        nd(param).a = id;
        size_t mark = list_mark();
        push(param);
        nd(fn).list = list_from(mark);
        next();  // =>
        parse_arrow_body(fn, kFlagAsync);
        finish(fn);
        return fn;
    }
    if (p.kind == Tok::LParen || p.kind == Tok::Lt) {
        if (not_arrow_.contains(start)) return kNoNode;
        Speculation spec(*this);
        next();  // async
        NodeId a = try_parse_paren_arrow(start, kFlagAsync);
        if (spec.finish() && a != kNoNode) return a;
        not_arrow_.insert(start);
        return kNoNode;
    }
    return kNoNode;
}

NodeId Parser::parse_yield() {
    const uint32_t start = tok().start;
    next();
    NodeId y = mk(NodeKind::Yield, start);
    if (!tok().nl_before) {
        if (eat(Tok::Star)) {
            nd(y).flags |= kFlagDelegate;
            nd(y).a = parse_assignment();
        } else if (is_start_of_expression() && !is_kw(Kw::In) && !is_kw(Kw::Of) &&
                   !is_kw(Kw::InstanceOf)) {
            nd(y).a = parse_assignment();
        }
    }
    finish(y);
    return y;
}

NodeId Parser::parse_conditional_rest(NodeId test, uint32_t start) {
    next();  // ?
    bool saved_no_in = no_in_;
    no_in_ = false;
    bool saved_cond = in_cond_consequent_;
    in_cond_consequent_ = true;
    NodeId cons = parse_assignment();
    in_cond_consequent_ = saved_cond;
    no_in_ = saved_no_in;
    expect(Tok::Colon);
    NodeId alt = parse_assignment();
    NodeId n = mk(NodeKind::Conditional, start);
    nd(n).a = test;
    nd(n).b = cons;
    nd(n).c = alt;
    return n;
}

NodeId Parser::parse_binary() {
    // Operators waiting for their right operand, lowest precedence first, kept on a stack
    // shared with nested calls (no recursion per operator).
    const size_t base = binary_stack_.size();
    NodeId operand = parse_unary();
    if (failed_) return kNoNode;
    auto reduce = [&]() -> bool {
        PendingBinary p = binary_stack_.back();
        binary_stack_.pop_back();
        const Node& l = ast_[p.left];
        const Node& r = ast_[operand];
        if (p.logical) {
            // `??` cannot be mixed with `&&` / `||` without parentheses.
            LogicalOp op = static_cast<LogicalOp>(p.op);
            auto mixes = [&](const Node& side) {
                if (side.kind != NodeKind::Logical) return false;
                bool side_nullish = side.op_as<LogicalOp>() == LogicalOp::Nullish;
                return side_nullish != (op == LogicalOp::Nullish);
            };
            if (mixes(l) || mixes(r)) {
                error(p.op_pos, "'?\?' cannot be mixed with '&&' or '||' without parentheses");
                return false;
            }
        }
        NodeId n = mk(p.logical ? NodeKind::Logical : NodeKind::Binary, p.start);
        nd(n).op = p.op;
        nd(n).a = p.left;
        nd(n).b = operand;
        operand = n;
        return true;
    };
    auto top_prec = [&]() { return binary_stack_.size() > base ? binary_stack_.back().prec : 0; };
    size_t chain = 0;
    while (!failed_) {
        if (is(Tok::Gt)) lx_.rescan_greater();
        const Token& t = tok();
        if (t.kind == Tok::Ident && !t.escaped && (t.kw == Kw::As || t.kw == Kw::Satisfies) &&
            !t.nl_before) {
            // `x as T` / `x satisfies T` bind like relational operators.
            while (top_prec() >= kRelational) {
                if (!reduce()) break;
            }
            if (failed_) break;
            const bool is_as = t.kw == Kw::As;
            const uint32_t s = ast_[operand].span.start;
            next();
            NodeId w = mk(is_as ? NodeKind::AsExpr : NodeKind::Satisfies, s);
            if (is_as && is_kw(Kw::Const)) {
                next();
                nd(w).flags |= kFlagConst;
            } else {
                skip_type();
            }
            nd(w).a = operand;
            finish(w);
            operand = w;
            continue;
        }
        BinInfo info = binary_info(t, no_in_);
        if (info.prec == kNone) break;
        if (info.prec == kExponent) {
            const Node& l = ast_[operand];
            if (l.kind == NodeKind::Unary || l.kind == NodeKind::Await) {
                error(t.start, "Unary operator used immediately before exponentiation expression; "
                               "parentheses must be used to disambiguate operator precedence");
                break;
            }
        }
        if (++chain > kMaxOperatorChain) {
            error(t.start, "Expression too long: more than " + std::to_string(kMaxOperatorChain) +
                               " binary operators in one expression");
            break;
        }
        while (top_prec() > info.prec || (top_prec() == info.prec && info.prec != kExponent)) {
            if (!reduce()) break;
        }
        if (failed_) break;
        binary_stack_.push_back({info.prec, info.logical, info.op, operand,
                                 ast_[operand].span.start, t.start});
        next();
        operand = parse_unary();
    }
    while (binary_stack_.size() > base && !failed_) {
        if (!reduce()) break;
    }
    binary_stack_.resize(base);
    return failed_ ? kNoNode : operand;
}

NodeId Parser::parse_unary() {
    // Prefix operators are collected iteratively on a shared stack; the operand is parsed
    // once.
    const size_t base = prefix_stack_.size();
    size_t count = 0;
    while (!failed_) {
        const Token& t = tok();
        bool is_prefix = false;
        switch (t.kind) {
            case Tok::Plus:
            case Tok::Minus:
            case Tok::Bang:
            case Tok::Tilde:
            case Tok::PlusPlus:
            case Tok::MinusMinus:
                is_prefix = true;
                break;
            case Tok::Ident:
                if (t.escaped) break;
                if (t.kw == Kw::Typeof || t.kw == Kw::Void || t.kw == Kw::Delete) {
                    is_prefix = true;
                } else if (t.kw == Kw::Await && (fn_.is_async || !fn_.in_function)) {
                    is_prefix = fn_.in_function || top_level_await_is_operator();
                }
                break;
            default:
                break;
        }
        if (!is_prefix) break;
        if (count >= kMaxNestingDepth) {
            too_deep();
            break;
        }
        prefix_stack_.push_back({t.kind, t.kw, t.start});
        ++count;
        next();
    }
    NodeId operand = failed_ ? kNoNode : parse_postfix();
    if (failed_) {
        prefix_stack_.resize(base);
        return kNoNode;
    }
    for (size_t i = count; i-- > 0;) {
        const PendingPrefix p = prefix_stack_[base + i];
        NodeId n;
        if (p.kind == Tok::PlusPlus || p.kind == Tok::MinusMinus) {
            if (!is_simple_target(operand)) {
                error(ast_[operand].span.start, "Invalid left-hand side expression in prefix "
                                                "operation");
                prefix_stack_.resize(base);
                return kNoNode;
            }
            n = mk(NodeKind::Update, p.start);
            nd(n).op = uint8_t(p.kind == Tok::PlusPlus ? UpdateOp::Increment : UpdateOp::Decrement);
            nd(n).flags |= kFlagPrefix;
        } else if (p.kind == Tok::Ident && p.kw == Kw::Await) {
            n = mk(NodeKind::Await, p.start);
        } else {
            n = mk(NodeKind::Unary, p.start);
            UnaryOp op = UnaryOp::Neg;
            switch (p.kind) {
                case Tok::Plus: op = UnaryOp::Plus; break;
                case Tok::Minus: op = UnaryOp::Neg; break;
                case Tok::Bang: op = UnaryOp::Not; break;
                case Tok::Tilde: op = UnaryOp::BitNot; break;
                default:
                    op = p.kw == Kw::Typeof ? UnaryOp::Typeof
                         : p.kw == Kw::Void ? UnaryOp::Void
                                            : UnaryOp::Delete;
            }
            nd(n).op = uint8_t(op);
        }
        nd(n).a = operand;
        operand = n;
    }
    prefix_stack_.resize(base);
    return operand;
}

[[gnu::noinline]] bool Parser::top_level_await_is_operator() {
    // Top level: `await` is an operator when an operand follows.
    Peek p = peek();
    return !(p.kind == Tok::Semi || p.kind == Tok::RParen || p.kind == Tok::RBracket ||
             p.kind == Tok::RBrace || p.kind == Tok::Comma || p.kind == Tok::Eof ||
             p.kind == Tok::Colon || p.kind == Tok::Eq || p.kind == Tok::Arrow ||
             p.kind == Tok::Dot);
}

NodeId Parser::parse_postfix() {
    const uint32_t start = tok().start;
    NodeId e = parse_lhs();
    if (failed_) return kNoNode;
    if ((is(Tok::PlusPlus) || is(Tok::MinusMinus)) && !tok().nl_before) {
        if (!is_simple_target(e)) {
            error(ast_[e].span.start, "Invalid left-hand side expression in postfix operation");
            return kNoNode;
        }
        UpdateOp op = is(Tok::PlusPlus) ? UpdateOp::Increment : UpdateOp::Decrement;
        next();
        NodeId n = mk(NodeKind::Update, start);
        nd(n).op = uint8_t(op);
        nd(n).a = e;
        return n;
    }
    return e;
}

NodeId Parser::parse_lhs() {
    const uint32_t start = tok().start;
    NodeId e;
    if (is_kw(Kw::New)) {
        e = parse_new();
    } else if (is_kw(Kw::Super)) {
        e = mk(NodeKind::Super, start, tok().end);
        next();
        if (!is(Tok::LParen) && !is(Tok::Dot) && !is(Tok::LBracket)) {
            error_expected("'(', '.' or '[' after 'super'");
            return kNoNode;
        }
    } else if (is_kw(Kw::Import)) {
        next();
        if (eat(Tok::Dot)) {
            if (!is_kw(Kw::Meta)) {
                error_expected("'meta'");
                return kNoNode;
            }
            next();
            e = mk(NodeKind::MetaProperty, start);
            nd(e).op = uint8_t(MetaKind::ImportMeta);
        } else if (is(Tok::LParen)) {
            next();
            bool saved = no_in_;
            no_in_ = false;
            NodeId spec = parse_assignment();
            NodeId opts = kNoNode;
            if (eat(Tok::Comma) && !is(Tok::RParen)) {
                opts = parse_assignment();
                eat(Tok::Comma);
            }
            no_in_ = saved;
            expect(Tok::RParen);
            e = mk(NodeKind::ImportCall, start);
            nd(e).a = spec;
            nd(e).b = opts;
        } else {
            error_expected("'(' or '.' after 'import'");
            return kNoNode;
        }
    } else {
        e = parse_primary();
    }
    if (failed_) return kNoNode;
    return parse_call_tail(e, start, false);
}

NodeId Parser::parse_new() {
    DepthGuard guard(*this);
    if (!guard.ok) return kNoNode;
    const uint32_t start = tok().start;
    next();  // new
    if (eat(Tok::Dot)) {
        if (!is_kw(Kw::Target)) {
            error_expected("'target'");
            return kNoNode;
        }
        if (!fn_.in_function) {
            error(start, "'new.target' can only be used inside functions");
            return kNoNode;
        }
        next();
        NodeId m = mk(NodeKind::MetaProperty, start);
        nd(m).op = uint8_t(MetaKind::NewTarget);
        return m;
    }
    const uint32_t cstart = tok().start;
    NodeId callee;
    if (is_kw(Kw::New)) {
        callee = parse_new();
    } else if (is_kw(Kw::Super)) {
        callee = mk(NodeKind::Super, cstart, tok().end);
        next();
    } else if (is_kw(Kw::Import)) {
        error(cstart, "Cannot use 'new' with an import expression");
        return kNoNode;
    } else {
        callee = parse_primary();
    }
    if (failed_) return kNoNode;
    callee = parse_call_tail(callee, cstart, true);
    if (failed_) return kNoNode;
    NodeId n = mk(NodeKind::New, start);
    nd(n).a = callee;
    if (is(Tok::LParen)) {
        nd(n).list = parse_arguments();
        nd(n).flags |= kFlagHasArgs;
    }
    finish(n);
    return n;
}

ListRef Parser::parse_arguments() {
    expect(Tok::LParen);
    bool saved = no_in_;
    no_in_ = false;
    bool saved_cond = in_cond_consequent_;
    in_cond_consequent_ = false;
    size_t mark = list_mark();
    while (!is(Tok::RParen) && !failed_) {
        if (is(Tok::Ellipsis)) {
            const uint32_t s = tok().start;
            next();
            NodeId arg = parse_assignment();
            NodeId sp = mk(NodeKind::Spread, s);
            nd(sp).a = arg;
            push(sp);
        } else {
            push(parse_assignment());
        }
        if (!is(Tok::RParen) && !eat(Tok::Comma)) {
            error_expected("',' or ')'");
            break;
        }
    }
    in_cond_consequent_ = saved_cond;
    no_in_ = saved;
    ListRef r = list_from(mark);
    expect(Tok::RParen);
    return r;
}

bool Parser::try_type_arguments_in_expression() {
    // `f<T>(x)`, `f<T>` (instantiation), `` f<T>`x` ``. Succeeds only when the closing `>`
    // stands alone and the following token can follow type arguments.
    Speculation spec(*this);
    lx_.rescan_less_than();
    skip_type_arguments();
    if (!failed_) {
        char after = prev_end_ < src_.size() ? src_[prev_end_] : '\0';
        if (after == '=' || after == '>') {
            failed_ = true;
        } else {
            switch (kind()) {
                case Tok::LParen:
                case Tok::Template:
                case Tok::TemplateHead:
                    break;
                case Tok::Lt:
                case Tok::Gt:
                case Tok::Plus:
                case Tok::Minus:
                    failed_ = true;
                    break;
                default:
                    if (!(tok().nl_before || is_binary_operator_token() || !is_start_of_expression())) {
                        failed_ = true;
                    }
            }
        }
    }
    return spec.finish();
}

NodeId Parser::parse_call_tail(NodeId e, uint32_t start, bool no_call) {
    // Every link (`.x`, `?.x`, `[i]`, `(args)`, a tagged template, `!`, `<T>`) wraps the
    // expression so far in one more tree level, and the lowering and the compiler recurse
    // once per level. Links therefore count toward the nesting depth for as long as the
    // chain is being built (arguments and indexes inside it included), so a chain is as
    // bounded as any other nesting.
    const uint32_t depth_at_entry = depth_;
    struct RestoreDepth {
        Parser& p;
        uint32_t depth;
        ~RestoreDepth() { p.depth_ = depth; }
    } restore{*this, depth_at_entry};
    bool in_chain = false;
    NodeId last = e;
    while (!failed_) {
        if (e != last) {
            last = e;
            if (++depth_ > kMaxNestingDepth) {
                too_deep();
                return kNoNode;
            }
        }
        switch (kind()) {
            case Tok::Dot: {
                next();
                NodeId prop;
                if (is(Tok::PrivateName)) {
                    if (!in_class_) {
                        error(tok().start, "Private names are only allowed inside class bodies");
                        return kNoNode;
                    }
                    prop = mk(NodeKind::PrivateName, tok().start, tok().end);
                    nd(prop).str = ast_.add_str(tok().value);
                    next();
                } else if (is(Tok::Ident)) {
                    prop = ident_from_token();
                } else {
                    error_expected("a property name after '.'");
                    return kNoNode;
                }
                NodeId m = mk(NodeKind::Member, start);
                nd(m).a = e;
                nd(m).b = prop;
                e = m;
                continue;
            }
            case Tok::QuestionDot: {
                if (no_call) {
                    error(tok().start, "Invalid optional chain from new expression");
                    return kNoNode;
                }
                if (in_decorator_) break;
                next();
                in_chain = true;
                if (is(Tok::LParen)) {
                    ListRef args = parse_arguments();
                    NodeId c = mk(NodeKind::Call, start);
                    nd(c).a = e;
                    nd(c).list = args;
                    nd(c).flags |= kFlagOptional;
                    e = c;
                } else if (is(Tok::LBracket)) {
                    next();
                    bool saved = no_in_;
                    no_in_ = false;
                    NodeId idx = parse_expression();
                    no_in_ = saved;
                    expect(Tok::RBracket);
                    NodeId m = mk(NodeKind::Index, start);
                    nd(m).a = e;
                    nd(m).b = idx;
                    nd(m).flags |= kFlagOptional;
                    e = m;
                } else if (is(Tok::Lt) || is(Tok::Shl)) {
                    if (!try_type_arguments_in_expression() || !is(Tok::LParen)) {
                        error_expected("'(' after type arguments");
                        return kNoNode;
                    }
                    ListRef args = parse_arguments();
                    NodeId c = mk(NodeKind::Call, start);
                    nd(c).a = e;
                    nd(c).list = args;
                    nd(c).flags |= kFlagOptional;
                    e = c;
                } else if (is(Tok::Ident) || is(Tok::PrivateName)) {
                    NodeId prop;
                    if (is(Tok::PrivateName)) {
                        if (!in_class_) {
                            error(tok().start, "Private names are only allowed inside class bodies");
                            return kNoNode;
                        }
                        prop = mk(NodeKind::PrivateName, tok().start, tok().end);
                        nd(prop).str = ast_.add_str(tok().value);
                        next();
                    } else {
                        prop = ident_from_token();
                    }
                    NodeId m = mk(NodeKind::Member, start);
                    nd(m).a = e;
                    nd(m).b = prop;
                    nd(m).flags |= kFlagOptional;
                    e = m;
                } else if (is(Tok::Template) || is(Tok::TemplateHead)) {
                    error(tok().start, "Tagged template expressions are not permitted in an "
                                       "optional chain");
                    return kNoNode;
                } else {
                    error_expected("a property name, '[' or '(' after '?.'");
                    return kNoNode;
                }
                continue;
            }
            case Tok::LBracket: {
                if (in_decorator_) break;
                next();
                bool saved = no_in_;
                no_in_ = false;
                bool saved_cond = in_cond_consequent_;
                in_cond_consequent_ = false;
                NodeId idx = parse_expression();
                in_cond_consequent_ = saved_cond;
                no_in_ = saved;
                expect(Tok::RBracket);
                NodeId m = mk(NodeKind::Index, start);
                nd(m).a = e;
                nd(m).b = idx;
                e = m;
                continue;
            }
            case Tok::LParen: {
                if (no_call) break;
                ListRef args = parse_arguments();
                NodeId c = mk(NodeKind::Call, start);
                nd(c).a = e;
                nd(c).list = args;
                e = c;
                continue;
            }
            case Tok::Template:
            case Tok::TemplateHead: {
                if (in_chain) {
                    error(tok().start, "Tagged template expressions are not permitted in an "
                                       "optional chain");
                    return kNoNode;
                }
                NodeId tpl = parse_template(true);
                NodeId t = mk(NodeKind::TaggedTemplate, start);
                nd(t).a = e;
                nd(t).b = tpl;
                e = t;
                continue;
            }
            case Tok::Bang: {
                if (tok().nl_before) break;
                next();
                NodeId n = mk(NodeKind::NonNull, start);
                nd(n).a = e;
                e = n;
                continue;
            }
            case Tok::Lt:
            case Tok::Shl: {
                if (in_heritage_) break;
                if (!try_type_arguments_in_expression()) break;
                if (is(Tok::LParen) && !no_call) {
                    ListRef args = parse_arguments();
                    NodeId c = mk(NodeKind::Call, start);
                    nd(c).a = e;
                    nd(c).list = args;
                    e = c;
                } else if (is(Tok::LParen) && no_call) {
                    // `new C<T>(...)`: the caller reads the arguments.
                    if (in_chain) e = [&] {
                        NodeId ch = mk(NodeKind::Chain, start);
                        nd(ch).a = e;
                        return ch;
                    }();
                    return e;
                } else if (!(is(Tok::Template) || is(Tok::TemplateHead))) {
                    NodeId n = mk(NodeKind::Instantiation, start);
                    nd(n).a = e;
                    e = n;
                }
                continue;
            }
            default:
                break;
        }
        break;
    }
    if (!failed_ && e != last && ++depth_ > kMaxNestingDepth) {
        too_deep();
        return kNoNode;
    }
    if (in_chain) {
        NodeId ch = mk(NodeKind::Chain, start);
        nd(ch).a = e;
        e = ch;
    }
    return e;
}

NodeId Parser::parse_primary() {
    const Token& t = tok();
    const uint32_t start = t.start;
    switch (t.kind) {
        case Tok::Ident: {
            if (!t.escaped) {
                switch (t.kw) {
                    case Kw::This:
                        next();
                        return mk(NodeKind::This, start);
                    case Kw::Null:
                        next();
                        return mk(NodeKind::NullLit, start);
                    case Kw::True:
                    case Kw::False: {
                        bool v = t.kw == Kw::True;
                        next();
                        NodeId n = mk(NodeKind::BoolLit, start);
                        if (v) nd(n).flags |= kFlagTrue;
                        return n;
                    }
                    case Kw::Function:
                        return parse_function(NodeKind::FunctionExpr, start, 0, false);
                    case Kw::Class:
                        return parse_class(NodeKind::ClassExpr, start, 0, {}, false);
                    case Kw::Async: {
                        Peek p = peek();
                        if (p.kind == Tok::Ident && p.kw == Kw::Function && !p.nl_before) {
                            next();
                            return parse_function(NodeKind::FunctionExpr, start, kFlagAsync, false);
                        }
                        break;
                    }
                    case Kw::New:
                        return parse_new();
                    default:
                        if (is_reserved_word(t.kw)) {
                            error_expected("an expression");
                            return kNoNode;
                        }
                        if (t.kw == Kw::Yield && fn_.is_generator) {
                            error(start, "'yield' expressions must be parenthesized here");
                            return kNoNode;
                        }
                        break;
                }
            }
            return ident_from_token();
        }
        case Tok::Number:
        case Tok::BigInt:
        case Tok::String:
            return literal_from_token();
        case Tok::Template:
        case Tok::TemplateHead:
            return parse_template(false);
        case Tok::Slash:
        case Tok::SlashEq: {
            lx_.rescan_regex();
            if (failed_) return kNoNode;
            NodeId n = mk(NodeKind::RegExpLit, tok().start, tok().end);
            nd(n).str = ast_.add_str(tok().value);
            nd(n).str2 = ast_.add_str(tok().value2);
            next();
            return n;
        }
        case Tok::LBracket:
            return parse_array_literal();
        case Tok::LBrace:
            return parse_object_literal();
        case Tok::LParen: {
            next();
            bool saved = no_in_;
            no_in_ = false;
            bool saved_cond = in_cond_consequent_;
            in_cond_consequent_ = false;
            NodeId inner = parse_expression();
            in_cond_consequent_ = saved_cond;
            no_in_ = saved;
            expect(Tok::RParen);
            NodeId n = mk(NodeKind::Paren, start);
            nd(n).a = inner;
            return n;
        }
        case Tok::Lt:
            return parse_jsx_element_or_fragment(false);
        case Tok::At: {
            ListRef decorators = parse_decorators();
            if (!is_kw(Kw::Class)) {
                error_expected("'class' after decorators");
                return kNoNode;
            }
            return parse_class(NodeKind::ClassExpr, start, 0, decorators, false);
        }
        case Tok::PrivateName: {
            // `#x in obj`
            if (!in_class_) {
                error(start, "Private names are only allowed inside class bodies");
                return kNoNode;
            }
            NodeId n = mk(NodeKind::PrivateName, t.start, t.end);
            nd(n).str = ast_.add_str(t.value);
            next();
            if (!is_kw(Kw::In) || no_in_) {
                error_expected("'in' after a private name");
                return kNoNode;
            }
            return n;
        }
        default:
            break;
    }
    error_expected("an expression");
    return kNoNode;
}

NodeId Parser::parse_array_literal() {
    const uint32_t start = tok().start;
    next();  // [
    bool saved = no_in_;
    no_in_ = false;
    bool saved_cond = in_cond_consequent_;
    in_cond_consequent_ = false;
    size_t mark = list_mark();
    while (!is(Tok::RBracket) && !failed_) {
        if (is(Tok::Comma)) {
            next();
            push(kNoNode);
            continue;
        }
        if (is(Tok::Ellipsis)) {
            const uint32_t s = tok().start;
            next();
            NodeId arg = parse_assignment();
            NodeId sp = mk(NodeKind::Spread, s);
            nd(sp).a = arg;
            push(sp);
        } else {
            push(parse_assignment());
        }
        if (!is(Tok::RBracket) && !eat(Tok::Comma)) {
            error_expected("',' or ']'");
            break;
        }
    }
    in_cond_consequent_ = saved_cond;
    no_in_ = saved;
    ListRef items = list_from(mark);
    expect(Tok::RBracket);
    NodeId n = mk(NodeKind::ArrayLit, start);
    nd(n).list = items;
    return n;
}

NodeId Parser::parse_object_literal() {
    const uint32_t start = tok().start;
    next();  // {
    bool saved = no_in_;
    no_in_ = false;
    bool saved_cond = in_cond_consequent_;
    in_cond_consequent_ = false;
    size_t mark = list_mark();
    while (!is(Tok::RBrace) && !failed_) {
        const uint32_t ps = tok().start;
        NodeId p = mk(NodeKind::Property, ps);
        if (is(Tok::Ellipsis)) {
            next();
            nd(p).op = uint8_t(PropKind::Spread);
            nd(p).b = parse_assignment();
            finish(p);
            push(p);
            if (!is(Tok::RBrace)) expect(Tok::Comma);
            continue;
        }
        uint32_t fn_flags = 0;
        PropKind pk = PropKind::Init;
        auto next_is_key = [&](bool allow_star) {
            Peek q = peek();
            return (q.kind == Tok::Ident || q.kind == Tok::String || q.kind == Tok::Number ||
                    q.kind == Tok::BigInt || q.kind == Tok::LBracket || q.kind == Tok::PrivateName ||
                    (allow_star && q.kind == Tok::Star)) &&
                   !(allow_star && q.nl_before);
        };
        if (is_kw(Kw::Async) && next_is_key(true)) {
            next();
            fn_flags |= kFlagAsync;
            pk = PropKind::Method;
        }
        if (eat(Tok::Star)) {
            fn_flags |= kFlagGenerator;
            pk = PropKind::Method;
        }
        if (pk == PropKind::Init && (is_kw(Kw::Get) || is_kw(Kw::Set)) && next_is_key(false)) {
            pk = is_kw(Kw::Get) ? PropKind::Getter : PropKind::Setter;
            next();
        }
        struct {
            Kw kw;
            uint32_t start, end;
        } const key_tok{tok().kw, tok().start, tok().end};
        const bool key_is_ident = is(Tok::Ident);
        uint32_t flags = 0;
        NodeId key = parse_property_key(flags);
        if (failed_) return kNoNode;
        if (ast_[key].kind == NodeKind::PrivateName) {
            error(ast_[key].span.start, "Private names are not allowed in object literals");
            return kNoNode;
        }
        nd(p).a = key;
        nd(p).flags |= flags & kFlagComputed;
        if (is(Tok::LParen) || is(Tok::Lt)) {
            if (pk == PropKind::Init) pk = PropKind::Method;
            NodeId fn = mk(NodeKind::FunctionExpr, tok().start);
            parse_function_rest(fn, fn_flags, false, false);
            nd(p).b = fn;
        } else if (pk != PropKind::Init) {
            error_expected("'('");
            return kNoNode;
        } else if (eat(Tok::Colon)) {
            nd(p).b = parse_assignment();
        } else if (key_is_ident && !(flags & kFlagComputed)) {
            if (key_tok.kw != Kw::None && is_reserved_word(key_tok.kw) && key_tok.kw != Kw::This) {
                error(key_tok.start, cat({"Expected ':' after reserved word '",
                                          src_.substr(key_tok.start, key_tok.end - key_tok.start),
                                          "' in an object literal"}));
                return kNoNode;
            }
            if (key_tok.kw == Kw::This) {
                error_expected("':'");
                return kNoNode;
            }
            pk = PropKind::Shorthand;
            NodeId value = mk(NodeKind::Identifier, ast_[key].span.start, ast_[key].span.end);
            nd(value).str = ast_[key].str;
            nd(value).flags = ast_[key].flags & kFlagEscaped;
            if (is(Tok::Eq)) {
                // `{ a = 1 }` is only valid once the object becomes a pattern.
                pending_cover_.push_back(tok().start);
                next();
                NodeId def = parse_assignment();
                NodeId ap = mk(NodeKind::AssignPattern, ps);
                nd(ap).a = value;
                nd(ap).b = def;
                value = ap;
            }
            nd(p).b = value;
        } else {
            error_expected("':'");
            return kNoNode;
        }
        nd(p).op = uint8_t(pk);
        finish(p);
        push(p);
        if (!is(Tok::RBrace) && !eat(Tok::Comma)) {
            error_expected("',' or '}'");
            break;
        }
    }
    in_cond_consequent_ = saved_cond;
    no_in_ = saved;
    ListRef items = list_from(mark);
    expect(Tok::RBrace);
    NodeId n = mk(NodeKind::ObjectLit, start);
    nd(n).list = items;
    return n;
}

NodeId Parser::parse_template(bool tagged) {
    const uint32_t start = tok().start;
    std::vector<NodeId> exprs;
    size_t mark = list_mark();
    auto element = [&]() {
        const Token& t = tok();
        if (t.invalid_escape && !tagged) {
            error(t.invalid_escape_pos, "Invalid escape sequence in template literal");
            return;
        }
        NodeId el = mk(NodeKind::TemplateElement, t.start, t.end);
        nd(el).str = ast_.add_str(t.value);
        nd(el).str2 = ast_.add_str(t.value2);
        if (t.invalid_escape) nd(el).flags |= kFlagInvalidCooked;
        push(el);
    };
    element();
    if (is(Tok::TemplateHead)) {
        bool saved = no_in_;
        no_in_ = false;
        bool saved_cond = in_cond_consequent_;
        in_cond_consequent_ = false;
        while (!failed_) {
            next();
            exprs.push_back(parse_expression());
            if (failed_) break;
            if (!is(Tok::RBrace)) {
                error_expected("'}' to close the template substitution");
                break;
            }
            lx_.rescan_template_continuation();
            if (failed_) break;
            element();
            if (is(Tok::TemplateTail)) break;
        }
        in_cond_consequent_ = saved_cond;
        no_in_ = saved;
    }
    next();
    NodeId n = mk(NodeKind::Template, start);
    nd(n).list = list_from(mark);
    nd(n).list2 = ast_.add_list(exprs);
    return n;
}

}  // namespace corvane::parser
