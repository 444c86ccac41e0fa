#include "parser/lexer.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "unicode.h"

namespace corvane::parser {

namespace {

struct KwEntry {
    std::string_view text;
    Kw kw;
};

constexpr KwEntry kKeywords[] = {
    {"break", Kw::Break}, {"case", Kw::Case}, {"catch", Kw::Catch}, {"class", Kw::Class},
    {"const", Kw::Const}, {"continue", Kw::Continue}, {"debugger", Kw::Debugger},
    {"default", Kw::Default}, {"delete", Kw::Delete}, {"do", Kw::Do}, {"else", Kw::Else},
    {"enum", Kw::Enum}, {"export", Kw::Export}, {"extends", Kw::Extends},
    {"false", Kw::False}, {"finally", Kw::Finally}, {"for", Kw::For},
    {"function", Kw::Function}, {"if", Kw::If}, {"import", Kw::Import}, {"in", Kw::In},
    {"instanceof", Kw::InstanceOf}, {"new", Kw::New}, {"null", Kw::Null},
    {"return", Kw::Return}, {"super", Kw::Super}, {"switch", Kw::Switch}, {"this", Kw::This},
    {"throw", Kw::Throw}, {"true", Kw::True}, {"try", Kw::Try}, {"typeof", Kw::Typeof},
    {"var", Kw::Var}, {"void", Kw::Void}, {"while", Kw::While}, {"with", Kw::With},
    {"yield", Kw::Yield}, {"let", Kw::Let}, {"static", Kw::Static},
    {"implements", Kw::Implements}, {"interface", Kw::Interface}, {"package", Kw::Package},
    {"private", Kw::Private}, {"protected", Kw::Protected}, {"public", Kw::Public},
    {"await", Kw::Await}, {"async", Kw::Async}, {"of", Kw::Of}, {"get", Kw::Get},
    {"set", Kw::Set}, {"as", Kw::As}, {"satisfies", Kw::Satisfies}, {"type", Kw::Type},
    {"namespace", Kw::Namespace}, {"module", Kw::Module}, {"declare", Kw::Declare},
    {"abstract", Kw::Abstract}, {"readonly", Kw::Readonly}, {"override", Kw::Override},
    {"accessor", Kw::Accessor}, {"keyof", Kw::Keyof}, {"infer", Kw::Infer}, {"is", Kw::Is},
    {"asserts", Kw::Asserts}, {"unique", Kw::Unique}, {"global", Kw::Global},
    {"using", Kw::Using}, {"constructor", Kw::Constructor}, {"from", Kw::From},
    {"target", Kw::Target}, {"meta", Kw::Meta}, {"require", Kw::Require}, {"out", Kw::Out},
    {"undefined", Kw::Undefined}, {"never", Kw::Never}, {"unknown", Kw::Unknown},
    {"any", Kw::Any}, {"object", Kw::Object}, {"string", Kw::String}, {"number", Kw::Number},
    {"boolean", Kw::Boolean}, {"symbol", Kw::Symbol}, {"bigint", Kw::Bigint}, {"assert", Kw::Assert},
};

// Open-addressed table from identifier text to keyword, built once.
struct KwTable {
    static constexpr size_t kSize = 512;
    const KwEntry* slots[kSize] = {};
    static size_t hash(std::string_view s) {
        return (s.size() * 131u + static_cast<unsigned char>(s[0]) * 31u +
                static_cast<unsigned char>(s[s.size() - 1]) * 7u +
                static_cast<unsigned char>(s[s.size() / 2])) %
               kSize;
    }
    KwTable() {
        for (const KwEntry& e : kKeywords) {
            size_t h = hash(e.text);
            while (slots[h]) h = (h + 1) % kSize;
            slots[h] = &e;
        }
    }
    Kw find(std::string_view s) const {
        if (s.size() < 2 || s.size() > 11) return Kw::None;
        size_t h = hash(s);
        while (const KwEntry* e = slots[h]) {
            if (e->text == s) {
                return e->kw;
            }
            h = (h + 1) % kSize;
        }
        return Kw::None;
    }
};

const KwTable& kw_table() {
    static const KwTable table;
    return table;
}

// Byte classes for identifiers: one table load per byte in the scanning loop.
constexpr uint8_t kIdentStart = 1;
constexpr uint8_t kIdentPart = 2;
constexpr std::array<uint8_t, 256> kIdentClass = [] {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
        const bool digit = c >= '0' && c <= '9';
        t[static_cast<size_t>(c)] = static_cast<uint8_t>((letter ? kIdentStart | kIdentPart : 0) |
                                                         (digit ? kIdentPart : 0));
    }
    return t;
}();

bool is_ascii_ident_start(unsigned char c) { return (kIdentClass[c] & kIdentStart) != 0; }
bool is_ascii_ident_part(unsigned char c) { return (kIdentClass[c] & kIdentPart) != 0; }
int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
bool is_js_space(char32_t cp) {
    if (cp == 0xFEFF) return true;
    return cp != 0x85 && !is_line_terminator(cp) && unicode::is_white_space(cp);
}

// Converts digits (no separators) of a power-of-two base to the nearest double.
double power_of_two_value(std::string_view digits, int bits_per_digit) {
    // Re-express as hexadecimal and let from_chars round correctly.
    std::string hex;
    if (bits_per_digit == 4) {
        hex.assign(digits);
    } else {
        std::string bitstr;
        for (char c : digits) {
            int v = c - '0';
            for (int b = bits_per_digit - 1; b >= 0; --b) bitstr.push_back(((v >> b) & 1) ? '1' : '0');
        }
        size_t pad = (4 - bitstr.size() % 4) % 4;
        bitstr.insert(0, pad, '0');
        for (size_t i = 0; i < bitstr.size(); i += 4) {
            int v = (bitstr[i] - '0') * 8 + (bitstr[i + 1] - '0') * 4 + (bitstr[i + 2] - '0') * 2 +
                    (bitstr[i + 3] - '0');
            hex.push_back("0123456789abcdef"[v]);
        }
    }
    double d = 0;
    auto r = std::from_chars(hex.data(), hex.data() + hex.size(), d, std::chars_format::hex);
    if (r.ec == std::errc::result_out_of_range) return HUGE_VAL;
    return d;
}

double decimal_value(std::string_view text) {
    double d = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), d);
    if (r.ec == std::errc::result_out_of_range) {
        // Overflow gives infinity; underflow gives zero. Decide by the exponent sign.
        size_t e = text.find_first_of("eE");
        if (e != std::string_view::npos && e + 1 < text.size() && text[e + 1] == '-') return 0.0;
        return HUGE_VAL;
    }
    return d;
}

}  // namespace

