// Lexer: numeric literal values and errors, string and identifier escapes, regular
// expressions re-scanned on demand, template pieces, positions in messages.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "parser/lexer.h"
#include "parser/parser_internal.h"

namespace corvane::parser {
namespace {

struct CollectingSink final : DiagSink {
    std::vector<std::string> messages;
    void error(uint32_t, std::string message) override {
        if (failed_) return;
        failed_ = true;
        messages.push_back(std::move(message));
    }
};

struct Lexed {
    Token tok;
    std::string value;
    std::string value2;
    std::vector<std::string> errors;
};

Lexed lex_one(std::string_view text) {
    CollectingSink sink;
    Lexer lx(text, sink);
    lx.next();
    Lexed out{lx.tok(), std::string(lx.tok().value), std::string(lx.tok().value2), sink.messages};
    return out;
}

TEST(LexerNumbers, ValuesInEveryBase) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"0", 0},
        {"42", 42},
        {"1_000_000", 1000000},
        {".5", 0.5},
        {"5.", 5},
        {"1e3", 1000},
        {"1E-3", 0.001},
        {"2.5e+2", 250},
        {"1_0.2_5e1_0", 10.25e10},
        {"0x1F", 31},
        {"0XfF", 255},
        {"0xF_F", 255},
        {"0o17", 15},
        {"0O7_7", 63},
        {"0b101", 5},
        {"0B1_1", 3},
        {"017", 15},    // legacy octal
        {"08", 8},      // leading-zero decimal
        {"09.5", 9.5},
        {"00", 0},
        {"0.1", 0.1},
        {"9007199254740993", 9007199254740992.0},  // ties to even
        {"0x20000000000001", 9007199254740992.0},
        {"0x20000000000003", 9007199254740996.0},
        {"0b11111111111111111111111111111111111111111111111111111", 9007199254740991.0},
        {"1e400", HUGE_VAL},
        {"1e-400", 0},
        {"2.2250738585072011e-308", 2.2250738585072011e-308},
    };
    for (const Case& c : cases) {
        Lexed l = lex_one(c.text);
        EXPECT_EQ(l.tok.kind, Tok::Number) << c.text;
        EXPECT_TRUE(l.errors.empty()) << c.text;
        EXPECT_EQ(l.tok.num, c.value) << c.text;
        EXPECT_EQ(l.tok.end, std::string_view(c.text).size()) << c.text;
    }
}

TEST(LexerNumbers, BigIntLiterals) {
    for (const char* text : {"10n", "0x1Fn", "0o7n", "0b1n", "1_000n", "0n"}) {
        Lexed l = lex_one(text);
        EXPECT_EQ(l.tok.kind, Tok::BigInt) << text;
        EXPECT_EQ(l.value, std::string(text, std::string_view(text).size() - 1)) << text;
    }
}

TEST(LexerNumbers, Errors) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"1__0", "Multiple consecutive numeric separators are not permitted"},
        {"1_", "Numeric separators are not allowed here"},
        {"0x_1", "Numeric separators are not allowed here"},
        {"1._5", "Numeric separators are not allowed here"},
        {"1e_5", "Numeric separators are not allowed here"},
        {"0_1", "Numeric separators are not allowed here"},
        {"0x", "Hexadecimal digit expected"},
        {"0b2", "Binary digit expected"},
        {"0o8", "Octal digit expected"},
        {"1e", "Digit expected"},
        {"3in", "An identifier or keyword cannot immediately follow a numeric literal"},
        {"1.5n", "A bigint literal must be an integer"},
        {"1e3n", "A bigint literal must be an integer"},
        {"017n", "A bigint literal cannot use a legacy octal form"},
    };
    for (const Case& c : cases) {
        Lexed l = lex_one(c.text);
        ASSERT_EQ(l.errors.size(), 1u) << c.text;
        EXPECT_EQ(l.errors[0], c.message) << c.text;
    }
}

