// The engine's one error type. Every fallible operation returns Result<T>, which is
// either its value or a CorvaneError; the first error ends the operation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

namespace corvane {

class CorvaneError {
public:
    // Declared order is fixed: it is the alternative index.
    enum class Kind : uint8_t {
        ParseError,
        UnsupportedSyntax,
        CompileError,
        RuntimeError,
        TypeError,
        UnknownExternalFunction,
        TimeLimitExceeded,
        StackOverflow,
        AllocationLimitExceeded,
        SnapshotError,
        SandboxViolation,
    };

    static CorvaneError parse_error(std::string message);
    static CorvaneError unsupported_syntax(std::string location, std::string message);
    static CorvaneError compile_error(std::string message);
    static CorvaneError runtime_error(std::string message);
    static CorvaneError type_error(std::string message);
    static CorvaneError unknown_external_function(std::string name);
    static CorvaneError time_limit_exceeded();
    static CorvaneError stack_overflow(size_t depth);
    static CorvaneError allocation_limit_exceeded();
    static CorvaneError snapshot_error(std::string message);
    static CorvaneError sandbox_violation(std::string message);

    Kind kind() const { return kind_; }
    // The message text, or the function name of UnknownExternalFunction; empty for kinds
    // without a text payload.
    const std::string& message() const { return message_; }
    // The location text of UnsupportedSyntax ("{start}..{end}" or "unknown").
    const std::string& location() const { return location_; }
    // The refused depth of StackOverflow.
    size_t depth() const { return depth_; }

    // The display text: what the host sees and what a catch clause receives.
    std::string display() const;

    bool operator==(const CorvaneError&) const = default;

private:
    CorvaneError(Kind kind, std::string message) : kind_(kind), message_(std::move(message)) {}

    Kind kind_;
    std::string message_;
    std::string location_;
    size_t depth_ = 0;
};

template <class T>
using Result = std::expected<T, CorvaneError>;

// Shorthand for returning an error from a function that returns Result<T>.
inline std::unexpected<CorvaneError> fail(CorvaneError error) {
    return std::unexpected<CorvaneError>(std::move(error));
}

// The location text of a byte range: "{start}..{end}".
std::string span_location(uint32_t start, uint32_t end);

}  // namespace corvane
