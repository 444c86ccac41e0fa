#include "parser/front_end.h"

#include <utility>

#include "number_text.h"
#include "parser/lower.h"
#include "parser/source_prep.h"

namespace corvane::front_end {

namespace {

std::string join_lines(const std::vector<std::string>& lines) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) out += '\n';
        out += lines[i];
    }
    return out;
}

}  // namespace

Result<ir::Program> parse(std::string_view source) {
    const std::string prepared = prepare_source(source);
    parser::ParseResult parsed = parser::parse_typescript(prepared);
    if (!parsed.ok() && prepared.size() != source.size()) {
        // The rewrite is a textual guess. When it turns a text that parses into one that
        // does not (a trailing `throw { code: 1 }` or `a || { b: 1 }` becomes
        // `throw ;({ code: 1 })`), the text is parsed as written instead.
        parser::ParseResult unchanged = parser::parse_typescript(source);
        if (unchanged.ok()) parsed = std::move(unchanged);
    }
    if (!parsed.ok()) return fail(CorvaneError::parse_error(join_lines(parsed.diagnostics)));
    AstLowerer lowerer(parsed.ast);
    return lowerer.lower_program(parsed);
}

CorvaneError unsupported(ir::Span span, std::string message) {
    return CorvaneError::unsupported_syntax(span_location(span.start, span.end),
                                            std::move(message));
}

CorvaneError unsupported(parser::Span span, std::string message) {
    return CorvaneError::unsupported_syntax(span_location(span.start, span.end),
                                            std::move(message));
}

CorvaneError unsupported_expression() {
    return CorvaneError::unsupported_syntax("unknown", "unsupported expression type");
}

CorvaneError too_deep_error() {
    return CorvaneError::parse_error("the program is nested too deeply (more than " +
                                     std::to_string(kMaxLoweringDepth) + " levels)");
}

std::string property_key_to_string_from_key(const parser::Ast& ast, parser::NodeId key,
                                            bool computed) {
    if (key == parser::kNoNode) return "<computed>";
    const parser::Node& n = ast[key];
    switch (n.kind) {
        case parser::NodeKind::Identifier:
            if (!computed) return std::string(ast.str(n.str));
            break;
        case parser::NodeKind::StringLit: return std::string(ast.str(n.str));
        case parser::NodeKind::NumberLit: return number_to_text(n.num);
        default: break;
    }
    return "<computed>";
}

bool AstLowerer::error(CorvaneError e) {
    if (!error_) error_ = std::move(e);
    return false;
}

bool AstLowerer::refuse(parser::Span span, const char* message) {
    return error(unsupported(span, message));
}

bool AstLowerer::refuse_sandbox(const char* message) {
    return error(CorvaneError::sandbox_violation(message));
}

bool AstLowerer::refuse_sandbox_at(const char* what, parser::Span span) {
    return error(CorvaneError::sandbox_violation(std::string(what) +
                                                 " forbidden in the sandbox (at " +
                                                 span_location(span.start, span.end) + ")"));
}

bool AstLowerer::refuse_expression() { return error(unsupported_expression()); }

bool AstLowerer::refuse_too_deep() { return error(too_deep_error()); }

bool AstLowerer::refuse_compile(const char* message) {
    return error(CorvaneError::compile_error(message));
}

CorvaneError AstLowerer::take_error() {
    CorvaneError e = error_ ? std::move(*error_) : CorvaneError::compile_error("lowering failed");
    error_.reset();
    return e;
}

Result<ir::Program> AstLowerer::lower_program(const parser::ParseResult& parsed) {
    ir::Program program;
    program.body.reserve(parsed.directives.size() + parsed.body.count);
    for (const auto& d : parsed.directives) {
        program.body.push_back(
            ir::Statement::Expr{ir::Expr::String{d.value}, ir::Span{d.span.start, d.span.end}});
    }
    for (parser::NodeId id : parsed.statements()) {
        program.body.emplace_back();
        if (!lower_statement(id, program.body.back())) return fail(take_error());
    }
    program.functions = std::move(functions_);
    functions_.clear();
    return program;
}

}  // namespace corvane::front_end
