// The compiler's output: the top-level code and the program-wide function table.
//
// Persisted: the machine keeps a CompiledProgram and snapshots carry it. Field orders are
// the declared orders the snapshot format follows; only append, never reorder.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "compiler/instruction.h"
#include "str.h"

namespace corvane {

namespace ir {
struct ParamPattern;
}

// A function's parameter patterns (IR), shared immutably between copies of the function,
// together with the two facts the call needs to bind arguments.
//
// Binding contract (what the call does, what the compiler emits):
//   The call stores argument i (Undefined when missing) into local slot i, for every
//   parameter i in order; a rest parameter (always the last one) receives an Array of the
//   arguments from its position on (empty when there are none). Extra arguments are dropped.
//   All other slots start Undefined. So the compiler must give parameter i local slot i:
//   an `Ident(name)` or `Rest(name)` parameter is declared under its own name; any other
//   parameter (an object or array pattern, a default value) is declared under the hidden
//   name "%arg{i}" (e.g. "%arg2"), a name no program can write, and the body starts with a
//   prologue that applies the default (`LoadLocal(i)`, test for Undefined, evaluate the
//   default, ...) and destructures into the pattern's names, which are declared after all
//   parameter slots. Declaring the parameters first keeps slot i == parameter i.
class ParamList {
public:
    ParamList() = default;
    // `count` is the number of parameters; `rest` tells whether the last one is a rest
    // parameter. `patterns` may be null (hand-assembled code in tests).
    ParamList(std::shared_ptr<const std::vector<ir::ParamPattern>> patterns, size_t count,
              bool rest)
        : patterns_(std::move(patterns)), count_(count), rest_(rest) {}

    // Builds the list from IR patterns (counts them and recognises a final rest parameter).
    static ParamList from(const std::vector<ir::ParamPattern>& patterns);

    // The IR patterns, or null when none were recorded.
    const std::vector<ir::ParamPattern>* patterns() const { return patterns_.get(); }
    const std::shared_ptr<const std::vector<ir::ParamPattern>>& shared() const {
        return patterns_;
    }
    size_t count() const { return count_; }
    bool has_rest() const { return rest_; }

private:
    std::shared_ptr<const std::vector<ir::ParamPattern>> patterns_;
    size_t count_ = 0;
    bool rest_ = false;
};

struct CompiledFunction {
    std::optional<Str> name;           // absent for anonymous functions and arrows
    ParamList params;                  // the FunctionDef's parameter patterns
    std::vector<Instruction> instructions;
    size_t local_count = 0;            // == local_names.size()
    std::vector<Str> local_names;      // slot order
    bool is_async = false;
    bool is_generator = false;
};

struct CompiledProgram {
    std::vector<Instruction> instructions;  // top-level code (the bottom frame)
    std::vector<CompiledFunction> functions;
    std::vector<Str> local_names;           // top-level local slots, slot order
};

}  // namespace corvane
