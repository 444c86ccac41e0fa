// The recursive-descent parser's shared state, used by the parser_*.cpp files (statements,
// expressions, TypeScript types and declarations, JSX). Not part of the public interface:
// callers use parse_typescript() from ast.h.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "parser/ast.h"
#include "parser/lexer.h"

namespace corvane::parser {

// Concatenates message pieces (avoids a spurious GCC 12 -Wrestrict warning on chains of
// std::string operator+).
inline std::string cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts) out.append(p);
    return out;
}

// Renders "(line L, column C)" for a byte offset: 1-based, columns counted in characters.
std::string format_position(std::string_view text, uint32_t offset);

class Parser final : public DiagSink {
public:
    Parser(std::string_view src, ParseResult& out);
    void parse_program();

    // DiagSink
    void error(uint32_t offset, std::string message) override;

private:
    // ---- tokens ------------------------------------------------------------------------
    const Token& tok() const { return lx_.tok(); }
    Tok kind() const { return lx_.tok().kind; }
    bool is(Tok k) const { return lx_.tok().kind == k; }
    bool is_kw(Kw k) const { return lx_.tok().kind == Tok::Ident && lx_.tok().kw == k; }
    void next(LexMode mode = LexMode::Normal) {
        prev_end_ = lx_.tok().end;
        lx_.next(mode);
    }
    bool eat(Tok k) {
        if (!is(k)) return false;
        next();
        return true;
    }
    bool eat_kw(Kw k) {
        if (!is_kw(k)) return false;
        next();
        return true;
    }
    void expect(Tok k);
    void expect_kw(Kw k, const char* text);
    void expect_semicolon();
    bool can_insert_semicolon() const {
        return is(Tok::Semi) || is(Tok::RBrace) || is(Tok::Eof) || tok().nl_before;
    }
    // The token after the current one (kind, keyword, whether a newline precedes it).
    struct Peek {
        Tok kind;
        Kw kw;
        bool nl_before;
        uint32_t start;
        uint32_t end;
    };
    Peek peek();
    Peek peek2();  // the token after peek()
    void error_expected(const char* what);  // "Expected X but found Y" at the current token
    void error_at(uint32_t offset, const std::string& message);
    std::string found_text() const;

    // ---- nodes -------------------------------------------------------------------------
    // Out of line: keeps the temporary node out of every recursive frame.
    [[gnu::noinline]] NodeId mk(NodeKind k, uint32_t start, uint32_t end);
    // A node whose end is the last consumed token (at least its start, for nodes that are
    // created before their first token is consumed and completed with finish()).
    NodeId mk(NodeKind k, uint32_t start) { return mk(k, start, prev_end_ < start ? start : prev_end_); }
    Node& nd(NodeId id) { return ast_.nodes[id]; }
    void finish(NodeId id) {
        if (id != kNoNode && prev_end_ >= ast_.nodes[id].span.start) ast_.nodes[id].span.end = prev_end_;
    }
    size_t list_mark() const { return scratch_.size(); }
    void push(NodeId id) { scratch_.push_back(id); }
    ListRef list_from(size_t mark);
    NodeId ident_from_token();  // Identifier node from the current token, then advance
    NodeId literal_from_token();  // number, BigInt or string literal node, then advance

    // ---- depth -------------------------------------------------------------------------
    struct DepthGuard {
        Parser& p;
        bool ok;
        explicit DepthGuard(Parser& parser) : p(parser), ok(++parser.depth_ <= kMaxNestingDepth) {
            if (!ok) p.too_deep();
        }
        ~DepthGuard() { --p.depth_; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;
    };
    void too_deep();