bool is_ident_start(char32_t cp) {
    if (cp < 0x80) return is_ascii_ident_start(static_cast<unsigned char>(cp));
    return unicode::is_id_start(cp);
}
bool is_ident_part(char32_t cp) {
    if (cp < 0x80) return is_ascii_ident_part(static_cast<unsigned char>(cp));
    return cp == 0x200C || cp == 0x200D || unicode::is_id_continue(cp);
}

bool is_reserved_word(Kw kw) { return kw >= Kw::Break && kw <= Kw::With; }

const char* tok_text(Tok t) {
    switch (t) {
        case Tok::Eof: return "end of file";
        case Tok::Ident: return "identifier";
        case Tok::PrivateName: return "private name";
        case Tok::Number: return "number";
        case Tok::BigInt: return "bigint literal";
        case Tok::String: return "string";
        case Tok::Template: case Tok::TemplateHead: return "template literal";
        case Tok::TemplateMiddle: case Tok::TemplateTail: return "template continuation";
        case Tok::Regex: return "regular expression";
        case Tok::JsxText: return "JSX text";
        case Tok::LBrace: return "{";
        case Tok::RBrace: return "}";
        case Tok::LParen: return "(";
        case Tok::RParen: return ")";
        case Tok::LBracket: return "[";
        case Tok::RBracket: return "]";
        case Tok::Dot: return ".";
        case Tok::Ellipsis: return "...";
        case Tok::Semi: return ";";
        case Tok::Comma: return ",";
        case Tok::At: return "@";
        case Tok::Hash: return "#";
        case Tok::Lt: return "<";
        case Tok::Gt: return ">";
        case Tok::LtEq: return "<=";
        case Tok::GtEq: return ">=";
        case Tok::Eq: return "=";
        case Tok::EqEq: return "==";
        case Tok::EqEqEq: return "===";
        case Tok::NotEq: return "!=";
        case Tok::NotEqEq: return "!==";
        case Tok::Plus: return "+";
        case Tok::Minus: return "-";
        case Tok::Star: return "*";
        case Tok::StarStar: return "**";
        case Tok::Slash: return "/";
        case Tok::Percent: return "%";
        case Tok::PlusPlus: return "++";
        case Tok::MinusMinus: return "--";
        case Tok::Shl: return "<<";
        case Tok::Shr: return ">>";
        case Tok::UShr: return ">>>";
        case Tok::Amp: return "&";
        case Tok::Pipe: return "|";
        case Tok::Caret: return "^";
        case Tok::Bang: return "!";
        case Tok::Tilde: return "~";
        case Tok::AmpAmp: return "&&";
        case Tok::PipePipe: return "||";
        case Tok::Question: return "?";
        case Tok::QuestionQuestion: return "??";
        case Tok::QuestionDot: return "?.";
        case Tok::Colon: return ":";
        case Tok::Arrow: return "=>";
        case Tok::PlusEq: return "+=";
        case Tok::MinusEq: return "-=";
        case Tok::StarEq: return "*=";
        case Tok::StarStarEq: return "**=";
        case Tok::SlashEq: return "/=";
        case Tok::PercentEq: return "%=";
        case Tok::ShlEq: return "<<=";
        case Tok::ShrEq: return ">>=";
        case Tok::UShrEq: return ">>>=";
        case Tok::AmpEq: return "&=";
        case Tok::PipeEq: return "|=";
        case Tok::CaretEq: return "^=";
        case Tok::AmpAmpEq: return "&&=";
        case Tok::PipePipeEq: return "||=";
        case Tok::QuestionQuestionEq: return "?\?=";
    }
    return "?";
}

Lexer::Lexer(std::string_view src, DiagSink& diag)
    : src_(src), diag_(diag), table_(&kw_table()) {
    // A leading hashbang line is a comment.
    if (src_.size() >= 2 && src_[0] == '#' && src_[1] == '!') {
        while (pos_ < src_.size() && src_[pos_] != '\n' && src_[pos_] != '\r') ++pos_;
    }
    // A byte-order mark at the start is white space.
    tok_.kind = Tok::Eof;
}

void Lexer::error(uint32_t offset, std::string message) { diag_.error(offset, std::move(message)); }

Lexer::State Lexer::save() const {
    State s{pos_, tok_, {}, {}};
    if (tok_.value_in_buf) {
        s.value.assign(tok_.value);
        s.value2.assign(tok_.value2);
    }
    return s;
}

