#include "pending_stages.h"

namespace corvane::pending {

Result<Program> parse(std::string_view) { return Program{}; }

Result<CompiledProgram> compile_with_externals(Program, std::unordered_set<std::string>) {
    return fail(CorvaneError::compile_error("the compiler is not implemented yet"));
}

}  // namespace corvane::pending
