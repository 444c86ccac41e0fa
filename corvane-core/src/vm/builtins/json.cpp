#include "vm/builtins/json.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <unordered_map>

#include "number_text.h"
#include "vm/builtins/string_methods.h"

namespace corvane {

// ---------------------------------------------------------------------------
// Writing

namespace {

Result<void> too_long() {
    return fail(CorvaneError::allocation_limit_exceeded());
}

// Room left in `out` before it passes the string limit.
size_t room(const std::string& out) {
    return out.size() >= kMaxStringBytes ? 0 : kMaxStringBytes - out.size();
}

Result<void> append_checked(std::string& out, std::string_view text) {
    if (text.size() > room(out)) return too_long();
    out += text;
    return {};
}

Result<void> append_json_string(std::string& out, std::string_view s) {
    size_t escapes = 0;
    for (char ch : s) escapes += (ch == '\\' || ch == '"');
    if (s.size() + escapes + 2 > room(out)) return too_long();
    out += '"';
    if (escapes == 0) {
        out += s;
    } else {
        for (char ch : s) {
            if (ch == '\\' || ch == '"') out += '\\';
            out += ch;
        }
    }
    out += '"';
    return {};
}

Result<void> append_json_scalar(std::string& out, const Value& v) {
    switch (v.tag()) {
        case Tag::Null:
            return append_checked(out, "null");
        case Tag::Bool:
            return append_checked(out, v.as_bool() ? "true" : "false");
        case Tag::Int: {
            char buf[24];
            auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v.as_int());
            (void)ec;
            return append_checked(out, std::string_view(buf, static_cast<size_t>(end - buf)));
        }
        case Tag::Float: {
            const double d = v.as_float();
            if (!std::isfinite(d)) return append_checked(out, "null");
            return append_checked(out, number_to_text(d));
        }
        case Tag::String:
            return append_json_string(out, v.as_str_view());
        default:
            return append_checked(out, "undefined");
    }
}

}  // namespace

Result<std::string> value_to_json(RunBudget& budget, const Value& value) {
    std::string out;
    // One frame per open array or object: the container and the next position in it.
    struct Frame {
        const Value* container;
        size_t next;
    };
    std::vector<Frame> stack;

    auto open = [&](const Value& v) -> Result<void> {
        if (v.is_array()) {
            stack.push_back({&v, 0});
            return append_checked(out, "[");
        }
        if (v.is_object()) {
            stack.push_back({&v, 0});
            return append_checked(out, "{");
        }
        return append_json_scalar(out, v);
    };

    if (auto r = open(value); !r) return fail(r.error());
    while (!stack.empty()) {
        Frame& top = stack.back();
        const Value& c = *top.container;
        const bool is_array = c.is_array();
        const size_t size = is_array ? c.as_array().size() : c.as_object().size();
        if (top.next == size) {
            stack.pop_back();
            if (auto r = append_checked(out, is_array ? "]" : "}"); !r) return fail(r.error());
            continue;
        }
        const size_t i = top.next++;
        if (i > 0) {
            if (auto r = append_checked(out, ","); !r) return fail(r.error());
        }
        const Value* element;
        uint64_t work = RunBudget::kElementWork;
        if (is_array) {
            element = &c.as_array()[i];
        } else {
            const ObjectMap::Entry& entry = c.as_object().entries()[i];
            const std::string_view key = entry.key.view();
            if (key.size() + 3 > room(out)) return fail(CorvaneError::allocation_limit_exceeded());
            out += '"';
            out += key;
            out += "\":";
            work += key.size();
            element = &entry.value;
        }
        if (element->is_string()) work += element->as_str_view().size();
        // `top` may dangle after open() pushes a frame; it is not used below.
        if (auto r = open(*element); !r) return fail(r.error());
        if (auto r = budget.charge(work); !r) return fail(r.error());
    }
    return out;
}

// ---------------------------------------------------------------------------
// Reading

