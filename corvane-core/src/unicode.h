// Unicode helpers: UTF-8 decoding and encoding, character properties (White_Space,
// identifier characters, letters and digits) and full default case mappings. The property
// and case tables are generated from the Unicode Character Database by tools/gen_unicode.py.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::unicode {

inline constexpr char32_t kReplacementChar = 0xFFFD;

struct Decoded {
    char32_t cp;   // the scalar value, or U+FFFD when the bytes are not valid UTF-8
    uint32_t len;  // bytes consumed (at least 1 when pos < size)
    bool valid;
};

// Decodes the UTF-8 sequence starting at s[pos] (pos < s.size()). Overlong forms,
// surrogates, values above U+10FFFF and truncated sequences are invalid and consume one
// byte.
Decoded decode_utf8(std::string_view s, size_t pos);

// Appends the UTF-8 encoding of cp. Surrogate code points (U+D800..U+DFFF) are encoded in
// the generalized three-byte form so that lone surrogates from string escapes survive.
void append_utf8(std::string& out, char32_t cp);

// Number of code points in valid UTF-8 text (each invalid byte counts as one).
size_t count_code_points(std::string_view s);

bool is_white_space(char32_t cp);    // White_Space property
bool is_id_start(char32_t cp);       // ID_Start property
bool is_id_continue(char32_t cp);    // ID_Continue property
bool is_alphanumeric(char32_t cp);   // general category L* or Nd

// Full default case mappings (simple mappings plus the unconditional special casings).
// Writes up to three code points into out and returns how many; a character without a
// mapping maps to itself.
int to_upper(char32_t cp, char32_t out[3]);
int to_lower(char32_t cp, char32_t out[3]);
std::string to_upper(std::string_view text);
std::string to_lower(std::string_view text);

namespace tables {

// An inclusive range of code points; tables are sorted and non-overlapping.
struct CodeRange {
    uint32_t first;
    uint32_t last;
};

// A case mapping of one code point to one to three code points.
struct CaseMapping {
    uint32_t cp;
    uint8_t count;
    uint32_t to[3];
};

extern const CodeRange kWhiteSpace[];
extern const size_t kWhiteSpace_size;
extern const CodeRange kIdStart[];
extern const size_t kIdStart_size;
extern const CodeRange kIdContinue[];
extern const size_t kIdContinue_size;
extern const CodeRange kAlphanumeric[];
extern const size_t kAlphanumeric_size;
extern const CaseMapping kUpper[];
extern const size_t kUpper_size;
extern const CaseMapping kLower[];
extern const size_t kLower_size;

}  // namespace tables
}  // namespace corvane::unicode
