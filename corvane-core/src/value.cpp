#include "value.h"

#include <cmath>

namespace corvane {

using detail::Cell;
using detail::CellHeader;

// ---------------------------------------------------------------------------
// Construction and assignment

Value& Value::operator=(const Value& other) noexcept {
    Value copy(other);
    std::swap(tag_, copy.tag_);
    std::swap(u_, copy.u_);
    return *this;
}

Value& Value::operator=(Value&& other) noexcept {
    if (this != &other) {
        Value old(std::move(*this));
        tag_ = other.tag_;
        u_ = other.u_;
        other.tag_ = Tag::Undefined;
    }
    return *this;
}

Value Value::null() {
    Value v;
    v.tag_ = Tag::Null;
    return v;
}

Value Value::boolean(bool b) {
    Value v;
    v.tag_ = Tag::Bool;
    v.u_.i = 0;
    v.u_.b = b;
    return v;
}

Value Value::integer(int64_t i) {
    Value v;
    v.tag_ = Tag::Int;
    v.u_.i = i;
    return v;
}

Value Value::number(double d) {
    Value v;
    v.tag_ = Tag::Float;
    v.u_.f = d;
    return v;
}

Value Value::string(Str s) {
    Value v;
    v.tag_ = Tag::String;
    v.u_.h = s.leak();
    return v;
}

Value Value::array(Array elements) {
    Value v;
    v.u_.h = new Cell<Array>(std::move(elements));
    v.tag_ = Tag::Array;
    return v;
}

Value Value::object(ObjectMap map) {
    Value v;
    v.u_.h = new Cell<ObjectMap>(std::move(map));
    v.tag_ = Tag::Object;
    return v;
}

Value Value::function(Closure closure) {
    Value v;
    v.u_.h = new Cell<Closure>(std::move(closure));
    v.tag_ = Tag::Function;
    return v;
}

Value Value::generator(GeneratorObject gen) {
    Value v;
    v.u_.h = new Cell<GeneratorObject>(std::move(gen));
    v.tag_ = Tag::Generator;
    return v;
}

Value Value::builtin_method(Str object, Str method) {
    Value v;
    v.u_.h = new Cell<BuiltinMethod>(BuiltinMethod{std::move(object), std::move(method)});
    v.tag_ = Tag::BuiltinMethod;
    return v;
}

// ---------------------------------------------------------------------------
// Copy-on-write access

template <class T>
T& Value::unique_payload() {
    auto* cell = static_cast<Cell<T>*>(u_.h);
    if (cell->refs > 1) {
        auto* fresh = new Cell<T>(cell->value);  // copies share nested cells: O(size)
        --cell->refs;
        u_.h = fresh;
        cell = fresh;
    }
    return cell->value;
}

Array& Value::array_mut() { return unique_payload<Array>(); }
ObjectMap& Value::object_mut() { return unique_payload<ObjectMap>(); }
Closure& Value::closure_mut() { return unique_payload<Closure>(); }
GeneratorObject& Value::generator_mut() { return unique_payload<GeneratorObject>(); }

// ---------------------------------------------------------------------------
// Destruction
//
// Freeing a cell frees the values it holds, which may be the last holders of further
// cells: an array nested 100,000 deep would recurse that deep. Instead, a dying cell
// moves every child that would die with it onto a per-thread list, and the outermost
// free drains that list in a loop.

namespace {
thread_local std::vector<Value> t_dead;
thread_local bool t_draining = false;
}  // namespace

class ValueReleaser {
public:
    static void set_aside(Value& v) {
        if (v.tag_ >= Tag::Array && v.u_.h->refs == 1) t_dead.push_back(std::move(v));
    }
    static void set_aside(std::vector<Value>& values) {
        for (Value& v : values) set_aside(v);
    }
    static void set_aside(std::vector<std::pair<Str, Value>>& pairs) {
        for (auto& [name, v] : pairs) set_aside(v);
    }
    static void set_aside(ObjectMap& map) {
        for (auto& entry : map.entries_) set_aside(entry.value);
    }

