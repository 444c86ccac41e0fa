#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "compiler/compiled_program.h"
#include "compiler/instruction.h"

using namespace corvane;

TEST(Instruction, DeclaredPositions) {
    // The position of every alternative is persistent: spot-check the whole table through
    // op() and op_name(), in declared order.
    const std::pair<Instruction, std::string_view> table[] = {
        {ins::PushConst{Constant::integer(1)}, "PushConst"}, {ins::Pop{}, "Pop"},
        {ins::Dup{}, "Dup"}, {ins::LoadLocal{0}, "LoadLocal"}, {ins::StoreLocal{0}, "StoreLocal"},
        {ins::LoadGlobal{"x"}, "LoadGlobal"}, {ins::StoreGlobal{"x"}, "StoreGlobal"},
        {ins::DeclareLocal{"x"}, "DeclareLocal"}, {ins::Add{}, "Add"}, {ins::Sub{}, "Sub"},
        {ins::Mul{}, "Mul"}, {ins::Div{}, "Div"}, {ins::Mod{}, "Mod"}, {ins::Pow{}, "Pow"},
        {ins::Neg{}, "Neg"}, {ins::BitNot{}, "BitNot"}, {ins::BitAnd{}, "BitAnd"},
        {ins::BitOr{}, "BitOr"}, {ins::BitXor{}, "BitXor"}, {ins::Shl{}, "Shl"},
        {ins::Shr{}, "Shr"}, {ins::UShr{}, "UShr"}, {ins::Eq{}, "Eq"}, {ins::NotEq{}, "NotEq"},
        {ins::StrictEq{}, "StrictEq"}, {ins::StrictNotEq{}, "StrictNotEq"}, {ins::Lt{}, "Lt"},
        {ins::LtEq{}, "LtEq"}, {ins::Gt{}, "Gt"}, {ins::GtEq{}, "GtEq"}, {ins::Not{}, "Not"},
        {ins::MakeArray{0}, "MakeArray"}, {ins::MakeObject{0}, "MakeObject"},
        {ins::GetProperty{"p"}, "GetProperty"}, {ins::SetProperty{"p"}, "SetProperty"},
        {ins::GetIndex{}, "GetIndex"}, {ins::SetIndex{}, "SetIndex"}, {ins::Spread{}, "Spread"},
        {ins::In{}, "In"}, {ins::InstanceOf{}, "InstanceOf"}, {ins::MakeClosure{0}, "MakeClosure"},
        {ins::Call{0}, "Call"}, {ins::Return{}, "Return"},
        {ins::CallExternal{"f", 0}, "CallExternal"}, {ins::Jump{0}, "Jump"},
        {ins::JumpIfFalse{0}, "JumpIfFalse"}, {ins::JumpIfTrue{0}, "JumpIfTrue"},
        {ins::JumpIfNullish{0}, "JumpIfNullish"}, {ins::Reserved48{}, "Reserved48"},
        {ins::Reserved49{}, "Reserved49"}, {ins::Reserved50{}, "Reserved50"},
        {ins::GetIterator{}, "GetIterator"}, {ins::IteratorNext{}, "IteratorNext"},
        {ins::IteratorDone{}, "IteratorDone"}, {ins::TryStart{0, std::nullopt}, "TryStart"},
        {ins::Throw{}, "Throw"}, {ins::TryEnd{}, "TryEnd"}, {ins::TypeOf{}, "TypeOf"},
        {ins::Void{}, "Void"}, {ins::Increment{}, "Increment"}, {ins::Decrement{}, "Decrement"},
        {ins::Concat{0}, "Concat"}, {ins::DestructureObject{{}}, "DestructureObject"},
        {ins::DestructureArray{0}, "DestructureArray"}, {ins::MakeClass{"C", 0, 0, false}, "MakeClass"},
        {ins::New{0}, "New"}, {ins::LoadThis{}, "LoadThis"}, {ins::StoreThis{}, "StoreThis"},
        {ins::SuperCall{0}, "SuperCall"}, {ins::Reserved69{0}, "Reserved69"},
        {ins::Yield{}, "Yield"}, {ins::Await{}, "Await"}, {ins::Reserved72{}, "Reserved72"},
    };
    ASSERT_EQ(std::size(table), kInstructionCount);
    for (size_t i = 0; i < std::size(table); ++i) {
        EXPECT_EQ(static_cast<size_t>(table[i].first.op()), i) << table[i].second;
        EXPECT_EQ(op_name(table[i].first.op()), table[i].second);
    }
}

TEST(Instruction, PayloadShapesAndDebugText) {
    const std::pair<Instruction, std::string> cases[] = {
        {ins::PushConst{Constant::string("a\"b")}, "PushConst \"a\\\"b\""},
        {ins::PushConst{Constant::number(2)}, "PushConst 2f"},
        {ins::PushConst{Constant::undefined()}, "PushConst undefined"},
        {ins::CallExternal{"fetch", 2}, "CallExternal \"fetch\" 2"},
        {ins::TryStart{7, std::nullopt}, "TryStart 7 -"},
        {ins::TryStart{7, 9}, "TryStart 7 9"},
        {ins::MakeClass{"A", 1, 2, true}, "MakeClass \"A\" 1 2 true"},
        {ins::DestructureObject{{"a", "b"}}, "DestructureObject \"a\" \"b\""},
        {ins::Reserved69{4}, "Reserved69 4"},
    };
    for (const auto& [instruction, text] : cases) EXPECT_EQ(debug_string(instruction), text);
}

TEST(Instruction, JumpPatchingTouchesOnlyJumpsAndTryStart) {
    Instruction patchable[] = {ins::Jump{0}, ins::JumpIfFalse{0}, ins::JumpIfTrue{0},
                               ins::JumpIfNullish{0}, ins::TryStart{0, 3}};
    for (Instruction& i : patchable) EXPECT_TRUE(set_jump_target(i, 42)) << debug_string(i);
    EXPECT_EQ(patchable[0].as<ins::Jump>().target, 42u);
    EXPECT_EQ(patchable[4].as<ins::TryStart>().catch_target, 42u);
    EXPECT_EQ(patchable[4].as<ins::TryStart>().finally_target, std::optional<size_t>(3));
    Instruction other = ins::LoadLocal{5};
    EXPECT_FALSE(set_jump_target(other, 42));
    EXPECT_EQ(other, Instruction(ins::LoadLocal{5}));
}

TEST(Instruction, ConstantKindsAreDistinct) {
    EXPECT_NE(Constant::integer(2), Constant::number(2.0));
    EXPECT_EQ(Constant::number(std::nan("")), Constant::number(std::nan("")));
    EXPECT_NE(Constant::number(0.0), Constant::number(-0.0));
    EXPECT_EQ(Constant::string("x"), Constant::string("x"));
    EXPECT_EQ(Constant::undefined().value.index(), 0u);
    EXPECT_EQ(Constant::string("").value.index(), 5u);
}

#include "parser/ir.h"

TEST(CompiledProgram, ParamListRecognisesAFinalRest) {
    std::vector<ir::ParamPattern> params;
    params.push_back(ir::ParamPattern{ir::ParamPattern::Ident{"a"}});
    params.push_back(ir::ParamPattern{ir::ParamPattern::Rest{"r"}});
    ParamList list = ParamList::from(params);
    EXPECT_EQ(list.count(), 2u);
    EXPECT_TRUE(list.has_rest());
    ASSERT_NE(list.patterns(), nullptr);
    EXPECT_EQ(*list.patterns(), params);
    EXPECT_FALSE(ParamList::from({}).has_rest());
}
