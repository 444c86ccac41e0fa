// Walking UTF-8 text by Unicode scalar value. Texts are valid UTF-8 by construction; a
// stray byte still advances by one so no walk can stall.
#pragma once

#include <cstddef>
#include <string_view>

namespace corvane::utf8 {

// Length in bytes of the scalar starting with lead byte `c`.
inline size_t sequence_length(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c >> 5) == 0x6) return 2;
    if ((c >> 4) == 0xE) return 3;
    if ((c >> 3) == 0x1E) return 4;
    return 1;
}

// Byte length of the scalar at `pos`, clipped to the end of the text.
inline size_t scalar_bytes(std::string_view s, size_t pos) {
    size_t n = sequence_length(static_cast<unsigned char>(s[pos]));
    return n <= s.size() - pos ? n : s.size() - pos;
}

inline size_t count_scalars(std::string_view s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); i += scalar_bytes(s, i)) ++n;
    return n;
}

// Calls f(std::string_view scalar) for each scalar in order.
template <class F>
void for_each_scalar(std::string_view s, F&& f) {
    for (size_t i = 0; i < s.size();) {
        size_t n = scalar_bytes(s, i);
        f(s.substr(i, n));
        i += n;
    }
}

}  // namespace corvane::utf8
