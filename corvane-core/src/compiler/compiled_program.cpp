#include "compiler/compiled_program.h"

#include "parser/ir.h"

namespace corvane {

ParamList ParamList::from(const std::vector<ir::ParamPattern>& patterns) {
    bool rest = !patterns.empty() && std::holds_alternative<ir::ParamPattern::Rest>(patterns.back().node);
    return ParamList(std::make_shared<const std::vector<ir::ParamPattern>>(patterns), patterns.size(), rest);
}

}  // namespace corvane
