// The stack machine: the whole state of one execution and its entry points.
//
// Every field that describes where execution stands is plain data reachable from `Vm`
// (no C++ locals hold machine state across instructions), so a snapshot can encode it and a
// rebuilt machine can continue. Transient bookkeeping that never survives an instruction
// boundary that can suspend is marked as such.
//
// Typical use by the run driver:
//   Vm vm(std::move(program), limits, external_names);
//   register_globals(vm.globals);            // builtins first ...
//   vm.set_global("input", value);           // ... then the inputs
//   vm.start_clock();
//   vm.push_top_frame();
//   Result<VmOutcome> r = vm.execute();
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <variant>
#include <vector>

#include "compiler/compiled_program.h"
#include "error.h"
#include "str.h"
#include "value.h"

namespace corvane {

// Hashing for maps keyed by Str: uses the cached hash, and accepts plain text for lookups.
struct StrHash {
    using is_transparent = void;
    size_t operator()(const Str& s) const noexcept { return static_cast<size_t>(s.hash()); }
    size_t operator()(std::string_view s) const noexcept {
        return static_cast<size_t>(hash_text(s));
    }
    size_t operator()(const std::string& s) const noexcept { return (*this)(std::string_view(s)); }
    size_t operator()(const char* s) const noexcept { return (*this)(std::string_view(s)); }
};
struct StrEq {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept { return a == b; }
};
using GlobalMap = std::unordered_map<Str, Value, StrHash, StrEq>;

// Where a receiver came from, so a method's final `this` can be written back there.
// Alternatives in declared order (snapshot variant indices).
struct ReceiverSource {
    struct Global {
        Str name;
        bool operator==(const Global&) const = default;
    };
    // Local `slot` of the frame at position `frame_index` of `frames` (0 = top level).
    struct Local {
        size_t frame_index = 0;
        size_t slot = 0;
        bool operator==(const Local&) const = default;
    };
    // The `this` of the frame at position `frame_index` (the method was called on `this`,
    // or is the parent constructor run by a super call).
    struct This {
        size_t frame_index = 0;
        bool operator==(const This&) const = default;
    };
    std::variant<Global, Local, This> node;
    bool operator==(const ReceiverSource&) const = default;
};

struct CallFrame {
    std::optional<size_t> func_id;  // absent for the top-level code
    size_t ip = 0;                  // next instruction
    std::vector<Value> locals;
    size_t stack_base = 0;          // operand stack length when the frame was pushed
    std::optional<Value> this_value;
    std::optional<ReceiverSource> receiver_source;
    // The class whose constructor this frame runs (set by `new` and by super calls), so
    // `super(...)` finds the right parent at any depth of a hierarchy.
    std::optional<Value> home_class;
};

// One active try block.
struct TryInfo {
    size_t catch_ip = 0;     // handler index in the code of the frame that opened the block
    size_t frame_depth = 0;  // number of frames when the block was opened
    size_t stack_depth = 0;  // operand stack length when the block was opened
    bool operator==(const TryInfo&) const = default;
};

// A pending iteration of an array method over an async callback. Alternatives in declared
// order (snapshot variant indices).
struct Continuation {
    struct Map {
        Value callback;
        std::vector<Value> items;
        std::vector<Value> results;
        size_t index = 0;
        size_t frame_depth = 0;
        size_t callback_frame = 0;
    };
    struct ForEach {
        Value callback;
        std::vector<Value> items;
        size_t index = 0;
        size_t frame_depth = 0;
        size_t callback_frame = 0;
    };
    std::variant<Map, ForEach> node;
};

// The receiver recorded for a method value that `GetProperty` pushed: the call whose callee
// is the value at `stack_pos` takes it. Dropped when that stack position is popped.
struct PendingReceiver {
    size_t stack_pos = 0;
    Value this_value;
    std::optional<ReceiverSource> source;  // write-back target, when the receiver is a variable
};

struct Limits {
    size_t memory_limit_bytes = 0;
    uint64_t time_limit_ms = 0;
    size_t max_stack_depth = 512;
    size_t max_allocations = 0;
};

struct VmComplete {
    Value value;
};
// The run stopped at a call of a host function.
struct VmSuspended {
    Str function_name;
    std::vector<Value> args;
};
using VmOutcome = std::variant<VmComplete, VmSuspended>;

// The six builtin namespace names.
inline constexpr std::string_view kNamespaceNames[] = {"console", "JSON",  "Object",
                                                       "Array",   "Math", "Promise"};

class Vm {
public:
    Vm(CompiledProgram program, Limits limits, std::unordered_set<std::string> external_functions);

