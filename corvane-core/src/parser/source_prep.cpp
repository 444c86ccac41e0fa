#include "parser/source_prep.h"

#include <array>
#include <cstddef>

#include "unicode.h"

namespace corvane::front_end {

namespace {

// ---- characters ------------------------------------------------------------------------

// The code point that ends at byte `end` (exclusive) and where it starts. Invalid UTF-8
// counts one byte per character.
struct Last {
    char32_t cp;
    size_t start;
};

Last last_char(std::string_view s, size_t end) {
    size_t start = end - 1;
    size_t steps = 0;
    while (start > 0 && steps < 3 && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) {
        --start;
        ++steps;
    }
    const auto d = unicode::decode_utf8(s, start);
    if (d.valid && start + d.len == end) return {d.cp, start};
    return {static_cast<unsigned char>(s[end - 1]), end - 1};
}

bool is_ws(char32_t cp) { return unicode::is_white_space(cp); }
bool is_word_char(char32_t cp) { return cp == '_' || unicode::is_alphanumeric(cp); }

std::string_view trim_end(std::string_view s) {
    while (!s.empty()) {
        const Last l = last_char(s, s.size());
        if (!is_ws(l.cp)) break;
        s = s.substr(0, l.start);
    }
    return s;
}

std::string_view trim_start(std::string_view s) {
    while (!s.empty()) {
        const auto d = unicode::decode_utf8(s, 0);
        if (!d.valid || !is_ws(d.cp)) break;
        s.remove_prefix(d.len);
    }
    return s;
}

std::string_view trim(std::string_view s) { return trim_start(trim_end(s)); }

// ---- statement-body keywords -------------------------------------------------------------

// Strips trailing parenthesized groups, then returns the last run of word characters.
std::string_view last_word_before_groups(std::string_view p) {
    while (p.size() > 2 && p.back() == ')') {
        int depth = 0;
        size_t cut = std::string_view::npos;
        for (size_t j = p.size(); j-- > 0;) {
            if (p[j] == ')') {
                ++depth;
            } else if (p[j] == '(') {
                if (--depth == 0) {
                    cut = j;
                    break;
                }
            }
        }
        if (cut == std::string_view::npos) break;
        p = p.substr(0, cut);
    }
    p = trim_end(p);
    size_t start = p.size();
    while (start > 0) {
        const Last l = last_char(p, start);
        if (!is_word_char(l.cp)) break;
        start = l.start;
    }
    return p.substr(start);
}

bool is_statement_body_keyword(std::string_view w) {
    static constexpr std::array<std::string_view, 11> kKeywords = {
        "if", "do", "for", "try", "else", "while", "catch", "class", "switch", "finally",
        "function"};
    for (auto k : kKeywords) {
        if (w == k) return true;
    }
    return false;
}

// ---- trailing declarations -----------------------------------------------------------------
//
// Recognises the header of a declaration whose body is the final braced group: the text
// from a declaration keyword up to the brace must read as one of
//   function [*] [name] [<...>] (...) [: type]
//   class [name] [<...>] [extends heritage] [implements type, ...]
//   interface name [<...>] [extends type, ...]
//   enum name
//   namespace|module name(.name)* | module "name" | declare global
// The recogniser is a small scanner over tokens with balanced-group skipping, strict
// enough that an ordinary statement after a declaration (`class A {}\nx\n{ a: 1 }`) does
// not pass for a header.

bool is_ident_byte(unsigned char c) {
    return c == '_' || c == '$' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
           (c >= 'A' && c <= 'Z') || c >= 0x80;
}

class HeaderScanner {
public:
    HeaderScanner(std::string_view text, size_t pos) : s_(text), pos_(pos) {}

    bool at_end() {
        skip_trivia();
        return pos_ >= s_.size();
    }

    // The next word, consumed; empty (nothing consumed) when the next token is not a word.
    std::string_view word() {
        skip_trivia();
        size_t end = pos_;
        while (end < s_.size() && is_ident_byte(static_cast<unsigned char>(s_[end]))) ++end;
        if (end == pos_ || (s_[pos_] >= '0' && s_[pos_] <= '9')) return {};
        std::string_view w = s_.substr(pos_, end - pos_);
        pos_ = end;
        return w;
    }

    bool peek_word(std::string_view expected) {
        const size_t saved = pos_;
        const bool ok = word() == expected;
        pos_ = saved;
        return ok;
    }

    bool accept_word(std::string_view expected) {
        const size_t saved = pos_;
        if (word() == expected) return true;
        pos_ = saved;
        return false;
    }

    bool peek(char c) {
        skip_trivia();
        return pos_ < s_.size() && s_[pos_] == c;
    }

    bool accept(char c) {
        if (!peek(c)) return false;
        ++pos_;
        return true;
    }

    bool accept_arrow() {
        skip_trivia();
        if (s_.substr(pos_, 2) != "=>") return false;
        pos_ += 2;
        return true;
    }

