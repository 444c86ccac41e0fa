// One instruction of the machine.
#pragma once

#include <optional>

#include "compiler/instruction.h"
#include "vm/vm.h"

namespace corvane {

// Executes `instruction` (the frame's ip already points past it). Returns false to go on, or
// true after storing in `out` the outcome that ends `execute` (a Return at top level, a
// host function call).
Result<bool> dispatch(Vm& vm, const Instruction& instruction, VmOutcome& out);

}  // namespace corvane
