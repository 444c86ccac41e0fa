// Parser entry point, diagnostics and the shared token/node/speculation helpers.
#include <string>

#include "parser/parser_internal.h"
#include "unicode.h"

namespace corvane::parser {

std::string format_position(std::string_view text, uint32_t offset) {
    if (offset > text.size()) offset = static_cast<uint32_t>(text.size());
    size_t line = 1;
    size_t line_start = 0;
    for (size_t i = 0; i < offset;) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++line;
            line_start = ++i;
        } else if (c == '\r') {
            ++i;
            if (i < offset && text[i] == '\n') ++i;
            ++line;
            line_start = i;
        } else if (c == 0xE2 && i + 2 < text.size() && text[i + 1] == '\x80' &&
                   (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
            i += 3;
            ++line;
            line_start = i;
        } else {
            ++i;
        }
    }
    size_t column = unicode::count_code_points(text.substr(line_start, offset - line_start)) + 1;
    std::string out("(line ");
    out.append(std::to_string(line));
    out.append(", column ");
    out.append(std::to_string(column));
    out.push_back(')');
    return out;
}

Parser::Parser(std::string_view src, ParseResult& out)
    : src_(src), out_(out), ast_(out.ast), lx_(src, *this) {
    ast_.nodes.reserve(src.size() / 4 + 16);
    ast_.lists.reserve(src.size() / 8 + 16);
    ast_.strings.reserve(src.size() / 2 + 16);
    lx_.next();
}

void Parser::error(uint32_t offset, std::string message) {
    if (failed_) return;
    failed_ = true;
    if (speculating_ > 0) return;
    message.push_back(' ');
    message.append(format_position(src_, offset));
    out_.diagnostics.push_back(std::move(message));
}

void Parser::error_at(uint32_t offset, const std::string& message) { error(offset, message); }

std::string Parser::found_text() const {
    const Token& t = tok();
    if (t.kind == Tok::Eof) return "end of file";
    std::string_view text = src_.substr(t.start, t.end - t.start);
    std::string out;
    if (t.kind == Tok::String) {
        out.append("string ");
        out.append(text.substr(0, 40));
        return out;
    }
    if (t.kind == Tok::Template || t.kind == Tok::TemplateHead) return "template literal";
    if (text.size() > 40) text = text.substr(0, 40);
    out.push_back('\'');
    out.append(text);
    out.push_back('\'');
    return out;
}

void Parser::error_expected(const char* what) {
    std::string message("Expected ");
    message.append(what);
    message.append(" but found ");
    message.append(found_text());
    error(tok().start, std::move(message));
}

void Parser::expect(Tok k) {
    if (is(k)) {
        next();
        return;
    }
    std::string what("'");
    what.append(tok_text(k));
    what.push_back('\'');
    error_expected(what.c_str());
}

void Parser::expect_kw(Kw k, const char* text) {
    if (is_kw(k)) {
        next();
        return;
    }
    std::string what("'");
    what.append(text);
    what.push_back('\'');
    error_expected(what.c_str());
}

void Parser::expect_semicolon() {
    if (eat(Tok::Semi)) return;
    if (is(Tok::RBrace) || is(Tok::Eof) || tok().nl_before) return;
    error_expected("';'");
}

Parser::Peek Parser::peek() {
    Lexer::State s = lx_.save();
    uint32_t pe = prev_end_;
    lx_.next();
    Peek p{tok().kind, tok().kw, tok().nl_before, tok().start, tok().end};
    lx_.restore(s);
    prev_end_ = pe;
    return p;
}

Parser::Peek Parser::peek2() {
    Lexer::State s = lx_.save();
    uint32_t pe = prev_end_;
    lx_.next();
    lx_.next();
    Peek p{tok().kind, tok().kw, tok().nl_before, tok().start, tok().end};
    lx_.restore(s);
    prev_end_ = pe;
    return p;
}

