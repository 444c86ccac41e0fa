// The state in which execution stopped: completed with a value, or suspended on a call
// of a host function with the snapshot to continue from.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "snapshot.h"
#include "value.h"

namespace corvane {

struct Complete {
    Value value;
};

struct Suspended {
    std::string function_name;
    std::vector<Value> args;
    CorvaneSnapshot snapshot;
};

using VmState = std::variant<Complete, Suspended>;

}  // namespace corvane
