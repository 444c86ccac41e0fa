// The front end's entry point: source text in, IR program or error out.
#pragma once

#include <string>
#include <string_view>

#include "error.h"
#include "parser/ast.h"
#include "parser/ir.h"

namespace corvane::front_end {

// Prepares the text (the trailing-object rewrite), parses it, fails with ParseError when
// the parser reported anything (the messages joined with "\n"), and lowers the tree with
// the sandbox policy. Pure: keeps nothing between calls.
Result<ir::Program> parse(std::string_view source);

// UnsupportedSyntax with the location "{start}..{end}" of the span and the message.
CorvaneError unsupported(ir::Span span, std::string message);

// The text of a property key: an identifier's name, a string literal's value, a numeric
// literal's shortest digits, else "<computed>". A computed key counts as its literal when
// the expression is a string or numeric literal.
std::string property_key_to_string_from_key(const parser::Ast& ast, parser::NodeId key,
                                            bool computed);

}  // namespace corvane::front_end