void Lexer::restore(const State& s) {
    pos_ = s.pos;
    tok_ = s.tok;
    if (tok_.value_in_buf) {
        bi_ ^= 1;
        bufs_[bi_] = s.value;
        bufs2_[bi_] = s.value2;
        tok_.value = bufs_[bi_];
        tok_.value2 = bufs2_[bi_];
    }
}

void Lexer::next(LexMode mode) {
    if (diag_.failed()) {
        // After the first error the parser unwinds; give it end of file.
        tok_ = Token{};
        tok_.start = tok_.end = pos_ = static_cast<uint32_t>(src_.size());
        return;
    }
    bi_ ^= 1;
    scan(mode);
}

void Lexer::rescan(LexMode mode) {
    pos_ = tok_.start;
    bool nl = tok_.nl_before;
    bi_ ^= 1;
    if (mode == LexMode::JsxChild) {
        tok_ = Token{};
        tok_.start = pos_;
        scan_jsx_text();
    } else {
        scan(mode);
    }
    tok_.nl_before = nl;
}

void Lexer::skip_trivia() {
    tok_.nl_before = false;
    const uint32_t n = static_cast<uint32_t>(src_.size());
    while (pos_ < n) {
        unsigned char c = static_cast<unsigned char>(src_[pos_]);
        if (c == ' ' || c == '\t' || c == '\v' || c == '\f') {
            ++pos_;
        } else if (c == '\n' || c == '\r') {
            tok_.nl_before = true;
            ++pos_;
        } else if (c == '/' && at(pos_ + 1) == '/') {
            pos_ += 2;
            while (pos_ < n) {
                unsigned char d = static_cast<unsigned char>(src_[pos_]);
                if (d == '\n' || d == '\r') break;
                if (d == 0xE2 && at(pos_ + 1) == '\x80' &&
                    (at(pos_ + 2) == '\xA8' || at(pos_ + 2) == '\xA9')) {
                    break;
                }
                ++pos_;
            }
        } else if (c == '/' && at(pos_ + 1) == '*') {
            uint32_t start = pos_;
            pos_ += 2;
            bool closed = false;
            while (pos_ < n) {
                unsigned char d = static_cast<unsigned char>(src_[pos_]);
                if (d == '*' && at(pos_ + 1) == '/') {
                    pos_ += 2;
                    closed = true;
                    break;
                }
                if (d == '\n' || d == '\r') tok_.nl_before = true;
                if (d == 0xE2 && at(pos_ + 1) == '\x80' &&
                    (at(pos_ + 2) == '\xA8' || at(pos_ + 2) == '\xA9')) {
                    tok_.nl_before = true;
                }
                ++pos_;
            }
            if (!closed) {
                error(start, "Unterminated comment");
                return;
            }
        } else if (c >= 0x80) {
            unicode::Decoded d = unicode::decode_utf8(src_, pos_);
            if (d.cp == 0x2028 || d.cp == 0x2029) {
                tok_.nl_before = true;
            } else if (!is_js_space(d.cp)) {
                return;
            }
            pos_ += d.len;
        } else {
            return;
        }
    }
}

