// The code writer: buffer growth, patching below the end, the constants it
// refuses, and what Finish hands over.
#include <gtest/gtest.h>

#include "compiler/codegen_writer.h"
#include "platform/error.h"

namespace ruvel {
namespace {

TEST(ProgWriter, GrowsPatchesAndHandsOverTheCode) {
  TProgWriter w(nullptr);
  w.Mark(12);
  // 100 three-word pushes are 1200 bytes: the 256-byte buffer doubles on.
  for (int i = 0; i < 100; ++i) w.PushInt(i);
  int32_t jump = w.Jump(Op_JumpZero, 0);
  w.Op(Op_Pop);
  w.PatchJump(jump, w.Position());
  EXPECT_EQ(w.Position(), 1212);
  EXPECT_EQ(w.Length(), 1212);
  // Writing below the length overwrites and keeps the length.
  w.SetPosition(0);
  w.PushInt(-7);
  EXPECT_EQ(w.Position(), 12);
  w.SeekEnd();
  EXPECT_EQ(w.Position(), 1212);
  w.Op(Op_Halt);
  EXPECT_EQ(w.InstructionsWritten(), 104);

  std::unique_ptr<TCompiledInfo> info = w.Finish();
  ASSERT_EQ(info->code.size(), 1216u / 4);
  EXPECT_EQ(info->code[2], static_cast<uint32_t>(-7));
  EXPECT_EQ(info->code[3 * 99 + 2], 99u);
  EXPECT_EQ(info->code[300], static_cast<uint32_t>(Op_JumpZero));
  EXPECT_EQ(info->code[301], 12u);  // lands on the instruction after the Pop
  EXPECT_EQ(info->code[303], static_cast<uint32_t>(Op_Halt));
  EXPECT_NO_THROW(info->EnsureVerified(0));
  // One entry for all unnamed pushes (the overwritten one is recorded too),
  // and the position mark.
  ASSERT_EQ(info->symbols.elems.size(), 1u);
  EXPECT_EQ(info->symbols.elems[0].addresses.size(), 101u);
  ASSERT_EQ(info->symbols.points.size(), 1u);
  EXPECT_EQ(info->symbols.points[0], std::make_pair(std::string("12"), 0));
}

TEST(ProgWriter, OnlyNullIntegerAndFloatArePushedInline) {
  TProgWriter w(nullptr);
  w.PushNull();
  w.PushFloat(0.5f);
  for (Value v : {MakeHost(nullptr), MakeError(0), MakeUninit(0)}) {
    try {
      w.PushValue(v);
      ADD_FAILURE() << "pushed tag " << int(v.tag);
    } catch (const ERuvel& e) {
      EXPECT_EQ(e.Message(), "WritePush Error");
    }
  }
  std::unique_ptr<TCompiledInfo> info = w.Finish();
  ASSERT_EQ(info->code.size(), 6u);
  EXPECT_EQ(info->code[1], static_cast<uint32_t>(kNull));
  EXPECT_EQ(info->code[4], static_cast<uint32_t>(kFloat));
  EXPECT_EQ(info->code[5], 0x3f000000u);
}

}  // namespace
}  // namespace ruvel
