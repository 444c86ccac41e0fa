// The engine's entry object: one program, the host functions it may call and its limits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "error.h"
#include "trace.h"
#include "value.h"
#include "vm_state.h"

namespace corvane {

struct RunResult {
    VmState state;
    std::string stdout_text;  // everything printed through the console during the run
    ExecutionTrace trace;
};

using RunInputs = std::vector<std::pair<std::string, Value>>;

// Immutable once built; `run` may be called any number of times, from any thread.
struct CorvaneRun {
    static constexpr size_t kDefaultMemoryLimitBytes = 33554432;
    static constexpr uint64_t kDefaultTimeLimitMs = 5000;
    static constexpr size_t kDefaultMaxStackDepth = 512;
    static constexpr size_t kDefaultMaxAllocations = 100000;

    std::string code;
    std::vector<std::string> inputs;  // names only; not consulted by run
    std::vector<std::string> external_functions;
    size_t memory_limit_bytes = kDefaultMemoryLimitBytes;
    uint64_t time_limit_ms = kDefaultTimeLimitMs;
    size_t max_stack_depth = kDefaultMaxStackDepth;
    size_t max_allocations = kDefaultMaxAllocations;

    // Parses, compiles and executes the program once with these named input values,
    // bound as globals in list order.
    Result<RunResult> run(RunInputs inputs) const;
};

}  // namespace corvane
