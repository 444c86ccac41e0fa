#include "corvane_run.h"

#include <unordered_set>

#include "pending_stages.h"

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
    auto program = pending::parse(code);
    if (!program) return fail_stage(root, parse_span, std::move(program.error()));
    root.add_child(std::move(parse_span).finish());

    SpanBuilder compile_span("compile");
    std::unordered_set<std::string> externals(external_functions.begin(),
                                              external_functions.end());
    std::unordered_set<std::string> vm_externals = externals;
    auto compiled = pending::compile_with_externals(std::move(*program), std::move(externals));
    if (!compiled) return fail_stage(root, compile_span, std::move(compiled.error()));
    root.add_child(std::move(compile_span).finish());

    SpanBuilder execute_span("execute");
    (void)vm_externals;
    (void)run_inputs;
    return fail_stage(root, execute_span,
                      CorvaneError::runtime_error("the machine is not implemented yet"));
}

}  // namespace corvane
