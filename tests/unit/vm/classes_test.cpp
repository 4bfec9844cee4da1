// Class records: lookups, method tables, natives, instance pools and
// destruction, symbols and the opcode listing.
#include "vm_fixture.h"

#include "platform/cp932.h"
#include "platform/error.h"
#include "runtime/alias.h"
#include "vm/host_registry.h"
#include "vm/tfstring.h"

namespace ruvel::test {

class ClassesTest : public VMTest {};

TEST_F(ClassesTest, SymbolsAreCaseInsensitiveAndStable) {
  EXPECT_EQ(Intern("_body"), kSymBody);
  EXPECT_EQ(Intern("GC_MARK"), kSymGcMark);
  EXPECT_EQ(Intern("_generator"), kSymGenerator);
  EXPECT_EQ(Intern("_errorhook"), kSymErrorHook);
  int32_t a = Intern("PlayerScore");
  EXPECT_EQ(Intern("playerscore"), a);
  EXPECT_EQ(SymbolName(a), "PlayerScore");
  // Two-byte names whose trail bytes look like letters stay distinct.
  std::string te = Utf8ToCp932("テ"), de = Utf8ToCp932("デ");
  EXPECT_NE(Intern(te), Intern(de));
  TRTTI* cls = MakeClass("Members", {"hp", "HP", "mp"}, objectClass);
  EXPECT_EQ(cls->Members.Count(), 2);
}

TEST_F(ClassesTest, LookupsWithHints) {
  TRTTI* cls = MakeClass("Look", {"a", "b", "c"}, objectClass);
  int32_t hint = 0;
  EXPECT_EQ(cls->FindMember(Intern("c"), hint), 2);
  EXPECT_EQ(hint, 2);
  EXPECT_EQ(cls->FindMember(Intern("c"), hint), 2);
  EXPECT_EQ(cls->FindMember(Intern("zz"), hint), -1);
  EXPECT_EQ(hint, -1);
  hint = 0;
  EXPECT_EQ(cls->FindMember(Intern("a"), hint), 0);
  // Appended entries of the same name win in the backward method scan;
  // FindMethodByName returns the first.
  CodeBuilder c1, c2;
  c1.PushInt(1).Op(Op_Ret);
  c2.PushInt(2).Op(Op_Ret);
  auto* f1 = new TNormalFunction(cls, Intern("m"));
  f1->Code = c1.Finish(cls);
  auto* f2 = new TNormalFunction(cls, Intern("m"));
  f2->Code = c2.Finish(cls);
  cls->AddMethod(f1);
  cls->AddMethod(f2);
  int32_t mh = 99;  // a hint that misses: the backward scan finds f2
  EXPECT_EQ(cls->FindMethod(Intern("M"), mh), f2);
  EXPECT_EQ(mh, 1);
  mh = 0;  // a hint that hits wins
  EXPECT_EQ(cls->FindMethod(Intern("M"), mh), f1);
  EXPECT_EQ(cls->FindMethodByName("m"), f1);
  EXPECT_EQ(cls->MethodIndex("m"), 0);
  EXPECT_EQ(cls->MethodIndex("none"), -1);
}

TEST_F(ClassesTest, OverridesKeepTheInheritedIndexAndNativesBindFirstDeclaration) {
  TRTTI* base = MakeClass("B0", {}, objectClass);
  CodeBuilder c;
  c.PushInt(1).Op(Op_Ret);
  AddFunction(base, FunctionKind::kNormal, "f", c);
  AddFunction(base, FunctionKind::kNormal, "g", c);
  AddNative(base, "nat", nullptr);
  AddNative(base, "nat", nullptr);
  TRTTI* sub = MakeClass("B1", {}, base);
  TNormalFunction* over = AddFunction(sub, FunctionKind::kNormal, "f", c);
  EXPECT_EQ(sub->IndexOfFunction(over), base->MethodIndex("f"));
  EXPECT_EQ(base->FindMethodByName("f")->RefCount, 1);  // only the base table holds it now
  auto handler = [](Value*, int32_t, int32_t) {};
  base->BindNative("nat", handler);
  EXPECT_EQ(static_cast<TNativeFunction*>(base->Methods[2])->Handler, +handler);
  EXPECT_EQ(static_cast<TNativeFunction*>(base->Methods[3])->Handler, nullptr);
  base->BindNative("missing", handler);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0], Utf8ToCp932("クラスB0のnative関数missingは未定義です"));
  EXPECT_EQ(base->DisplayName(), "B0@" + std::to_string(base->handle));
  EXPECT_EQ(Aliases().Get("b1"), sub);
  EXPECT_TRUE(sub->DerivesFrom(objectClass));
  EXPECT_FALSE(base->DerivesFrom(sub));
}