void Lexer::scan(LexMode mode) {
    tok_.escaped = false;
    tok_.invalid_escape = false;
    tok_.value_in_buf = false;
    tok_.kw = Kw::None;
    tok_.value = {};
    tok_.value2 = {};
    if (mode == LexMode::JsxChild) {
        tok_.nl_before = false;
        tok_.start = pos_;
        scan_jsx_text();
        return;
    }
    skip_trivia();
    tok_.start = pos_;
    if (diag_.failed()) {
        tok_.kind = Tok::Eof;
        tok_.end = pos_ = static_cast<uint32_t>(src_.size());
        return;
    }
    if (pos_ >= src_.size()) {
        tok_.kind = Tok::Eof;
        tok_.end = pos_;
        return;
    }
    const char c = src_[pos_];
    auto op = [&](Tok k, uint32_t len) {
        tok_.kind = k;
        pos_ += len;
        tok_.end = pos_;
    };
    const char c1 = at(pos_ + 1);
    const char c2 = at(pos_ + 2);
    switch (c) {
        case '(': return op(Tok::LParen, 1);
        case ')': return op(Tok::RParen, 1);
        case '{': return op(Tok::LBrace, 1);
        case '}': return op(Tok::RBrace, 1);
        case '[': return op(Tok::LBracket, 1);
        case ']': return op(Tok::RBracket, 1);
        case ';': return op(Tok::Semi, 1);
        case ',': return op(Tok::Comma, 1);
        case ':': return op(Tok::Colon, 1);
        case '~': return op(Tok::Tilde, 1);
        case '@': return op(Tok::At, 1);
        case '.':
            if (c1 >= '0' && c1 <= '9') return scan_number();
            if (c1 == '.' && c2 == '.') return op(Tok::Ellipsis, 3);
            return op(Tok::Dot, 1);
        case '?':
            if (c1 == '?') return c2 == '=' ? op(Tok::QuestionQuestionEq, 3) : op(Tok::QuestionQuestion, 2);
            if (c1 == '.' && !(c2 >= '0' && c2 <= '9')) return op(Tok::QuestionDot, 2);
            return op(Tok::Question, 1);
        case '=':
            if (c1 == '=') return c2 == '=' ? op(Tok::EqEqEq, 3) : op(Tok::EqEq, 2);
            if (c1 == '>') return op(Tok::Arrow, 2);
            return op(Tok::Eq, 1);
        case '!':
            if (c1 == '=') return c2 == '=' ? op(Tok::NotEqEq, 3) : op(Tok::NotEq, 2);
            return op(Tok::Bang, 1);
        case '+':
            if (c1 == '+') return op(Tok::PlusPlus, 2);
            if (c1 == '=') return op(Tok::PlusEq, 2);
            return op(Tok::Plus, 1);
        case '-':
            if (c1 == '-') return op(Tok::MinusMinus, 2);
            if (c1 == '=') return op(Tok::MinusEq, 2);
            return op(Tok::Minus, 1);
        case '*':
            if (c1 == '*') return c2 == '=' ? op(Tok::StarStarEq, 3) : op(Tok::StarStar, 2);
            if (c1 == '=') return op(Tok::StarEq, 2);
            return op(Tok::Star, 1);
        case '/':
            if (c1 == '=') return op(Tok::SlashEq, 2);
            return op(Tok::Slash, 1);
        case '%':
            if (c1 == '=') return op(Tok::PercentEq, 2);
            return op(Tok::Percent, 1);
        case '<':
            if (c1 == '<') return c2 == '=' ? op(Tok::ShlEq, 3) : op(Tok::Shl, 2);
            if (c1 == '=') return op(Tok::LtEq, 2);
            return op(Tok::Lt, 1);
        case '>':
            return op(Tok::Gt, 1);
        case '&':
            if (c1 == '&') return c2 == '=' ? op(Tok::AmpAmpEq, 3) : op(Tok::AmpAmp, 2);
            if (c1 == '=') return op(Tok::AmpEq, 2);
            return op(Tok::Amp, 1);
        case '|':
            if (c1 == '|') return c2 == '=' ? op(Tok::PipePipeEq, 3) : op(Tok::PipePipe, 2);
            if (c1 == '=') return op(Tok::PipeEq, 2);
            return op(Tok::Pipe, 1);
        case '^':
            if (c1 == '=') return op(Tok::CaretEq, 2);
            return op(Tok::Caret, 1);
        case '"':
        case '\'':
            return scan_string(c, mode == LexMode::JsxTag);
        case '`':
            return scan_template(pos_ + 1);
        case '#':
            if (pos_ + 1 < src_.size()) {
                unsigned char n = static_cast<unsigned char>(c1);
                bool starts = is_ascii_ident_start(n) || n == '\\' ||
                              (n >= 0x80 && is_ident_start(unicode::decode_utf8(src_, pos_ + 1).cp));
                if (starts) {
                    ++pos_;
                    return scan_identifier(true);
                }
            }
            return op(Tok::Hash, 1);
        default:
            break;
    }
    if (c >= '0' && c <= '9') return scan_number();
    unsigned char uc = static_cast<unsigned char>(c);
    const bool starts_ident =
        is_ascii_ident_start(uc) || c == '\\' ||
        (uc >= 0x80 && is_ident_start(unicode::decode_utf8(src_, pos_).cp));
    if (starts_ident) {
        scan_identifier(false);
        if (mode == LexMode::JsxTag && tok_.kind == Tok::Ident) extend_jsx_identifier();
        return;
    }
    if (uc >= 0x80) {
        unicode::Decoded d = unicode::decode_utf8(src_, pos_);
        error(pos_, d.valid ? "Invalid character" : "Invalid UTF-8 byte sequence");
        tok_.kind = Tok::Eof;
        tok_.end = pos_;
        return;
    }
    error(pos_, "Invalid character");
    tok_.kind = Tok::Eof;
    tok_.end = pos_;
}

bool Lexer::read_unicode_escape(uint32_t& p, char32_t& cp) {
    // p points at 'u'.
    ++p;
    if (at(p) == '{') {
        ++p;
        uint32_t v = 0;
        int digits = 0;
        while (hex_value(at(p)) >= 0) {
            v = v * 16 + static_cast<uint32_t>(hex_value(at(p)));
            if (v > 0x10FFFF) return false;
            ++p;
            ++digits;
        }
        if (digits == 0 || at(p) != '}') return false;
        ++p;
        cp = v;
        return true;
    }
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        int h = hex_value(at(p));
        if (h < 0) return false;
        v = v * 16 + static_cast<uint32_t>(h);
        ++p;
    }
    cp = v;
    return true;
}

bool Lexer::scan_escape_in_identifier(uint32_t& p, char32_t& cp) {
    // p points at the backslash.
    if (at(p + 1) != 'u') return false;
    ++p;
    return read_unicode_escape(p, cp);
}

void Lexer::finish_identifier(uint32_t start, bool escaped, std::string_view name) {
    tok_.end = pos_;
    tok_.value = name;
    tok_.escaped = escaped;
    if (tok_.kind == Tok::Ident && !escaped && name[0] >= 'a' && name[0] <= 'y') {
        tok_.kw = static_cast<const KwTable*>(table_)->find(name);
    }
    (void)start;
}

