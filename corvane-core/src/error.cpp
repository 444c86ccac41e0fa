#include "error.h"

#include <utility>

namespace corvane {

CorvaneError CorvaneError::parse_error(std::string message) {
    return {Kind::ParseError, std::move(message)};
}

CorvaneError CorvaneError::unsupported_syntax(std::string location, std::string message) {
    CorvaneError e{Kind::UnsupportedSyntax, std::move(message)};
    e.location_ = std::move(location);
    return e;
}

CorvaneError CorvaneError::compile_error(std::string message) {
    return {Kind::CompileError, std::move(message)};
}

CorvaneError CorvaneError::runtime_error(std::string message) {
    return {Kind::RuntimeError, std::move(message)};
}

CorvaneError CorvaneError::type_error(std::string message) {
    return {Kind::TypeError, std::move(message)};
}

CorvaneError CorvaneError::unknown_external_function(std::string name) {
    return {Kind::UnknownExternalFunction, std::move(name)};
}

CorvaneError CorvaneError::time_limit_exceeded() { return {Kind::TimeLimitExceeded, {}}; }

CorvaneError CorvaneError::stack_overflow(size_t depth) {
    CorvaneError e{Kind::StackOverflow, {}};
    e.depth_ = depth;
    return e;
}

CorvaneError CorvaneError::allocation_limit_exceeded() {
    return {Kind::AllocationLimitExceeded, {}};
}

CorvaneError CorvaneError::snapshot_error(std::string message) {
    return {Kind::SnapshotError, std::move(message)};
}

CorvaneError CorvaneError::sandbox_violation(std::string message) {
    return {Kind::SandboxViolation, std::move(message)};
}

std::string CorvaneError::display() const {
    switch (kind_) {
        case Kind::ParseError: return "parse error: " + message_;
        case Kind::UnsupportedSyntax:
            return "unsupported syntax at " + location_ + ": " + message_;
        case Kind::CompileError: return "compile error: " + message_;
        case Kind::RuntimeError: return "runtime error: " + message_;
        case Kind::TypeError: return "type error: " + message_;
        case Kind::UnknownExternalFunction: return "unknown external function: " + message_;
        case Kind::TimeLimitExceeded: return "execution time limit exceeded";
        case Kind::StackOverflow: return "stack overflow (depth " + std::to_string(depth_) + ")";
        case Kind::AllocationLimitExceeded: return "allocation limit exceeded";
        case Kind::SnapshotError: return "snapshot error: " + message_;
        case Kind::SandboxViolation: return "sandbox violation: " + message_;
    }
    return {};
}

std::string span_location(uint32_t start, uint32_t end) {
    return std::to_string(start) + ".." + std::to_string(end);
}

}  // namespace corvane
