// The compiler: translates the front end's IR into bytecode for the stack machine.
//
// One pass over the IR, one instruction list per function, every jump patched once. The
// function table of the result holds the compiled forms of Program::functions at the same
// indices, followed by the member functions of classes in the order the classes are met.
#pragma once

#include <string>
#include <unordered_set>

#include "compiler/compiled_program.h"
#include "error.h"
#include "parser/ir.h"

namespace corvane {

// Compiles `program`. A direct call `name(...)` of a name in `externals` becomes
// `CallExternal`. The value of a final top-level expression statement stays on the operand
// stack as the run's result. The program is only read.
Result<CompiledProgram> compile_with_externals(const ir::Program& program,
                                               const std::unordered_set<std::string>& externals);

}  // namespace corvane