void Lexer::scan_identifier(bool private_name) {
    tok_.kind = private_name ? Tok::PrivateName : Tok::Ident;
    const uint32_t name_start = pos_;
    const uint32_t n = static_cast<uint32_t>(src_.size());
    // Fast path: plain ASCII.
    while (pos_ < n && is_ascii_ident_part(static_cast<unsigned char>(src_[pos_]))) ++pos_;
    if (pos_ >= n || (static_cast<unsigned char>(src_[pos_]) < 0x80 && src_[pos_] != '\\')) {
        if (pos_ == name_start) {
            error(pos_, "Invalid character");
            tok_.kind = Tok::Eof;
            tok_.end = pos_;
            return;
        }
        return finish_identifier(name_start, false, src_.substr(name_start, pos_ - name_start));
    }
    // Slow path: escapes or non-ASCII characters.
    std::string& out = buf();
    out.assign(src_.substr(name_start, pos_ - name_start));
    bool escaped = false;
    bool first = pos_ == name_start;
    while (pos_ < n) {
        unsigned char c = static_cast<unsigned char>(src_[pos_]);
        if (is_ascii_ident_part(c)) {
            out.push_back(static_cast<char>(c));
            ++pos_;
        } else if (c == '\\') {
            uint32_t p = pos_;
            char32_t cp = 0;
            if (!scan_escape_in_identifier(p, cp) ||
                !(first ? is_ident_start(cp) : is_ident_part(cp))) {
                error(pos_, "Invalid Unicode escape sequence");
                tok_.kind = Tok::Eof;
                tok_.end = pos_;
                return;
            }
            unicode::append_utf8(out, cp);
            escaped = true;
            pos_ = p;
        } else if (c >= 0x80) {
            unicode::Decoded d = unicode::decode_utf8(src_, pos_);
            if (!d.valid || !(first ? is_ident_start(d.cp) : is_ident_part(d.cp))) break;
            out.append(src_.substr(pos_, d.len));
            pos_ += d.len;
        } else {
            break;
        }
        first = false;
    }
    tok_.value_in_buf = true;
    finish_identifier(name_start, escaped, out);
}

void Lexer::scan_number() {
    const uint32_t start = pos_;
    tok_.kind = Tok::Number;
    std::string& digits = buf();
    digits.clear();
    auto bad_follow = [&]() {
        // An identifier start or digit may not follow a numeric literal directly.
        if (pos_ >= src_.size()) return false;
        unsigned char c = static_cast<unsigned char>(src_[pos_]);
        if (is_ascii_ident_part(c) || c == '\\') return true;
        if (c >= 0x80) {
            unicode::Decoded d = unicode::decode_utf8(src_, pos_);
            return d.valid && is_ident_start(d.cp);
        }
        return false;
    };
    // Scans digits of the given base allowing single '_' separators between digits.
    auto scan_digits = [&](int base) -> int {
        int count = 0;
        bool last_sep = false;
        while (pos_ < src_.size()) {
            char c = src_[pos_];
            if (c == '_') {
                if (count == 0 || last_sep) {
                    error(pos_, last_sep ? "Multiple consecutive numeric separators are not permitted"
                                         : "Numeric separators are not allowed here");
                    return -1;
                }
                last_sep = true;
                ++pos_;
                continue;
            }
            int v = hex_value(c);
            if (v < 0 || v >= base) break;
            digits.push_back(c);
            ++count;
            last_sep = false;
            ++pos_;
        }
        if (last_sep) {
            error(pos_ - 1, "Numeric separators are not allowed here");
            return -1;
        }
        return count;
    };
    auto fail = [&]() {
        tok_.kind = Tok::Eof;
        tok_.end = pos_;
    };
    const char c0 = src_[pos_];
    const char c1 = static_cast<char>(at(pos_ + 1) | 0x20);
    if (c0 == '0' && (c1 == 'x' || c1 == 'o' || c1 == 'b')) {
        const int base = c1 == 'x' ? 16 : c1 == 'o' ? 8 : 2;
        pos_ += 2;
        int count = scan_digits(base);
        if (count < 0) return fail();
        if (count == 0) {
            error(pos_, base == 16 ? "Hexadecimal digit expected"
                                   : base == 8 ? "Octal digit expected" : "Binary digit expected");
            return fail();
        }
        if (at(pos_) == 'n') {
            ++pos_;
            tok_.kind = Tok::BigInt;
            tok_.value = src_.substr(start, pos_ - 1 - start);
        } else {
            tok_.num = power_of_two_value(digits, base == 16 ? 4 : base == 8 ? 3 : 1);
        }
        if (bad_follow()) {
            error(pos_, "An identifier or keyword cannot immediately follow a numeric literal");
            return fail();
        }
        tok_.end = pos_;
        return;
    }
    if (c0 == '0' && at(pos_ + 1) == '_') {
        error(pos_ + 1, "Numeric separators are not allowed here");
        return fail();
    }
    // Legacy octal (017) and leading-zero decimals (08): no separators, fraction only for
    // the decimal form.
    if (c0 == '0' && at(pos_ + 1) >= '0' && at(pos_ + 1) <= '9') {
        uint32_t p = pos_ + 1;
        bool octal = true;
        while (at(p) >= '0' && at(p) <= '9') {
            if (at(p) >= '8') octal = false;
            ++p;
        }
        if (at(p) == '_') {
            error(p, "Numeric separators are not allowed here");
            return fail();
        }
        if (octal) {
            pos_ = p;
            tok_.num = power_of_two_value(src_.substr(start + 1, p - start - 1), 3);
            if (at(pos_) == 'n') {
                error(pos_, "A bigint literal cannot use a legacy octal form");
                return fail();
            }
            if (bad_follow()) {
                error(pos_, "An identifier or keyword cannot immediately follow a numeric literal");
                return fail();
            }
            tok_.end = pos_;
            return;
        }
        // Falls through to decimal scanning below (no separators appear before p).
    }
    bool is_int = true;
    if (c0 != '.') {
        if (scan_digits(10) < 0) return fail();
    }
    if (at(pos_) == '.') {
        is_int = false;
        digits.push_back('.');
        ++pos_;
        if (at(pos_) == '_') {
            error(pos_, "Numeric separators are not allowed here");
            return fail();
        }
        if (scan_digits(10) < 0) return fail();
    }
    if ((at(pos_) | 0x20) == 'e') {
        uint32_t save = pos_;
        std::string::size_type dsave = digits.size();
        digits.push_back('e');
        ++pos_;
        if (at(pos_) == '+' || at(pos_) == '-') digits.push_back(src_[pos_++]);
        if (at(pos_) == '_') {
            error(pos_, "Numeric separators are not allowed here");
            return fail();
        }
        int count = scan_digits(10);
        if (count < 0) return fail();
        if (count == 0) {
            pos_ = save;
            digits.resize(dsave);
            error(pos_ + 1, "Digit expected");
            return fail();
        }
        is_int = false;
    }
    if (at(pos_) == 'n') {
        if (!is_int || (c0 == '0' && pos_ - start > 1)) {
            error(pos_, "A bigint literal must be an integer");
            return fail();
        }
        ++pos_;
        tok_.kind = Tok::BigInt;
        tok_.value = src_.substr(start, pos_ - 1 - start);
    } else {
        tok_.num = decimal_value(digits);
    }
    if (bad_follow()) {
        error(pos_, "An identifier or keyword cannot immediately follow a numeric literal");
        return fail();
    }
    tok_.end = pos_;
}

