#include "vm/builtins/string_methods.h"

#include <algorithm>
#include <array>
#include <functional>
#include <iterator>
#include <limits>
#include <vector>

#include "unicode.h"
#include "unicode_case_context.h"
#include "vm/builtins/call_builtin.h"

namespace corvane {

// ---------------------------------------------------------------------------
// Text helpers

namespace text {

Char decode_at(std::string_view s, size_t pos) {
    const unicode::Decoded d = unicode::decode_utf8(s, pos);
    return {d.cp, d.len};
}

size_t count_chars(std::string_view s) {
    size_t count = 0;
    for (size_t i = 0; i < s.size(); ++count) {
        i += static_cast<unsigned char>(s[i]) < 0x80 ? 1 : decode_at(s, i).len;
    }
    return count;
}

size_t char_start(std::string_view s, size_t pos) {
    // A character is at most four bytes: at most three continuation bytes to step over.
    for (int steps = 0; steps < 3 && pos > 0 && pos < s.size(); ++steps) {
        if ((static_cast<unsigned char>(s[pos]) & 0xC0) != 0x80) break;
        --pos;
    }
    return pos;
}

bool is_white_space(char32_t cp) {
    if (cp < 0x80) return (cp >= 0x09 && cp <= 0x0D) || cp == 0x20;
    return unicode::is_white_space(cp);
}

namespace {
bool is_ascii_white_space(unsigned char b) {
    return (b >= 0x09 && b <= 0x0D) || b == 0x20;
}
}  // namespace

std::string_view trim_white_space(std::string_view s, bool leading, bool trailing) {
    if (leading) {
        size_t i = 0;
        while (i < s.size()) {
            const auto b = static_cast<unsigned char>(s[i]);
            if (b < 0x80) {
                if (!is_ascii_white_space(b)) break;
                ++i;
                continue;
            }
            const Char c = decode_at(s, i);
            if (!is_white_space(c.cp)) break;
            i += c.len;
        }
        s.remove_prefix(i);
    }
    if (trailing) {
        size_t end = s.size();
        while (end > 0) {
            const auto b = static_cast<unsigned char>(s[end - 1]);
            if (b < 0x80) {
                if (!is_ascii_white_space(b)) break;
                --end;
                continue;
            }
            const size_t start = char_start(s, end - 1);
            const Char c = decode_at(s, start);
            if (start + c.len != end || !is_white_space(c.cp)) break;
            end = start;
        }
        s = s.substr(0, end);
    }
    return s;
}

}  // namespace text

// ---------------------------------------------------------------------------
// The methods

namespace {

using builtin_args::integer_or;
using builtin_args::relative_position;
using builtin_args::TextArg;

// Texts that grow may not pass the string limit (nor, for a receiver that is already
// longer, the receiver's own length).
size_t growth_limit(std::string_view s) {
    return std::max(kMaxStringBytes, s.size());
}

Result<Value> allocation_failure() {
    return fail(CorvaneError::allocation_limit_exceeded());
}

// Bytes scanned between two budget charges in the text loops below.
constexpr size_t kScanChunk = 1 << 16;

// Finds a literal needle in a text. Short needles use the library's first-byte scan; long
// ones a Boyer-Moore searcher built once, so repeated searches (split, replaceAll) and
// pathological texts stay linear. The text is searched in windows so that the budget sees
// the work of one long search.
class TextFinder {
  public:
    explicit TextFinder(std::string_view needle) : needle_(needle) {
        if (needle.size() > kShortNeedle) {
            forward_.emplace(needle.begin(), needle.end());
        }
    }

    // The first occurrence at or after `from`, or npos.
    Result<size_t> find(RunBudget& budget, std::string_view hay, size_t from) const {
        const size_t m = needle_.size();
        if (from > hay.size()) return std::string_view::npos;
        if (m == 0) return from;
        const size_t step = std::max(kScanChunk, m);
        for (size_t pos = from; pos < hay.size() && hay.size() - pos >= m; pos += step) {
            const size_t window_end = std::min(hay.size(), pos + step + m - 1);
            const std::string_view window = hay.substr(pos, window_end - pos);
            size_t hit;
            if (forward_) {
                auto found = std::search(window.begin(), window.end(), *forward_);
                hit = found == window.end() ? std::string_view::npos
                                            : static_cast<size_t>(found - window.begin());
            } else {
                hit = window.find(needle_);
            }
            if (hit != std::string_view::npos) return pos + hit;
            if (auto r = budget.charge(window.size()); !r) return fail(r.error());
        }
        return std::string_view::npos;
    }

