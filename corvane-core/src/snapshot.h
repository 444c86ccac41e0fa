// The engine-side snapshot: the encoded state of a suspended machine, as immutable bytes.
#pragma once

#include <string>

namespace corvane {

struct CorvaneSnapshot {
    std::string bytes;
    bool operator==(const CorvaneSnapshot&) const = default;
};

}  // namespace corvane