namespace {

// Where a left-to-right scan stands with respect to strings: a double quote outside a
// string opens one; inside, it closes it unless an odd number of backslashes precedes it.
class StringTracker {
  public:
    // Feeds one byte; true when the byte stands outside every string and is not a quote.
    bool outside(char ch) {
        if (in_string_) {
            if (ch == '\\') {
                ++backslashes_;
                return false;
            }
            if (ch == '"' && backslashes_ % 2 == 0) in_string_ = false;
            backslashes_ = 0;
            return false;
        }
        in_string_ = ch == '"';
        return !in_string_;
    }

  private:
    size_t backslashes_ = 0;
    bool in_string_ = false;
};

// Splits the inside of an array or object one piece at a time, so that the reader can
// stop at the first failing member without cutting the rest.
class PieceScanner {
  public:
    explicit PieceScanner(std::string_view text) : text_(text) {}

    // The next piece, or nullopt at the end.
    Result<std::optional<std::string_view>> next(RunBudget& budget) {
        if (done_) return std::nullopt;
        const size_t start = pos_;
        const size_t n = text_.size();
        size_t i = pos_;
        while (i < n) {
            const char ch = text_[i];
            if (!tracker_.outside(ch) || !kSpecial[static_cast<unsigned char>(ch)]) {
                ++i;
                continue;
            }
            if (ch == '[' || ch == '{') {
                ++level_;
            } else if (ch == ']' || ch == '}') {
                --level_;
            } else if (ch == ',' && level_ == 0) {
                pos_ = i + 1;
                if (auto r = budget.charge(i - start + RunBudget::kElementWork); !r) {
                    return fail(r.error());
                }
                return text_.substr(start, i - start);
            }
            ++i;
        }
        done_ = true;
        if (auto r = budget.charge(n - start + RunBudget::kElementWork); !r) {
            return fail(r.error());
        }
        if (start == n) return std::nullopt;
        return text_.substr(start);
    }

  private:
    static constexpr std::array<bool, 256> kSpecial = [] {
        std::array<bool, 256> t{};
        for (unsigned char ch : std::string_view("\"\\[]{},")) t[ch] = true;
        return t;
    }();

    std::string_view text_;
    size_t pos_ = 0;
    int64_t level_ = 0;
    StringTracker tracker_;
    bool done_ = false;
};

Result<Value> invalid(std::string_view t) {
    return fail(CorvaneError::runtime_error("Invalid JSON: " + std::string(t)));
}

Result<Value> too_deep() {
    return fail(CorvaneError::runtime_error("JSON nesting depth exceeded (max 64)"));
}

bool is_digit(char ch) {
    return ch >= '0' && ch <= '9';
}

bool equals_ignore_case(std::string_view a, std::string_view lower) {
    if (a.size() != lower.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char ch = a[i];
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        if (ch != lower[i]) return false;
    }
    return true;
}

// Whether the text matches the decimal-literal rule (the value is then read by
// parse_decimal_literal, whose NaN alone cannot tell a failure from the word "nan").
bool is_decimal_literal(std::string_view s) {
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
    if (equals_ignore_case(s, "inf") || equals_ignore_case(s, "infinity") ||
        equals_ignore_case(s, "nan")) {
        return true;
    }
    size_t i = 0, digits = 0;
    while (i < s.size() && is_digit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && is_digit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t exponent_digits = 0;
        while (i < s.size() && is_digit(s[i])) ++i, ++exponent_digits;
        if (exponent_digits == 0) return false;
    }
    return i == s.size();
}

// An optional sign and one or more digits that fit a signed 64-bit integer.
std::optional<int64_t> read_integer(std::string_view t) {
    std::string_view digits = t;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    for (char ch : digits) {
        if (!is_digit(ch)) return std::nullopt;
    }
    // from_chars takes a minus sign but not a plus sign.
    const std::string_view number = t[0] == '+' ? digits : t;
    int64_t value = 0;
    auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size()) return std::nullopt;
    return value;
}

// Replaces every non-overlapping occurrence of `from` (two bytes) by `to`, left to right.
void replace_pass(std::string& s, std::string_view from, char to) {
    size_t w = 0;
    for (size_t r = 0; r < s.size();) {
        if (r + 1 < s.size() && s[r] == from[0] && s[r + 1] == from[1]) {
            s[w++] = to;
            r += 2;
        } else {
            s[w++] = s[r++];
        }
    }
    s.resize(w);
}

