// The engine's dynamic value.
//
// The language has value semantics: every copy of an array, object, closure or generator
// behaves as a deep copy. Payloads live in reference-counted, copy-on-write cells, so a
// copy costs one count increment and a mutation first makes its cell unique (`*_mut`).
// Counts are not atomic: a run is single-threaded and runs never share cells.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "str.h"

namespace corvane {

class Value;
class ObjectMap;
struct Closure;
struct GeneratorObject;
struct BuiltinMethod;

// Declared order is fixed: the index is what snapshots write and what `typeof` indexes.
enum class Tag : uint8_t {
    Undefined,
    Null,
    Bool,
    Int,
    Float,
    String,
    Array,
    Object,
    Function,
    Generator,
    BuiltinMethod,
};

using Array = std::vector<Value>;

namespace detail {
template <class T>
struct Cell : CellHeader {
    explicit Cell(T v) : CellHeader{1}, value(std::move(v)) {}
    T value;
};
}  // namespace detail

class Value {
public:
    Value() noexcept : tag_(Tag::Undefined) { u_.i = 0; }
    Value(const Value& other) noexcept : tag_(other.tag_), u_(other.u_) {
        if (is_heap() && u_.h) ++u_.h->refs;
    }
    Value(Value&& other) noexcept : tag_(other.tag_), u_(other.u_) {
        other.tag_ = Tag::Undefined;
    }
    Value& operator=(const Value& other) noexcept;
    Value& operator=(Value&& other) noexcept;
    ~Value() {
        if (is_heap() && u_.h && --u_.h->refs == 0) free_cell(tag_, u_.h);
    }

    static Value undefined() { return {}; }
    static Value null();
    static Value boolean(bool b);
    static Value integer(int64_t i);
    static Value number(double d);  // always a Float
    static Value string(Str s);
    static Value string(std::string_view s) { return string(Str(s)); }
    static Value string(const char* s) { return string(Str(s)); }
    static Value string(const std::string& s) { return string(Str(s)); }
    static Value array(Array elements);
    static Value object(ObjectMap map);
    static Value function(Closure closure);
    static Value generator(GeneratorObject gen);
    static Value builtin_method(Str object, Str method);

    Tag tag() const { return tag_; }
    bool is_undefined() const { return tag_ == Tag::Undefined; }
    bool is_null() const { return tag_ == Tag::Null; }
    bool is_nullish() const { return tag_ == Tag::Undefined || tag_ == Tag::Null; }
    bool is_bool() const { return tag_ == Tag::Bool; }
    bool is_int() const { return tag_ == Tag::Int; }
    bool is_float() const { return tag_ == Tag::Float; }
    bool is_number() const { return tag_ == Tag::Int || tag_ == Tag::Float; }
    bool is_string() const { return tag_ == Tag::String; }
    bool is_array() const { return tag_ == Tag::Array; }
    bool is_object() const { return tag_ == Tag::Object; }
    bool is_function() const { return tag_ == Tag::Function; }
    bool is_generator() const { return tag_ == Tag::Generator; }
    bool is_builtin_method() const { return tag_ == Tag::BuiltinMethod; }

    // Accessors; the caller has checked the tag.
    bool as_bool() const { return u_.b; }
    int64_t as_int() const { return u_.i; }
    double as_float() const { return u_.f; }
    // An Int or a Float as a double.
    double as_number() const { return tag_ == Tag::Int ? static_cast<double>(u_.i) : u_.f; }
    // The text of a String (shares it) and a view of it.
    Str as_string() const { return Str::share(static_cast<Str::Cell*>(u_.h)); }
    std::string_view as_str_view() const { return Str::view_of(static_cast<Str::Cell*>(u_.h)); }
    const Array& as_array() const { return static_cast<detail::Cell<Array>*>(u_.h)->value; }
    const ObjectMap& as_object() const;
    const Closure& as_closure() const;
    const GeneratorObject& as_generator() const;
    const BuiltinMethod& as_builtin_method() const;

    // Mutable access: makes the cell unique first (cloning it when it is shared).
    Array& array_mut();
    ObjectMap& object_mut();
    Closure& closure_mut();
    GeneratorObject& generator_mut();