    // ---- persistent machine state (what a snapshot carries) ----
    CompiledProgram program;
    std::vector<Value> stack;
    std::vector<CallFrame> frames;
    std::string stdout_text;
    std::vector<TryInfo> try_stack;
    std::vector<Continuation> continuations;
    // Operand-stack positions of values marked by `Spread`, ascending.
    std::vector<size_t> spread_marks;
    // Receivers of method values on the operand stack, by ascending position.
    std::vector<PendingReceiver> pending_receivers;
    GlobalMap globals;
    std::unordered_set<std::string> external_functions;
    Limits limits;

    // ---- counters (reset on resume) ----
    size_t allocation_count = 0;
    size_t call_depth = 0;
    uint64_t next_generator_id = 0;
    std::optional<std::chrono::steady_clock::time_point> start_time;

    // ---- transient: valid only between a load and the instruction right after it ----
    // Where the value pushed by the latest LoadLocal/LoadGlobal/LoadThis came from.
    std::optional<ReceiverSource> last_load_source;

    // ---- entry points ----
    void set_global(std::string_view name, Value value);
    // Starts the time limit now.
    void start_clock();
    // Pushes the frame of the top-level code (with room for its locals).
    void push_top_frame();
    // Runs until the program completes, suspends or fails.
    Result<VmOutcome> execute();

    // Calls a function value from native code and runs it to completion in a nested loop
    // (array and promise callbacks). An error the callback does not catch itself is
    // returned; the caller's frames and try blocks are left as they were.
    Result<Value> call_function_internal(const Value& callee, std::vector<Value> args);

    // ---- primitives used by instructions and builtins ----
    // Counted push: fails with AllocationLimitExceeded past the maximum.
    Result<void> push(Value v);
    // Counts one allocation event without pushing.
    Result<void> count_allocation();
    Result<Value> pop();
    Result<const Value*> peek() const;
    // Cuts the operand stack back to `n` values (dropping marks and receivers above it).
    void truncate_stack(size_t n);
    // Adds work done by a long-running operation to the time budget; reads the clock when
    // enough has accumulated. Builtins that loop call this.
    Result<void> charge(size_t work);
    Result<void> check_time();

    // Enters a function: depth check, captures, parameter binding, frame push.
    Result<void> push_call_frame(const Value& callee, std::vector<Value> args,
                                 std::optional<Value> this_value,
                                 std::optional<ReceiverSource> source,
                                 std::optional<Value> home_class = std::nullopt);

    // The code of a frame.
    const std::vector<Instruction>& code_of(const CallFrame& frame) const;
    const std::vector<Str>& local_names_of(const CallFrame& frame) const;

    // Removes the top (function) frame, which returned `value` or ran off its end: drops its
    // try records, writes its final `this` back to where the receiver came from, and pushes
    // the call's result onto the caller's stack.
    Result<void> finish_frame(Value value);

    // After a callback frame of an async map/forEach returned: collects its result and
    // starts the next element, or pushes the method's result. Errors end the run.
    Result<void> process_continuation();

    // Number of nested executions currently running (callbacks run by builtins).
    size_t nested_depth() const { return nested_depth_; }

private:
    // Runs frames until the frame count drops to `base` (nested) or the run completes.
    Result<VmOutcome> run(size_t base, bool nested);
    // Hands an instruction error to the innermost try block opened inside the current run
    // level (above `base` frames). Returns the error when there is none, or when the error
    // is never catchable (the time limit).
    Result<void> handle_error(CorvaneError error, size_t base);

    size_t ticks_ = 0;
    size_t nested_depth_ = 0;
    uintptr_t native_stack_top_ = 0;
};

}  // namespace corvane
