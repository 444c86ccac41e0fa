// One instruction of the machine.
#pragma once

#include <optional>

#include "compiler/instruction.h"
#include "vm/vm.h"

namespace corvane {

// Executes `instruction` (the frame's ip already points past it). Returns nullopt to go on,
// or the outcome that ends `execute` (a Return at top level, a host function call).
Result<std::optional<VmOutcome>> dispatch(Vm& vm, const Instruction& instruction);

}  // namespace corvane
