// Damaged class files: every truncation, random changes and crafted
// contents are refused with false or an error, never a crash, and leave the
// class record empty so it can be compiled from source.
#include <random>

#include "classfile_fixture.h"
#include "compiler/class_file.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "vm/binary_io.h"

namespace ruvel::test {

namespace {

enum class Outcome { kLoaded, kRefused, kError };

// A hand-made class file for the given source: header, parent, members,
// then whatever the caller adds.
BinaryWriter Header(const std::string& src, const std::string& parent, std::vector<std::string> members) {
  BinaryWriter w;
  w.Int(11600);
  w.Int(static_cast<int32_t>(SourceStamp(src)));
  w.String(parent);
  w.StringList(members);
  return w;
}

void EmptyBlock(BinaryWriter& w) { TCompiledInfo().WriteBlock(w); }

void HaltBlock(BinaryWriter& w) {
  TCompiledInfo info;
  info.code = {Op_Halt};
  info.WriteBlock(w);
}

}  // namespace

class DamagedFileTest : public ClassFileTest {
 protected:
  void SetUp() override {
    ClassFileTest::SetUp();
    src = WriteSource("Usr/Game.ruvel", "source");
    TRTTI* game = BuildGame(src);
    file = ClassFilePath(*game);
    SaveClassFile(*game, file);
    good = ReadFile(file);
    codeLength = static_cast<size_t>(game->ClassCode->LengthBytes());
    Discard(game);
    target = NewClass("Game", src);
  }

  // Loads bytes into the target record; an error must be an ERuvel, and a
  // record that was not loaded must be empty with its parent unchanged.
  Outcome Load(const std::string& bytes, std::string* message = nullptr) {
    WriteFile(file, bytes);
    TRTTI* parentBefore = target->Parent;
    Outcome outcome;
    try {
      outcome = LoadClassFile(*target, file) ? Outcome::kLoaded : Outcome::kRefused;
    } catch (const ERuvel& e) {
      if (message) *message = e.Message();
      outcome = Outcome::kError;
    }
    if (outcome != Outcome::kLoaded) {
      EXPECT_TRUE(IsEmpty(target));
      EXPECT_EQ(target->Parent, parentBefore);
    }
    return outcome;
  }

  std::string src, file, good;
  size_t codeLength = 0;
  TRTTI* target = nullptr;
};

TEST_F(DamagedFileTest, EveryTruncationIsRefused) {
  ASSERT_EQ(Load(good), Outcome::kLoaded);
  for (size_t cut = 0; cut < good.size(); ++cut) {
    Outcome o = Load(good.substr(0, cut));
    ASSERT_NE(o, Outcome::kLoaded) << "cut at " << cut;
    // Past the magic and stamp the cut is reported as an error.
    if (cut >= 8) {
      EXPECT_EQ(o, Outcome::kError) << "cut at " << cut;
    }
  }
  EXPECT_EQ(Load(good), Outcome::kLoaded);
}

TEST_F(DamagedFileTest, RandomChangesNeverCrash) {
  std::mt19937 rng(20240611);
  int refused = 0;
  long functionsBefore = VM().stats.liveFunctions;
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = good;
    int changes = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < changes; ++k) {
      // Keep magic and stamp so the damage reaches the body.
      size_t at = 8 + rng() % (bytes.size() - 8);
      bytes[at] = static_cast<char>(rng() % 4 == 0 ? 0xff : rng());
    }
    if (Load(bytes) != Outcome::kLoaded) ++refused;
  }
  EXPECT_GT(refused, 0);
  // Random tails after a valid header.
  for (int round = 0; round < 500; ++round) {
    std::string bytes = good.substr(0, 8);
    size_t n = rng() % 200;
    for (size_t i = 0; i < n; ++i) bytes.push_back(static_cast<char>(rng()));
    EXPECT_NE(Load(bytes), Outcome::kLoaded);
  }
  target->Uncompile();
  EXPECT_EQ(VM().stats.liveFunctions, functionsBefore);
}