NodeId Parser::mk(NodeKind k, uint32_t start, uint32_t end) {
    Node& n = ast_.nodes.emplace_back();
    n.kind = k;
    n.span = {start, end};
    return static_cast<NodeId>(ast_.nodes.size() - 1);
}

ListRef Parser::list_from(size_t mark) {
    ListRef r = ast_.add_list(std::span<const NodeId>(scratch_.data() + mark, scratch_.size() - mark));
    scratch_.resize(mark);
    return r;
}

NodeId Parser::ident_from_token() {
    const Token& t = tok();
    NodeId id = mk(NodeKind::Identifier, t.start, t.end);
    nd(id).str = ast_.add_str(t.value);
    if (t.escaped) nd(id).flags |= kFlagEscaped;
    next();
    return id;
}

NodeId Parser::literal_from_token() {
    const Token& t = tok();
    std::string_view raw = src_.substr(t.start, t.end - t.start);
    NodeId n = kNoNode;
    if (t.kind == Tok::Number) {
        n = mk(NodeKind::NumberLit, t.start, t.end);
        nd(n).num = t.num;
        nd(n).str = ast_.add_str(raw);
    } else if (t.kind == Tok::BigInt) {
        n = mk(NodeKind::BigIntLit, t.start, t.end);
        nd(n).str = ast_.add_str(t.value);
    } else {
        n = mk(NodeKind::StringLit, t.start, t.end);
        nd(n).str = ast_.add_str(t.value);
        nd(n).str2 = ast_.add_str(raw);
    }
    next();
    return n;
}

void Parser::too_deep() {
    if (speculating_ > 0 && !failed_) too_deep_in_speculation_ = true;
    std::string message("Nesting too deep: more than ");
    message.append(std::to_string(kMaxNestingDepth));
    message.append(" levels");
    error(tok().start, std::move(message));
}

Parser::Checkpoint Parser::checkpoint() const {
    return Checkpoint{lx_.save(),          prev_end_,         ast_.nodes.size(),
                      ast_.lists.size(),   ast_.strings.size(), scratch_.size(),
                      pending_cover_.size()};
}

void Parser::rewind(const Checkpoint& c) {
    lx_.restore(c.lx);
    prev_end_ = c.prev_end;
    ast_.nodes.resize(c.nodes);
    ast_.lists.resize(c.lists);
    ast_.strings.resize(c.strings);
    scratch_.resize(c.scratch);
    pending_cover_.resize(c.pending_cover);
}

void Parser::parse_program() {
    size_t mark = list_mark();
    bool in_prologue = true;
    while (!is(Tok::Eof) && !failed_) {
        const bool string_start = is(Tok::String);
        NodeId s = parse_statement_list_item();
        if (s == kNoNode) break;
        if (in_prologue && string_start) {
            const Node& n = ast_[s];
            if (n.kind == NodeKind::ExprStmt && ast_[n.a].kind == NodeKind::StringLit) {
                const Node& lit = ast_[n.a];
                std::string_view raw = ast_.str(lit.str2);
                Directive d;
                d.value = std::string(ast_.str(lit.str));
                d.raw = std::string(raw.substr(1, raw.size() - 2));
                d.span = n.span;
                out_.directives.push_back(std::move(d));
                continue;
            }
        }
        in_prologue = false;
        push(s);
    }
    if (!failed_ && !is(Tok::Eof)) error_expected("a statement");
    if (!failed_ && !pending_cover_.empty()) {
        error(pending_cover_.front(), "Invalid shorthand property initializer");
    }
    out_.body = list_from(mark);
}

ParseResult parse_typescript(std::string_view text) {
    ParseResult result;
    if (text.size() >= 0xFFFFFFF0u) {
        result.diagnostics.push_back("Source text too large: more than 4 GiB (line 1, column 1)");
        return result;
    }
    Parser parser(text, result);
    parser.parse_program();
    return result;
}

}  // namespace corvane::parser
