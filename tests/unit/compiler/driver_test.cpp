// The compile driver with source files: progress lines, class files written
// after a compile and read instead of compiling, unreadable class files,
// pending parents, error positions, and class preparation through the
// installed compiler.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "compiler/class_file.h"
#include "compiler/snippet.h"
#include "compiler_fixture.h"
#include "platform/paths.h"
#include "platform/error.h"
#include "vm/binary_io.h"

namespace ruvel::test {

class DriverTest : public CompilerTest {
 protected:
  void SetUp() override {
    CompilerTest::SetUp();
    std::string templ = (std::filesystem::temp_directory_path() / "ruvel_cmp_XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    dir = templ;
    oldProgramDir_ = ProgramDir();
    SetProgramDir(dir);
    std::filesystem::create_directories(dir + "/classes");
  }
  void TearDown() override {
    CompilerTest::TearDown();
    SetProgramDir(oldProgramDir_);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }

  // Writes classes/<name>.ruvel and returns its path.
  std::string Source(const std::string& name, const std::string& text) {
    std::string path = dir + "/classes/" + name + ".ruvel";
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // A class record with a source path under the list "t".
  TRTTI* Record(const std::string& name, const std::string& path) {
    auto* cls = new TRTTI(name, path);
    testList->AddChild(cls);
    return cls;
  }
  bool Logged(const std::string& line) const {
    for (const auto& l : sink.logged) {
      if (l == line) return true;
    }
    return false;
  }

  std::string dir;

 private:
  std::string oldProgramDir_;
};

TEST_F(DriverTest, ACompiledClassIsWrittenAndLoadedNextTime) {
  const std::string text = "extends Object;\r\nfunction f() { return 7; }\r\nx = 1;\r\n";
  std::string path = Source("A", text);
  TRTTI* first = Record("A", path);
  EXPECT_EQ(CompileClass(*first, text, true), 0);
  EXPECT_TRUE(Logged("Compiling classes/A.ruvel"));
  const std::string file = ClassFilePath(*first);
  EXPECT_TRUE(std::filesystem::exists(file));
  testList->Remove(first);

  // The next record of the same source loads the file: the text it is
  // given is never parsed.
  sink.logged.clear();
  TRTTI* second = Record("A", path);
  EXPECT_EQ(CompileClass(*second, "this is not a class (", true), 0);
  EXPECT_TRUE(second->Compiled);
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(Logged("Compiling classes/A.ruvel"));
  EXPECT_EQ(EvalGlobal("extends Object; a = new A(); $r = a.f();", "$r"), "7");
}

TEST_F(DriverTest, AnUnreadableClassFileIsReplacedByACompile) {
  const std::string text = "extends Object;\r\nfunction f() { return 8; }\r\n";
  std::string path = Source("B", text);
  TRTTI* cls = Record("B", path);
  // The right magic and stamp, then garbage.
  BinaryWriter w;
  w.Int(kClassFileMagic);
  w.Int(static_cast<int32_t>(SourceStamp(path)));
  w.Int(0x7fffffff);
  w.Int(-5);
  const std::string file = ClassFilePath(*cls);
  std::ofstream(file, std::ios::binary) << w.Data();

  EXPECT_EQ(CompileClass(*cls, text, true), 0);
  EXPECT_TRUE(Logged("not a valid Class File"));
  EXPECT_TRUE(cls->Compiled);
  EXPECT_EQ(cls->Methods.size(), objectClass->Methods.size() + 1);
  // The file was rewritten and now loads.
  testList->Remove(cls);
  sink.logged.clear();
  TRTTI* again = Record("B", path);
  EXPECT_EQ(CompileClass(*again, "(", true), 0);
  EXPECT_TRUE(again->Compiled);
  EXPECT_FALSE(Logged("not a valid Class File"));
  EXPECT_EQ(EvalGlobal("extends Object; b = new B(); $r = b.f();", "$r"), "8");
}

TEST_F(DriverTest, APendingClassWritesNoClassFile) {
  TRTTI* parent = Record("P", Source("P", "extends Object;\r\n"));
  TRTTI* child = Record("C", Source("C", "extends t.P;\r\n"));
  EXPECT_EQ(CompileClass(*child, "extends t.P;\r\n", true), 0);
  EXPECT_FALSE(child->Compiled);
  EXPECT_FALSE(child->CompileFailed);
  EXPECT_EQ(child->Parent, parent);
  EXPECT_FALSE(std::filesystem::exists(ClassFilePath(*child)));
}

TEST_F(DriverTest, ErrorsNameTheSourceAndTheStatement) {
  std::string path = Source("E", "");
  TRTTI* cls = Record("E", path);
  EXPECT_EQ(CompileClass(*cls, "extends Object;\r\nx = 1;\r\ny = new Nope();\r\n", true), 1);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].message, "E:Nope" + J("は定義されていません"));
  ASSERT_EQ(errors[0].trace.size(), 1u);
  EXPECT_EQ(errors[0].trace[0].file, path);
  EXPECT_EQ(errors[0].trace[0].position, 39);
  EXPECT_FALSE(std::filesystem::exists(ClassFilePath(*cls)));

