// Instruction implementations, one group per source file. Internal to the machine: each
// function carries out one instruction on the machine state (the frame's ip has already
// been advanced past it).
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "compiler/instruction.h"
#include "vm/vm.h"

namespace corvane {

// ---- property.cpp: objects, arrays, property access ----
// Reads a named property (method values for strings, arrays, promises, generators and the
// namespace objects).
Result<Value> get_property(const Vm& vm, const Value& object, const Str& name);
Result<void> exec_get_property(Vm& vm, const Str& name);
Result<void> exec_set_property(Vm& vm, const Str& name);
Result<void> exec_get_index(Vm& vm);
Result<void> exec_set_index(Vm& vm);
Result<void> exec_make_array(Vm& vm, size_t count);
Result<void> exec_make_object(Vm& vm, size_t count);
Result<void> exec_in(Vm& vm);
Result<void> exec_destructure_object(Vm& vm, const std::vector<Str>& names);
Result<void> exec_destructure_array(Vm& vm, size_t count);
// Pops `count` entries (spread-marked ones expanded into elements) and returns the values
// in pushed order. Used by array literals and argument lists.
Result<std::vector<Value>> take_list_entries(Vm& vm, size_t count);
// Whether `object` is one of the builtin namespace objects; gives its name.
std::optional<Str> namespace_of(const Vm& vm, const Value& object);

// ---- iteration.cpp: for ... of ----
Result<void> exec_get_iterator(Vm& vm);
Result<void> exec_iterator_next(Vm& vm);
Result<void> exec_iterator_done(Vm& vm);

// ---- calls.cpp: calls, closures, classes ----
Result<void> exec_make_closure(Vm& vm, size_t func_id);
Result<void> exec_call(Vm& vm, size_t argc);
Result<void> exec_new(Vm& vm, size_t argc);
Result<void> exec_super_call(Vm& vm, size_t argc);
Result<void> exec_make_class(Vm& vm, const ins::MakeClass& ins);
Result<void> exec_load_this(Vm& vm);
Result<void> exec_store_this(Vm& vm);
Result<void> exec_instance_of(Vm& vm);
Result<void> exec_await(Vm& vm);
// Index of the innermost frame that has a `this`.
std::optional<size_t> innermost_this_frame(const Vm& vm);

// ---- external.cpp ----
// Suspension at a host function call; the single place that hands the machine to a
// snapshot.
Result<VmOutcome> suspend_for_external(Vm& vm, Str name, std::vector<Value> args);

}  // namespace corvane
