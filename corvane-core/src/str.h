// Shared immutable UTF-8 text with a non-atomic reference count and a cached hash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

namespace detail {
// The common head of every reference-counted cell (texts and value payloads).
struct CellHeader {
    uint32_t refs;
};
}  // namespace detail

// 64-bit FNV-1a over the bytes (never 0): cheap for the short names that dominate lookups.
uint64_t hash_text(std::string_view text) noexcept;

class Str {
public:
    struct Cell : detail::CellHeader {
        size_t size;
        mutable uint64_t hash;  // 0 until computed
        const char* data() const { return reinterpret_cast<const char*>(this + 1); }
        char* data() { return reinterpret_cast<char*>(this + 1); }
    };

    Str() noexcept : cell_(nullptr) {}
    Str(std::string_view text);
    Str(const char* text) : Str(std::string_view(text)) {}
    Str(const std::string& text) : Str(std::string_view(text)) {}
    Str(const Str& other) noexcept : cell_(other.cell_) {
        if (cell_) ++cell_->refs;
    }
    Str(Str&& other) noexcept : cell_(other.cell_) { other.cell_ = nullptr; }
    Str& operator=(const Str& other) noexcept {
        Str copy(other);
        std::swap(cell_, copy.cell_);
        return *this;
    }
    Str& operator=(Str&& other) noexcept {
        std::swap(cell_, other.cell_);
        return *this;
    }
    ~Str() { drop(cell_); }

    std::string_view view() const { return view_of(cell_); }
    operator std::string_view() const { return view(); }
    const char* data() const { return cell_ ? cell_->data() : ""; }
    size_t size() const { return cell_ ? cell_->size : 0; }
    bool empty() const { return size() == 0; }
    std::string str() const { return std::string(view()); }
    uint64_t hash() const;
    uint32_t ref_count() const { return cell_ ? cell_->refs : 1; }

    friend bool operator==(const Str& a, const Str& b) {
        return a.cell_ == b.cell_ || a.view() == b.view();
    }
    friend bool operator==(const Str& a, std::string_view b) { return a.view() == b; }

    // Cell-level access for Value, which stores the cell pointer in its payload.
    static std::string_view view_of(const Cell* cell) {
        return cell ? std::string_view(cell->data(), cell->size) : std::string_view();
    }
    static Str share(Cell* cell) noexcept {
        if (cell) ++cell->refs;
        return Str(cell);
    }
    Cell* leak() noexcept {
        Cell* c = cell_;
        cell_ = nullptr;
        return c;
    }
    static void drop(Cell* cell) noexcept {
        if (cell && --cell->refs == 0) destroy(cell);
    }
    // Frees a cell whose count already reached zero.
    static void destroy(Cell* cell) noexcept;
    static void retain(Cell* cell) noexcept {
        if (cell) ++cell->refs;
    }

private:
    explicit Str(Cell* cell) noexcept : cell_(cell) {}

    Cell* cell_;
};

}  // namespace corvane
