// Generators: creation is part of a call; running a body (next/return, for ... of) is the
// generator runner's. The runner is not built yet: these entry points are where it goes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "vm/vm.h"

namespace corvane {

// The key under which the live state of generator `id` is kept in the globals.
std::string generator_key(uint64_t id);

// Creates a generator for a call of a generator function (the body does not run).
Result<Value> create_generator(Vm& vm, const Value& callee, std::span<const Value> args);

struct GeneratorStep {
    Value value;
    bool done = false;
};
// One step of a for ... of over generator `id`.
Result<GeneratorStep> generator_step_for_of(Vm& vm, int64_t id);
// `gen.next(arg)` / `gen.return(arg)`; nullopt for any other method name.
Result<std::optional<Value>> call_generator_method(Vm& vm, const Value& receiver,
                                                   std::string_view method,
                                                   std::span<const Value> args);

}  // namespace corvane