  // Before any expression statement the position is 0.
  errors.clear();
  TRTTI* early = Record("F", Source("F", ""));
  EXPECT_EQ(CompileClass(*early, "extends Nope;\r\nx = 1;\r\n", true), 1);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].trace[0].position, 0);

  // A syntax error names the source path and lies at the last token read.
  errors.clear();
  TRTTI* syntax = Record("G", Source("G", ""));
  EXPECT_EQ(CompileClass(*syntax, "extends Object;\r\nx = 1;\r\ny = ;\r\n", true), 1);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].message, J("文法エラー:") + syntax->sourcePath);
  ASSERT_EQ(errors[0].trace.size(), 1u);
  EXPECT_GE(errors[0].trace[0].position, 25);
  EXPECT_LE(errors[0].trace[0].position, 29);
  EXPECT_TRUE(syntax->CompileFailed);
}

TEST_F(DriverTest, ABareSuperIsReportedAtItsOwnToken) {
  const std::string text = "extends Object;\r\nx = 1;\r\nsetGlobal(x + -super);\r\n";
  TRTTI* cls = Record("S", Source("S", text));
  EXPECT_EQ(CompileClass(*cls, text, true), 1);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].message, J("文法エラー:") + cls->sourcePath);
  ASSERT_EQ(errors[0].trace.size(), 1u);
  EXPECT_EQ(errors[0].trace[0].position, static_cast<int32_t>(text.find("super")));
  EXPECT_FALSE(std::filesystem::exists(ClassFilePath(*cls)));
}

TEST_F(DriverTest, PreparationCompilesParentsFirstAndFindsCycles) {
  // The child stands before its parent: the first pass leaves it pending.
  auto* list = new TResourceList();
  list->name = "prep";
  root->AddChild(list);
  auto* child = new TRTTI("Kid", Source("Kid", "extends prep.Mom;\r\nfunction g() { return f() + 1; }\r\n"));
  auto* mom = new TRTTI("Mom", Source("Mom", "extends Object;\r\nfunction f() { return 41; }\r\n"));
  list->AddChild(child);
  list->AddChild(mom);
  EXPECT_NO_THROW(list->Initialize());
  EXPECT_TRUE(child->Compiled);
  EXPECT_EQ(EvalGlobal("extends Object; k = new Kid(); $r = k.g();", "$r"), "42");

  auto* loop = new TResourceList();
  loop->name = "loop";
  root->AddChild(loop);
  loop->AddChild(new TRTTI("X", Source("X", "extends loop.Y;\r\n")));
  loop->AddChild(new TRTTI("Y", Source("Y", "extends loop.X;\r\n")));
  try {
    loop->Initialize();
    ADD_FAILURE() << "a cycle of parents compiled";
  } catch (const ERuvel& e) {
    EXPECT_EQ(e.Message(), J("循環参照があります"));
  }

  // A class that fails makes the preparation fail.
  auto* bad = new TResourceList();
  bad->name = "bad";
  root->AddChild(bad);
  bad->AddChild(new TRTTI("Z", Source("Z", "x = ;\r\n")));
  errors.clear();
  EXPECT_THROW(bad->Initialize(), ERuvel);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].message, J("文法エラー:") + dir + "/classes/Z.ruvel");
}

}  // namespace ruvel::test
