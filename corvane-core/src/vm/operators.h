// The machine's operators over values: arithmetic, bitwise, comparison, concatenation.
// Integer operations never trap: overflow moves to Float or wraps as each rule says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "compiler/instruction.h"
#include "error.h"
#include "value.h"
#include "vm/builtins/run_budget.h"  // kMaxStringBytes

namespace corvane {


int32_t i32sat(const Value& v);
uint32_t u32sat(const Value& v);

// The two-operand operators (Add ... UShr, Eq ... GtEq). `op` must be one of them.
Result<Value> binary_op(Op op, const Value& a, const Value& b);
// Neg, BitNot, Not, TypeOf, Void, Increment, Decrement.
Value unary_op(Op op, const Value& a);
// Joins the text forms of the values; refuses a result over kMaxStringBytes.
Result<Value> concat_values(std::span<const Value> values);

}  // namespace corvane