TEST_F(DamagedFileTest, CraftedDamageGivesTheCorruptFileMessage) {
  const std::string corrupt = J("クラスファイルGameは壊れています。");
  std::string message;

  BinaryWriter unknownKind = Header(src, "", {});
  unknownKind.Int(1);
  unknownKind.String("TBogusFunction");
  unknownKind.String("f");
  EmptyBlock(unknownKind);
  EXPECT_EQ(Load(unknownKind.Data(), &message), Outcome::kError);
  EXPECT_EQ(message, corrupt);

  // A count far beyond the bytes that follow.
  BinaryWriter hugeCount = Header(src, "", {});
  std::string bytes = hugeCount.Data();
  bytes.resize(bytes.size() - 4);  // drop the member count written above
  BinaryWriter tail;
  tail.Int(0x7fffffff);
  EXPECT_EQ(Load(bytes + tail.Data(), &message), Outcome::kError);
  EXPECT_EQ(message, corrupt);

  // Code that the interpreter's check refuses: an invalid opcode, and a
  // jump out of the code.
  std::string badOp = good;
  badOp[good.size() - codeLength] = 99;
  EXPECT_EQ(Load(badOp, &message), Outcome::kError);
  EXPECT_EQ(message, corrupt);
  BinaryWriter badJump = Header(src, "", {});
  badJump.Int(0);
  TCompiledInfo jump;
  jump.code = {Op_Jump, 400};
  jump.WriteBlock(badJump);
  EXPECT_EQ(Load(badJump.Data(), &message), Outcome::kError);
  EXPECT_EQ(message, corrupt);

  // A recorded address outside the code.
  BinaryWriter badAddress = Header(src, "", {});
  badAddress.Int(0);
  TCompiledInfo info;
  info.code = {Op_Halt};
  info.symbols.Record(Op_DCall, 4000, "f");
  info.WriteBlock(badAddress);
  EXPECT_EQ(Load(badAddress.Data(), &message), Outcome::kError);
  EXPECT_EQ(message, corrupt);
}

TEST_F(DamagedFileTest, ALocalIndexPastTheFunctionsLocalsIsDamage) {
  // f has one parameter and the locals named; its code reads local 1.
  auto file = [&](std::vector<std::string> locals, uint32_t op, uint32_t index) {
    BinaryWriter w = Header(src, "", {});
    w.Int(1);
    w.String("TNormalFunction");
    w.String("f");
    w.StringList({"a"});
    w.StringList(locals);
    TCompiledInfo code;
    code.code = op == Op_LocalValPtr ? std::vector<uint32_t>{op, index, Op_Deref, Op_Ret}
                                     : std::vector<uint32_t>{op, index, 0, Op_Ret};
    code.WriteBlock(w);
    HaltBlock(w);
    return w.Data();
  };
  std::string message;
  for (uint32_t op : {Op_LocalValPtr_Deref, Op_LocalValPtr}) {
    EXPECT_EQ(Load(file({"x"}, op, 1), &message), Outcome::kError);
    EXPECT_EQ(message, J("クラスファイルGameは壊れています。"));
    EXPECT_EQ(Load(file({}, op, 0), &message), Outcome::kError);
    EXPECT_EQ(Load(file({"x"}, op, 0xffffffffu), &message), Outcome::kError);
    ASSERT_EQ(Load(file({"x", "y"}, op, 1)), Outcome::kLoaded);
    target->Uncompile();
  }
  // Class code runs without locals.
  BinaryWriter w = Header(src, "", {});
  w.Int(0);
  TCompiledInfo body;
  body.code = {Op_LocalValPtr_Deref, 0, 0, Op_Ret};
  body.WriteBlock(w);
  EXPECT_EQ(Load(w.Data(), &message), Outcome::kError);
  EXPECT_EQ(message, J("クラスファイルGameは壊れています。"));
}

TEST_F(DamagedFileTest, LinkErrorsPropagateAndLeaveTheRecordEmpty) {
  BinaryWriter w = Header(src, "classes.lang.Object", {"a"});
  w.Int(0);
  TCompiledInfo info;
  info.code = {Op_Push, kRef, 0, Op_Halt};
  info.symbols.Record(Op_Push, 0, "nosuch");
  info.WriteBlock(w);
  std::string message;
  EXPECT_EQ(Load(w.Data(), &message), Outcome::kError);
  EXPECT_EQ(message, J("値nosuchが見つかりません"));
}

TEST_F(DamagedFileTest, RepeatedNamesLoadWithoutLeaks) {
  long functionsBefore = VM().stats.liveFunctions;
  // Member names that differ only in letter case are one member; a
  // function named twice keeps the later record.
  BinaryWriter w = Header(src, "", {"hp", "HP", "mp"});
  w.Int(2);
  for (const char* params : {"a", "b"}) {
    w.String("TNormalFunction");
    w.String("f");
    w.StringList({params});
    w.StringList({});
    HaltBlock(w);
  }
  HaltBlock(w);
  ASSERT_EQ(Load(w.Data()), Outcome::kLoaded);
  EXPECT_EQ(MemberNames(target), (std::vector<std::string>{"hp", "mp"}));
  ASSERT_EQ(target->Methods.size(), 1u);
  EXPECT_EQ(static_cast<TNormalFunction*>(target->Methods[0])->Params, (std::vector<std::string>{"b"}));
  EXPECT_EQ(VM().stats.liveFunctions, functionsBefore + 1);
  target->Uncompile();
  EXPECT_EQ(VM().stats.liveFunctions, functionsBefore);
}

}  // namespace ruvel::test
