// The hand-over of the machine at a call of a host function.
#include "vm/exec.h"

namespace corvane {

Result<VmOutcome> suspend_for_external(Vm&, Str, std::vector<Value>) {
    // Suspension needs a snapshot of the machine; until snapshots can be taken the call
    // fails here (an error of the calling instruction, so try blocks see it).
    return fail(CorvaneError::runtime_error("external function calls are not available yet"));
}

}  // namespace corvane