    // ---- speculation -------------------------------------------------------------------
    struct Checkpoint {
        Lexer::State lx;
        uint32_t prev_end;
        size_t nodes, lists, strings, scratch, pending_cover;
    };
    Checkpoint checkpoint() const;
    void rewind(const Checkpoint& c);
    // Speculation: errors inside are not recorded; failed_ marks failure.
    struct Speculation {
        Parser& p;
        Checkpoint cp;
        bool outer_failed;
        explicit Speculation(Parser& parser) : p(parser), cp(parser.checkpoint()) {
            ++p.speculating_;
        }
        // Ends the attempt; returns true if it succeeded, else rewinds. An attempt that
        // failed because it went too deep is not retried another way: the nesting error
        // is reported (the input is beyond the limit whichever way it is read).
        bool finish() {
            --p.speculating_;
            if (p.failed_) {
                p.failed_ = false;
                p.rewind(cp);
                if (p.too_deep_in_speculation_) {
                    p.too_deep_in_speculation_ = false;
                    p.too_deep();
                }
                return false;
            }
            return true;
        }
    };

    // ---- statements (parser_stmt.cpp) --------------------------------------------------
    NodeId parse_statement();
    NodeId parse_statement_list_item();
    NodeId parse_block();
    ListRef parse_block_body(bool function_body);
    NodeId parse_var_decl(DeclKind kind, uint32_t start, bool in_for);
    NodeId parse_if();
    NodeId parse_for();
    NodeId parse_while();
    NodeId parse_do_while();
    NodeId parse_return();
    NodeId parse_break_continue(bool is_break);
    NodeId parse_throw();
    NodeId parse_try();
    NodeId parse_switch();
    NodeId parse_labeled_or_expression();
    NodeId parse_expression_statement();
    NodeId parse_import_statement(uint32_t start);
    NodeId parse_export_statement(uint32_t start, ListRef decorators);
    bool at_let_declaration();
    bool at_using_declaration();
    bool at_await_using_declaration();

    // ---- functions and classes (parser_func.cpp) ---------------------------------------
    NodeId parse_function(NodeKind kind, uint32_t start, uint32_t flags, bool name_required);
    // Parses `(params)`, optional return type, and the body; fills fn's list/b/flags.
    void parse_function_rest(NodeId fn, uint32_t flags, bool allow_no_body, bool is_ctor);
    ListRef parse_params(bool is_ctor);
    NodeId parse_param(bool is_ctor);
    void parse_function_body(NodeId fn, uint32_t flags);
    NodeId parse_class(NodeKind kind, uint32_t start, uint32_t flags, ListRef decorators,
                       bool name_required);
    NodeId parse_class_member();
    ListRef parse_decorators();
    NodeId parse_property_key(uint32_t& flags);  // identifier, literal, [computed], #private
    bool at_property_key_start() const;

    // ---- expressions (parser_expr.cpp) -------------------------------------------------
    NodeId parse_expression();
    NodeId parse_assignment();
    NodeId parse_conditional_rest(NodeId test, uint32_t start);
    NodeId parse_binary();
    NodeId parse_unary();
    NodeId parse_postfix();
    NodeId parse_lhs();  // member/call chain, optional chains, `new`
    NodeId parse_call_tail(NodeId callee, uint32_t start, bool no_call);
    NodeId parse_primary();
    NodeId parse_paren_or_arrow();
    NodeId parse_array_literal();
    NodeId parse_object_literal();
    NodeId parse_template(bool tagged);
    NodeId parse_new();
    ListRef parse_arguments();
    NodeId parse_arrow_from_params(uint32_t start, ListRef params, uint32_t flags);
    NodeId parse_arrow_body(NodeId fn, uint32_t flags);
    NodeId try_parse_paren_arrow(uint32_t start, uint32_t flags);
    NodeId parse_async_prefixed();
    NodeId try_arrow_at(uint32_t start);  // arrow functions starting at assignment level
    bool top_level_await_is_operator();
    NodeId parse_yield();
    bool try_type_arguments_in_expression();
    NodeId to_assign_target(NodeId expr, bool top);  // converts or reports
    bool is_simple_target(NodeId expr) const;
    bool is_start_of_expression() const;
    bool is_binary_operator_token() const;

    // ---- patterns ----------------------------------------------------------------------
    NodeId parse_binding_target();            // identifier or pattern
    NodeId parse_binding_element();           // target with optional default
    NodeId parse_binding_identifier();
    NodeId parse_array_pattern();
    NodeId parse_object_pattern();

