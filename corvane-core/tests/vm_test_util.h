// Hand-assembled programs for machine tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "compiler/compiled_program.h"
#include "value_convert.h"
#include "vm/builtins/globals.h"
#include "vm/vm.h"

namespace corvane::test {

using Code = std::vector<Instruction>;

inline Instruction C(int64_t i) { return ins::PushConst{Constant::integer(i)}; }
inline Instruction F(double d) { return ins::PushConst{Constant::number(d)}; }
inline Instruction S(const char* s) { return ins::PushConst{Constant::string(s)}; }
inline Instruction U() { return ins::PushConst{Constant::undefined()}; }
inline Instruction B(bool b) { return ins::PushConst{Constant::boolean(b)}; }

// A function whose parameter i is slot i; `locals` names every slot.
inline CompiledFunction fn(Code code, size_t params, std::vector<Str> locals = {}, bool rest = false) {
    CompiledFunction f;
    f.params = ParamList(nullptr, params, rest);
    f.instructions = std::move(code);
    while (locals.size() < params) {
        std::string name = "p";
        name += std::to_string(locals.size());
        locals.push_back(Str(name));
    }
    f.local_count = locals.size();
    f.local_names = std::move(locals);
    return f;
}

struct Machine {
    std::unique_ptr<Vm> vm;
    Result<VmOutcome> outcome = VmOutcome(VmComplete{});

    Value value() const {
        EXPECT_TRUE(outcome.has_value()) << (outcome ? "" : outcome.error().display());
        if (!outcome || !std::holds_alternative<VmComplete>(*outcome)) return Value();
        return std::get<VmComplete>(*outcome).value;
    }
    std::string error() const { return outcome ? std::string("<no error>") : outcome.error().display(); }
    std::string text() const { return to_js_string(value()); }
    Value global(const char* name) const {
        auto it = vm->globals.find(std::string_view(name));
        return it == vm->globals.end() ? Value() : it->second;
    }
};

struct Program {
    std::vector<CompiledFunction> functions;
    std::vector<Str> local_names;
    Limits limits{0, 100000, 512, 100000000};
    std::vector<std::pair<std::string, Value>> globals;
    std::unordered_set<std::string> externals;
};

inline Machine run(Code code, Program setup = {}) {
    CompiledProgram program;
    program.instructions = std::move(code);
    program.functions = std::move(setup.functions);
    program.local_names = std::move(setup.local_names);
    Machine m;
    m.vm = std::make_unique<Vm>(std::move(program), setup.limits, std::move(setup.externals));
    register_globals(m.vm->globals);
    for (auto& [name, value] : setup.globals) m.vm->set_global(name, value);
    m.vm->start_clock();
    m.vm->push_top_frame();
    m.outcome = m.vm->execute();
    return m;
}

inline Code concat_code(Code a, const Code& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Value arr(std::initializer_list<Value> xs) { return Value::array(Array(xs)); }
inline Value I(int64_t i) { return Value::integer(i); }
inline Value str(const char* s) { return Value::string(s); }

}  // namespace corvane::test