    // The last occurrence, or npos.
    Result<size_t> rfind(RunBudget& budget, std::string_view hay) const {
        const size_t m = needle_.size();
        if (m == 0) return hay.size();
        if (m > hay.size()) return std::string_view::npos;
        const size_t step = std::max(kScanChunk, m);
        // Candidate starts are searched in blocks [lo, hi), from the end backwards.
        size_t hi = hay.size() - m + 1;
        while (hi > 0) {
            const size_t lo = hi > step ? hi - step : 0;
            const std::string_view window = hay.substr(lo, hi - lo + m - 1);
            size_t hit = std::string_view::npos;
            if (m > kShortNeedle) {
                if (!backward_) backward_.emplace(needle_.rbegin(), needle_.rend());
                auto found = std::search(window.rbegin(), window.rend(), *backward_);
                if (found != window.rend()) {
                    hit = window.size() - static_cast<size_t>(found - window.rbegin()) - m;
                }
            } else {
                hit = window.rfind(needle_);
            }
            if (hit != std::string_view::npos) return lo + hit;
            if (auto r = budget.charge(window.size()); !r) return fail(r.error());
            hi = lo;
        }
        return std::string_view::npos;
    }

  private:
    static constexpr size_t kShortNeedle = 16;
    using Forward = std::boyer_moore_searcher<std::string_view::const_iterator>;
    using Backward = std::boyer_moore_searcher<std::string_view::const_reverse_iterator>;

    std::string_view needle_;
    std::optional<Forward> forward_;
    mutable std::optional<Backward> backward_;
};

struct Call {
    RunBudget& budget;
    const Value& receiver;
    std::string_view s;
    std::span<const Value> args;