    // Skips a group opened by (, [ or { up to its matching closer.
    bool group() {
        skip_trivia();
        if (pos_ >= s_.size()) return false;
        const char open = s_[pos_];
        if (open != '(' && open != '[' && open != '{') return false;
        int depth = 0;
        while (pos_ < s_.size()) {
            if (skip_literal()) continue;
            const char c = s_[pos_++];
            if (c == '(' || c == '[' || c == '{') {
                ++depth;
            } else if (c == ')' || c == ']' || c == '}') {
                if (--depth == 0) return true;
            }
        }
        return false;
    }

    // Skips `<...>` (type parameters or arguments); `=>` inside does not close it.
    bool angle_group() {
        if (!accept('<')) return false;
        int angles = 1;
        int others = 0;
        while (pos_ < s_.size()) {
            if (skip_literal()) continue;
            if (s_.substr(pos_, 2) == "=>") {
                pos_ += 2;
                continue;
            }
            const char c = s_[pos_++];
            if (c == '(' || c == '[' || c == '{') {
                ++others;
            } else if (c == ')' || c == ']' || c == '}') {
                if (--others < 0) return false;
            } else if (c == '<') {
                ++angles;
            } else if (c == '>' && --angles == 0) {
                return others == 0;
            }
        }
        return false;
    }

    // A dotted name with optional type arguments and index/call suffixes, or a group.
    bool operand() {
        skip_trivia();
        if (pos_ >= s_.size()) return false;
        const char c = s_[pos_];
        if (c == '"' || c == '\'' || c == '`') {
            if (!skip_literal()) return false;
        } else if (c == '(' || c == '[' || c == '{') {
            if (!group()) return false;
        } else if (c == '<') {
            // A generic function type: <T>(x: T) => T
            if (!angle_group() || !peek('(')) return false;
            return true;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            ++pos_;
            while (pos_ < s_.size() && (is_ident_byte(static_cast<unsigned char>(s_[pos_])) ||
                                        s_[pos_] == '.')) {
                ++pos_;
            }
        } else if (word().empty()) {
            return false;
        }
        // Suffixes: .name, <args>, [index], (call)
        for (;;) {
            if (accept('.')) {
                if (word().empty()) return false;
            } else if (peek('<')) {
                if (!angle_group()) return false;
            } else if (peek('[') || peek('(')) {
                if (!group()) return false;
            } else {
                return true;
            }
        }
    }

    // A type in the loose sense: operands joined by type operators.
    bool type() {
        static constexpr std::array<std::string_view, 8> kPrefixes = {
            "keyof", "typeof", "readonly", "unique", "infer", "asserts", "new", "abstract"};
        static constexpr std::array<std::string_view, 3> kInfix = {"extends", "is", "as"};
        accept('|') || accept('&');
        for (;;) {
            bool prefixed = true;
            while (prefixed) {
                prefixed = false;
                for (auto p : kPrefixes) {
                    // A prefix only counts when an operand follows it.
                    const size_t saved = pos_;
                    if (accept_word(p)) {
                        if (at_end() || peek(',') || peek('|') || peek('&')) {
                            pos_ = saved;
                        } else {
                            prefixed = true;
                        }
                        break;
                    }
                }
            }
            if (!operand()) return false;
            if (accept('|') || accept('&') || accept('?') || accept(':') || accept_arrow()) {
                continue;
            }
            bool infix = false;
            for (auto w : kInfix) {
                if (accept_word(w)) {
                    infix = true;
                    break;
                }
            }
            if (!infix) return true;
        }
    }

    bool type_list() {
        do {
            if (!type()) return false;
        } while (accept(','));
        return true;
    }

    bool qualified_name() {
        do {
            if (word().empty()) return false;
        } while (accept('.'));
        return true;
    }

private:
    void skip_trivia() {
        while (pos_ < s_.size()) {
            const unsigned char c = static_cast<unsigned char>(s_[pos_]);
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (c >= 0x80) {
                const auto d = unicode::decode_utf8(s_, pos_);
                if (!d.valid || !is_ws(d.cp)) return;
                pos_ += d.len;
            } else if (s_.substr(pos_, 2) == "//") {
                while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
            } else if (s_.substr(pos_, 2) == "/*") {
                const size_t end = s_.find("*/", pos_ + 2);
                pos_ = end == std::string_view::npos ? s_.size() : end + 2;
            } else {
                return;
            }
        }
    }

    // Skips a string or template literal starting at pos_; false when none starts there.
    bool skip_literal() {
        if (pos_ >= s_.size()) return false;
        const char q = s_[pos_];
        if (q != '"' && q != '\'' && q != '`') return false;
        ++pos_;
        while (pos_ < s_.size() && s_[pos_] != q) {
            if (s_[pos_] == '\\') ++pos_;
            ++pos_;
        }
        if (pos_ < s_.size()) ++pos_;
        return true;
    }

