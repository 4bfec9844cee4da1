// Linking recorded operands by name: what each op writes, and the error for
// each kind of missing name.
#include "classfile_fixture.h"
#include "compiler/link.h"
#include "platform/cp932.h"
#include "platform/error.h"

namespace ruvel::test {

namespace {

// Code of one instruction of op with zeroed operands, padded, then Halt,
// with one recorded entry at address 0.
TCompiledInfo OneInstruction(uint32_t op, const std::string& name) {
  TCompiledInfo info;
  info.code = {op, 0, 0, 0, Op_Halt};
  info.symbols.Record(static_cast<int32_t>(op), 0, name);
  return info;
}

std::string LinkError(TCompiledInfo& info, TRTTI* cls) {
  try {
    LinkCompiledInfo(info, cls);
  } catch (const ERuvel& e) {
    return e.Message();
  }
  return "";
}

}  // namespace

TEST_F(ClassFileTest, LinkWritesHandlesIdsAndIndices) {
  TRTTI* cls = NewClass("Linked", "");
  cls->Parent = objectClass;
  cls->InheritMethods();
  cls->InheritMembers();
  cls->MemberIndexOrAdd("a");
  auto* dtor = new TDestructor(objectClass, Intern("destructor"));
  objectClass->AddOrOverrideMethod(dtor);
  cls->AddMethod(new TNativeFunction(cls, Intern("nat")));

  TCompiledInfo info;
  // 0: Push $g, 12: Push 7 (constant), 24: SMemberValPtr b (new member),
  // 32: DMemberValPtr_Deref q, 48: DCall 2 go, 64: SCall 1 describe,
  // 76: SuperCall constructor, 88: SuperCall destructor, 100: NativeCall nat,
  // 112: Constructor Object (short name), 124: Is classes.lang.Array,
  // 132: Point, 148: Halt.
  info.code = {Op_Push, 0x1200, 0,   Op_Push, kInt, 7,  Op_SMemberValPtr, 0,  Op_DMemberValPtr_Deref, 0, 9, 0,
               Op_DCall, 2, 0, 9,    Op_SCall, 1, 0,    Op_SuperCall, 0, 0,   Op_SuperCall, 0, 0,
               Op_NativeCall, 0, 0,  Op_Constructor, 3, 0, Op_Is, 0,         Op_Point, 0, 55, 0, Op_Halt};
  auto rec = [&](uint32_t op, int32_t a, const std::string& n) { info.symbols.Record(static_cast<int32_t>(op), a, n); };
  rec(Op_Push, 0, "$g");
  rec(Op_Push, 12, "");
  rec(Op_SMemberValPtr, 24, "b");
  rec(Op_DMemberValPtr, 32, "q");
  rec(Op_DCall, 48, "go");
  rec(Op_SCall, 64, "describe");
  rec(Op_SuperCall, 76, "constructor");
  rec(Op_SuperCall, 88, "destructor");
  rec(Op_NativeCall, 100, "nat");
  rec(Op_Constructor, 112, "Object");
  rec(Op_Is, 124, "classes.lang.Array");
  rec(Op_Point, 132, "55");
  LinkCompiledInfo(info, cls);

  EXPECT_EQ(info.cls, cls);
  const auto& c = info.code;
  EXPECT_EQ(c[1], 0x1200u | kRef);  // the tag byte only
  ASSERT_NE(Global("$g"), nullptr);
  EXPECT_EQ(c[2], Global("$g")->handle);
  EXPECT_EQ(c[5], 7u);  // constants stay
  EXPECT_EQ(c[7], 1u);  // b added after a
  EXPECT_EQ(MemberNames(cls), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(c[9], static_cast<uint32_t>(Intern("q")));
  EXPECT_EQ(c[10], 9u);  // the cache word is left alone
  EXPECT_EQ(c[13], 2u);
  EXPECT_EQ(c[14], static_cast<uint32_t>(Intern("go")));
  EXPECT_EQ(c[18], static_cast<uint32_t>(cls->MethodIndex("describe")));
  EXPECT_EQ(c[21], objectClass->ConstructorOf()->handle);
  EXPECT_EQ(c[24], dtor->handle);
  EXPECT_EQ(c[27], cls->FindMethodByName("nat")->handle);
  EXPECT_EQ(c[29], 3u);
  EXPECT_EQ(c[30], objectClass->handle);
  EXPECT_EQ(c[32], arrayClass->handle);
  EXPECT_EQ(c[34], cls->handle);
  EXPECT_EQ(c[35], 55u);
}

TEST_F(ClassFileTest, LinkNamesWhatIsMissing) {
  TRTTI* cls = NewClass("Linked", "");
  cls->Parent = objectClass;
  cls->InheritMethods();
  TRTTI* orphan = NewClass("Orphan", "");
  struct Case {
    uint32_t op;
    std::string name;
    TRTTI* cls;
    const char* message;
  };
  const std::vector<Case> cases = {
      {Op_Push, "nosuch", cls, "値nosuchが見つかりません"},
      // A name that is not a global value has no slot to reference.
      {Op_Push, "classes.lang.Object", cls, "値classes.lang.Objectが見つかりません"},
      {Op_SCall, "zz", cls, "メソッドzzが見つかりません"},
      {Op_SuperCall, "zz", cls, "メソッドsuper.zzが見つかりません"},
      {Op_SuperCall, "destructor", cls, "メソッドsuper.destructorが見つかりません"},
      {Op_SuperCall, "describe", orphan, "メソッドsuper.describeが見つかりません"},
      {Op_NativeCall, "zz", cls, "nativeメソッドzzが見つかりません"},
      {Op_Constructor, "usr.Nope", cls, "クラスusr.Nopeが見つかりません"},
      {Op_Is, "Nope", cls, "クラスNopeが見つかりません"},
      // A resource that is not a class.
      {Op_Is, "classes.lang", cls, "クラスclasses.langが見つかりません"},
  };
  for (const auto& c : cases) {
    TCompiledInfo info = OneInstruction(c.op, c.name);
    EXPECT_EQ(LinkError(info, c.cls), Utf8ToCp932(c.message)) << c.message;
  }
  // A super call that exists links.
  TCompiledInfo ok = OneInstruction(Op_SuperCall, "describe");
  EXPECT_EQ(LinkError(ok, cls), "");
}

TEST_F(ClassFileTest, LinkRefusesAddressesOutsideTheCode) {
  TRTTI* cls = NewClass("Linked", "");
  const std::string corrupt = J("クラスファイルLinkedは壊れています。");
  for (int32_t address : {-4, 2, 16, 12, 1 << 30}) {
    TCompiledInfo info;
    info.code = {Op_Push, kInt, 0, Op_Halt};
    info.symbols.Record(Op_DCall, address, "f");  // operand 2 at address + 8
    EXPECT_EQ(LinkError(info, cls), corrupt) << address;
  }
  // An operand in the last word of the code is inside.
  TCompiledInfo fits;
  fits.code = {Op_Halt, Op_DCall, 1, 0, 0};
  fits.symbols.Record(Op_DCall, 4, "f");
  EXPECT_EQ(LinkError(fits, cls), "");
  EXPECT_EQ(fits.code[3], static_cast<uint32_t>(Intern("f")));
}

}  // namespace ruvel::test
