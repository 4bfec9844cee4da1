// Compile errors: every message of the generator, the class-name prefix,
// the reported position, and the fusion pass's refusal of bad code.
#include "compiler/codegen_fusion.h"
#include "compiler_fixture.h"
#include "platform/error.h"
#include "resources/resource_global.h"
#include "resources/resource_tree.h"
#include "vm/opcodes.h"

namespace ruvel::test {

class CompileErrorTest : public CompilerTest {
 protected:
  void SetUp() override {
    CompilerTest::SetUp();
    // A global and a class with a native to misuse.
    FindResource("$g");
    MustCompile("N", "extends Object;\r\nnative n;\r\nfunction f() { return 1; }\r\n");
    MustCompile("Bare", "function f() { return 1; }\r\n");
  }
};

TEST_F(CompileErrorTest, NamesThatAreNotThere) {
  EXPECT_EQ(CompileError("extends nowhere.Foo;\r\n"), "E:nowhere.Foo" + J("は未定義です"));
  EXPECT_EQ(CompileError("extends Object;\r\nx = new Foo();\r\n"), "E:Foo" + J("は定義されていません"));
  EXPECT_EQ(CompileError("extends Object;\r\nf();\r\n"), "E:" + J("メソッドfは未定義です"));
  EXPECT_EQ(CompileError("extends t.N;\r\nsuper.g();\r\n"), "E:" + J("メソッドsuper.gは未定義です"));
  // Without a parent there is no super method, and no super constructor.
  EXPECT_EQ(CompileError("super.f();\r\n"), "E:" + J("メソッドsuper.fは未定義です"));
  EXPECT_EQ(CompileError("super();\r\n"), "E:" + J("メソッドsuper.constructorは未定義です"));
  // The parent Bare has no constructor.
  EXPECT_EQ(CompileError("extends t.Bare;\r\nfunction g() { super(); }\r\n"),
            "E:" + J("メソッドsuper.constructorは未定義です"));
}

TEST_F(CompileErrorTest, ThingsThatAreNotClasses) {
  EXPECT_EQ(CompileError("extends $g;\r\n"), "E:$g(TGlobalValue)" + J("はクラスではありません"));
  EXPECT_EQ(CompileError("x = new $g();\r\n"), "E:$g(TGlobalValue)" + J("はクラスではありません"));
  EXPECT_EQ(CompileError("x = new classes.lang();\r\n"), "E:classes.lang(TResourceList)" + J("はクラスではありません"));
  EXPECT_EQ(CompileError("x = y is $g;\r\n"), "E:" + J("isの後ろがクラスでありません"));
  EXPECT_EQ(CompileError("x = y is Nothing;\r\n"), "E:" + J("isの後ろがクラスでありません"));
}

TEST_F(CompileErrorTest, MisusedChains) {
  EXPECT_EQ(CompileError("a.f() = 1;\r\n"), "E:" + J("代入式の左辺がメソッド呼び出しです"));
  EXPECT_EQ(CompileError("extends Object;\r\nfor (f() in a) x = 1;\r\n"), "E:" + J("代入式の左辺がメソッド呼び出しです"));
  EXPECT_EQ(CompileError("extends t.N;\r\nsuper.f = 1;\r\n"),
            "E:super.f" + J(" : super.の後ろにはメソッド呼び出ししか記述できません"));
  EXPECT_EQ(CompileError("extends t.N;\r\nx = super.f;\r\n"),
            "E:super.f" + J(" : super.の後ろにはメソッド呼び出ししか記述できません"));
  EXPECT_EQ(CompileError("extends t.N;\r\nfunction g() { return super.n(); }\r\n"),
            "E:" + J("メソッドsuper.nはNativeのため、呼び出せません"));
}

TEST_F(CompileErrorTest, NumbersThatDoNotConvert) {
  EXPECT_EQ(CompileError("x = 2147483648;\r\n"), "E:'2147483648' is not a valid integer value");
}

TEST_F(CompileErrorTest, ErrorsAreReportedAtTheStatementsSemicolon) {
  errors.clear();
  int r = -1;
  // The first expression statement is fine; the second fails.
  Compile("P", "extends Object;\r\nx = 1;\r\ny = new Nope();\r\n", &r);
  EXPECT_EQ(r, 1);
  ASSERT_EQ(errors.size(), 1u);
  // A class without source path has no trace entry; the driver's position
  // is checked with a source path in the driver tests.
  EXPECT_TRUE(errors[0].trace.empty());

  // Errors are not shown without report, but the result still says so.
  auto* quiet = new TRTTI("Q", "");
  testList->AddChild(quiet);
  errors.clear();
  EXPECT_EQ(CompileClass(*quiet, "x = new Nope();", false), 1);
  EXPECT_TRUE(quiet->CompileFailed);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(CompileClass(*quiet, "x = ;", false), 1);
  EXPECT_TRUE(errors.empty());
}

TEST_F(CompileErrorTest, SyntaxErrors) {
  for (const char* source : {"a = b = c;", "++x;", "x = - -y;", "extends Object; x = 1; function f() { }",
                             "function f() { x = 1; var y; }", ";", "x = 1"}) {
    EXPECT_EQ(CompileError(source), J("文法エラー:")) << source;
  }
}

// A bare "super" is no value: every use of it as one is a syntax error
// (the driver test checks its position), while the call forms still compile.
TEST_F(CompileErrorTest, BareSuperUsedAsAValueIsASyntaxError) {
  MustCompile("Base", "extends Object;\r\nfunction f() { return 1; }\r\n");
  const std::string pre = "extends t.Base;\r\nfunction g(a) { var v;\r\n";
  for (const char* body : {"setGlobal(super);", "if (super) v = 1;", "v = -super;", "v = !super;",
                           "for (super in a) v = 1;", "super = 1;", "super;", "v = super + 1;", "v = super;"}) {
    const std::string source = pre + body + "\r\n}\r\n";
    errors.clear();
    EXPECT_EQ(CompileError(source), J("文法エラー:")) << body;
    ASSERT_EQ(errors.size(), 1u) << body;
  }
  // Calls through super are unaffected.
  errors.clear();
  MustCompile("Ok", pre + "v = super.f() + 1; super(); return v;\r\n}\r\n");
}

TEST(FusionPass, FusesPairsInPlace) {
  TCompiledInfo info;
  info.code = {Op_Push,     kNull, 0,  Op_Deref,  Op_LocalValPtr,   0,         Op_Deref,      Op_ArgValPtr,
               1,           Op_Deref, Op_DMemberValPtr, 7, 0,       Op_Deref,      Op_PushThis,   Op_SMemberValPtr,
               2,           Op_PushThis, Op_SMemberValPtr, 3, Op_Deref, Op_PushString, 4, 0,
               Op_PushThis, Op_Push, kInt, 1, Op_LocalValPtr, 0, Op_Halt, Op_LocalValPtr, 0, Op_Deref};
  FuseCode(info);
  std::vector<uint32_t> expect = info.code;
  expect[0] = Op_Push_Deref;
  expect[4] = Op_LocalValPtr_Deref;
  expect[7] = Op_ArgValPtr_Deref;
  expect[10] = Op_DMemberValPtr_Deref;
  expect[14] = Op_PushThis_SMemberValPtr;
  expect[17] = Op_PushThis_SMemberValPtr_Deref;
  EXPECT_EQ(info.code, expect);
  // Nothing after the first Halt is touched; a PushThis not followed by
  // SMemberValPtr and a LocalValPtr without Deref stay.
  EXPECT_EQ(info.code[24], static_cast<uint32_t>(Op_PushThis));
  EXPECT_EQ(info.code[31], static_cast<uint32_t>(Op_LocalValPtr));
}

TEST(FusionPass, RefusesCodeThatIsAlreadyFusedOrInvalid) {
  auto refuse = [](std::vector<uint32_t> code) {
    TCompiledInfo info;
    info.code = std::move(code);
    try {
      FuseCode(info);
    } catch (const ERuvel& e) {
      return e.Message();
    }
    return std::string("accepted");
  };
  const std::string bad = J("異常な命令が入っています:");
  EXPECT_EQ(refuse({Op_LocalValPtr_Deref, 0, 0, Op_Halt}), bad + "11");
  EXPECT_EQ(refuse({Op_ArgValPtr_Deref, 0, 0, Op_Halt}), bad + "12");
  EXPECT_EQ(refuse({Op_Pop, Op_Push_Deref, 0, 0, 0, Op_Halt}), bad + "13");
  EXPECT_EQ(refuse({Op_Pop, 49, Op_Halt}), bad + "49");
  // The other fused forms are stepped over by their size.
  EXPECT_EQ(refuse({Op_PushThis_SMemberValPtr, 0, 1, Op_DMemberValPtr_Deref, 1, 0, 0, Op_Halt}), "accepted");
  // A PushString's text is skipped, even when its bytes look like opcodes.
  EXPECT_EQ(refuse({Op_PushString, 8, 13, 11, Op_Halt}), "accepted");
}

}  // namespace ruvel::test