void Lexer::scan_string(char quote, bool jsx) {
    const uint32_t start = pos_;
    tok_.kind = Tok::String;
    ++pos_;
    const uint32_t n = static_cast<uint32_t>(src_.size());
    // Fast path: no escapes.
    uint32_t p = pos_;
    while (p < n && src_[p] != quote && src_[p] != '\\' && src_[p] != '\n' && src_[p] != '\r') ++p;
    if (p < n && src_[p] == quote) {
        tok_.value = src_.substr(pos_, p - pos_);
        pos_ = p + 1;
        tok_.end = pos_;
        return;
    }
    if (jsx) {
        // JSX attribute strings have no escapes and may span lines.
        while (p < n && src_[p] != quote) ++p;
        if (p >= n) {
            error(start, "Unterminated string literal");
            tok_.kind = Tok::Eof;
            tok_.end = pos_ = n;
            return;
        }
        tok_.value = src_.substr(pos_, p - pos_);
        pos_ = p + 1;
        tok_.end = pos_;
        return;
    }
    std::string& out = buf();
    out.assign(src_.substr(pos_, p - pos_));
    pos_ = p;
    char32_t pending_high = 0;  // a high surrogate from \uD8xx waiting for its low half
    auto flush_high = [&]() {
        if (pending_high) unicode::append_utf8(out, pending_high);
        pending_high = 0;
    };
    auto emit = [&](char32_t cp) {
        if (cp >= 0xDC00 && cp <= 0xDFFF && pending_high) {
            char32_t full = 0x10000 + ((pending_high - 0xD800) << 10) + (cp - 0xDC00);
            pending_high = 0;
            unicode::append_utf8(out, full);
            return;
        }
        flush_high();
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            pending_high = cp;
            return;
        }
        unicode::append_utf8(out, cp);
    };
    while (true) {
        if (pos_ >= n) {
            error(start, "Unterminated string literal");
            tok_.kind = Tok::Eof;
            tok_.end = pos_;
            return;
        }
        char c = src_[pos_];
        if (c == quote) {
            ++pos_;
            break;
        }
        if (c == '\n' || c == '\r') {
            error(start, "Unterminated string literal");
            tok_.kind = Tok::Eof;
            tok_.end = pos_;
            return;
        }
        if (c != '\\') {
            flush_high();
            out.push_back(c);
            ++pos_;
            continue;
        }
        const uint32_t esc = pos_;
        ++pos_;
        if (pos_ >= n) continue;  // reported as unterminated above
        char e = src_[pos_];
        switch (e) {
            case 'n': emit('\n'); ++pos_; break;
            case 't': emit('\t'); ++pos_; break;
            case 'r': emit('\r'); ++pos_; break;
            case 'b': emit('\b'); ++pos_; break;
            case 'f': emit('\f'); ++pos_; break;
            case 'v': emit('\v'); ++pos_; break;
            case '\r':
                ++pos_;
                if (at(pos_) == '\n') ++pos_;
                break;
            case '\n': ++pos_; break;
            case 'x': {
                int h1 = hex_value(at(pos_ + 1)), h2 = hex_value(at(pos_ + 2));
                if (h1 < 0 || h2 < 0) {
                    error(esc, "Hexadecimal digit expected");
                    tok_.kind = Tok::Eof;
                    tok_.end = pos_;
                    return;
                }
                emit(static_cast<char32_t>(h1 * 16 + h2));
                pos_ += 3;
                break;
            }
            case 'u': {
                char32_t cp = 0;
                uint32_t q = pos_;
                if (!read_unicode_escape(q, cp)) {
                    error(esc, "Invalid Unicode escape sequence");
                    tok_.kind = Tok::Eof;
                    tok_.end = pos_;
                    return;
                }
                pos_ = q;
                emit(cp);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    // Legacy octal escape (sloppy-mode scripts): up to three digits, value
                    // at most 0377.
                    uint32_t v = static_cast<uint32_t>(e - '0');
                    ++pos_;
                    int max_more = e <= '3' ? 2 : 1;
                    for (int i = 0; i < max_more && at(pos_) >= '0' && at(pos_) <= '7'; ++i) {
                        v = v * 8 + static_cast<uint32_t>(at(pos_) - '0');
                        ++pos_;
                    }
                    emit(v);
                } else if (static_cast<unsigned char>(e) >= 0x80) {
                    unicode::Decoded d = unicode::decode_utf8(src_, pos_);
                    // \ followed by U+2028/2029 is a line continuation.
                    if (!(d.cp == 0x2028 || d.cp == 0x2029)) emit(d.cp);
                    pos_ += d.len;
                } else {
                    emit(static_cast<unsigned char>(e));
                    ++pos_;
                }
        }
    }
    flush_high();
    tok_.value_in_buf = true;
    tok_.value = out;
    tok_.end = pos_;
}

