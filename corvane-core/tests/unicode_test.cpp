// UTF-8 decoding/encoding, character properties and full case mappings.
#include <gtest/gtest.h>

#include <string>

#include "unicode.h"

namespace corvane::unicode {
namespace {

TEST(Utf8, DecodesValidAndRejectsInvalidSequences) {
    struct Case {
        std::string bytes;
        char32_t cp;
        uint32_t len;
        bool valid;
    };
    const Case cases[] = {
        {"A", U'A', 1, true},
        {"\xC3\xA9", 0xE9, 2, true},
        {"\xE2\x82\xAC", 0x20AC, 3, true},
        {"\xF0\x9F\x98\x80", 0x1F600, 4, true},
        {"\xC0\x80", kReplacementChar, 1, false},          // overlong
        {"\xED\xA0\x80", kReplacementChar, 1, false},      // surrogate
        {"\xF4\x90\x80\x80", kReplacementChar, 1, false},  // above U+10FFFF
        {"\xE2\x82", kReplacementChar, 1, false},          // truncated
        {"\x80", kReplacementChar, 1, false},              // stray continuation
    };
    for (const Case& c : cases) {
        Decoded d = decode_utf8(c.bytes, 0);
        EXPECT_EQ(d.cp, c.cp);
        EXPECT_EQ(d.len, c.len);
        EXPECT_EQ(d.valid, c.valid);
    }
}

TEST(Utf8, EncodesEveryLengthAndLoneSurrogates) {
    for (char32_t cp : {char32_t{0x41}, char32_t{0xE9}, char32_t{0x20AC}, char32_t{0x1F600},
                        char32_t{0x10FFFF}}) {
        std::string s;
        append_utf8(s, cp);
        EXPECT_EQ(decode_utf8(s, 0).cp, cp);
        EXPECT_EQ(decode_utf8(s, 0).len, s.size());
    }
    std::string lone;
    append_utf8(lone, 0xD800);
    EXPECT_EQ(lone, "\xED\xA0\x80");
    EXPECT_EQ(count_code_points("a\xC3\xA9\xF0\x9F\x98\x80"), 3u);
}

TEST(Properties, WhiteSpaceIdentifiersAndAlphanumerics) {
    for (char32_t cp : {0x20, 0x09, 0x0A, 0xA0, 0x1680, 0x2003, 0x2028, 0x3000}) {
        EXPECT_TRUE(is_white_space(cp)) << std::hex << static_cast<uint32_t>(cp);
    }
    for (char32_t cp : {0x41, 0x5F, 0x200B, 0xFEFF}) EXPECT_FALSE(is_white_space(cp));
    EXPECT_TRUE(is_id_start(U'a'));
    EXPECT_TRUE(is_id_start(0xE9));     // é
    EXPECT_TRUE(is_id_start(0x0CA0));   // Kannada letter
    EXPECT_TRUE(is_id_start(0x2118));   // ℘ (Other_ID_Start)
    EXPECT_FALSE(is_id_start(U'1'));
    EXPECT_FALSE(is_id_start(0x1F600));
    EXPECT_TRUE(is_id_continue(U'1'));
    EXPECT_TRUE(is_id_continue(0x0301));  // combining acute accent
    EXPECT_TRUE(is_id_continue(0x0660));  // Arabic-Indic digit zero
    EXPECT_FALSE(is_id_continue(U'-'));
    EXPECT_TRUE(is_alphanumeric(U'z'));
    EXPECT_TRUE(is_alphanumeric(U'7'));
    EXPECT_TRUE(is_alphanumeric(0x4E2D));   // 中
    EXPECT_TRUE(is_alphanumeric(0x0660));   // Nd
    EXPECT_FALSE(is_alphanumeric(U'_'));
    EXPECT_FALSE(is_alphanumeric(0x00B2));  // superscript two is No, not Nd
    EXPECT_FALSE(is_alphanumeric(0x0301));  // Mn
}

TEST(CaseMapping, FullMappingsIncludingSpecialCasing) {
    struct Case {
        const char* in;
        const char* upper;
        const char* lower;
    };
    const Case cases[] = {
        {"abc XYZ", "ABC XYZ", "abc xyz"},
        {"stra\xC3\x9F" "e", "STRASSE", "stra\xC3\x9F" "e"},        // ß → SS
        {"\xC4\xB0", "\xC4\xB0", "i\xCC\x87"},                       // İ → i̇
        {"\xEF\xAC\x81", "FI", "\xEF\xAC\x81"},                      // ﬁ ligature
        {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9"},
        {"\xCE\xA3\xCE\xB1", "\xCE\xA3\xCE\x91", "\xCF\x83\xCE\xB1"},  // Σα
        {"\xD0\x9F\xD1\x80\xD0\xB8", "\xD0\x9F\xD0\xA0\xD0\x98", "\xD0\xBF\xD1\x80\xD0\xB8"},
        {"\xC5\x89", "\xCA\xBCN", "\xC5\x89"},  // ŉ → ʼN
        {"1\xE2\x82\xAC!", "1\xE2\x82\xAC!", "1\xE2\x82\xAC!"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(to_upper(c.in), c.upper) << c.in;
        EXPECT_EQ(to_lower(c.in), c.lower) << c.in;
    }
    char32_t out[3];
    EXPECT_EQ(to_upper(0x1F0, out), 2);  // ǰ → J̌
    EXPECT_EQ(out[0], U'J');
    EXPECT_EQ(out[1], char32_t{0x30C});
    EXPECT_EQ(to_upper("\xFF" "a"), "\xFF" "A");  // invalid bytes are kept
}

}  // namespace
}  // namespace corvane::unicode