Value decode_string(std::string_view body) {
    if (body.find('\\') == std::string_view::npos) return Value::string(body);
    std::string s(body);
    replace_pass(s, "\\\"", '"');
    replace_pass(s, "\\\\", '\\');
    replace_pass(s, "\\n", '\n');
    replace_pass(s, "\\t", '\t');
    return Value::string(s);
}

// Where the members of every array and object of one text begin and end.
//
// Each container is cut at the commas that lie outside strings at its own top level. The
// string and bracket state at any byte does not depend on which container is being cut
// (a container's inside starts just after its opening bracket, outside any string), so one
// scan of the whole text finds every comma with its bracket level, and a container's
// member commas are the commas of level (its opening level + 1) inside its range. This
// keeps reading linear in the text instead of rescanning each nesting level.
class CommaIndex {
  public:
    static Result<CommaIndex> build(RunBudget& budget, std::string_view text) {
        CommaIndex index(text);
        int64_t level = 0;
        StringTracker tracker;
        for (size_t i = 0; i < text.size(); ++i) {
            const char ch = text[i];
            if (!tracker.outside(ch)) {
                // a byte of a string, or a quote
            } else if (ch == '[' || ch == '{') {
                ++level;
            } else if (ch == ']' || ch == '}') {
                --level;
            } else if (ch == ',') {
                index.commas_[level].push_back(i);
            }
            if ((i & 0xFFFF) == 0xFFFF) {
                if (auto r = budget.charge(0x10000); !r) return fail(r.error());
            }
        }
        return index;
    }

    // Position of a view of the indexed text.
    size_t offset(std::string_view part) const {
        return static_cast<size_t>(part.data() - text_.data());
    }

    // The member pieces of `inner`, which starts at bracket level `level`: the texts between
    // the commas of that level, the last one only when it is not empty.
    template <class Visit>
    Result<void> for_each_piece(RunBudget& budget, std::string_view inner, int64_t level,
                                Visit&& visit) const {
        const size_t begin = offset(inner);
        const size_t end = begin + inner.size();
        size_t piece_start = begin;
        if (auto it = commas_.find(level); it != commas_.end()) {
            const std::vector<size_t>& at = it->second;
            for (auto c = std::lower_bound(at.begin(), at.end(), begin); c != at.end() && *c < end;
                 ++c) {
                if (auto r = budget.charge(RunBudget::kElementWork + (*c - piece_start)); !r) {
                    return r;
                }
                if (auto r = visit(text_.substr(piece_start, *c - piece_start)); !r) return r;
                piece_start = *c + 1;
            }
        }
        if (piece_start < end) return visit(text_.substr(piece_start, end - piece_start));
        return {};
    }

  private:
    explicit CommaIndex(std::string_view text) : text_(text) {}

    std::string_view text_;
    std::unordered_map<int64_t, std::vector<size_t>> commas_;
};

// The first ':' outside a string, and how far the bracket level moved before it.
struct MemberColon {
    size_t pos = std::string_view::npos;
    int64_t level_change = 0;
};

MemberColon member_colon(std::string_view piece) {
    StringTracker tracker;
    int64_t level_change = 0;
    for (size_t i = 0; i < piece.size(); ++i) {
        const char ch = piece[i];
        if (!tracker.outside(ch)) continue;
        if (ch == '[' || ch == '{') {
            ++level_change;
        } else if (ch == ']' || ch == '}') {
            --level_change;
        } else if (ch == ':') {
            return {i, level_change};
        }
    }
    return {};
}

// One reading: the index of the whole text, shared by every nested container.
struct Reader {
    RunBudget& budget;
    const CommaIndex& index;

    // Reads `text`, which starts at bracket level `level` of the indexed text.
    Result<Value> read(std::string_view text, uint32_t depth, int64_t level) {
        if (depth > kJsonMaxDepth) return too_deep();
        const std::string_view t = text::trim_white_space(text);
        if (t.empty() || (t.front() != '[' && t.front() != '{')) return read_scalar(budget, t);
        if (t.size() < 2) return invalid(t);
        // Drop the first character and the last one, whatever it is (a missing closing
        // bracket costs the last character of the text instead), never half a character.
        const size_t last = std::max<size_t>(1, text::char_start(t, t.size() - 1));
        const std::string_view inner = text::trim_white_space(t.substr(1, last - 1));
        return t.front() == '[' ? read_array(inner, depth, level + 1)
                                : read_object(inner, depth, level + 1);
    }

