#include <gtest/gtest.h>

#include "error.h"

using corvane::CorvaneError;

TEST(CorvaneError, DisplayTexts) {
    struct Case {
        CorvaneError error;
        const char* text;
    };
    const Case cases[] = {
        {CorvaneError::parse_error("Expected ')'"), "parse error: Expected ')'"},
        {CorvaneError::unsupported_syntax("4..9", "delete operator is not supported"),
         "unsupported syntax at 4..9: delete operator is not supported"},
        {CorvaneError::compile_error("invalid assignment target"),
         "compile error: invalid assignment target"},
        {CorvaneError::runtime_error("boom"), "runtime error: boom"},
        {CorvaneError::type_error("x is not a function"), "type error: x is not a function"},
        {CorvaneError::unknown_external_function("fetch"), "unknown external function: fetch"},
        {CorvaneError::time_limit_exceeded(), "execution time limit exceeded"},
        {CorvaneError::stack_overflow(101), "stack overflow (depth 101)"},
        {CorvaneError::allocation_limit_exceeded(), "allocation limit exceeded"},
        {CorvaneError::snapshot_error("load failed: x"), "snapshot error: load failed: x"},
        {CorvaneError::sandbox_violation("eval is forbidden in the sandbox"),
         "sandbox violation: eval is forbidden in the sandbox"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.error.display(), c.text);
}

TEST(CorvaneError, KindsFollowDeclaredOrder) {
    EXPECT_EQ(static_cast<int>(CorvaneError::parse_error("").kind()), 0);
    EXPECT_EQ(static_cast<int>(CorvaneError::sandbox_violation("").kind()), 10);
    EXPECT_EQ(corvane::span_location(12, 20), "12..20");
}