TEST_F(ClassesTest, PoolsReuseRecordsAndRunDestructorsLazily) {
  static int destroyed = 0;
  destroyed = 0;
  TRTTI* cls = MakeClass("Pooled", {"v", "w"}, objectClass);
  AddNative(cls, "count", [](Value*, int32_t, int32_t) { ++destroyed; });
  CodeBuilder d;
  d.Op(Op_PushThis).Op(Op_NativeCall, {0, cls->FindMethodByName("count")->handle}).Op(Op_Pop);
  d.Op(Op_PushThis).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kDestructor, "destructor", d);
  Value a = MakeNull();
  ValueSetObject(a, cls->CreateInstance());
  Value b = MakeNull();
  ValueSetObject(b, cls->CreateInstance());
  ValueSetInt(a.obj->members()[0], 5);
  Instance* first = a.obj;
  EXPECT_EQ(cls->LiveInstances().size(), 2u);
  ValueSetNull(a);  // refcount 0: nothing runs yet
  EXPECT_EQ(destroyed, 0);
  Instance* again = cls->CreateInstance();
  EXPECT_EQ(again, first);  // first free record in allocation order
  EXPECT_EQ(destroyed, 1);  // the old object's destructor ran on reuse
  EXPECT_EQ(again->members()[0].tag, kUninit);
  EXPECT_EQ(again->members()[0].i, Intern("v"));
  EXPECT_EQ(InstanceOfHandle(again->handle), again);
  EXPECT_EQ(InstanceOfHandle(0x7fffffff), nullptr);
  ValueSetNull(b);
  // Releasing below zero is an error and leaves the record usable.
  Value c = MakeObject(again);
  EXPECT_THROW(Release(c), EVMError);
  EXPECT_EQ(again->refcount, 0);
  // Instances of an uncompiled class cannot be made.
  TRTTI* raw = MakeClass("Raw", {}, objectClass);
  raw->Compiled = false;
  try {
    raw->CreateInstance();
    FAIL();
  } catch (const EVMError& e) {
    EXPECT_EQ(e.Message(), Utf8ToCp932("クラスRaw@") + std::to_string(raw->handle) +
                               Utf8ToCp932("はコンパイルが完了していないため、インスタンスを生成できません"));
  }
}

TEST_F(ClassesTest, StringsCarryTfStrings) {
  long before = TfString::LiveCount();
  Value s = MakeNull();
  ValueSetString(s, "abc");
  EXPECT_EQ(TfString::LiveCount(), before + 1);
  EXPECT_EQ(ValueToText(s), "abc");
  EXPECT_EQ(ValueToLiteral(s), "\"abc\"");
  Value t = MakeNull();
  ValueSetString(t, "abd");
  EXPECT_EQ(ValueCompare(s, t), 1.0f);
  EXPECT_EQ(ValueCompare(t, s), 1.0f);
  Value one = MakeNull();
  ValueSetString(one, "1");
  EXPECT_EQ(ValueCompare(one, MakeInt(1)), 0.0f);
  EXPECT_EQ(ValueCompare(MakeInt(1), one), 1.0f);
  Instance* plain = objectClass->CreateInstance();
  EXPECT_EQ(ValueToLiteral(MakeObject(plain)), "objectFromID(" + std::to_string(plain->handle) + ")");
  for (Value* v : {&s, &t, &one}) ValueSetNull(*v);
}

TEST_F(ClassesTest, ListingAndInstructionSizes) {
  EXPECT_EQ(PushStringArea(0), 4);
  EXPECT_EQ(PushStringArea(3), 4);
  EXPECT_EQ(PushStringArea(4), 8);
  EXPECT_STREQ(OpcodeName(0), "Op_Pop");
  EXPECT_STREQ(OpcodeName(48), "Op_Halt");
  EXPECT_STREQ(OpcodeName(49), "Invalid Code");
  TRTTI* cls = MakeClass("Lister", {"x"}, objectClass);
  CodeBuilder c;
  c.PushInt(7).PushString("abcd").Op(Op_DMemberValPtr, {static_cast<uint32_t>(Intern("x")), 0});
  c.Op(Op_DCall, {2, static_cast<uint32_t>(Intern("go")), 0}).Op(Op_Constructor, {1, cls->handle});
  c.Jump(Op_JumpZero, 0).Bind(0).Op(Op_Point, {cls->handle, 120, 0}).Op(Op_Halt).PushInt(1);
  auto info = c.Finish(cls);
  std::vector<std::string> lines;
  ListCode(*info, 0, lines);
  std::string h = "@" + std::to_string(cls->handle);
  std::vector<std::string> want = {"00000000:Push 7",          "0000000C:PushString abcd",
                                   "0000001C:DMemberValPtr x", "00000028:DCall 2,go",
                                   "00000038:Constructor 1,Lister" + h, "00000044:JumpZero8",
                                   "0000004C:Point Lister/120"};
  EXPECT_EQ(lines, want);
  // Push_Deref stops the listing with an error after the lines before it.
  CodeBuilder d;
  d.PushInt(1).Op(Op_Push_Deref, {0, 0, 0}).Op(Op_Halt);
  auto bad = d.Finish(cls);
  std::vector<std::string> partial;
  EXPECT_THROW(ListCode(*bad, 0, partial), EVMError);
  EXPECT_EQ(partial.size(), 1u);
}

