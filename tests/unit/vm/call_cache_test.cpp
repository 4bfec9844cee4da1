// A DCall site remembers where it found its method; receivers of other
// classes (the method elsewhere, another method at that place, a native of
// that name) still reach the right method or the right error.
#include "platform/cp932.h"
#include "vm_fixture.h"

namespace ruvel::test {

namespace {
void NativeGo(Value* self, int32_t, int32_t) { ValueSetInt(*self, 99); }
}  // namespace

class CallCacheTest : public VMTest {
 protected:
  // A class whose method go returns result, after methods named fillers.
  TRTTI* WithGo(const std::string& name, int32_t result, std::vector<std::string> fillers) {
    TRTTI* cls = MakeClass(name, {}, objectClass);
    for (const auto& f : fillers) {
      CodeBuilder c;
      c.PushInt(-1).Op(Op_Ret);
      AddFunction(cls, FunctionKind::kNormal, f, c);
    }
    CodeBuilder c;
    c.PushInt(result).Op(Op_Ret);
    AddFunction(cls, FunctionKind::kNormal, "go", c);
    return cls;
  }

  // Runs caller.call(x), whose one DCall site calls x.go(); the result's
  // text, or the error shown.
  std::string CallThroughSite(TRTTI* caller, TRTTI* target) {
    Instance* x = target->CreateInstance();
    std::vector<Value> args = {MakeObject(x)};
    sink.shown.clear();
    TProcess* p = TProcess::Create(caller->CreateInstance(), &args, "call");
    processes.push_back(p);
    ruvel::Run(p, 0);
    if (p->state == 2) return sink.shown.empty() ? "error" : Cp932ToUtf8(sink.shown.back().substr(0, sink.shown.back().find('\n')));
    return p->result ? ValueToText(*p->result) : "none";
  }
};

TEST_F(CallCacheTest, OneSiteServesReceiversOfSeveralClasses) {
  TRTTI* caller = MakeClass("Caller", {}, objectClass);
  CodeBuilder c;
  c.Op(Op_ArgValPtr_Deref, {0, 0}).Op(Op_DCall, {0, static_cast<uint32_t>(Intern("go")), 0}).Op(Op_Ret);
  TNormalFunction* call = AddFunction(caller, FunctionKind::kNormal, "call", c, {"x"});
  TRTTI* a = WithGo("A", 1, {});
  TRTTI* b = WithGo("B", 10, {"x"});       // go one place further
  TRTTI* d = WithGo("D", 100, {"y", "z"});  // z where B has go, go further
  TRTTI* n = MakeClass("N", {}, objectClass);
  AddNative(n, "go", NativeGo);  // a native of that name at A's place
  EXPECT_EQ(CallThroughSite(caller, a), "1");
  EXPECT_EQ(CallThroughSite(caller, a), "1");
  EXPECT_EQ(CallThroughSite(caller, b), "10");
  // The site now points at B's place; D has another method there.
  EXPECT_EQ(call->Code->RunStart()[6], static_cast<uint32_t>(b->MethodIndex("go")));
  EXPECT_EQ(d->MethodIndex("z"), b->MethodIndex("go"));
  EXPECT_EQ(CallThroughSite(caller, d), "100");
  EXPECT_EQ(CallThroughSite(caller, a), "1");
  EXPECT_EQ(CallThroughSite(caller, n), "Native関数goは呼び出せません");
  EXPECT_EQ(CallThroughSite(caller, b), "10");
  // A method added to a class later (the table grows) is found through
  // the same site.
  CodeBuilder later;
  later.PushInt(7).Op(Op_Ret);
  AddFunction(a, FunctionKind::kNormal, "go", later);
  EXPECT_EQ(CallThroughSite(caller, a), "7");
}

}  // namespace ruvel::test
