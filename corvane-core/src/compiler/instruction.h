// The instruction set of the stack machine.
//
// `Instruction` is a tagged variant of 73 alternatives. The position of an alternative in
// the variant (and in `Op`) is part of the persistent format: snapshots store compiled code
// as the position followed by the payload fields in declared order. Never reorder, never
// insert in the middle; the five `Reserved*` alternatives keep their positions and do
// nothing when executed.
//
// Names are held as `Str` (shared immutable text with a cached hash), so the machine hashes
// a global, property or method name once per program, not once per execution. A copy of an
// instruction behaves as a deep copy: the texts are immutable.
//
// Contract between the compiler and the machine, beyond the one-line meanings below:
//
// * Spread entries. The compiler emits the spread operand followed by `Spread` and counts
//   the entry as ONE entry of the consuming `MakeArray`, `MakeObject`, `Call`, `New` or
//   `SuperCall` (an object spread entry pushes only its value, no key). `Spread` marks the
//   value on top of the operand stack as a spread operand; the mark is machine state (a
//   list of operand-stack positions in the Vm, so it survives a snapshot taken while the
//   literal is half evaluated) and disappears when that value is popped. The consumer
//   expands marked entries: in an array literal or an argument list an Array spreads its
//   elements and a String its characters, anything else fails with the type error
//   "{type} is not iterable"; in an object literal an Object spreads its entries, an Array
//   or a String its index keys ("0", "1", ...), anything else nothing. `argc`/`count` stay
//   the number of entries as written in the source.
//
// * Method receivers. `GetProperty` that reads a function or builtin method records the
//   object it read from as the pending receiver of the value it pushes (keyed by that
//   value's operand-stack position). `Call`/`New` take the receiver only when their callee
//   is exactly that recorded value; so emit `obj; GetProperty(m); args...; Call(n)` for a
//   method call, and anything else (a method value stored in a variable and called later)
//   gets no receiver. Arguments may contain other method calls freely. The final `this` of
//   a method is written back to the variable the receiver was loaded from only when the
//   receiver is the value that `LoadLocal`/`LoadGlobal`/`LoadThis` pushed (emit the load
//   directly before `GetProperty`, as in `v.m()` and `this.m()`).
//
// * Leaving constructs by jumps. `break`/`continue` out of a `switch` or a `for ... of`
//   must first `Pop` what those constructs keep on the operand stack (the discriminant; the
//   iterator state), one `Pop` per value, so a jump never leaves stale values below the
//   target loop's own. `break`/`continue`/`return` out of a `try` block must emit one
//   `TryEnd` per try block being left (innermost first) before the jump; `return` from a
//   function additionally drops every try record of the returning frame by itself.
//
// * Try blocks. Layout: `TryStart(catch)`, protected code, `TryEnd`, `Jump(after)`,
//   catch: `StoreLocal(e)` or `Pop` (the error's display text is on the stack), handler...
//   The operand stack is cut back to its height at `TryStart` before the handler runs.
//
// * Parameters: see compiled_program.h (`CompiledFunction`).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "str.h"

namespace corvane {

// The payload of `PushConst`. Alternatives in declared order: Undefined, Null, Bool, Int,
// Float, String.
struct Constant {
    struct Undefined {
        bool operator==(const Undefined&) const = default;
    };
    struct Null {
        bool operator==(const Null&) const = default;
    };
    std::variant<Undefined, Null, bool, int64_t, double, Str> value;

    static Constant undefined() { return {Undefined{}}; }
    static Constant null() { return {Null{}}; }
    static Constant boolean(bool b) { return {b}; }
    static Constant integer(int64_t i) { return {i}; }
    static Constant number(double d) { return {d}; }
    static Constant string(Str s) { return {std::move(s)}; }