TEST_F(ClassesTest, CompiledInfoPositionsAndBlocks) {
  TRTTI* cls = MakeClass("Pos", {}, objectClass);
  TCompiledInfo info;
  EXPECT_EQ(info.PositionOf(0), "none");
  info.cls = cls;
  info.symbols.Record(Op_Point, 0, "10");
  info.symbols.Record(Op_Point, 16, "25");
  info.symbols.Record(Op_Push, 4, "$g");
  info.symbols.Record(Op_Push, 20, "$g");
  info.code = {Op_Halt, 0, 0};
  EXPECT_EQ(info.PositionOf(0), "none");  // strict comparison
  EXPECT_EQ(info.PositionOf(16), "Pos,10");
  EXPECT_EQ(info.PositionOf(17), "Pos,25");
  ASSERT_EQ(info.symbols.elems.size(), 1u);
  EXPECT_EQ(info.symbols.elems[0].addresses.size(), 2u);
  BinaryWriter w;
  info.WriteBlock(w);
  BinaryReader r(w.Data());
  TCompiledInfo back;
  back.ReadBlock(r);
  EXPECT_EQ(back.code, info.code);
  EXPECT_EQ(back.symbols.points, info.symbols.points);
  EXPECT_EQ(back.SymbolListing(), std::vector<std::string>({"op=Op_Push ,addr=4 ,info=$g", "op=Op_Push ,addr=20 ,info=$g"}));
  // Truncated blocks raise instead of reading past the end.
  for (size_t cut = 0; cut < w.Data().size(); cut += 3) {
    BinaryReader t(w.Data().substr(0, cut));
    TCompiledInfo x;
    EXPECT_THROW(x.ReadBlock(t), EIOError) << cut;
  }
}

}  // namespace ruvel::test

namespace ruvel::test {

TEST_F(ClassesTest, HostValuesThatOutliveTheirObjectAreNotDereferenced) {
  auto* list = new TValueList();
  Value v = MakeHost(list);
  EXPECT_EQ(ValueToText(v), "TList");
  EXPECT_TRUE(IsLiveHost(list));
  delete list;
  EXPECT_FALSE(IsLiveHost(v.host));
  EXPECT_EQ(ValueToText(v), "TObject");
  // Many objects share the slots of the registry's cache of recent finds:
  // every freed one is refused however the finds were interleaved.
  std::vector<TValueList*> lists;
  for (int i = 0; i < 64; ++i) lists.push_back(new TValueList());
  for (TValueList* l : lists) EXPECT_TRUE(IsLiveHost(l));
  std::vector<TObject*> freed;
  for (size_t i = 0; i < lists.size(); i += 2) {
    freed.push_back(lists[i]);
    delete lists[i];
  }
  for (TObject* f : freed) EXPECT_FALSE(IsLiveHost(f));
  for (size_t i = 1; i < lists.size(); i += 2) {
    EXPECT_TRUE(IsLiveHost(lists[i]));
    delete lists[i];
    EXPECT_FALSE(IsLiveHost(lists[i]));
  }
  // Class records are host objects too (a class name evaluates to one).
  TRTTI* cls = MakeClass("Hosted", {}, objectClass);
  EXPECT_EQ(ValueToText(cls->ClassValue), "TRTTI");
}

}  // namespace ruvel::test

namespace ruvel::test {

TEST_F(ClassesTest, ReuseTakesTheLowestFreeRecordWhateverTheOrderOfRelease) {
  TRTTI* cls = MakeClass("Reused", {"v"}, objectClass);
  std::vector<Value> held(5, MakeNull());
  std::vector<Instance*> recs;
  for (auto& v : held) {
    ValueSetObject(v, cls->CreateInstance());
    recs.push_back(v.obj);
  }
  ValueSetNull(held[3]);
  ValueSetNull(held[1]);
  Value a = MakeNull(), b = MakeNull(), c = MakeNull();
  ValueSetObject(a, cls->CreateInstance());
  EXPECT_EQ(a.obj, recs[1]);
  // An instance nobody counted is still the first reusable record.
  Instance* uncounted = cls->CreateInstance();
  EXPECT_EQ(uncounted, recs[3]);
  EXPECT_EQ(cls->CreateInstance(), recs[3]);
  ValueSetObject(b, cls->CreateInstance());
  EXPECT_EQ(b.obj, recs[3]);
  ValueSetObject(c, cls->CreateInstance());
  EXPECT_EQ(cls->InstancePool->size(), 6u);  // no free record was left: a new one
  for (Value* v : {&a, &b, &c}) ValueSetNull(*v);
  for (auto& v : held) ValueSetNull(v);
}

}  // namespace ruvel::test
