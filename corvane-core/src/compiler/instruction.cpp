#include "compiler/instruction.h"

#include <array>
#include <bit>
#include <cstdint>
#include <string>

#include "number_text.h"

namespace corvane {

bool Constant::operator==(const Constant& other) const {
    if (value.index() != other.value.index()) return false;
    if (const double* d = std::get_if<double>(&value)) {
        return std::bit_cast<uint64_t>(*d) == std::bit_cast<uint64_t>(std::get<double>(other.value));
    }
    return value == other.value;
}

namespace {
constexpr std::array<std::string_view, kInstructionCount> kNames = {
    "PushConst", "Pop", "Dup", "LoadLocal", "StoreLocal", "LoadGlobal", "StoreGlobal",
    "DeclareLocal", "Add", "Sub", "Mul", "Div", "Mod", "Pow", "Neg", "BitNot", "BitAnd",
    "BitOr", "BitXor", "Shl", "Shr", "UShr", "Eq", "NotEq", "StrictEq", "StrictNotEq", "Lt",
    "LtEq", "Gt", "GtEq", "Not", "MakeArray", "MakeObject", "GetProperty", "SetProperty",
    "GetIndex", "SetIndex", "Spread", "In", "InstanceOf", "MakeClosure", "Call", "Return",
    "CallExternal", "Jump", "JumpIfFalse", "JumpIfTrue", "JumpIfNullish", "Reserved48",
    "Reserved49", "Reserved50", "GetIterator", "IteratorNext", "IteratorDone", "TryStart",
    "Throw", "TryEnd", "TypeOf", "Void", "Increment", "Decrement", "Concat",
    "DestructureObject", "DestructureArray", "MakeClass", "New", "LoadThis", "StoreThis",
    "SuperCall", "Reserved69", "Yield", "Await", "Reserved72",
};

std::string quoted(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

std::string constant_text(const Constant& c) {
    struct V {
        std::string operator()(Constant::Undefined) const { return "undefined"; }
        std::string operator()(Constant::Null) const { return "null"; }
        std::string operator()(bool b) const { return b ? "true" : "false"; }
        std::string operator()(int64_t i) const { return std::to_string(i); }
        std::string operator()(double d) const { return number_to_text(d) + "f"; }
        std::string operator()(const Str& s) const { return quoted(s.view()); }
    };
    return std::visit(V{}, c.value);
}
}  // namespace

std::string_view op_name(Op op) {
    auto i = static_cast<size_t>(op);
    return i < kNames.size() ? kNames[i] : std::string_view("?");
}

bool set_jump_target(Instruction& instruction, size_t target) {
    return std::visit(
        [target](auto& alt) {
            using T = std::decay_t<decltype(alt)>;
            if constexpr (std::is_same_v<T, ins::TryStart>) {
                alt.catch_target = target;
                return true;
            } else if constexpr (std::is_same_v<T, ins::Jump> || std::is_same_v<T, ins::JumpIfFalse> ||
                                 std::is_same_v<T, ins::JumpIfTrue> ||
                                 std::is_same_v<T, ins::JumpIfNullish>) {
                alt.target = target;
                return true;
            } else {
                return false;
            }
        },
        instruction.node);
}

std::string debug_string(const Instruction& instruction) {
    std::string out(op_name(instruction.op()));
    std::visit(
        [&out](const auto& alt) {
            using T = std::decay_t<decltype(alt)>;
            auto num = [&out](size_t n) { out += ' ' + std::to_string(n); };
            auto name = [&out](const Str& s) { out += ' ' + quoted(s.view()); };
            if constexpr (std::is_same_v<T, ins::PushConst>) {
                out += ' ' + constant_text(alt.value);
            } else if constexpr (std::is_same_v<T, ins::LoadLocal> || std::is_same_v<T, ins::StoreLocal>) {
                num(alt.slot);
            } else if constexpr (std::is_same_v<T, ins::LoadGlobal> || std::is_same_v<T, ins::StoreGlobal> ||
                                 std::is_same_v<T, ins::DeclareLocal> ||
                                 std::is_same_v<T, ins::GetProperty> ||
                                 std::is_same_v<T, ins::SetProperty>) {
                name(alt.name);
            } else if constexpr (std::is_same_v<T, ins::MakeArray> || std::is_same_v<T, ins::MakeObject> ||
                                 std::is_same_v<T, ins::Concat> ||
                                 std::is_same_v<T, ins::DestructureArray>) {
                num(alt.count);
            } else if constexpr (std::is_same_v<T, ins::Call> || std::is_same_v<T, ins::New> ||
                                 std::is_same_v<T, ins::SuperCall>) {
                num(alt.argc);
            } else if constexpr (std::is_same_v<T, ins::MakeClosure>) {
                num(alt.func_id);
            } else if constexpr (std::is_same_v<T, ins::CallExternal>) {
                name(alt.name);
                num(alt.argc);
            } else if constexpr (std::is_same_v<T, ins::Jump> || std::is_same_v<T, ins::JumpIfFalse> ||
                                 std::is_same_v<T, ins::JumpIfTrue> ||
                                 std::is_same_v<T, ins::JumpIfNullish>) {
                num(alt.target);
            } else if constexpr (std::is_same_v<T, ins::TryStart>) {
                num(alt.catch_target);
                if (alt.finally_target) {
                    num(*alt.finally_target);
                } else {
                    out += " -";
                }
            } else if constexpr (std::is_same_v<T, ins::DestructureObject>) {
                for (const Str& n : alt.names) name(n);
            } else if constexpr (std::is_same_v<T, ins::MakeClass>) {
                name(alt.name);
                num(alt.method_count);
                num(alt.static_count);
                out += alt.has_super ? " true" : " false";
            } else if constexpr (std::is_same_v<T, ins::Reserved69>) {
                num(alt.operand);
            }
        },
        instruction.node);
    return out;
}

}  // namespace corvane
