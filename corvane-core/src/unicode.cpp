#include "unicode.h"

#include <algorithm>

namespace corvane::unicode {

Decoded decode_utf8(std::string_view s, size_t pos) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data()) + pos;
    const size_t avail = s.size() - pos;
    const unsigned char b0 = p[0];
    if (b0 < 0x80) return {b0, 1, true};
    uint32_t need;
    char32_t cp;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        need = 1, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        need = 2, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        need = 3, cp = b0 & 0x07, min = 0x10000;
    } else {
        return {kReplacementChar, 1, false};
    }
    if (avail <= need) return {kReplacementChar, 1, false};
    for (uint32_t i = 1; i <= need; ++i) {
        if ((p[i] & 0xC0) != 0x80) return {kReplacementChar, 1, false};
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return {kReplacementChar, 1, false};
    }
    return {cp, need + 1, true};
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp <= 0x10FFFF) {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        append_utf8(out, kReplacementChar);
    }
}

size_t count_code_points(std::string_view s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size();) {
        i += decode_utf8(s, i).len;
        ++n;
    }
    return n;
}

namespace {

bool in_table(const tables::CodeRange* table, size_t size, char32_t cp) {
    const tables::CodeRange* end = table + size;
    const auto* it = std::upper_bound(table, end, static_cast<uint32_t>(cp),
                                      [](uint32_t v, const tables::CodeRange& r) {
                                          return v < r.first;
                                      });
    return it != table && cp <= (it - 1)->last;
}

int map_case(const tables::CaseMapping* table, size_t size, char32_t cp, char32_t out[3]) {
    const tables::CaseMapping* end = table + size;
    const auto* it = std::lower_bound(
        table, end, static_cast<uint32_t>(cp),
        [](const tables::CaseMapping& m, uint32_t v) { return m.cp < v; });
    if (it == end || it->cp != cp) {
        out[0] = cp;
        return 1;
    }
    for (int i = 0; i < it->count; ++i) out[i] = it->to[i];
    return it->count;
}

std::string map_text(std::string_view text, bool upper) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            char ch = static_cast<char>(c);
            if (upper && ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
            if (!upper && ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
            out.push_back(ch);
            ++i;
            continue;
        }
        Decoded d = decode_utf8(text, i);
        if (!d.valid) {
            out.push_back(text[i]);  // keep bytes that are not UTF-8 unchanged
            ++i;
            continue;
        }
        char32_t m[3];
        const int n = upper ? to_upper(d.cp, m) : to_lower(d.cp, m);
        for (int k = 0; k < n; ++k) append_utf8(out, m[k]);
        i += d.len;
    }
    return out;
}

}  // namespace

bool is_white_space(char32_t cp) {
    return in_table(tables::kWhiteSpace, tables::kWhiteSpace_size, cp);
}
bool is_id_start(char32_t cp) {
    if (cp < 0x80) return (cp | 0x20) >= 'a' && (cp | 0x20) <= 'z';
    return in_table(tables::kIdStart, tables::kIdStart_size, cp);
}
bool is_id_continue(char32_t cp) {
    if (cp < 0x80) {
        return ((cp | 0x20) >= 'a' && (cp | 0x20) <= 'z') || (cp >= '0' && cp <= '9') ||
               cp == '_';
    }
    return in_table(tables::kIdContinue, tables::kIdContinue_size, cp);
}
bool is_alphanumeric(char32_t cp) {
    return in_table(tables::kAlphanumeric, tables::kAlphanumeric_size, cp);
}

int to_upper(char32_t cp, char32_t out[3]) {
    return map_case(tables::kUpper, tables::kUpper_size, cp, out);
}
int to_lower(char32_t cp, char32_t out[3]) {
    return map_case(tables::kLower, tables::kLower_size, cp, out);
}
std::string to_upper(std::string_view text) { return map_text(text, true); }
std::string to_lower(std::string_view text) { return map_text(text, false); }

}  // namespace corvane::unicode
