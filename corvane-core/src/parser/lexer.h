// The TypeScript/JSX lexer. It is driven by the parser: the parser asks for the next token
// in a mode (ordinary code, JSX tag, JSX children) and re-scans the current token where
// the grammar decides its meaning (`/` as a regular expression, `}` as the continuation of
// a template, `>` as the start of `>=`, `>>`, ...).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::parser {

enum class Tok : uint8_t {
    Eof,
    Ident,        // identifier or keyword (see Token::kw)
    PrivateName,  // #name (value: name without '#')
    Number,
    BigInt,       // value: digits without the trailing 'n'
    String,       // value: decoded
    Template,     // `...` without substitutions (value: cooked)
    TemplateHead, // `...${
    TemplateMiddle,  // }...${  (after rescan_template_continuation)
    TemplateTail,    // }...`
    Regex,        // after rescan_regex: value = pattern, value2 = flags
    JsxText,      // after next(LexMode::JsxChild)
    LBrace, RBrace, LParen, RParen, LBracket, RBracket,
    Dot, Ellipsis, Semi, Comma, At, Hash,
    Lt, Gt, LtEq, GtEq,  // `>` is always scanned alone; rescan_greater forms the rest
    Eq, EqEq, EqEqEq, NotEq, NotEqEq,
    Plus, Minus, Star, StarStar, Slash, Percent,
    PlusPlus, MinusMinus,
    Shl, Shr, UShr,
    Amp, Pipe, Caret, Bang, Tilde,
    AmpAmp, PipePipe, Question, QuestionQuestion, QuestionDot, Colon, Arrow,
    PlusEq, MinusEq, StarEq, StarStarEq, SlashEq, PercentEq,
    ShlEq, ShrEq, UShrEq, AmpEq, PipeEq, CaretEq,
    AmpAmpEq, PipePipeEq, QuestionQuestionEq,
};

// Identifier-names that the grammar treats specially. Only set for identifiers written
// without escapes.
enum class Kw : uint8_t {
    None,
    // reserved words
    Break, Case, Catch, Class, Const, Continue, Debugger, Default, Delete, Do, Else, Enum,
    Export, Extends, False, Finally, For, Function, If, Import, In, InstanceOf, New, Null,
    Return, Super, Switch, This, Throw, True, Try, Typeof, Var, Void, While, With,
    // strict-mode reserved and contextual words
    Yield, Let, Static, Implements, Interface, Package, Private, Protected, Public, Await,
    Async, Of, Get, Set, As, Satisfies, Type, Namespace, Module, Declare, Abstract, Readonly,
    Override, Accessor, Keyof, Infer, Is, Asserts, Unique, Global, Using, Constructor, From,
    Target, Meta, Require, Out, Undefined, Never, Unknown, Any, Object, String, Number,
    Boolean, Symbol, Bigint, Assert,
};

const char* tok_text(Tok t);  // "(" or "identifier" etc., for messages

struct Token {
    Tok kind = Tok::Eof;
    Kw kw = Kw::None;
    bool nl_before = false;       // a line terminator precedes the token (ASI)
    bool escaped = false;         // identifier/keyword written with \u escapes
    bool invalid_escape = false;  // template piece with an invalid escape (cooked absent)
    bool value_in_buf = false;    // value points into the lexer's buffer (internal)
    uint32_t start = 0;
    uint32_t end = 0;
    uint32_t invalid_escape_pos = 0;
    double num = 0;
    std::string_view value;   // identifier name / string value / cooked template / pattern
    std::string_view value2;  // regex flags; raw text of template pieces
};

enum class LexMode : uint8_t {
    Normal,
    JsxTag,    // identifiers may contain '-', strings have no escapes
    JsxChild,  // text up to '{' or '<' becomes a JsxText token
};

// Receives lexical errors (byte offset of the problem and the message without position).
// After the first error failed() is true and the lexer returns end of file.
class DiagSink {
public:
    virtual void error(uint32_t offset, std::string message) = 0;
    bool failed() const { return failed_; }

protected:
    ~DiagSink() = default;
    bool failed_ = false;
};

class Lexer {
public:
    Lexer(std::string_view src, DiagSink& diag);

    const Token& tok() const { return tok_; }
    void next(LexMode mode = LexMode::Normal);

    // Re-scans the current `/` or `/=` token as a regular-expression literal.
    void rescan_regex();
    // Re-scans the current `}` as the continuation of a template literal.
    void rescan_template_continuation();
    // Extends the current `>` token to `>=`, `>>`, `>>=`, `>>>` or `>>>=` when they follow
    // without a gap.
    void rescan_greater();
    // Re-scans the current `<=`/`<<`/`<<=` token as a single `<` (for type arguments).
    void rescan_less_than();
    // Re-scans the current token as a lone `>` (closing type arguments).
    void rescan_as_single_greater();
    // Re-scans from the start of the current token in another mode.
    void rescan(LexMode mode);

    // State for speculative parsing.
    struct State {
        uint32_t pos;
        Token tok;
        std::string value;
        std::string value2;
    };
    State save() const;
    void restore(const State& s);

    std::string_view source() const { return src_; }
    uint32_t pos() const { return pos_; }

private:
    void skip_trivia();
    void scan(LexMode mode);
    void scan_identifier(bool private_name);
    void scan_number();
    void scan_string(char quote, bool jsx);
    void scan_template(uint32_t from);  // from: offset just after '`' or '}'
    void scan_jsx_text();
    bool scan_escape_in_identifier(uint32_t& p, char32_t& cp);
    bool read_unicode_escape(uint32_t& p, char32_t& cp);  // at "u" after the backslash
    void error(uint32_t offset, std::string message);
    char at(uint32_t p) const { return p < src_.size() ? src_[p] : '\0'; }
    std::string& buf() { return bufs_[bi_]; }
    void extend_jsx_identifier();
    void finish_identifier(uint32_t start, bool escaped, std::string_view name);

    std::string_view src_;
    DiagSink& diag_;
    const void* table_;  // keyword table (lexer.cpp)
    uint32_t pos_ = 0;
    Token tok_;
    std::string bufs_[2];
    std::string bufs2_[2];
    int bi_ = 0;
};

// True when cp may start / continue an identifier ($, _ and ID_Start / ID_Continue plus
// ZWNJ, ZWJ).
bool is_ident_start(char32_t cp);
bool is_ident_part(char32_t cp);
// True for LF, CR, U+2028, U+2029.
inline bool is_line_terminator(char32_t cp) {
    return cp == '\n' || cp == '\r' || cp == 0x2028 || cp == 0x2029;
}

// Reserved words that can never be identifiers (in any mode), and words reserved only in
// strict code.
bool is_reserved_word(Kw kw);

}  // namespace corvane::parser
