// The compiler's entry point and the state shared by statement, expression and function
// compilation.
#include "compiler/compiler.h"

#include <cmath>
#include <string>
#include <utility>

#include "compiler/compiler_state.h"

namespace corvane {

namespace compiler_detail {

bool Compiler::is_external(std::string_view name) const {
    return shared_.externals && shared_.externals->contains(std::string(name));
}

size_t Compiler::emit(Instruction instruction) {
    code_.push_back(std::move(instruction));
    return code_.size() - 1;
}

void Compiler::patch(size_t at, size_t target) { set_jump_target(code_[at], target); }

void Compiler::patch_all_here(const std::vector<size_t>& at) {
    for (size_t index : at) patch_here(index);
}

size_t Compiler::declare_local(std::string_view name) {
    std::string key(name);
    if (auto it = locals_.find(key); it != locals_.end()) return it->second;
    size_t slot = local_names_.size();
    local_names_.emplace_back(key);
    locals_.emplace(std::move(key), slot);
    return slot;
}

size_t Compiler::hidden_local(std::string name) {
    local_names_.emplace_back(name);
    return local_names_.size() - 1;
}

std::optional<size_t> Compiler::find_local(std::string_view name) const {
    if (auto it = locals_.find(std::string(name)); it != locals_.end()) return it->second;
    return std::nullopt;
}

size_t Compiler::acquire_temp() {
    if (!free_temps_.empty()) {
        size_t slot = free_temps_.back();
        free_temps_.pop_back();
        return slot;
    }
    // '%' cannot start an identifier, so no program can name this slot.
    return hidden_local("%tmp" + std::to_string(temp_count_++));
}

void Compiler::release_temp(size_t slot) { free_temps_.push_back(slot); }

Constant number_constant(double value) {
    // The range test keeps 2^63, which a saturating conversion would turn into 2^63 - 1,
    // out of Int.
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (std::isfinite(value) && value >= -kTwoTo63 && value < kTwoTo63 &&
        std::trunc(value) == value) {
        return Constant::integer(static_cast<int64_t>(value));
    }
    return Constant::number(value);
}

}  // namespace compiler_detail

using compiler_detail::Compiler;
using compiler_detail::ProgramState;

Result<CompiledProgram> compile_with_externals(const ir::Program& program,
                                               const std::unordered_set<std::string>& externals) {
    ProgramState shared;
    shared.program = &program;
    shared.externals = &externals;
    // The program's own functions keep their IR indices; class members compiled while a
    // function body is compiled are appended after all of them.
    shared.functions.resize(program.functions.size());

    Compiler top(shared);
    for (size_t i = 0; i < program.functions.size(); ++i) {
        auto compiled = compiler_detail::compile_function_def(top, program.functions[i]);
        if (!compiled) return fail(std::move(compiled.error()));
        shared.functions[i] = std::move(*compiled);
    }

    const auto& body = program.body;
    for (size_t i = 0; i < body.size(); ++i) {
        const ir::Statement& statement = body[i];
        if (i + 1 == body.size() && statement.is<ir::Statement::Expr>()) {
            // The last expression statement's value is the run's result: no Pop.
            auto done = compiler_detail::compile_expr(top, statement.as<ir::Statement::Expr>().expr);
            if (!done) return fail(std::move(done.error()));
        } else {
            auto done = compiler_detail::compile_statement(top, statement);
            if (!done) return fail(std::move(done.error()));
        }
    }

    CompiledProgram out;
    out.instructions = top.take_code();
    out.local_names = top.take_local_names();
    out.functions = std::move(shared.functions);
    return out;
}

}  // namespace corvane
