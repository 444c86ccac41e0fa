// Lowering of the syntax tree into the IR, with the sandbox policy.
//
// The lowerer walks the tree once, depth first in source order, and stops at the first
// construct it refuses: module syntax and the names that reach outside the sandbox are
// sandbox violations; constructs the engine does not implement are unsupported syntax.
// Type-only syntax is erased. There is no scope analysis: names are resolved later.
//
// Function expressions, arrows and function declarations are appended to the function
// table once completely lowered, so nested functions get smaller indices than the
// functions that contain them. Class constructors and methods stay inside their class.
//
// The walk recurses once per tree level; frames are kept small and the depth is bounded,
// so a tree of any shape fails cleanly instead of exhausting the native stack.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "error.h"
#include "parser/ast.h"
#include "parser/front_end.h"
#include "parser/ir.h"

namespace corvane::front_end {

// The constructor and methods of a class body.
struct ClassBody {
    std::optional<ir::Box<ir::FunctionDef>> constructor;
    std::vector<ir::ClassMethod> methods;
    std::vector<ir::ClassMethod> static_methods;
};

// How deep the lowering may recurse through the tree before it refuses the program.
inline constexpr uint32_t kMaxLoweringDepth = 1024;

// The lowering state for one program. Every lower_* operation writes its result into
// `out` and returns true, or records the first error (see take_error) and returns false.
// Results are built in place, inside their parent node, so a recursion level costs only a
// small frame and no temporary subtrees.
class AstLowerer {
public:
    explicit AstLowerer(const parser::Ast& ast) : ast_(ast) {}

    // The whole program: directives first, then the top-level statements.
    Result<ir::Program> lower_program(const parser::ParseResult& parsed);

    // Statements (lower_statements.cpp).
    bool lower_statement(parser::NodeId id, ir::Statement& out);
    bool lower_var_decl(parser::NodeId id, ir::Statement& out);
    bool lower_statement_as_block(parser::NodeId id, std::vector<ir::Statement>& out);
    bool lower_statement_list(parser::ListRef list, std::vector<ir::Statement>& out);

    // Expressions (lower_expressions.cpp).
    bool lower_expr(parser::NodeId id, ir::Expr& out);
    bool lower_chain_expr(parser::NodeId id, ir::Expr& out);
    bool lower_args(parser::ListRef list, std::vector<ir::Expr>& out);

    // Functions, classes and patterns (lower_functions.cpp).
    bool lower_function(parser::NodeId id, ir::FunctionDef& out);
    bool lower_formal_params(parser::ListRef list, std::vector<ir::ParamPattern>& out);
    bool lower_binding_pattern_to_param(parser::NodeId id, ir::ParamPattern& out);
    bool lower_binding_pattern(parser::NodeId id, ir::AssignTarget& out);
    bool lower_class_body(parser::NodeId class_node, ClassBody& out);
    // The `extends` clause: absent, or the name of an identifier.
    bool lower_super_class(parser::NodeId class_node, std::optional<std::string>& out);

    // Lowers a function (declaration, expression or arrow) and appends it to the table;
    // `index` receives its position.
    bool lower_function_into_table(parser::NodeId id, bool is_arrow, size_t& index);

    // The recorded error; valid after an operation returned false.
    CorvaneError take_error();

private:
    friend class DepthGuard;

    const parser::Node& node(parser::NodeId id) const { return ast_[id]; }
    std::string_view str(parser::StrRef ref) const { return ast_.str(ref); }
    bool error(CorvaneError e);
    // Out-of-line refusals keep the recursive functions' frames free of error temporaries.
    [[gnu::noinline]] bool refuse(parser::Span span, const char* message);
    [[gnu::noinline]] bool refuse_sandbox(const char* message);
    [[gnu::noinline]] bool refuse_sandbox_at(const char* what, parser::Span span);
    [[gnu::noinline]] bool refuse_expression();
    [[gnu::noinline]] bool refuse_too_deep();
    [[gnu::noinline]] bool refuse_compile(const char* message);

    // Expression helpers.
    bool lower_identifier_reference(parser::NodeId id, ir::Expr& out);
    bool lower_unary(parser::NodeId id, ir::Expr& out);
    bool lower_operator(parser::NodeId id, ir::Expr& out);
    bool lower_member_like(parser::NodeId id, ir::Expr& out);
    bool lower_template(parser::NodeId id, ir::Expr& out);
    bool lower_array_literal(parser::NodeId id, ir::Expr& out);
    bool lower_object_literal(parser::NodeId id, ir::Expr& out);
    bool lower_class_expr(parser::NodeId id, ir::Expr& out);
    bool lower_assignment_target(parser::NodeId id, const char* message, ir::Expr& out);

    // Statement helpers.
    bool lower_for(parser::NodeId id, ir::Statement& out);
    bool lower_for_of(parser::NodeId id, ir::Statement& out);
    bool lower_try(parser::NodeId id, ir::Statement& out);
    bool lower_switch(parser::NodeId id, ir::Statement& out);
    bool lower_class_decl(parser::NodeId id, ir::Statement& out);
    bool lower_if(parser::NodeId id, ir::Statement& out);
    bool lower_loop(parser::NodeId id, ir::Statement& out);

    // Function helpers.
    bool lower_function_parts(parser::NodeId id, std::optional<std::string> name,
                              bool is_arrow, ir::FunctionDef& out);
    bool lower_object_pattern_fields(parser::NodeId id,
                                     std::vector<ir::DestructureField>& out);

    const parser::Ast& ast_;
    std::vector<ir::FunctionDef> functions_;
    std::optional<CorvaneError> error_;
    uint32_t depth_ = 0;
};

// Counts one level of recursion for as long as it lives; `ok()` is false beyond the bound.
class DepthGuard {
public:
    explicit DepthGuard(AstLowerer& lowerer) : lowerer_(lowerer) { ++lowerer_.depth_; }
    ~DepthGuard() { --lowerer_.depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool ok() const { return lowerer_.depth_ <= kMaxLoweringDepth; }

private:
    AstLowerer& lowerer_;
};

// The error for a tree nested beyond kMaxLoweringDepth.
CorvaneError too_deep_error();

// UnsupportedSyntax at the byte range of a syntax-tree node.
CorvaneError unsupported(parser::Span span, std::string message);

// UnsupportedSyntax with the location "unknown", for expression kinds without a lowering.
CorvaneError unsupported_expression();

}  // namespace corvane::front_end