TEST(LexerStrings, EscapesAreDecoded) {
    struct Case {
        const char* text;
        std::string value;
    };
    const Case cases[] = {
        {R"("plain")", "plain"},
        {R"('single')", "single"},
        {R"("\n\r\t\b\f\v\0")", std::string("\n\r\t\b\f\v\0", 7)},
        {R"("\x41\u0042\u{43}")", "ABC"},
        {R"("\u{1F600}")", "\xF0\x9F\x98\x80"},
        {R"("\uD83D\uDE00")", "\xF0\x9F\x98\x80"},  // surrogate pair joins
        {R"("\uD800")", "\xED\xA0\x80"},             // lone surrogate kept (WTF-8)
        {R"("\'\"\\")", "'\"\\"},
        {"\"a\\\nb\"", "ab"},        // line continuation
        {"\"a\\\r\nb\"", "ab"},      // CRLF continuation
        {R"("\101\7\08")", std::string("A\x07\x00" "8", 4)},  // legacy octal escapes
        {R"("\q\8")", "q8"},         // non-escape characters stand for themselves
        {"\"\xE2\x80\xA8\"", "\xE2\x80\xA8"},  // U+2028 allowed inside strings
        {"\"h\xC3\xA9\"", "h\xC3\xA9"},
    };
    for (const Case& c : cases) {
        Lexed l = lex_one(c.text);
        EXPECT_EQ(l.tok.kind, Tok::String) << c.text;
        EXPECT_TRUE(l.errors.empty()) << c.text;
        EXPECT_EQ(l.value, c.value) << c.text;
    }
}

TEST(LexerStrings, Errors) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"\"abc", "Unterminated string literal"},
        {"'abc\n'", "Unterminated string literal"},
        {R"("\x4")", "Hexadecimal digit expected"},
        {R"("\u12")", "Invalid Unicode escape sequence"},
        {R"("\u{110000}")", "Invalid Unicode escape sequence"},
        {R"("\u{}")", "Invalid Unicode escape sequence"},
    };
    for (const Case& c : cases) {
        Lexed l = lex_one(c.text);
        ASSERT_EQ(l.errors.size(), 1u) << c.text;
        EXPECT_EQ(l.errors[0], c.message) << c.text;
    }
}

TEST(LexerIdentifiers, EscapesUnicodeAndKeywords) {
    struct Case {
        const char* text;
        std::string name;
        Kw kw;
        bool escaped;
    };
    const Case cases[] = {
        {"abc", "abc", Kw::None, false},
        {"$_x1", "$_x1", Kw::None, false},
        {"\\u0061bc", "abc", Kw::None, true},
        {"a\\u{62}c", "abc", Kw::None, true},
        {"caf\xC3\xA9", "caf\xC3\xA9", Kw::None, false},
        {"\xE0\xB2\xA0_\xE0\xB2\xA0", "\xE0\xB2\xA0_\xE0\xB2\xA0", Kw::None, false},
        {"if", "if", Kw::If, false},
        {"\\u0069f", "if", Kw::None, true},  // escaped keywords are not keywords
        {"satisfies", "satisfies", Kw::Satisfies, false},
        {"instanceof", "instanceof", Kw::InstanceOf, false},
        {"constructor", "constructor", Kw::Constructor, false},
    };
    for (const Case& c : cases) {
        Lexed l = lex_one(c.text);
        EXPECT_EQ(l.tok.kind, Tok::Ident) << c.text;
        EXPECT_EQ(l.value, c.name) << c.text;
        EXPECT_EQ(l.tok.kw, c.kw) << c.text;
        EXPECT_EQ(l.tok.escaped, c.escaped) << c.text;
    }
    EXPECT_EQ(lex_one("\\u0031").errors.at(0), "Invalid Unicode escape sequence");
    EXPECT_EQ(lex_one("#priv").tok.kind, Tok::PrivateName);
    EXPECT_EQ(lex_one("#priv").value, "priv");
}

TEST(LexerTrivia, NewlinesCommentsAndHashbang) {
    CollectingSink sink;
    std::string_view text = "#!/usr/bin/env node\na /* x\n */ b // c\xE2\x80\xA8" "d\xE2\x80\xA9" "e\r\nf";
    Lexer lx(text, sink);
    std::vector<std::pair<std::string, bool>> toks;
    for (lx.next(); lx.tok().kind != Tok::Eof; lx.next()) {
        toks.emplace_back(std::string(lx.tok().value), lx.tok().nl_before);
    }
    const std::vector<std::pair<std::string, bool>> expected = {
        {"a", true}, {"b", true}, {"c", false}};
    ASSERT_GE(toks.size(), 3u);
    EXPECT_EQ(toks[0], expected[0]);
    EXPECT_EQ(toks[1], expected[1]);
    EXPECT_TRUE(sink.messages.empty());
}