void Lexer::scan_template(uint32_t from) {
    // Scans a template piece starting at `from` (just after '`' or '}') up to '`' or '${'.
    const uint32_t start = tok_.start;
    const uint32_t n = static_cast<uint32_t>(src_.size());
    std::string& out = buf();
    std::string& raw = bufs2_[bi_];
    out.clear();
    raw.clear();
    tok_.invalid_escape = false;
    char32_t pending_high = 0;
    auto flush_high = [&]() {
        if (pending_high) unicode::append_utf8(out, pending_high);
        pending_high = 0;
    };
    auto emit = [&](char32_t cp) {
        if (cp >= 0xDC00 && cp <= 0xDFFF && pending_high) {
            char32_t full = 0x10000 + ((pending_high - 0xD800) << 10) + (cp - 0xDC00);
            pending_high = 0;
            unicode::append_utf8(out, full);
            return;
        }
        flush_high();
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            pending_high = cp;
            return;
        }
        unicode::append_utf8(out, cp);
    };
    auto invalid = [&](uint32_t at_pos) {
        if (!tok_.invalid_escape) {
            tok_.invalid_escape = true;
            tok_.invalid_escape_pos = at_pos;
        }
    };
    pos_ = from;
    bool head = false;
    while (true) {
        if (pos_ >= n) {
            error(start, "Unterminated template literal");
            tok_.kind = Tok::Eof;
            tok_.end = pos_;
            return;
        }
        char c = src_[pos_];
        if (c == '`') {
            ++pos_;
            break;
        }
        if (c == '$' && at(pos_ + 1) == '{') {
            pos_ += 2;
            head = true;
            break;
        }
        if (c == '\r') {
            // CR and CRLF are normalised to LF in both cooked and raw text.
            ++pos_;
            if (at(pos_) == '\n') ++pos_;
            flush_high();
            out.push_back('\n');
            raw.push_back('\n');
            continue;
        }
        if (c != '\\') {
            flush_high();
            out.push_back(c);
            raw.push_back(c);
            ++pos_;
            continue;
        }
        const uint32_t esc = pos_;
        ++pos_;
        if (pos_ >= n) continue;
        char e = src_[pos_];
        raw.push_back('\\');
        uint32_t raw_from = pos_;
        switch (e) {
            case 'n': emit('\n'); ++pos_; break;
            case 't': emit('\t'); ++pos_; break;
            case 'r': emit('\r'); ++pos_; break;
            case 'b': emit('\b'); ++pos_; break;
            case 'f': emit('\f'); ++pos_; break;
            case 'v': emit('\v'); ++pos_; break;
            case '\r':
                ++pos_;
                if (at(pos_) == '\n') ++pos_;
                raw.push_back('\n');
                raw_from = pos_;
                break;
            case '\n': ++pos_; break;
            case 'x': {
                int h1 = hex_value(at(pos_ + 1)), h2 = hex_value(at(pos_ + 2));
                if (h1 < 0 || h2 < 0) {
                    invalid(esc);
                    ++pos_;
                } else {
                    emit(static_cast<char32_t>(h1 * 16 + h2));
                    pos_ += 3;
                }
                break;
            }
            case 'u': {
                char32_t cp = 0;
                uint32_t q = pos_;
                if (!read_unicode_escape(q, cp)) {
                    invalid(esc);
                    ++pos_;
                } else {
                    pos_ = q;
                    emit(cp);
                }
                break;
            }
            default:
                if (e == '0' && !(at(pos_ + 1) >= '0' && at(pos_ + 1) <= '9')) {
                    emit(0);
                    ++pos_;
                } else if (e >= '0' && e <= '9') {
                    invalid(esc);
                    ++pos_;
                } else if (static_cast<unsigned char>(e) >= 0x80) {
                    unicode::Decoded d = unicode::decode_utf8(src_, pos_);
                    if (!(d.cp == 0x2028 || d.cp == 0x2029)) emit(d.cp);
                    pos_ += d.len;
                } else {
                    emit(static_cast<unsigned char>(e));
                    ++pos_;
                }
        }
        if (raw_from < pos_) raw.append(src_.substr(raw_from, pos_ - raw_from));
    }
    flush_high();
    if (tok_.invalid_escape) out.clear();
    bool continuation = src_[tok_.start] == '}';
    tok_.kind = continuation ? (head ? Tok::TemplateMiddle : Tok::TemplateTail)
                             : (head ? Tok::TemplateHead : Tok::Template);
    tok_.value_in_buf = true;
    tok_.value = out;
    tok_.value2 = raw;
    tok_.end = pos_;
}

void Lexer::rescan_template_continuation() {
    // The current token is `}` closing a substitution.
    bi_ ^= 1;
    scan_template(tok_.start + 1);
}