    // True when both values hold the very same heap cell (a cheap "is this the copy I
    // pushed" test for the machine; never a language-level identity).
    bool same_cell(const Value& other) const {
        return is_heap() && tag_ == other.tag_ && u_.h == other.u_.h;
    }
    // Number of holders of the heap cell (1 for values without a cell).
    uint32_t ref_count() const { return is_heap() && u_.h ? u_.h->refs : 1; }

private:
    union Payload {
        bool b;
        int64_t i;
        double f;
        detail::CellHeader* h;  // String (null for the empty text) and every container
    };

    bool is_heap() const { return tag_ >= Tag::String; }
    // Frees a cell whose count reached zero, without recursing into nested values.
    static void free_cell(Tag tag, detail::CellHeader* cell) noexcept;
    template <class T>
    T& unique_payload();
    friend class ValueReleaser;

    Tag tag_;
    Payload u_;
};

static_assert(sizeof(Value) == 16, "a value is a tag and one machine word");

// An insertion-ordered map from text to value. Storing to an existing key replaces the
// value and keeps the key's position. A hash index is kept once the map grows past a few
// entries; small maps are searched linearly.
class ObjectMap {
public:
    struct Entry {
        Str key;
        Value value;
        bool operator==(const Entry&) const = delete;
    };

    ObjectMap() = default;

    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const std::vector<Entry>& entries() const { return entries_; }
    std::vector<Entry>::const_iterator begin() const { return entries_.begin(); }
    std::vector<Entry>::const_iterator end() const { return entries_.end(); }

    const Value* find(std::string_view key) const;
    Value* find_mut(std::string_view key);
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    // Inserts at the end, or replaces the value of an existing key in place.
    void set(Str key, Value value);
    // Removes a key (later keys move up one position). Returns whether it was present.
    bool erase(std::string_view key);
    void reserve(size_t n) { entries_.reserve(n); }
    // The value at an insertion position (for walks that mutate values in place).
    Value& value_at(size_t i) { return entries_[i].value; }

private:
    friend class ValueReleaser;
    static constexpr size_t kIndexThreshold = 8;

    std::ptrdiff_t lookup(std::string_view key, uint64_t hash) const;
    void rebuild_index();
    void index_insert(uint32_t entry, uint64_t hash);

    std::vector<Entry> entries_;
    std::vector<uint32_t> index_;  // slot -> entry + 1; 0 marks an empty slot
};

// A function value: the function's index in the program's function table and the
// variables captured when the closure was created.
struct Closure {
    size_t func_index = 0;
    std::vector<std::pair<Str, Value>> captures;
};

// The saved frame of a paused generator body.
struct SuspendedFrame {
    std::vector<Value> locals;
    std::vector<Value> stack;
    size_t ip = 0;
};

// One generator instance. Copies act as handles: the machine keeps the live state under
// "__gen_{id}" and looks it up by id.
struct GeneratorObject {
    std::vector<std::pair<Str, Value>> captures;
    std::optional<SuspendedFrame> suspended;
    uint64_t id = 0;
    size_t func_index = 0;
    bool done = false;
};

// A builtin method read as a value: the receiver kind's namespace tag and the method name.
struct BuiltinMethod {
    Str object;
    Str method;
};

// The `typeof` text of a value.
std::string_view type_name(const Value& v);
bool is_truthy(const Value& v);
// `===`: no coercion; Int and Float compare numerically; containers are never equal.
bool strict_eq(const Value& a, const Value& b);
// The value type's general equality; the same rule as strict_eq.
bool eq(const Value& a, const Value& b);

inline const ObjectMap& Value::as_object() const {
    return static_cast<detail::Cell<ObjectMap>*>(u_.h)->value;
}
inline const Closure& Value::as_closure() const {
    return static_cast<detail::Cell<Closure>*>(u_.h)->value;
}
inline const GeneratorObject& Value::as_generator() const {
    return static_cast<detail::Cell<GeneratorObject>*>(u_.h)->value;
}
inline const BuiltinMethod& Value::as_builtin_method() const {
    return static_cast<detail::Cell<BuiltinMethod>*>(u_.h)->value;
}

}  // namespace corvane
