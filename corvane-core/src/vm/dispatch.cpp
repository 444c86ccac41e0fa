// GCC 12 reports a false "may be used uninitialized" for moves of the outcome variant
// (its vector member) when the sanitizers are enabled.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "vm/dispatch.h"


#include <string>

#include "value_convert.h"
#include "vm/exec.h"
#include "vm/operators.h"

namespace corvane {

namespace {

using Outcome = Result<bool>;

Outcome done(Result<void> r) {
    if (!r) return fail(r.error());
    return false;
}

bool is_namespace_name(std::string_view name) {
    for (std::string_view n : kNamespaceNames) {
        if (n == name) return true;
    }
    return false;
}

Outcome jump_to(Vm& vm, size_t target) {
    vm.frames.back().ip = target;
    return false;
}

Outcome binary(Vm& vm, Op op) {
    if (vm.stack.size() < 2) return fail(CorvaneError::runtime_error("stack underflow"));
    Value b = std::move(vm.stack.back());
    vm.truncate_stack(vm.stack.size() - 1);
    Value a = std::move(vm.stack.back());
    vm.truncate_stack(vm.stack.size() - 1);
    auto r = binary_op(op, a, b);
    if (!r) return fail(r.error());
    return done(vm.push(std::move(*r)));
}

Outcome unary(Vm& vm, Op op) {
    auto a = vm.pop();
    if (!a) return fail(a.error());
    return done(vm.push(unary_op(op, *a)));
}

Outcome do_return(Vm& vm, VmOutcome& out) {
    CallFrame& frame = vm.frames.back();
    Value value;
    if (vm.stack.size() > frame.stack_base) {
        value = std::move(vm.stack.back());
        vm.truncate_stack(vm.stack.size() - 1);
    }
    if (vm.frames.size() == 1) {
        out = VmComplete{std::move(value)};
        return true;
    }
    return done(vm.finish_frame(std::move(value)));
}

Outcome call_external(Vm& vm, const ins::CallExternal& ce, VmOutcome& out) {
    if (!vm.external_functions.contains(std::string(ce.name.view()))) {
        return fail(CorvaneError::unknown_external_function(ce.name.str()));
    }
    auto args = take_list_entries(vm, ce.argc);
    if (!args) return fail(args.error());
    if (vm.nested_depth() > 0) return fail(CorvaneError::runtime_error("cannot suspend inside array callback"));
    vm.last_load_source.reset();
    auto outcome = suspend_for_external(vm, ce.name, std::move(*args));
    if (!outcome) return fail(outcome.error());
    out = std::move(*outcome);
    return true;
}

}  // namespace

Outcome dispatch(Vm& vm, const Instruction& instruction, VmOutcome& out) {
    const InstructionVariant& node = instruction.node;
    switch (instruction.op()) {
        case Op::PushConst: {
            const Constant& c = std::get_if<ins::PushConst>(&node)->value;
            Value v;
            switch (c.value.index()) {
                case 0: break;
                case 1: v = Value::null(); break;
                case 2: v = Value::boolean(std::get<bool>(c.value)); break;
                case 3: v = Value::integer(std::get<int64_t>(c.value)); break;
                case 4: v = Value::number(std::get<double>(c.value)); break;
                default: v = Value::string(std::get<Str>(c.value)); break;
            }
            return done(vm.push(std::move(v)));
        }
        case Op::Pop: {
            auto v = vm.pop();
            if (!v) return fail(v.error());
            return false;
        }
        case Op::Dup: {
            auto top = vm.peek();
            if (!top) return fail(top.error());
            Value copy = **top;
            return done(vm.push(std::move(copy)));
        }
        case Op::LoadLocal: {
            size_t slot = std::get_if<ins::LoadLocal>(&node)->slot;
            CallFrame& frame = vm.frames.back();
            Value v = slot < frame.locals.size() ? frame.locals[slot] : Value();
            if (auto ok = vm.push(std::move(v)); !ok) return fail(ok.error());
            vm.last_load_source = ReceiverSource{ReceiverSource::Local{vm.frames.size() - 1, slot}};
            return false;
        }
        case Op::StoreLocal: {
            size_t slot = std::get_if<ins::StoreLocal>(&node)->slot;
            auto v = vm.pop();
            if (!v) return fail(v.error());
            CallFrame& frame = vm.frames.back();
            if (slot >= frame.locals.size()) frame.locals.resize(slot + 1);
            frame.locals[slot] = std::move(*v);
            return false;
        }
        case Op::LoadGlobal: {
            const Str& name = std::get_if<ins::LoadGlobal>(&node)->name;
            auto it = vm.globals.find(name);
            Value v = it != vm.globals.end() ? it->second : Value();
            if (auto ok = vm.push(std::move(v)); !ok) return fail(ok.error());
            if (is_namespace_name(name)) {
                vm.last_load_source.reset();
            } else {
                vm.last_load_source = ReceiverSource{ReceiverSource::Global{name}};
            }
            return false;
        }
        case Op::StoreGlobal: {
            auto v = vm.pop();
            if (!v) return fail(v.error());
            vm.globals.insert_or_assign(std::get_if<ins::StoreGlobal>(&node)->name, std::move(*v));
            return false;
        }
        case Op::DeclareLocal:
            vm.frames.back().locals.emplace_back();
            return false;
        case Op::Add: case Op::Sub: case Op::Mul: case Op::Div: case Op::Mod: case Op::Pow:
        case Op::BitAnd: case Op::BitOr: case Op::BitXor: case Op::Shl: case Op::Shr:
        case Op::UShr: case Op::Eq: case Op::NotEq: case Op::StrictEq: case Op::StrictNotEq:
        case Op::Lt: case Op::LtEq: case Op::Gt: case Op::GtEq:
            return binary(vm, instruction.op());
        case Op::Neg: case Op::BitNot: case Op::Not: case Op::TypeOf: case Op::Void:
        case Op::Increment: case Op::Decrement:
            return unary(vm, instruction.op());
        case Op::MakeArray:
            return done(exec_make_array(vm, std::get_if<ins::MakeArray>(&node)->count));
        case Op::MakeObject:
            return done(exec_make_object(vm, std::get_if<ins::MakeObject>(&node)->count));
        case Op::GetProperty:
            return done(exec_get_property(vm, std::get_if<ins::GetProperty>(&node)->name));
        case Op::SetProperty:
            return done(exec_set_property(vm, std::get_if<ins::SetProperty>(&node)->name));
        case Op::GetIndex:
            return done(exec_get_index(vm));
        case Op::SetIndex:
            return done(exec_set_index(vm));
        case Op::Spread: {
            if (vm.stack.empty()) return fail(CorvaneError::runtime_error("stack underflow"));
            size_t pos = vm.stack.size() - 1;
            if (vm.spread_marks.empty() || vm.spread_marks.back() < pos) vm.spread_marks.push_back(pos);
            return false;
        }
        case Op::In:
            return done(exec_in(vm));
        case Op::InstanceOf:
            return done(exec_instance_of(vm));
        case Op::MakeClosure:
            return done(exec_make_closure(vm, std::get_if<ins::MakeClosure>(&node)->func_id));
        case Op::Call:
            return done(exec_call(vm, std::get_if<ins::Call>(&node)->argc));
        case Op::Return:
            return do_return(vm, out);
        case Op::CallExternal:
            return call_external(vm, *std::get_if<ins::CallExternal>(&node), out);
        case Op::Jump:
            return jump_to(vm, std::get_if<ins::Jump>(&node)->target);
        case Op::JumpIfFalse:
        case Op::JumpIfTrue: {
            auto v = vm.pop();
            if (!v) return fail(v.error());
            bool want = instruction.op() == Op::JumpIfTrue;
            if (is_truthy(*v) == want) {
                return jump_to(vm, want ? std::get_if<ins::JumpIfTrue>(&node)->target
                                        : std::get_if<ins::JumpIfFalse>(&node)->target);
            }
            return false;
        }
        case Op::JumpIfNullish: {
            auto top = vm.peek();
            if (!top) return fail(top.error());
            if ((*top)->is_nullish()) return jump_to(vm, std::get_if<ins::JumpIfNullish>(&node)->target);
            return false;
        }
        case Op::GetIterator:
            return done(exec_get_iterator(vm));
        case Op::IteratorNext:
            return done(exec_iterator_next(vm));
        case Op::IteratorDone:
            return done(exec_iterator_done(vm));
        case Op::TryStart:
            vm.try_stack.push_back(TryInfo{std::get_if<ins::TryStart>(&node)->catch_target, vm.frames.size(),
                                           vm.stack.size()});
            return false;
        case Op::Throw: {
            auto v = vm.pop();
            if (!v) return fail(v.error());
            return fail(CorvaneError::runtime_error(to_js_string(*v)));
        }
        case Op::TryEnd:
            // Only a record of the current frame can be closed by its code.
            if (!vm.try_stack.empty() && vm.try_stack.back().frame_depth == vm.frames.size()) {
                vm.try_stack.pop_back();
            }
            return false;
        case Op::Concat: {
            size_t count = std::get_if<ins::Concat>(&node)->count;
            if (vm.stack.size() < count) return fail(CorvaneError::runtime_error("stack underflow"));
            size_t base = vm.stack.size() - count;
            auto r = concat_values(std::span<const Value>(vm.stack).subspan(base));
            vm.truncate_stack(base);
            if (!r) return fail(r.error());
            return done(vm.push(std::move(*r)));
        }
        case Op::DestructureObject:
            return done(exec_destructure_object(vm, std::get_if<ins::DestructureObject>(&node)->names));
        case Op::DestructureArray:
            return done(exec_destructure_array(vm, std::get_if<ins::DestructureArray>(&node)->count));
        case Op::MakeClass:
            return done(exec_make_class(vm, *std::get_if<ins::MakeClass>(&node)));
        case Op::New:
            return done(exec_new(vm, std::get_if<ins::New>(&node)->argc));
        case Op::LoadThis:
            return done(exec_load_this(vm));
        case Op::StoreThis:
            return done(exec_store_this(vm));
        case Op::SuperCall:
            return done(exec_super_call(vm, std::get_if<ins::SuperCall>(&node)->argc));
        case Op::Yield:
            return fail(CorvaneError::runtime_error("yield can only be used inside a generator function"));
        case Op::Await:
            return done(exec_await(vm));
        case Op::Reserved48: case Op::Reserved49: case Op::Reserved50: case Op::Reserved69:
        case Op::Reserved72:
            return false;
    }
    return false;
}

}  // namespace corvane
