// Stand-ins for the pipeline stages that are not built yet. Each has the shape of the
// real stage, so the driver calls them exactly as it will call the real ones.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

#include "error.h"
#include "vm_state.h"

namespace corvane::pending {

struct Program {};
struct CompiledProgram {};

Result<Program> parse(std::string_view code);
Result<CompiledProgram> compile_with_externals(Program program,
                                               std::unordered_set<std::string> externals);

}  // namespace corvane::pending
