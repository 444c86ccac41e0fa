// Machine state, stack primitives, limits, frames, the execution loop and the try handler.
// GCC 12 reports a false "may be used uninitialized" for moves of the outcome variant
// (its vector member) when the sanitizers are enabled.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "vm/vm.h"

#include <algorithm>

#include "vm/dispatch.h"

#include "value_convert.h"
#include "vm/exec.h"

namespace corvane {

namespace {
// Instructions (or units of work) between two readings of the clock. An instruction that
// does work proportional to a size charges it, so the clock is read often enough that no
// run passes its time limit by more than a fraction of a millisecond.
constexpr size_t kTicksPerClockRead = 256;
// Callbacks run by builtins nest native calls; both bounds turn deep nesting into the
// stack-overflow error long before the native stack (512 KiB on small threads) runs out.
constexpr size_t kMaxNestedExecutions = 200;
constexpr uintptr_t kNativeStackBudget = 256 * 1024;

uintptr_t native_stack_position() {
    return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}
}  // namespace

Vm::Vm(CompiledProgram program_in, Limits limits_in, std::unordered_set<std::string> externals)
    : program(std::move(program_in)), external_functions(std::move(externals)), limits(limits_in) {}

void Vm::set_global(std::string_view name, Value value) {
    globals.insert_or_assign(Str(name), std::move(value));
}

void Vm::start_clock() { start_time = std::chrono::steady_clock::now(); }

void Vm::push_top_frame() {
    CallFrame frame;
    frame.locals.resize(program.local_names.size());
    frame.stack_base = stack.size();
    frames.push_back(std::move(frame));
}

const std::vector<Instruction>& Vm::code_of(const CallFrame& frame) const {
    if (frame.func_id && *frame.func_id < program.functions.size()) {
        return program.functions[*frame.func_id].instructions;
    }
    return program.instructions;
}

const std::vector<Str>& Vm::local_names_of(const CallFrame& frame) const {
    if (frame.func_id && *frame.func_id < program.functions.size()) {
        return program.functions[*frame.func_id].local_names;
    }
    return program.local_names;
}

Result<void> Vm::count_allocation() {
    if (++allocation_count > limits.max_allocations) {
        --allocation_count;  // keep the count at what actually happened
        return fail(CorvaneError::allocation_limit_exceeded());
    }
    return {};
}

Result<void> Vm::push(Value v) {
    if (auto ok = count_allocation(); !ok) return ok;
    stack.push_back(std::move(v));
    return {};
}

Result<Value> Vm::pop() {
    if (stack.empty()) return fail(CorvaneError::runtime_error("stack underflow"));
    Value v = std::move(stack.back());
    truncate_stack(stack.size() - 1);
    return v;
}

Result<const Value*> Vm::peek() const {
    if (stack.empty()) return fail(CorvaneError::runtime_error("stack underflow"));
    return &stack.back();
}

void Vm::truncate_stack(size_t n) {
    if (n < stack.size()) stack.resize(n);
    while (!spread_marks.empty() && spread_marks.back() >= n) spread_marks.pop_back();
    while (!pending_receivers.empty() && pending_receivers.back().stack_pos >= n) pending_receivers.pop_back();
}

Result<void> Vm::check_time() {
    ticks_ = 0;
    if (!start_time) return {};
    auto elapsed = std::chrono::steady_clock::now() - *start_time;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    if (ms >= 0 && static_cast<uint64_t>(ms) > limits.time_limit_ms) {
        return fail(CorvaneError::time_limit_exceeded());
    }
    return {};
}

Result<void> Vm::charge(size_t work) {
    ticks_ += work;
    if (ticks_ >= kTicksPerClockRead) return check_time();
    return {};
}

Result<void> Vm::push_call_frame(const Value& callee, std::vector<Value> args,
                                 std::optional<Value> this_value, std::optional<ReceiverSource> source,
                                 std::optional<Value> home_class) {
    if (!callee.is_function() || callee.as_closure().func_index >= program.functions.size()) {
        return fail(CorvaneError::runtime_error("invalid function index"));
    }
    if (call_depth + 1 > limits.max_stack_depth) return fail(CorvaneError::stack_overflow(call_depth + 1));
    const Closure& closure = callee.as_closure();
    const CompiledFunction& fn = program.functions[closure.func_index];
    for (const auto& [name, value] : closure.captures) globals.try_emplace(name, value);

    // Parameter i goes to slot i; a final rest parameter takes the remaining arguments.
    const size_t param_count = fn.params.count();
    std::vector<Value> locals(std::max(fn.local_count, param_count));
    for (size_t i = 0; i < param_count; ++i) {
        if (fn.params.has_rest() && i + 1 == param_count) {
            Array rest;
            if (i < args.size()) {
                rest.assign(std::make_move_iterator(args.begin() + static_cast<std::ptrdiff_t>(i)),
                            std::make_move_iterator(args.end()));
            }
            locals[i] = Value::array(std::move(rest));
        } else if (i < args.size()) {
            locals[i] = std::move(args[i]);
        }
    }
    if (auto ok = charge(closure.captures.size() / 16); !ok) return ok;

    ++call_depth;
    CallFrame frame;
    frame.func_id = closure.func_index;
    frame.locals = std::move(locals);
    frame.stack_base = stack.size();
    if (this_value) {
        frame.this_value = std::move(this_value);
        frame.receiver_source = std::move(source);
    }
    frame.home_class = std::move(home_class);
    frames.push_back(std::move(frame));
    return {};
}

namespace {
// Writes a method's final `this` to the variable (or frame `this`) its receiver came from.
void write_back(Vm& vm, const ReceiverSource& source, const Value& value) {
    if (const auto* g = std::get_if<ReceiverSource::Global>(&source.node)) {
        vm.globals.insert_or_assign(g->name, value);
    } else if (const auto* l = std::get_if<ReceiverSource::Local>(&source.node)) {
        if (l->frame_index >= vm.frames.size()) return;
        auto& locals = vm.frames[l->frame_index].locals;
        if (l->slot >= locals.size()) locals.resize(l->slot + 1);
        locals[l->slot] = value;
    } else {
        const auto& t = std::get<ReceiverSource::This>(source.node);
        if (t.frame_index < vm.frames.size() && vm.frames[t.frame_index].this_value) {
            vm.frames[t.frame_index].this_value = value;
        }
    }
}

void drop_records_above(Vm& vm, size_t frame_count) {
    while (!vm.try_stack.empty() && vm.try_stack.back().frame_depth > frame_count) vm.try_stack.pop_back();
}
}  // namespace

Result<void> Vm::finish_frame(Value value) {
    CallFrame callee = std::move(frames.back());
    frames.pop_back();
    if (call_depth > 0) --call_depth;
    drop_records_above(*this, frames.size());
    Value result = std::move(value);
    if (callee.this_value) {
        if (callee.receiver_source) write_back(*this, *callee.receiver_source, *callee.this_value);
        if (result.is_undefined()) result = std::move(*callee.this_value);
    }
    truncate_stack(callee.stack_base);
    return push(std::move(result));
}

Result<void> Vm::handle_error(CorvaneError error, size_t base) {
    if (error.kind() == CorvaneError::Kind::TimeLimitExceeded) return fail(std::move(error));
    if (try_stack.empty() || try_stack.back().frame_depth <= base) return fail(std::move(error));
    TryInfo record = try_stack.back();
    try_stack.pop_back();
    while (frames.size() > record.frame_depth && frames.size() > 1) {
        frames.pop_back();
        if (call_depth > 0) --call_depth;
    }
    // A pending async callback whose frame is gone can never deliver its result.
    while (!continuations.empty()) {
        size_t cb = std::visit([](const auto& c) { return c.callback_frame; }, continuations.back().node);
        if (cb < frames.size()) break;
        continuations.pop_back();
    }
    if (stack.size() > record.stack_depth) truncate_stack(record.stack_depth);
    last_load_source.reset();
    if (auto ok = push(Value::string(error.display())); !ok) return ok;
    frames.back().ip = record.catch_ip;
    return {};
}

Result<VmOutcome> Vm::run(size_t base, bool nested) {
    for (;;) {
        if (++ticks_ >= kTicksPerClockRead) {
            if (auto ok = check_time(); !ok) return fail(ok.error());
        }
        CallFrame& frame = frames.back();
        const std::vector<Instruction>& code = code_of(frame);
        if (frame.ip >= code.size()) {
            if (frames.size() == 1) {
                Value result;
                if (!stack.empty()) {
                    result = std::move(stack.back());
                    truncate_stack(stack.size() - 1);
                }
                return VmOutcome(VmComplete{std::move(result)});
            }
            // Running off the end of a function is a return of undefined.
            if (auto ok = finish_frame(Value()); !ok) return fail(ok.error());
        } else {
            const Instruction& instruction = code[frame.ip++];
            VmOutcome outcome;
            auto r = dispatch(*this, instruction, outcome);
            if (!r) {
                if (auto h = handle_error(std::move(r.error()), base); !h) return fail(h.error());
                continue;
            }
            if (*r) return outcome;
        }
        if (nested) {
            if (frames.size() == base) {
                Value result;
                if (!stack.empty()) {
                    result = std::move(stack.back());
                    truncate_stack(stack.size() - 1);
                }
                return VmOutcome(VmComplete{std::move(result)});
            }
        } else if (!continuations.empty()) {
            if (auto ok = process_continuation(); !ok) return fail(ok.error());
        }
    }
}

Result<VmOutcome> Vm::execute() {
    if (frames.empty()) return fail(CorvaneError::runtime_error("no frame to execute"));
    native_stack_top_ = native_stack_position();
    auto r = run(0, false);
    native_stack_top_ = 0;
    return r;
}

Result<Value> Vm::call_function_internal(const Value& callee, std::vector<Value> args) {
    if (!callee.is_function()) {
        return fail(CorvaneError::type_error(to_js_string(callee) + " is not a function"));
    }
    bool outermost = native_stack_top_ == 0;
    uintptr_t here = native_stack_position();
    if (outermost) native_stack_top_ = here;
    if (nested_depth_ >= kMaxNestedExecutions ||
        (native_stack_top_ > here && native_stack_top_ - here > kNativeStackBudget)) {
        if (outermost) native_stack_top_ = 0;
        return fail(CorvaneError::stack_overflow(call_depth + 1));
    }
    const size_t base = frames.size();
    const size_t stack_base = stack.size();
    auto pushed = push_call_frame(callee, std::move(args), std::nullopt, std::nullopt);
    if (!pushed) {
        if (outermost) native_stack_top_ = 0;
        return fail(pushed.error());
    }
    ++nested_depth_;
    auto r = run(base, true);
    --nested_depth_;
    if (outermost) native_stack_top_ = 0;
    if (!r) {
        // Confine the error to this call: remove what the callback left behind.
        while (frames.size() > base) {
            frames.pop_back();
            if (call_depth > 0) --call_depth;
        }
        drop_records_above(*this, base);
        truncate_stack(stack_base);
        return fail(r.error());
    }
    if (auto* suspended = std::get_if<VmSuspended>(&*r)) {
        (void)suspended;
        return fail(CorvaneError::runtime_error("cannot suspend inside array callback"));
    }
    return std::move(std::get<VmComplete>(*r).value);
}

}  // namespace corvane