    static void free_container(Tag tag, CellHeader* cell) {
        switch (tag) {
            case Tag::Array: {
                auto* c = static_cast<Cell<Array>*>(cell);
                set_aside(c->value);
                delete c;
                break;
            }
            case Tag::Object: {
                auto* c = static_cast<Cell<ObjectMap>*>(cell);
                set_aside(c->value);
                delete c;
                break;
            }
            case Tag::Function: {
                auto* c = static_cast<Cell<Closure>*>(cell);
                set_aside(c->value.captures);
                delete c;
                break;
            }
            case Tag::Generator: {
                auto* c = static_cast<Cell<GeneratorObject>*>(cell);
                set_aside(c->value.captures);
                if (c->value.suspended) {
                    set_aside(c->value.suspended->locals);
                    set_aside(c->value.suspended->stack);
                }
                delete c;
                break;
            }
            default: break;
        }
    }
};

void Value::free_cell(Tag tag, CellHeader* cell) noexcept {
    switch (tag) {
        case Tag::String: Str::destroy(static_cast<Str::Cell*>(cell)); return;
        case Tag::BuiltinMethod: delete static_cast<Cell<BuiltinMethod>*>(cell); return;
        default: break;
    }
    if (t_draining) {
        ValueReleaser::free_container(tag, cell);
        return;
    }
    t_draining = true;
    ValueReleaser::free_container(tag, cell);
    while (!t_dead.empty()) {
        Value dying = std::move(t_dead.back());
        t_dead.pop_back();
    }
    t_draining = false;
}

// ---------------------------------------------------------------------------
// ObjectMap

std::ptrdiff_t ObjectMap::lookup(std::string_view key, uint64_t hash) const {
    if (index_.empty()) {
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].key.view() == key) return static_cast<std::ptrdiff_t>(i);
        }
        return -1;
    }
    size_t mask = index_.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        uint32_t e = index_[slot];
        if (e == 0) return -1;
        const Entry& entry = entries_[e - 1];
        if (entry.key.hash() == hash && entry.key.view() == key) return e - 1;
    }
}

const Value* ObjectMap::find(std::string_view key) const {
    std::ptrdiff_t i = lookup(key, index_.empty() ? 0 : hash_text(key));
    return i < 0 ? nullptr : &entries_[static_cast<size_t>(i)].value;
}

Value* ObjectMap::find_mut(std::string_view key) {
    std::ptrdiff_t i = lookup(key, index_.empty() ? 0 : hash_text(key));
    return i < 0 ? nullptr : &entries_[static_cast<size_t>(i)].value;
}

void ObjectMap::index_insert(uint32_t entry, uint64_t hash) {
    size_t mask = index_.size() - 1;
    size_t slot = hash & mask;
    while (index_[slot] != 0) slot = (slot + 1) & mask;
    index_[slot] = entry + 1;
}

void ObjectMap::rebuild_index() {
    size_t capacity = 16;
    while (capacity < entries_.size() * 2) capacity *= 2;
    index_.assign(capacity, 0);
    for (size_t i = 0; i < entries_.size(); ++i) {
        index_insert(static_cast<uint32_t>(i), entries_[i].key.hash());
    }
}

void ObjectMap::set(Str key, Value value) {
    uint64_t hash = index_.empty() ? 0 : key.hash();
    std::ptrdiff_t i = lookup(key.view(), hash);
    if (i >= 0) {
        entries_[static_cast<size_t>(i)].value = std::move(value);
        return;
    }
    entries_.push_back(Entry{std::move(key), std::move(value)});
    if (entries_.size() > kIndexThreshold) {
        if (index_.empty() || entries_.size() * 2 > index_.size()) {
            rebuild_index();
        } else {
            index_insert(static_cast<uint32_t>(entries_.size() - 1), entries_.back().key.hash());
        }
    }
}

bool ObjectMap::erase(std::string_view key) {
    std::ptrdiff_t i = lookup(key, index_.empty() ? 0 : hash_text(key));
    if (i < 0) return false;
    entries_.erase(entries_.begin() + i);
    if (entries_.size() > kIndexThreshold) {
        rebuild_index();
    } else {
        index_.clear();
    }
    return true;
}

// ---------------------------------------------------------------------------
// The four basic operations

std::string_view type_name(const Value& v) {
    static constexpr std::string_view names[] = {
        "undefined", "null",   "boolean",  "number", "number",   "string",
        "object",    "object", "function", "object", "function",
    };
    return names[static_cast<size_t>(v.tag())];
}

bool is_truthy(const Value& v) {
    switch (v.tag()) {
        case Tag::Undefined:
        case Tag::Null: return false;
        case Tag::Bool: return v.as_bool();
        case Tag::Int: return v.as_int() != 0;
        case Tag::Float: {
            double d = v.as_float();
            return !(d == 0 || std::isnan(d));
        }
        case Tag::String: return !v.as_str_view().empty();
        default: return true;
    }
}

bool strict_eq(const Value& a, const Value& b) {
    switch (a.tag()) {
        case Tag::Undefined: return b.is_undefined();
        case Tag::Null: return b.is_null();
        case Tag::Bool: return b.is_bool() && a.as_bool() == b.as_bool();
        case Tag::Int:
            if (b.is_int()) return a.as_int() == b.as_int();
            return b.is_float() && static_cast<double>(a.as_int()) == b.as_float();
        case Tag::Float: return b.is_number() && a.as_float() == b.as_number();
        case Tag::String: return b.is_string() && a.as_str_view() == b.as_str_view();
        default: return false;
    }
}

bool eq(const Value& a, const Value& b) { return strict_eq(a, b); }

}  // namespace corvane