    std::string_view s_;
    size_t pos_;
};

bool function_header(HeaderScanner& sc) {
    sc.accept('*');
    if (!sc.peek('(') && !sc.peek('<')) {
        if (sc.word().empty()) return false;
    }
    if (sc.peek('<') && !sc.angle_group()) return false;
    if (!sc.peek('(') || !sc.group()) return false;
    if (sc.accept(':') && !sc.type()) return false;
    return sc.at_end();
}

bool class_header(HeaderScanner& sc) {
    if (!sc.peek_word("extends") && !sc.peek_word("implements")) sc.word();
    if (sc.peek('<') && !sc.angle_group()) return false;
    if (sc.accept_word("extends") && !sc.operand()) return false;
    if (sc.accept_word("implements") && !sc.type_list()) return false;
    return sc.at_end();
}

bool interface_header(HeaderScanner& sc) {
    if (sc.word().empty()) return false;
    if (sc.peek('<') && !sc.angle_group()) return false;
    if (sc.accept_word("extends") && !sc.type_list()) return false;
    return sc.at_end();
}

bool namespace_header(HeaderScanner& sc, bool is_module) {
    if (is_module && (sc.peek('"') || sc.peek('\''))) {
        if (!sc.operand()) return false;
    } else if (!sc.qualified_name()) {
        return false;
    }
    return sc.at_end();
}

// Whether `p` (the text before the final braced group, trailing white space removed) ends
// with the header of a function, class, interface, enum or namespace declaration.
bool ends_with_declaration_header(std::string_view p) {
    // Declaration keywords as whole words, latest first; a bounded number of candidates
    // keeps the scan linear in practice.
    constexpr int kMaxCandidates = 64;
    int tried = 0;
    size_t end = p.size();
    while (end > 0 && tried < kMaxCandidates) {
        // Find the start of the word that ends at or before `end`.
        size_t i = end;
        while (i > 0 && !is_ident_byte(static_cast<unsigned char>(p[i - 1]))) --i;
        size_t word_end = i;
        while (i > 0 && is_ident_byte(static_cast<unsigned char>(p[i - 1]))) --i;
        end = i;
        if (word_end == i) break;
        const std::string_view w = p.substr(i, word_end - i);
        const bool member_name = i > 0 && p[i - 1] == '.';
        if (member_name) continue;
        HeaderScanner sc(p, word_end);
        bool match = false;
        if (w == "function") {
            ++tried;
            match = function_header(sc);
        } else if (w == "class") {
            ++tried;
            match = class_header(sc);
        } else if (w == "interface") {
            ++tried;
            match = interface_header(sc);
        } else if (w == "enum") {
            ++tried;
            match = !sc.word().empty() && sc.at_end();
        } else if (w == "namespace" || w == "module") {
            ++tried;
            match = namespace_header(sc, w == "module");
        } else if (w == "global") {
            ++tried;
            match = sc.at_end() && trim_end(p.substr(0, i)).ends_with("declare");
        }
        if (match) return true;
    }
    return false;
}

// ---- the block's content ---------------------------------------------------------------

// A non-empty run of word characters and spaces: one shorthand property.
bool is_shorthand_piece(std::string_view piece) {
    if (piece.empty()) return false;
    size_t pos = 0;
    while (pos < piece.size()) {
        const auto d = unicode::decode_utf8(piece, pos);
        if (!d.valid) return false;
        if (d.cp != ' ' && !is_word_char(d.cp)) return false;
        pos += d.len;
    }
    return true;
}

bool looks_like_object_content(std::string_view inner) {
    if (inner.find(':') != std::string_view::npos) return true;
    size_t start = 0;
    for (;;) {
        const size_t comma = inner.find(',', start);
        const std::string_view piece =
            trim(inner.substr(start, comma == std::string_view::npos ? inner.npos
                                                                      : comma - start));
        if (!is_shorthand_piece(piece)) return false;
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

}  // namespace

std::string prepare_source(std::string_view source) {
    const std::string_view t = trim_end(source);
    if (t.empty() || t.back() != '}') return std::string(source);

    // The brace that opens the final group, counting every brace as written.
    size_t b = std::string_view::npos;
    int count = 0;
    for (size_t i = t.size(); i-- > 0;) {
        if (t[i] == '}') {
            ++count;
        } else if (t[i] == '{') {
            if (count == 1) {
                b = i;
                break;
            }
            --count;
        }
    }
    if (b == std::string_view::npos) return std::string(source);

    const std::string_view p = trim_end(t.substr(0, b));
    if (!p.empty()) {
        // Already in expression position: an argument, initializer, arrow body, element.
        if (std::string_view("(,:=>[").find(p.back()) != std::string_view::npos) {
            return std::string(source);
        }
        if (is_statement_body_keyword(last_word_before_groups(p))) return std::string(source);
        if (ends_with_declaration_header(p)) return std::string(source);
    }

    const size_t c = t.size() - 1;
    const std::string_view inner = trim(t.substr(b + 1, c - b - 1));
    if (inner.empty() || !looks_like_object_content(inner)) return std::string(source);

    std::string out;
    out.reserve(source.size() + 3);
    out.append(source.substr(0, b));
    out.append(";(");
    out.append(source.substr(b, c + 1 - b));
    out.append(")");
    out.append(source.substr(c + 1));
    return out;
}

}  // namespace corvane::front_end
