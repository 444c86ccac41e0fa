#include "str.h"

#include <cstring>
#include <new>

namespace corvane {

uint64_t hash_text(std::string_view text) noexcept {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h ? h : 1;  // 0 marks "not computed" in a cell

}

Str::Str(std::string_view text) : cell_(nullptr) {
    if (text.empty()) return;
    void* memory = ::operator new(sizeof(Cell) + text.size() + 1);
    cell_ = new (memory) Cell{{1}, text.size(), 0};
    std::memcpy(cell_->data(), text.data(), text.size());
    cell_->data()[text.size()] = '\0';
}

uint64_t Str::hash() const {
    if (!cell_) return hash_text({});
    if (cell_->hash == 0) {
        cell_->hash = hash_text(view());
    }
    return cell_->hash;
}

void Str::destroy(Cell* cell) noexcept {
    cell->~Cell();
    ::operator delete(cell);
}

}  // namespace corvane