    // Equality by kind and payload; doubles compare by bits (NaN equals NaN, 0 != -0).
    bool operator==(const Constant& other) const;
};

// The alternatives, each a struct named after the instruction.
namespace ins {
// clang-format off
struct PushConst    { Constant value; bool operator==(const PushConst&) const = default; };
struct Pop          { bool operator==(const Pop&) const = default; };
struct Dup          { bool operator==(const Dup&) const = default; };
struct LoadLocal    { size_t slot = 0; bool operator==(const LoadLocal&) const = default; };
struct StoreLocal   { size_t slot = 0; bool operator==(const StoreLocal&) const = default; };
struct LoadGlobal   { Str name; bool operator==(const LoadGlobal&) const = default; };
struct StoreGlobal  { Str name; bool operator==(const StoreGlobal&) const = default; };
struct DeclareLocal { Str name; bool operator==(const DeclareLocal&) const = default; };
struct Add          { bool operator==(const Add&) const = default; };
struct Sub          { bool operator==(const Sub&) const = default; };
struct Mul          { bool operator==(const Mul&) const = default; };
struct Div          { bool operator==(const Div&) const = default; };
struct Mod          { bool operator==(const Mod&) const = default; };
struct Pow          { bool operator==(const Pow&) const = default; };
struct Neg          { bool operator==(const Neg&) const = default; };
struct BitNot       { bool operator==(const BitNot&) const = default; };
struct BitAnd       { bool operator==(const BitAnd&) const = default; };
struct BitOr        { bool operator==(const BitOr&) const = default; };
struct BitXor       { bool operator==(const BitXor&) const = default; };
struct Shl          { bool operator==(const Shl&) const = default; };
struct Shr          { bool operator==(const Shr&) const = default; };
struct UShr         { bool operator==(const UShr&) const = default; };
struct Eq           { bool operator==(const Eq&) const = default; };
struct NotEq        { bool operator==(const NotEq&) const = default; };
struct StrictEq     { bool operator==(const StrictEq&) const = default; };
struct StrictNotEq  { bool operator==(const StrictNotEq&) const = default; };
struct Lt           { bool operator==(const Lt&) const = default; };
struct LtEq         { bool operator==(const LtEq&) const = default; };
struct Gt           { bool operator==(const Gt&) const = default; };
struct GtEq         { bool operator==(const GtEq&) const = default; };
struct Not          { bool operator==(const Not&) const = default; };
struct MakeArray    { size_t count = 0; bool operator==(const MakeArray&) const = default; };
struct MakeObject   { size_t count = 0; bool operator==(const MakeObject&) const = default; };
struct GetProperty  { Str name; bool operator==(const GetProperty&) const = default; };
struct SetProperty  { Str name; bool operator==(const SetProperty&) const = default; };
struct GetIndex     { bool operator==(const GetIndex&) const = default; };
struct SetIndex     { bool operator==(const SetIndex&) const = default; };
struct Spread       { bool operator==(const Spread&) const = default; };
struct In           { bool operator==(const In&) const = default; };
struct InstanceOf   { bool operator==(const InstanceOf&) const = default; };
struct MakeClosure  { size_t func_id = 0; bool operator==(const MakeClosure&) const = default; };
struct Call         { size_t argc = 0; bool operator==(const Call&) const = default; };
struct Return       { bool operator==(const Return&) const = default; };
struct CallExternal { Str name; size_t argc = 0; bool operator==(const CallExternal&) const = default; };
struct Jump         { size_t target = 0; bool operator==(const Jump&) const = default; };
struct JumpIfFalse  { size_t target = 0; bool operator==(const JumpIfFalse&) const = default; };
struct JumpIfTrue   { size_t target = 0; bool operator==(const JumpIfTrue&) const = default; };
struct JumpIfNullish{ size_t target = 0; bool operator==(const JumpIfNullish&) const = default; };
struct Reserved48   { bool operator==(const Reserved48&) const = default; };
struct Reserved49   { bool operator==(const Reserved49&) const = default; };
struct Reserved50   { bool operator==(const Reserved50&) const = default; };
struct GetIterator  { bool operator==(const GetIterator&) const = default; };
struct IteratorNext { bool operator==(const IteratorNext&) const = default; };
struct IteratorDone { bool operator==(const IteratorDone&) const = default; };
struct TryStart     { size_t catch_target = 0; std::optional<size_t> finally_target; bool operator==(const TryStart&) const = default; };
struct Throw        { bool operator==(const Throw&) const = default; };
struct TryEnd       { bool operator==(const TryEnd&) const = default; };
struct TypeOf       { bool operator==(const TypeOf&) const = default; };
struct Void         { bool operator==(const Void&) const = default; };
struct Increment    { bool operator==(const Increment&) const = default; };
struct Decrement    { bool operator==(const Decrement&) const = default; };
struct Concat       { size_t count = 0; bool operator==(const Concat&) const = default; };
struct DestructureObject { std::vector<Str> names; bool operator==(const DestructureObject&) const = default; };
struct DestructureArray  { size_t count = 0; bool operator==(const DestructureArray&) const = default; };
struct MakeClass    { Str name; size_t method_count = 0; size_t static_count = 0; bool has_super = false; bool operator==(const MakeClass&) const = default; };
struct New          { size_t argc = 0; bool operator==(const New&) const = default; };
struct LoadThis     { bool operator==(const LoadThis&) const = default; };
struct StoreThis    { bool operator==(const StoreThis&) const = default; };
struct SuperCall    { size_t argc = 0; bool operator==(const SuperCall&) const = default; };
struct Reserved69   { size_t operand = 0; bool operator==(const Reserved69&) const = default; };
struct Yield        { bool operator==(const Yield&) const = default; };
struct Await        { bool operator==(const Await&) const = default; };
struct Reserved72   { bool operator==(const Reserved72&) const = default; };
// clang-format on
}  // namespace ins

// The positions of the alternatives, in declared order (the value is the position).
enum class Op : uint8_t {
    PushConst, Pop, Dup, LoadLocal, StoreLocal, LoadGlobal, StoreGlobal, DeclareLocal,
    Add, Sub, Mul, Div, Mod, Pow, Neg, BitNot, BitAnd, BitOr, BitXor, Shl, Shr, UShr,
    Eq, NotEq, StrictEq, StrictNotEq, Lt, LtEq, Gt, GtEq, Not,
    MakeArray, MakeObject, GetProperty, SetProperty, GetIndex, SetIndex, Spread, In,
    InstanceOf, MakeClosure, Call, Return, CallExternal,
    Jump, JumpIfFalse, JumpIfTrue, JumpIfNullish, Reserved48, Reserved49, Reserved50,
    GetIterator, IteratorNext, IteratorDone, TryStart, Throw, TryEnd, TypeOf, Void,
    Increment, Decrement, Concat, DestructureObject, DestructureArray, MakeClass, New,
    LoadThis, StoreThis, SuperCall, Reserved69, Yield, Await, Reserved72,
};
inline constexpr size_t kInstructionCount = 73;

using InstructionVariant = std::variant<
    ins::PushConst, ins::Pop, ins::Dup, ins::LoadLocal, ins::StoreLocal, ins::LoadGlobal,
    ins::StoreGlobal, ins::DeclareLocal, ins::Add, ins::Sub, ins::Mul, ins::Div, ins::Mod,
    ins::Pow, ins::Neg, ins::BitNot, ins::BitAnd, ins::BitOr, ins::BitXor, ins::Shl, ins::Shr,
    ins::UShr, ins::Eq, ins::NotEq, ins::StrictEq, ins::StrictNotEq, ins::Lt, ins::LtEq,
    ins::Gt, ins::GtEq, ins::Not, ins::MakeArray, ins::MakeObject, ins::GetProperty,
    ins::SetProperty, ins::GetIndex, ins::SetIndex, ins::Spread, ins::In, ins::InstanceOf,
    ins::MakeClosure, ins::Call, ins::Return, ins::CallExternal, ins::Jump, ins::JumpIfFalse,
    ins::JumpIfTrue, ins::JumpIfNullish, ins::Reserved48, ins::Reserved49, ins::Reserved50,
    ins::GetIterator, ins::IteratorNext, ins::IteratorDone, ins::TryStart, ins::Throw,
    ins::TryEnd, ins::TypeOf, ins::Void, ins::Increment, ins::Decrement, ins::Concat,
    ins::DestructureObject, ins::DestructureArray, ins::MakeClass, ins::New, ins::LoadThis,
    ins::StoreThis, ins::SuperCall, ins::Reserved69, ins::Yield, ins::Await, ins::Reserved72>;

static_assert(std::variant_size_v<InstructionVariant> == kInstructionCount);

struct Instruction {
    InstructionVariant node;