TEST(LexerRegex, RescanProducesPatternAndFlags) {
    struct Case {
        const char* text;
        const char* pattern;
        const char* flags;
    };
    const Case cases[] = {
        {"/ab+c/gi", "ab+c", "gi"},
        {"/[/]/", "[/]", ""},
        {"/\\//", "\\/", ""},
        {"/=/", "=", ""},
        {"/a/dgimsuy", "a", "dgimsuy"},
        {"/[\\]/]+/v", "[\\]/]+", "v"},
    };
    for (const Case& c : cases) {
        CollectingSink sink;
        Lexer lx(c.text, sink);
        lx.next();
        lx.rescan_regex();
        EXPECT_EQ(lx.tok().kind, Tok::Regex) << c.text;
        EXPECT_EQ(lx.tok().value, c.pattern) << c.text;
        EXPECT_EQ(lx.tok().value2, c.flags) << c.text;
    }
    for (const char* bad : {"/abc", "/a\nb/", "/a/gg", "/a/x"}) {
        CollectingSink sink;
        Lexer lx(bad, sink);
        lx.next();
        lx.rescan_regex();
        EXPECT_EQ(sink.messages.size(), 1u) << bad;
    }
}

TEST(LexerTemplate, CookedAndRawPieces) {
    CollectingSink sink;
    Lexer lx("`a\\tb\r\nc${x}d\\u{41}`", sink);
    lx.next();
    ASSERT_EQ(lx.tok().kind, Tok::TemplateHead);
    EXPECT_EQ(lx.tok().value, "a\tb\nc");
    EXPECT_EQ(lx.tok().value2, "a\\tb\nc");
    lx.next();
    EXPECT_EQ(lx.tok().kind, Tok::Ident);
    lx.next();
    ASSERT_EQ(lx.tok().kind, Tok::RBrace);
    lx.rescan_template_continuation();
    ASSERT_EQ(lx.tok().kind, Tok::TemplateTail);
    EXPECT_EQ(lx.tok().value, "dA");
    EXPECT_EQ(lx.tok().value2, "d\\u{41}");

    Lexed bad = lex_one("`\\unicode`");
    EXPECT_TRUE(bad.tok.invalid_escape);
    EXPECT_TRUE(bad.errors.empty());  // the parser decides (allowed in tagged templates)
}

TEST(LexerGreater, CompoundOperatorsFormedOnDemand) {
    struct Case {
        const char* text;
        Tok kind;
    };
    const Case cases[] = {{">", Tok::Gt},        {">=", Tok::GtEq},     {">>", Tok::Shr},
                          {">>=", Tok::ShrEq},   {">>>", Tok::UShr},    {">>>=", Tok::UShrEq}};
    for (const Case& c : cases) {
        CollectingSink sink;
        Lexer lx(c.text, sink);
        lx.next();
        EXPECT_EQ(lx.tok().kind, Tok::Gt);
        lx.rescan_greater();
        EXPECT_EQ(lx.tok().kind, c.kind) << c.text;
    }
}

TEST(Positions, LineAndColumnInCharacters) {
    EXPECT_EQ(format_position("abc", 0), "(line 1, column 1)");
    EXPECT_EQ(format_position("abc", 2), "(line 1, column 3)");
    EXPECT_EQ(format_position("a\nb", 2), "(line 2, column 1)");
    EXPECT_EQ(format_position("a\r\nb", 3), "(line 2, column 1)");
    EXPECT_EQ(format_position("a\rb", 2), "(line 2, column 1)");
    EXPECT_EQ(format_position("a\xE2\x80\xA8" "b", 4), "(line 2, column 1)");
    EXPECT_EQ(format_position("\xC3\xA9\xC3\xA9x", 4), "(line 1, column 3)");
    EXPECT_EQ(format_position("\xF0\x9F\x98\x80x", 4), "(line 1, column 2)");
}

}  // namespace
}  // namespace corvane::parser
