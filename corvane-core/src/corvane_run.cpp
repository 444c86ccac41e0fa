#include "corvane_run.h"

#include <unordered_set>

#include "compiler/compiler.h"
#include "parser/front_end.h"
#include "vm/builtins/globals.h"
#include "vm/vm.h"

namespace corvane {

namespace {

// Closes a failed stage's span under the root and hands back the stage's error; the
// trace of a failed run is discarded.
std::unexpected<CorvaneError> fail_stage(SpanBuilder& root, SpanBuilder& stage,
                                         CorvaneError error) {
    root.add_child(std::move(stage).finish_error(error.display()));
    (void)std::move(root).finish();
    return fail(std::move(error));
}

}  // namespace

Result<RunResult> CorvaneRun::run(RunInputs run_inputs) const {
    SpanBuilder root("corvane.run");

    SpanBuilder parse_span("parse");
    auto program = front_end::parse(code);
    if (!program) return fail_stage(root, parse_span, std::move(program.error()));
    root.add_child(std::move(parse_span).finish());

    SpanBuilder compile_span("compile");
    std::unordered_set<std::string> externals(external_functions.begin(),
                                              external_functions.end());
    std::unordered_set<std::string> vm_externals = externals;
    auto compiled = compile_with_externals(*program, externals);
    if (!compiled) return fail_stage(root, compile_span, std::move(compiled.error()));
    *program = ir::Program{};  // the compiled program keeps what it needs of the IR
    root.add_child(std::move(compile_span).finish());

    SpanBuilder execute_span("execute");
    Vm vm(std::move(*compiled),
          Limits{memory_limit_bytes, time_limit_ms, max_stack_depth, max_allocations},
          std::move(vm_externals));
    register_globals(vm.globals);
    for (auto& [name, value] : run_inputs) vm.set_global(name, std::move(value));
    vm.start_clock();
    vm.push_top_frame();
    Result<VmOutcome> outcome = vm.execute();
    if (!outcome) return fail_stage(root, execute_span, std::move(outcome.error()));

    RunResult result;
    if (auto* complete = std::get_if<VmComplete>(&*outcome)) {
        result.state = Complete{std::move(complete->value)};
    } else {
        auto& suspended = std::get<VmSuspended>(*outcome);
        execute_span.set_attr("corvane.suspended_on", suspended.function_name.view());
        execute_span.set_attr("corvane.args_count", uint64_t{suspended.args.size()});
        result.state = Suspended{suspended.function_name.str(), std::move(suspended.args), {}};
    }
    root.add_child(std::move(execute_span).finish());
    result.stdout_text = std::move(vm.stdout_text);
    result.trace.root = std::move(root).finish();
    return result;
}

}  // namespace corvane