    Result<Value> read_array(std::string_view inner, uint32_t depth, int64_t level) {
        Array out;
        if (inner.empty()) return Value::array(std::move(out));
        // Every member is read one level deeper, so at the deepest level the first member
        // already fails; the rest need not be cut.
        if (depth >= kJsonMaxDepth) return too_deep();
        auto done = index.for_each_piece(budget, inner, level, [&](std::string_view piece) {
            auto element = read(piece, depth + 1, level);
            if (!element) return Result<void>(fail(element.error()));
            out.push_back(std::move(*element));
            return Result<void>();
        });
        if (!done) return fail(done.error());
        return Value::array(std::move(out));
    }

    Result<Value> read_object(std::string_view inner, uint32_t depth, int64_t level) {
        ObjectMap out;
        auto done = index.for_each_piece(budget, inner, level, [&](std::string_view raw) {
            const std::string_view piece = text::trim_white_space(raw);
            if (piece.empty()) return Result<void>();
            const MemberColon colon = member_colon(piece);
            if (auto r = budget.charge(std::min(colon.pos, piece.size())); !r) return r;
            if (colon.pos == std::string_view::npos) return Result<void>();
            std::string_view key = text::trim_white_space(piece.substr(0, colon.pos));
            if (key.size() >= 2 && key.front() == '"' && key.back() == '"') {
                key = key.substr(1, key.size() - 2);
            }
            auto value = read(piece.substr(colon.pos + 1), depth + 1, level + colon.level_change);
            if (!value) return Result<void>(fail(value.error()));
            out.set(Str(key), std::move(*value));
            return Result<void>();
        });
        if (!done) return fail(done.error());
        return Value::object(std::move(out));
    }

    static Result<Value> read_scalar(RunBudget& budget, std::string_view t) {
        if (t == "null") return Value::null();
        if (t == "true") return Value::boolean(true);
        if (t == "false") return Value::boolean(false);
        if (t.size() >= 2 && t.front() == '"' && t.back() == '"') {
            if (auto r = budget.charge(t.size()); !r) return fail(r.error());
            return decode_string(t.substr(1, t.size() - 2));
        }
        if (auto i = read_integer(t)) return Value::integer(*i);
        if (is_decimal_literal(t)) return Value::number(parse_decimal_literal(t));
        return invalid(t);
    }
};

}  // namespace

Result<Value> json_to_value_depth(RunBudget& budget, std::string_view text, uint32_t depth) {
    if (depth > kJsonMaxDepth) return too_deep();
    const std::string_view t = text::trim_white_space(text);
    if (t.empty() || (t.front() != '[' && t.front() != '{')) return Reader::read_scalar(budget, t);
    auto index = CommaIndex::build(budget, t);
    if (!index) return fail(index.error());
    Reader reader{budget, *index};
    return reader.read(t, depth, 0);
}

std::vector<std::string_view> split_json_top_level(std::string_view text) {
    RunBudget unlimited;
    PieceScanner scanner(text);
    std::vector<std::string_view> pieces;
    while (auto piece = scanner.next(unlimited)) {
        if (!*piece) break;
        pieces.push_back(**piece);
    }
    return pieces;
}

Result<Value> json_stringify(RunBudget& budget, std::span<const Value> args) {
    auto text = value_to_json(budget, args.empty() ? Value() : args[0]);
    if (!text) return fail(text.error());
    return Value::string(*text);
}

Result<Value> json_parse(RunBudget& budget, std::span<const Value> args) {
    if (args.empty() || !args[0].is_string()) {
        return fail(CorvaneError::type_error("JSON.parse requires a string argument"));
    }
    return json_to_value_depth(budget, args[0].as_str_view(), 0);
}

}  // namespace corvane
