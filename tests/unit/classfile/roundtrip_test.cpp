// Saving a class and loading it into a fresh record: the loaded class has
// the same members and method table, its code is relinked to this run's
// objects, and it runs to the same result.
#include <filesystem>

#include "classfile_fixture.h"
#include "compiler/class_file.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "vm/binary_io.h"

namespace ruvel::test {

TEST_F(ClassFileTest, SavedClassRunsTheSameAfterLoadingIntoAFreshRecord) {
  std::string src = WriteSource("Usr/Game.ruvel", "// game\r\n");
  TRTTI* game = BuildGame(src);
  ASSERT_EQ(Run(game), kGameResult) << (sink.shown.empty() ? "" : sink.shown[0]);
  std::vector<std::string> methods = MethodNames(game);
  std::vector<std::string> members = MemberNames(game);
  std::string file = ClassFilePath(*game);
  SaveClassFile(*game, file);
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_TRUE(sink.logged.empty());

  // New objects everywhere: the class, its functions and the global all get
  // handles the saved code has never seen.
  uint32_t oldHandle = game->handle;
  Discard(game);
  DropGlobal("$score");
  TRTTI* loaded = NewClass("Game", src);
  ASSERT_NE(loaded->handle, oldHandle);
  ASSERT_TRUE(LoadClassFile(*loaded, file));
  EXPECT_TRUE(loaded->Compiled);
  EXPECT_EQ(loaded->Parent, objectClass);
  EXPECT_EQ(MethodNames(loaded), methods);
  EXPECT_EQ(MemberNames(loaded), members);
  // A native read from a file has no handler until it is bound.
  auto* twice = static_cast<TNativeFunction*>(loaded->FindMethodByName("twice"));
  ASSERT_NE(twice, nullptr);
  EXPECT_EQ(twice->Handler, nullptr);
  loaded->BindNative("twice", NativeTwice);

  EXPECT_EQ(Run(loaded), kGameResult) << (sink.shown.empty() ? "" : sink.shown[0]);
  // The store went to the new global, not to a stale slot.
  ASSERT_NE(Global("$score"), nullptr);
  EXPECT_EQ(Global("$score")->value.tag, kInt);
  EXPECT_EQ(Global("$score")->value.i, 1000);

  // Position marks name the new class, and positions map back to it.
  auto* main = static_cast<TNormalFunction*>(loaded->FindMethodByName("main"));
  ASSERT_TRUE(main->Code);
  EXPECT_EQ(main->Code->code[0], static_cast<uint32_t>(Op_Point));
  EXPECT_EQ(main->Code->code[1], loaded->handle);
  EXPECT_EQ(main->Code->PositionOf(20), "usr.Game,100");
  EXPECT_EQ(main->Code->cls, loaded);
  EXPECT_EQ(loaded->ClassCode->cls, loaded);
}

TEST_F(ClassFileTest, FileLayoutWritesOnlyTheClassOwnMembersAndFunctions) {
  std::string src = WriteSource("Usr/Game.ruvel", "x");
  TRTTI* game = BuildGame(src);
  std::string file = ClassFilePath(*game);
  SaveClassFile(*game, file);
  BinaryReader r(ReadFile(file));
  EXPECT_EQ(r.Int(), 11600);
  EXPECT_EQ(static_cast<uint32_t>(r.Int()), SourceStamp(src));
  EXPECT_EQ(r.String(), "classes.lang.Object");
  EXPECT_EQ(r.StringList(), (std::vector<std::string>{"x", "y"}));
  // Object's constructor and describe are overridden, main and the native
  // are new: four functions of Game's own, in table order.
  ASSERT_EQ(r.Int(), 4);
  std::vector<std::string> kinds;
  for (int i = 0; i < 4; ++i) {
    std::string kind = r.String();
    std::string name = r.String();
    kinds.push_back(kind + ":" + name);
    if (kind != "TNativeFunction") {
      TNormalFunction f(game, 0);
      f.ReadFrom(r);
    }
  }
  std::vector<std::string> expected;
  for (TFunction* f : game->Methods) expected.push_back(std::string(f->KindText()) + ":" + f->GetName());
  // Object had constructor and describe at 0 and 1; Game's entries took
  // their places, then twice and main were appended.
  EXPECT_EQ(kinds, expected);
  EXPECT_EQ(kinds, (std::vector<std::string>{"TConstructor:constructor", "TNormalFunction:describe",
                                             "TNativeFunction:twice", "TNormalFunction:main"}));
  TCompiledInfo body;
  body.ReadBlock(r);
  EXPECT_EQ(body.code, game->ClassCode->code);
  EXPECT_EQ(r.Left(), 0u);
  // The rename left no temporary file behind.
  size_t files = 0;
  for (auto& e : std::filesystem::directory_iterator(prog + "/Temp")) files += e.is_regular_file();
  EXPECT_EQ(files, 1u);
}

TEST_F(ClassFileTest, SubclassLoadsOnTopOfItsLoadedParent) {
  std::string baseSrc = WriteSource("Usr/Game.ruvel", "base");
  TRTTI* game = BuildGame(baseSrc);
  // usr.Boss extends usr.Game with one more member, hp, after the parent's
  // x and y; its class code sets this.hp = 50 and returns main() + hp.
  std::string bossSrc = WriteSource("Usr/Boss.ruvel", "boss");
  TRTTI* boss = NewClass("Boss", bossSrc);
  boss->Parent = game;
  boss->InheritMethods();
  boss->InheritMembers();
  uint32_t hp = static_cast<uint32_t>(boss->MemberIndexOrAdd("hp"));
  Emitter body;
  body.Rec(Op_SMemberValPtr, "hp", 4).Op(Op_PushThis_SMemberValPtr, {Op_SMemberValPtr, hp}).PushInt(50);
  body.Op(Op_Subst).Op(Op_Pop);
  body.Op(Op_PushThis).Rec(Op_SCall, "main").Op(Op_SCall, {0, static_cast<uint32_t>(boss->MethodIndex("main"))});
  body.Op(Op_PushThis).Rec(Op_SMemberValPtr, "hp").Op(Op_SMemberValPtr, {hp}).Op(Op_Deref).Op(Op_Add).Op(Op_Ret);
  boss->ClassCode = body.Done(boss);
  boss->Compiled = true;
  ASSERT_EQ(Run(boss), kGameResult + 50);
  SaveClassFile(*game, ClassFilePath(*game));
  SaveClassFile(*boss, ClassFilePath(*boss));
  Discard(boss);
  Discard(game);

  TRTTI* newBoss = NewClass("Boss", bossSrc);
  TRTTI* newGame = NewClass("Game", baseSrc);
  // Parent not compiled yet: not loaded, nothing left behind.
  EXPECT_FALSE(LoadClassFile(*newBoss, ClassFilePath(*newBoss)));
  EXPECT_TRUE(IsEmpty(newBoss));
  EXPECT_EQ(newBoss->Parent, nullptr);
  ASSERT_TRUE(LoadClassFile(*newGame, ClassFilePath(*newGame)));
  newGame->BindNative("twice", NativeTwice);
  ASSERT_TRUE(LoadClassFile(*newBoss, ClassFilePath(*newBoss)));
  EXPECT_EQ(newBoss->Parent, newGame);
  EXPECT_EQ(MemberNames(newBoss), (std::vector<std::string>{"x", "y", "hp"}));
  EXPECT_EQ(MethodNames(newBoss), MethodNames(newGame));
  EXPECT_EQ(Run(newBoss), kGameResult + 50) << (sink.shown.empty() ? "" : sink.shown[0]);
}

TEST_F(ClassFileTest, MissingParentRaisesAndLeavesTheRecordAsItWas) {
  std::string src = WriteSource("Usr/Game.ruvel", "x");
  TRTTI* game = BuildGame(src);
  TRTTI* boss = NewClass("Boss", WriteSource("Usr/Boss.ruvel", "y"));
  boss->Parent = game;
  boss->InheritMethods();
  boss->InheritMembers();
  boss->ClassCode = std::make_unique<TCompiledInfo>();
  boss->Compiled = true;
  std::string file = ClassFilePath(*boss);
  SaveClassFile(*boss, file);
  std::string bossSrc = boss->sourcePath;
  Discard(boss);
  Discard(game);
  TRTTI* fresh = NewClass("Boss", bossSrc);
  try {
    LoadClassFile(*fresh, file);
    FAIL() << "no error";
  } catch (const ERuvel& e) {
    EXPECT_EQ(e.Message(), J("親クラスusr.Gameはありません。"));
  }
  EXPECT_TRUE(IsEmpty(fresh));
  EXPECT_EQ(fresh->Parent, nullptr);
}

TEST_F(ClassFileTest, FunctionKindsAndListsSurviveTheRoundTrip) {
  std::string src = WriteSource("Kinds.ruvel", "k");
  TRTTI* cls = NewClass("Kinds", src);
  Emitter empty;
  empty.Op(Op_Ret);
  auto* f = new TNormalFunction(cls, Intern("f"));
  f->Params = {"a", "b"};
  f->Locals = {"i", "j", "k"};
  f->Code = empty.Done(cls);
  cls->AddOrOverrideMethod(f);
  Emitter dcode;
  dcode.Op(Op_Ret);
  auto* d = new TDestructor(cls, Intern("destructor"));
  d->Code = dcode.Done(cls);
  cls->AddOrOverrideMethod(d);
  cls->AddMethod(new TNativeFunction(cls, Intern("n"), NativeTwice));
  cls->MemberIndexOrAdd("hp");
  cls->Compiled = true;
  SaveClassFile(*cls, ClassFilePath(*cls));
  std::vector<std::string> methods = MethodNames(cls);
  Discard(cls);

  TRTTI* loaded = NewClass("Kinds", src);
  ASSERT_TRUE(LoadClassFile(*loaded, ClassFilePath(*loaded)));
  EXPECT_EQ(MethodNames(loaded), methods);
  auto* lf = static_cast<TNormalFunction*>(loaded->FindMethodByName("f"));
  EXPECT_EQ(lf->Params, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(lf->Locals, (std::vector<std::string>{"i", "j", "k"}));
  EXPECT_EQ(loaded->DestructorOf(), loaded->FindMethodByName("destructor"));
  EXPECT_EQ(loaded->Parent, nullptr);
  EXPECT_EQ(MemberNames(loaded), (std::vector<std::string>{"hp"}));
}

TEST_F(ClassFileTest, RedeclaredNativeIsAppendedAsTheCompilerDoes) {
  // Object declares the native draw; Sprite declares it again. The compiler
  // appends natives, so Sprite's table holds both; the loaded one must too,
  // or indices and name lookups would differ from the compiled class.
  objectClass->AddMethod(new TNativeFunction(objectClass, Intern("draw"), NativeTwice));
  std::string src = WriteSource("Sprite.ruvel", "s");
  TRTTI* sprite = NewClass("Sprite", src);
  sprite->Parent = objectClass;
  sprite->InheritMethods();
  sprite->InheritMembers();
  sprite->AddMethod(new TNativeFunction(sprite, Intern("draw"), NativeTwice));
  sprite->ClassCode = std::make_unique<TCompiledInfo>();
  sprite->Compiled = true;
  SaveClassFile(*sprite, ClassFilePath(*sprite));
  std::vector<std::string> methods = MethodNames(sprite);
  ASSERT_EQ(methods.size(), objectClass->Methods.size() + 1);
  Discard(sprite);

  TRTTI* loaded = NewClass("Sprite", src);
  ASSERT_TRUE(LoadClassFile(*loaded, ClassFilePath(*loaded)));
  EXPECT_EQ(MethodNames(loaded), methods);
  EXPECT_EQ(loaded->Methods.back()->Owner, loaded);
}

}  // namespace ruvel::test