void Lexer::rescan_regex() {
    // The current token is `/` or `/=`.
    const uint32_t start = tok_.start;
    const uint32_t n = static_cast<uint32_t>(src_.size());
    uint32_t p = start + 1;
    bool in_class = false;
    while (true) {
        if (p >= n) {
            error(start, "Unterminated regular expression literal");
            tok_.kind = Tok::Eof;
            return;
        }
        unsigned char c = static_cast<unsigned char>(src_[p]);
        if (c == '\n' || c == '\r' ||
            (c == 0xE2 && at(p + 1) == '\x80' && (at(p + 2) == '\xA8' || at(p + 2) == '\xA9'))) {
            error(start, "Unterminated regular expression literal");
            tok_.kind = Tok::Eof;
            return;
        }
        if (c == '\\') {
            p += 1;
            if (p < n && (src_[p] == '\n' || src_[p] == '\r')) continue;
            if (p < n) p += static_cast<unsigned char>(src_[p]) >= 0x80 ? unicode::decode_utf8(src_, p).len : 1;
            continue;
        }
        if (c == '[') in_class = true;
        else if (c == ']') in_class = false;
        else if (c == '/' && !in_class) break;
        p += c >= 0x80 ? unicode::decode_utf8(src_, p).len : 1;
    }
    tok_.kind = Tok::Regex;
    tok_.value = src_.substr(start + 1, p - start - 1);
    tok_.value_in_buf = false;
    ++p;
    const uint32_t flags_start = p;
    while (p < n) {
        unsigned char c = static_cast<unsigned char>(src_[p]);
        if (is_ascii_ident_part(c)) {
            ++p;
        } else if (c >= 0x80 && is_ident_part(unicode::decode_utf8(src_, p).cp)) {
            error(p, "Invalid regular expression flag");
            tok_.kind = Tok::Eof;
            return;
        } else if (c == '\\') {
            error(p, "Invalid regular expression flag");
            tok_.kind = Tok::Eof;
            return;
        } else {
            break;
        }
    }
    tok_.value2 = src_.substr(flags_start, p - flags_start);
    for (size_t i = 0; i < tok_.value2.size(); ++i) {
        char f = tok_.value2[i];
        if (std::strchr("dgimsuyv", f) == nullptr ||
            tok_.value2.find(f, i + 1) != std::string_view::npos) {
            error(flags_start + static_cast<uint32_t>(i), "Invalid regular expression flag");
            tok_.kind = Tok::Eof;
            return;
        }
    }
    pos_ = p;
    tok_.end = p;
}

void Lexer::extend_jsx_identifier() {
    // JSX names may contain '-' after the first character (`data-id`, `aria-label`).
    if (at(pos_) != '-') return;
    while (pos_ < src_.size()) {
        unsigned char c = static_cast<unsigned char>(src_[pos_]);
        if (c == '-' || is_ascii_ident_part(c)) {
            ++pos_;
        } else if (c >= 0x80) {
            unicode::Decoded d = unicode::decode_utf8(src_, pos_);
            if (!d.valid || !is_ident_part(d.cp)) break;
            pos_ += d.len;
        } else {
            break;
        }
    }
    tok_.value = src_.substr(tok_.start, pos_ - tok_.start);
    tok_.value_in_buf = false;
    tok_.kw = Kw::None;
    tok_.end = pos_;
}

void Lexer::rescan_greater() {
    if (tok_.kind != Tok::Gt) return;
    uint32_t p = tok_.end;
    if (at(p) == '=') {
        tok_.kind = Tok::GtEq;
        ++p;
    } else if (at(p) == '>') {
        ++p;
        if (at(p) == '>') {
            ++p;
            if (at(p) == '=') {
                tok_.kind = Tok::UShrEq;
                ++p;
            } else {
                tok_.kind = Tok::UShr;
            }
        } else if (at(p) == '=') {
            tok_.kind = Tok::ShrEq;
            ++p;
        } else {
            tok_.kind = Tok::Shr;
        }
    }
    tok_.end = pos_ = p;
}

void Lexer::rescan_less_than() {
    if (tok_.kind == Tok::Shl || tok_.kind == Tok::LtEq || tok_.kind == Tok::ShlEq) {
        tok_.kind = Tok::Lt;
        tok_.end = pos_ = tok_.start + 1;
    }
}

void Lexer::rescan_as_single_greater() {
    tok_.kind = Tok::Gt;
    tok_.end = pos_ = tok_.start + 1;
}

void Lexer::scan_jsx_text() {
    const uint32_t n = static_cast<uint32_t>(src_.size());
    uint32_t p = pos_;
    if (p >= n) {
        tok_.kind = Tok::Eof;
        tok_.end = p;
        return;
    }
    if (src_[p] == '{' || src_[p] == '<') {
        tok_.kind = src_[p] == '{' ? Tok::LBrace : Tok::Lt;
        pos_ = tok_.end = p + 1;
        return;
    }
    while (p < n && src_[p] != '{' && src_[p] != '<') {
        if (src_[p] == '>' || src_[p] == '}') {
            std::string message("Unexpected token '");
            message.push_back(src_[p]);
            message.append("' in JSX text. Did you mean `{'");
            message.push_back(src_[p]);
            message.append("'}`?");
            error(p, std::move(message));
            tok_.kind = Tok::Eof;
            tok_.end = pos_ = p;
            return;
        }
        ++p;
    }
    tok_.kind = Tok::JsxText;
    tok_.value = src_.substr(pos_, p - pos_);
    pos_ = tok_.end = p;
}

}  // namespace corvane::parser