    // ---- TypeScript types and declarations (parser_ts.cpp) -----------------------------
    void skip_type();
    void skip_type_no_conditional();
    void skip_union();
    void skip_intersection();
    void skip_type_operator();
    void skip_postfix_type();
    void skip_primary_type();
    void skip_object_type();
    void skip_type_member();
    void skip_tuple_type();
    void skip_template_type();
    void skip_type_arguments();   // at `<`
    void skip_type_parameters();  // at `<`
    void skip_function_type_params();  // at `(`
    bool at_function_type_start();
    void skip_return_type();      // after ':' (type predicates, asserts)
    void skip_type_annotation();  // `: T` if present
    void skip_entity_name();
    void skip_heritage_list();    // implements / interface extends
    NodeId parse_type_alias(uint32_t start, uint32_t flags);
    NodeId parse_interface(uint32_t start, uint32_t flags);
    NodeId parse_enum(uint32_t start, uint32_t flags);
    NodeId parse_namespace(uint32_t start, uint32_t flags, NamespaceKind kind);
    NodeId parse_declare(uint32_t start);
    NodeId try_parse_ts_declaration(uint32_t start, uint32_t flags);
    NodeId parse_import_equals(uint32_t start, uint32_t flags);

    // ---- JSX (parser_jsx.cpp) ----------------------------------------------------------
    NodeId parse_jsx_element_or_fragment(bool in_children);
    NodeId parse_jsx_name();
    NodeId parse_jsx_attribute_value();
    bool at_generic_arrow_in_tsx();

    // ---- state -------------------------------------------------------------------------
    std::string_view src_;
    ParseResult& out_;
    Ast& ast_;
    Lexer lx_;
    uint32_t prev_end_ = 0;
    int speculating_ = 0;
    uint32_t depth_ = 0;
    bool too_deep_in_speculation_ = false;  // the failed attempt hit the nesting limit
    std::vector<NodeId> scratch_;
    struct PendingBinary {
        uint8_t prec;
        bool logical;
        uint8_t op;
        NodeId left;
        uint32_t start;
        uint32_t op_pos;
    };
    std::vector<PendingBinary> binary_stack_;  // shared by nested parse_binary calls
    struct PendingPrefix {
        Tok kind;
        Kw kw;
        uint32_t start;
    };
    std::vector<PendingPrefix> prefix_stack_;  // shared by nested parse_unary calls
    std::vector<uint32_t> pending_cover_;  // offsets of `{ a = 1 }` not (yet) patterns
    std::unordered_set<uint32_t> not_arrow_;  // `(` offsets where an arrow attempt failed

    // Context of the innermost function.
    struct FnContext {
        bool in_function = false;
        bool is_async = false;
        bool is_generator = false;
        bool top_level = true;
        uint32_t loop_depth = 0;
        uint32_t switch_depth = 0;
        struct Label {
            std::string_view name;
            bool is_loop;
        };
        std::vector<Label> labels;
    };
    FnContext fn_;
    bool no_in_ = false;           // `in` is not a binary operator (for-loop initializer)
    bool in_cond_consequent_ = false;  // parsing `a ? HERE : c`
    bool in_class_ = false;
    bool in_decorator_ = false;
    bool pending_declare_ = false;
    bool in_heritage_ = false;
    bool in_label_chain_ = false;   // the statement being parsed is labelled by a label chain
    size_t label_chain_start_ = 0;  // first label of the current chain in fn_.labels
    bool no_conditional_types_ = false;  // inside the `extends` clause of a conditional type  // `class A extends B<T>`: type arguments end the expression
    enum class ArrowGuess { No, Maybe, Yes };
    ArrowGuess guess_paren_arrow();  // at `(`
    NodeId parse_arrow_after_params(NodeId fn, uint32_t flags);  // inside `declare ...`: no initializers required

    friend struct FnScope;
    friend struct DepthGuard;
};

}  // namespace corvane::parser
