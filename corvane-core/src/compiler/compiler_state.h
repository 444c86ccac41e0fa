// Internal state of the compiler: the code list being emitted, its local slots, the
// constructs that `break`, `continue` and `return` may leave, and the program-wide tables.
// Not part of the engine's interface; compiler.h is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "compiler/compiled_program.h"
#include "compiler/instruction.h"
#include "error.h"
#include "parser/ir.h"

namespace corvane::compiler_detail {

// What every code list of one program shares.
struct ProgramState {
    const ir::Program* program = nullptr;
    const std::unordered_set<std::string>* externals = nullptr;
    // Entries 0..N-1 are the program's own functions (filled in table order); class member
    // functions are appended after them.
    std::vector<CompiledFunction> functions;
};

// One construct that a jump can leave, innermost last.
struct Control {
    enum class Kind : uint8_t {
        Loop,    // while, do-while, for, for-of: target of break and continue
        Switch,  // target of break; keeps its discriminant on the operand stack
        Try,     // a protected block or a catch handler of a try statement
    };
    Kind kind = Kind::Loop;
    // Try: a try record is active for this region (the protected block, or a handler that
    // is itself protected); leaving it by a jump closes the record with TryEnd.
    bool try_record = false;
    // Try: the finally statements, run inline by every jump that leaves the region.
    const std::vector<ir::Statement>* finally_body = nullptr;
    std::vector<size_t> break_jumps;
    std::vector<size_t> continue_jumps;
};

// The state while one code list (the top-level code or one function body) is compiled.
class Compiler {
public:
    explicit Compiler(ProgramState& shared) : shared_(shared) {}

    ProgramState& shared() { return shared_; }
    bool is_external(std::string_view name) const;

    // Appends an instruction; returns its index.
    size_t emit(Instruction instruction);
    // The index the next instruction will get (a jump target).
    size_t here() const { return code_.size(); }
    // Points an emitted jump (or TryStart's catch target) at `target`.
    void patch(size_t at, size_t target);
    void patch_here(size_t at) { patch(at, here()); }
    void patch_all_here(const std::vector<size_t>& at);

    // The slot of `name`, created when the name has none yet.
    size_t declare_local(std::string_view name);
    // A new slot that no name resolves to (parameters bound by a prologue, temporaries).
    size_t hidden_local(std::string name);
    // The slot of `name` if it is a local of this code list.
    std::optional<size_t> find_local(std::string_view name) const;

    // A temporary slot for a value computed once and read again later in the same
    // expression; give it back with release_temp when the expression is done.
    size_t acquire_temp();
    void release_temp(size_t slot);

    std::vector<Control>& controls() { return controls_; }

    // Impure keys of an assignment target, evaluated once into a temporary and re-read
    // from it when the target is written back (see compile_expr for Index).
    struct CachedKey {
        size_t slot;
        bool evaluated;
    };
    std::unordered_map<const ir::Expr*, CachedKey>& key_cache() { return key_cache_; }

    std::vector<Instruction> take_code() { return std::move(code_); }
    std::vector<Str> take_local_names() { return std::move(local_names_); }
    size_t local_count() const { return local_names_.size(); }

private:
    ProgramState& shared_;
    std::vector<Instruction> code_;
    std::vector<Str> local_names_;
    std::unordered_map<std::string, size_t> locals_;
    std::vector<Control> controls_;
    std::vector<size_t> free_temps_;
    size_t temp_count_ = 0;
    std::unordered_map<const ir::Expr*, CachedKey> key_cache_;
};

// Statements (compiler_statements.cpp).
Result<void> compile_statement(Compiler& c, const ir::Statement& statement);
Result<void> compile_statements(Compiler& c, const std::vector<ir::Statement>& list);

// Expressions (compiler_expressions.cpp). compile_expr leaves one value; compile_store
// consumes the value on top of the stack and stores it into `target`.
Result<void> compile_expr(Compiler& c, const ir::Expr& expr);
Result<void> compile_store(Compiler& c, const ir::Expr& target);

// Functions, classes and destructuring (compiler_functions.cpp).
Result<CompiledFunction> compile_function_def(Compiler& c, const ir::FunctionDef& function);
Result<void> compile_class(Compiler& c, const std::optional<std::string>& name,
                           const std::optional<std::string>& super_class,
                           const ir::FunctionDef* constructor,
                           const std::vector<ir::ClassMethod>& methods,
                           const std::vector<ir::ClassMethod>& static_methods);
// Destructure the value on top of the stack into the names of a pattern (consumes it).
Result<void> bind_assign_target(Compiler& c, const ir::AssignTarget& target);
Result<void> bind_param_pattern(Compiler& c, const ir::ParamPattern& pattern);
// Replace an undefined value on top of the stack by the value of `default_value`,
// evaluated only in that case.
Result<void> apply_default(Compiler& c, const ir::Expr& default_value);

// The constant for a numeric literal: Int when the value is integral and inside the
// signed 64-bit range, Float otherwise.
Constant number_constant(double value);

}  // namespace corvane::compiler_detail