    Instruction() : node(ins::Pop{}) {}
    template <class T>
        requires(!std::is_same_v<std::remove_cvref_t<T>, Instruction>)
    Instruction(T&& alternative)  // NOLINT: implicit, so `emit(ins::Pop{})` reads naturally
        : node(std::forward<T>(alternative)) {}

    Op op() const { return static_cast<Op>(node.index()); }
    template <class T>
    bool is() const {
        return std::holds_alternative<T>(node);
    }
    template <class T>
    T& as() {
        return std::get<T>(node);
    }
    template <class T>
    const T& as() const {
        return std::get<T>(node);
    }

    bool operator==(const Instruction&) const = default;
};

// The instruction's name as written in this header ("PushConst", "Reserved69", ...).
std::string_view op_name(Op op);

// Jump patching: the patchable instructions are Jump, JumpIfFalse, JumpIfTrue, JumpIfNullish
// (their `target`) and TryStart (its `catch_target`). Returns false for any other
// instruction, which is left unchanged.
bool set_jump_target(Instruction& instruction, size_t target);

// A readable one-line form for test failures and debugging ("LoadLocal 3",
// "PushConst \"hi\"", "MakeClass \"A\" 1 0 true"). Not a format anything parses.
std::string debug_string(const Instruction& instruction);

}  // namespace corvane
