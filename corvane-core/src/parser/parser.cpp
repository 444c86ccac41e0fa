// Entry point of the TypeScript parser (placeholder until the parser lands).
#include "parser/ast.h"

namespace corvane::parser {

ParseResult parse_typescript(std::string_view text) {
    ParseResult r;
    (void)text;
    r.diagnostics.push_back("parser not implemented yet");
    return r;
}

}  // namespace corvane::parser