    bool has(size_t i) const { return i < args.size(); }
    Result<TextArg> text(size_t i, size_t cap) const {
        return builtin_args::text_arg(budget, args[i], cap);
    }
};

Value string_value(std::string_view s) {
    return Value::string(s);
}

// The byte offset of character number `index`, or nullopt when the text is shorter.
Result<std::optional<size_t>> char_offset(RunBudget& budget, std::string_view s, uint64_t index) {
    size_t pos = 0, since_charge = 0;
    for (uint64_t i = 0; i < index; ++i) {
        if (pos >= s.size()) return std::nullopt;
        const size_t len =
            static_cast<unsigned char>(s[pos]) < 0x80 ? 1 : text::decode_at(s, pos).len;
        pos += len;
        if ((since_charge += len) >= kScanChunk) {
            if (auto r = budget.charge(since_charge); !r) return fail(r.error());
            since_charge = 0;
        }
    }
    if (pos >= s.size()) return std::nullopt;
    return pos;
}

Result<size_t> counted_chars(RunBudget& budget, std::string_view s) {
    if (auto r = budget.charge(s.size()); !r) return fail(r.error());
    return text::count_chars(s);
}

// The character at `index` as a one-character text (negative indices have no character).
Result<std::optional<std::string_view>> char_at(RunBudget& budget, std::string_view s,
                                                int64_t index) {
    if (index < 0) return std::nullopt;
    auto off = char_offset(budget, s, static_cast<uint64_t>(index));
    if (!off) return fail(off.error());
    if (!*off) return std::nullopt;
    return s.substr(**off, text::decode_at(s, **off).len);
}

Result<Value> m_at(Call& c) {
    int64_t index = integer_or(c.args, 0, 0);
    if (index < 0) {
        auto count = counted_chars(c.budget, c.s);
        if (!count) return fail(count.error());
        index = static_cast<int64_t>(relative_position(index, *count));
    }
    auto ch = char_at(c.budget, c.s, index);
    if (!ch) return fail(ch.error());
    return *ch ? string_value(**ch) : Value::undefined();
}

Result<Value> m_char_at(Call& c) {
    auto ch = char_at(c.budget, c.s, integer_or(c.args, 0, 0));
    if (!ch) return fail(ch.error());
    return string_value(ch->value_or(std::string_view()));
}

Result<Value> m_char_code_at(Call& c) {
    auto ch = char_at(c.budget, c.s, integer_or(c.args, 0, 0));
    if (!ch) return fail(ch.error());
    if (!*ch) return Value::number(std::numeric_limits<double>::quiet_NaN());
    return Value::integer(text::decode_at(**ch, 0).cp);
}

// The needle of indexOf and its relatives. A needle longer than the text cannot occur in
// it, so it is never built past that length (nullopt).
Result<std::optional<std::string>> needle_arg(Call& c, size_t i) {
    if (!c.has(i)) return std::string();
    auto arg = c.text(i, c.s.size());
    if (!arg) return fail(arg.error());
    if (!arg->complete) return std::nullopt;
    return std::move(arg->text);
}

Result<Value> m_index_of(Call& c) {
    auto needle = needle_arg(c, 0);
    if (!needle) return fail(needle.error());
    if (!*needle) return Value::integer(-1);
    auto at = TextFinder(**needle).find(c.budget, c.s, 0);
    if (!at) return fail(at.error());
    return Value::integer(*at == std::string_view::npos ? -1 : static_cast<int64_t>(*at));
}

Result<Value> m_last_index_of(Call& c) {
    auto needle = needle_arg(c, 0);
    if (!needle) return fail(needle.error());
    if (!*needle) return Value::integer(-1);
    auto at = TextFinder(**needle).rfind(c.budget, c.s);
    if (!at) return fail(at.error());
    return Value::integer(*at == std::string_view::npos ? -1 : static_cast<int64_t>(*at));
}

Result<Value> m_includes(Call& c) {
    auto needle = needle_arg(c, 0);
    if (!needle) return fail(needle.error());
    if (!*needle) return Value::boolean(false);
    auto at = TextFinder(**needle).find(c.budget, c.s, 0);
    if (!at) return fail(at.error());
    return Value::boolean(*at != std::string_view::npos);
}

Result<Value> m_starts_with(Call& c) {
    auto needle = needle_arg(c, 0);
    if (!needle) return fail(needle.error());
    return Value::boolean(*needle && c.s.starts_with(**needle));
}

Result<Value> m_ends_with(Call& c) {
    auto needle = needle_arg(c, 0);
    if (!needle) return fail(needle.error());
    return Value::boolean(*needle && c.s.ends_with(**needle));
}

// The text between two byte offsets (start <= end <= size), both moved back to the start
// of the character they fall inside so that no character is ever split.
Value byte_range(const Call& c, size_t start, size_t end) {
    start = text::char_start(c.s, start);
    end = text::char_start(c.s, end);
    if (start == 0 && end == c.s.size()) return c.receiver;
    return string_value(c.s.substr(start, end - start));
}

Result<Value> m_slice(Call& c) {
    const uint64_t len = c.s.size();
    const uint64_t start = relative_position(integer_or(c.args, 0, 0), len);
    const uint64_t end = c.has(1) ? relative_position(integer_or(c.args, 1, 0), len) : len;
    if (start < end && start <= len) return byte_range(c, start, std::min(end, len));
    return string_value("");
}

Result<Value> m_substring(Call& c) {
    const int64_t len = static_cast<int64_t>(c.s.size());
    const int64_t a = std::clamp<int64_t>(integer_or(c.args, 0, 0), 0, len);
    const int64_t b = std::clamp<int64_t>(integer_or(c.args, 1, len), 0, len);
    return byte_range(c, static_cast<size_t>(std::min(a, b)), static_cast<size_t>(std::max(a, b)));
}

Result<Value> split_chars(Call& c) {
    Array out;
    // One shared text per ASCII character: a long ASCII text splits without allocating a
    // new text per piece.
    std::array<Value, 128> ascii;
    for (size_t i = 0; i < c.s.size();) {
        const auto b = static_cast<unsigned char>(c.s[i]);
        if (b < 0x80) {
            if (ascii[b].is_undefined()) ascii[b] = string_value(c.s.substr(i, 1));
            out.push_back(ascii[b]);
            ++i;
        } else {
            const size_t len = text::decode_at(c.s, i).len;
            out.push_back(string_value(c.s.substr(i, len)));
            i += len;
        }
        if ((out.size() & 1023) == 0) {
            if (auto r = c.budget.charge(1024 * RunBudget::kElementWork); !r)
                return fail(r.error());
        }
    }
    return Value::array(std::move(out));
}

Result<Value> m_split(Call& c) {
    if (!c.has(0)) return split_chars(c);
    auto sep = needle_arg(c, 0);
    if (!sep) return fail(sep.error());
    if (!*sep) return Value::array(Array{c.receiver});
    if ((*sep)->empty()) return split_chars(c);
    const TextFinder finder(**sep);
    Array out;
    size_t start = 0;
    for (;;) {
        auto at = finder.find(c.budget, c.s, start);
        if (!at) return fail(at.error());
        if (*at == std::string_view::npos) break;
        out.push_back(string_value(c.s.substr(start, *at - start)));
        if (auto r = c.budget.charge(RunBudget::kElementWork + (*at - start)); !r) {
            return fail(r.error());
        }
        start = *at + (*sep)->size();
    }
    if (start == 0) {
        out.push_back(c.receiver);
    } else {
        out.push_back(string_value(c.s.substr(start)));
    }
    return Value::array(std::move(out));
}

Result<Value> trimmed(Call& c, bool leading, bool trailing) {
    const std::string_view t = text::trim_white_space(c.s, leading, trailing);
    if (t.size() == c.s.size()) return c.receiver;
    return string_value(t);
}

Result<Value> m_trim(Call& c) {
    return trimmed(c, true, true);
}
Result<Value> m_trim_start(Call& c) {
    return trimmed(c, true, false);
}
Result<Value> m_trim_end(Call& c) {
    return trimmed(c, false, true);
}

// Whether the capital sigma at byte `pos` (of `len` bytes) ends a word: a cased letter comes
// before it and none after it, skipping case-ignorable characters (apostrophes, combining
// marks) on both sides. Each run of ignorable characters is scanned by at most its two
// neighbours, so a whole text costs linear time.
bool is_final_sigma(std::string_view s, size_t pos, size_t len) {
    bool cased_before = false;
    for (size_t end = pos; end > 0;) {
        const size_t start = text::char_start(s, end - 1);
        const char32_t cp = text::decode_at(s, start).cp;
        if (!unicode::is_case_ignorable(cp)) {
            cased_before = unicode::is_cased(cp);
            break;
        }
        end = start;
    }
    if (!cased_before) return false;
    for (size_t i = pos + len; i < s.size();) {
        const text::Char ch = text::decode_at(s, i);
        if (!unicode::is_case_ignorable(ch.cp)) return !unicode::is_cased(ch.cp);
        i += ch.len;
    }
    return true;
}

Result<Value> map_case(Call& c, bool upper) {
    const size_t limit = growth_limit(c.s);
    std::string out;
    out.reserve(c.s.size());
    size_t since_charge = 0;
    char32_t mapped[3];
    const char ascii_from = upper ? 'a' : 'A';
    const auto mapping =
        upper ? [](char32_t cp, char32_t out[3]) { return unicode::to_upper(cp, out); }
              : [](char32_t cp, char32_t out[3]) { return unicode::to_lower(cp, out); };
    for (size_t i = 0; i < c.s.size();) {
        const char byte = c.s[i];
        if (static_cast<unsigned char>(byte) < 0x80) {
            // ASCII letters map within ASCII in both directions.
            const bool letter = byte >= ascii_from && byte <= ascii_from + 25;
            out += letter ? static_cast<char>(byte ^ 0x20) : byte;
            ++i;
            if (++since_charge >= kScanChunk) {
                if (auto r = c.budget.charge(since_charge); !r) return fail(r.error());
                since_charge = 0;
            }
            continue;
        }
        const text::Char ch = text::decode_at(c.s, i);
        if (ch.cp == 0xFFFD && ch.len == 1 && static_cast<unsigned char>(c.s[i]) >= 0x80) {
            out += c.s[i];  // not a character: copied as it is
        } else if (!upper && ch.cp == 0x03A3 && is_final_sigma(c.s, i, ch.len)) {
            unicode::append_utf8(out, 0x03C2);
        } else {
            const int n = mapping(ch.cp, mapped);
            for (int k = 0; k < n; ++k) unicode::append_utf8(out, mapped[k]);
        }
        i += ch.len;
        if (out.size() > limit) return allocation_failure();
        if ((since_charge += ch.len) >= kScanChunk) {
            if (auto r = c.budget.charge(since_charge); !r) return fail(r.error());
            since_charge = 0;
        }
    }
    if (out.size() > limit) return allocation_failure();
    return string_value(out);
}

Result<Value> m_to_upper(Call& c) {
    return map_case(c, true);
}
Result<Value> m_to_lower(Call& c) {
    return map_case(c, false);
}

// `count` copies of `unit` appended to out, doubling the copied run each time.
Result<void> append_repeated(RunBudget& budget, std::string& out, std::string_view unit,
                             uint64_t count) {
    if (count == 0 || unit.empty()) return {};
    const size_t base = out.size();
    out += unit;
    uint64_t done = 1;
    while (done < count) {
        const uint64_t take = std::min(done, count - done);
        out.append(out, base, take * unit.size());
        done += take;
        if (auto r = budget.charge(take * unit.size()); !r) return fail(r.error());
    }
    return {};
}

Result<Value> m_repeat(Call& c) {
    const int64_t count = integer_or(c.args, 0, 0);
    if (count <= 0 || c.s.empty()) return string_value("");
    if (static_cast<uint64_t>(count) > kMaxStringBytes / c.s.size()) return allocation_failure();
    std::string out;
    out.reserve(c.s.size() * static_cast<size_t>(count));
    if (auto r = append_repeated(c.budget, out, c.s, static_cast<uint64_t>(count)); !r) {
        return fail(r.error());
    }
    return string_value(out);
}

Result<Value> pad(Call& c, bool at_start) {
    const int64_t target = std::max<int64_t>(0, integer_or(c.args, 0, 0));
    if (c.s.size() >= static_cast<uint64_t>(target)) return c.receiver;
    const size_t limit = growth_limit(c.s);
    TextArg filler{" ", true};
    if (c.has(1)) {
        auto arg = c.text(1, limit);
        if (!arg) return fail(arg.error());
        filler = std::move(*arg);
    }
    if (filler.text.empty()) return c.receiver;
    // The pad takes `needed` characters of the filler repeated over and over.
    const uint64_t needed = static_cast<uint64_t>(target) - c.s.size();
    const std::string_view f = filler.text;
    const uint64_t filler_chars = text::count_chars(f);
    if (auto r = c.budget.charge(f.size()); !r) return fail(r.error());
    uint64_t whole = needed / filler_chars;
    uint64_t rest = needed % filler_chars;
    if (!filler.complete && whole > 0) {
        // More than the whole known prefix (already longer than the limit) is needed.
        return allocation_failure();
    }
    if (whole > limit / f.size()) return allocation_failure();
    size_t rest_bytes = 0;
    for (uint64_t k = 0; k < rest; ++k) rest_bytes += text::decode_at(f, rest_bytes).len;
    const uint64_t total = c.s.size() + whole * f.size() + rest_bytes;
    if (total > limit) return allocation_failure();

    std::string out;
    out.reserve(total);
    if (!at_start) out += c.s;
    if (auto r = append_repeated(c.budget, out, f, whole); !r) return fail(r.error());
    out += f.substr(0, rest_bytes);
    if (at_start) out += c.s;
    return string_value(out);
}

Result<Value> m_pad_start(Call& c) {
    return pad(c, true);
}
Result<Value> m_pad_end(Call& c) {
    return pad(c, false);
}

Result<Value> m_concat(Call& c) {
    if (c.args.empty()) return c.receiver;
    const size_t limit = growth_limit(c.s);
    std::string out(c.s);
    for (const Value& arg : c.args) {
        auto fits = builtin_args::append_js_text(c.budget, out, arg, limit);
        if (!fits) return fail(fits.error());
        if (!*fits) return allocation_failure();
    }
    return string_value(out);
}

Result<Value> m_replace(Call& c) {
    auto pattern = needle_arg(c, 0);
    if (!pattern) return fail(pattern.error());
    if (!*pattern) return c.receiver;
    auto at = TextFinder(**pattern).find(c.budget, c.s, 0);
    if (!at) return fail(at.error());
    if (*at == std::string_view::npos) return c.receiver;
    const size_t limit = growth_limit(c.s);
    TextArg replacement;
    if (c.has(1)) {
        auto arg = c.text(1, limit);
        if (!arg) return fail(arg.error());
        replacement = std::move(*arg);
    }
    const size_t total = c.s.size() - (*pattern)->size() + replacement.text.size();
    if (!replacement.complete || total > limit) return allocation_failure();
    std::string out;
    out.reserve(total);
    out.append(c.s.substr(0, *at));
    out += replacement.text;
    out.append(c.s.substr(*at + (*pattern)->size()));
    return string_value(out);
}

Result<Value> m_replace_all(Call& c) {
    auto pattern = needle_arg(c, 0);
    if (!pattern) return fail(pattern.error());
    if (!*pattern) return c.receiver;
    const size_t limit = growth_limit(c.s);
    TextArg replacement;
    if (c.has(1)) {
        auto arg = c.text(1, limit);
        if (!arg) return fail(arg.error());
        replacement = std::move(*arg);
    }
    const std::string_view r = replacement.text;
    std::string out;
    if ((*pattern)->empty()) {
        // The replacement goes before every character and at the end.
        auto chars = counted_chars(c.budget, c.s);
        if (!chars) return fail(chars.error());
        const uint64_t inserts = *chars + 1;
        if (!r.empty() && (!replacement.complete || inserts > (limit - c.s.size()) / r.size())) {
            return allocation_failure();
        }
        out.reserve(c.s.size() + inserts * r.size());
        for (size_t i = 0; i < c.s.size();) {
            const size_t len = text::decode_at(c.s, i).len;
            out += r;
            out.append(c.s.substr(i, len));
            i += len;
            if (auto ok = c.budget.charge(len + r.size()); !ok) return fail(ok.error());
        }
        out += r;
        return string_value(out);
    }
    const TextFinder finder(**pattern);
    size_t start = 0;
    for (;;) {
        auto at = finder.find(c.budget, c.s, start);
        if (!at) return fail(at.error());
        if (*at == std::string_view::npos) break;
        if (!replacement.complete) return allocation_failure();
        // What is written so far, plus this replacement, plus the untouched rest.
        if (out.size() + (*at - start) + r.size() + (c.s.size() - *at - (*pattern)->size()) >
            limit) {
            return allocation_failure();
        }
        out.append(c.s.substr(start, *at - start));
        out += r;
        if (auto ok = c.budget.charge(RunBudget::kElementWork + (*at - start) + r.size()); !ok) {
            return fail(ok.error());
        }
        start = *at + (*pattern)->size();
    }
    if (start == 0) return c.receiver;
    out.append(c.s.substr(start));
    return string_value(out);
}

using Method = Result<Value> (*)(Call&);

struct Entry {
    std::string_view name;
    Method method;
};

// Sorted by name for the binary search below.
constexpr std::array kMethods = {
    Entry{"at", m_at},
    Entry{"charAt", m_char_at},
    Entry{"charCodeAt", m_char_code_at},
    Entry{"concat", m_concat},
    Entry{"endsWith", m_ends_with},
    Entry{"includes", m_includes},
    Entry{"indexOf", m_index_of},
    Entry{"lastIndexOf", m_last_index_of},
    Entry{"padEnd", m_pad_end},
    Entry{"padStart", m_pad_start},
    Entry{"repeat", m_repeat},
    Entry{"replace", m_replace},
    Entry{"replaceAll", m_replace_all},
    Entry{"slice", m_slice},
    Entry{"split", m_split},
    Entry{"startsWith", m_starts_with},
    Entry{"substring", m_substring},
    Entry{"toLowerCase", m_to_lower},
    Entry{"toUpperCase", m_to_upper},
    Entry{"trim", m_trim},
    Entry{"trimEnd", m_trim_end},
    Entry{"trimLeft", m_trim_start},
    Entry{"trimRight", m_trim_end},
    Entry{"trimStart", m_trim_start},
};

static_assert(std::ranges::is_sorted(kMethods, {}, &Entry::name));

}  // namespace

std::optional<Result<Value>> call_string_method(RunBudget& budget, const Value& receiver,
                                                std::string_view method,
                                                std::span<const Value> args) {
    if (!receiver.is_string()) return std::nullopt;
    auto it = std::ranges::lower_bound(kMethods, method, {}, &Entry::name);
    if (it == kMethods.end() || it->name != method) return std::nullopt;
    Call call{budget, receiver, receiver.as_str_view(), args};
    return it->method(call);
}

}  // namespace corvane
