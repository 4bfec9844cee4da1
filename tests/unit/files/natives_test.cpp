// The file natives as scripts use them, through the kernel's classes: the
// script world is started once over a copy of the real kernel, and each
// test runs script text in its own page folder and reads back globals.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "compiler/compile_driver.h"
#include "compiler/snippet.h"
#include "io/bin_stream.h"
#include "io/memory_card.h"
#include "platform/paths.h"
#include "io/script_file_natives.h"
#include "io/script_files.h"
#include "io/temp_dir.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "resources/resource_tree.h"
#include "runtime/startup.h"
#include "vm/gc.h"
#include "vm/host_registry.h"
#include "vm/vm_state.h"

namespace ruvel::test {

namespace fs = std::filesystem;

namespace {

class QuietSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  void Log(const std::string& text) override { logged.push_back(text); }
  std::vector<std::string> shown;
  std::vector<std::string> logged;
};

class FileNativesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* src = std::getenv("RUVEL_SOURCE_DIR");
    fs::path base = src ? fs::path(src) : fs::path(__FILE__).parent_path() / ".." / ".." / "..";
    if (!fs::exists(base / "Kernel/resource.ruvelres")) return;
    home_ = new TempDir();
    fs::copy(base / "Kernel", home_->Path() + "/Kernel", fs::copy_options::recursive);
    oldSink_ = SetSink(&sink_);
    oldProgramDir_ = ProgramDir();
    oldPageDir_ = PageDir();
    SetProgramDir(home_->Path());
    VM().showError = [](const std::string& message, const TTraceList&) { errors_.push_back(message); };
    InstallCompiler();
    RegisterNativeTable(FileNatives);
    StartScriptWorld(home_->Path());
    started_ = errors_.empty();
  }

  static void TearDownTestSuite() {
    if (!home_) return;
    ResetScriptObjects();
    FreeRoot();
    VMState& vm = VM();
    vm.objectClass = vm.stringClass = vm.arrayClass = nullptr;
    vm.arrayXIndex = -1;
    vm.current = nullptr;
    vm.showError = nullptr;
    SetProgramDir(oldProgramDir_);
    SetPageDir(oldPageDir_);
    SetSink(oldSink_);
    delete home_;
    home_ = nullptr;
  }

  void SetUp() override {
    if (!started_) GTEST_SKIP() << "the kernel did not start";
    SetPageDir(page.Path());
    errors_.clear();
    sink_.logged.clear();
    openBefore = OpenFiles().Count();
  }

  void TearDown() override { EXPECT_EQ(OpenFiles().Count(), openBefore) << "a test left a stream open"; }

  // Runs script statements as a snippet of a class extending base; 0 when
  // they ran to the end.
  static int Run(const std::string& statements, const std::string& base = "Object") {
    return EvaluateSnippet("extends " + base + ";\n" + statements, true);
  }
  static Value Global(const std::string& name) {
    Value* v = GlobalValuePtr(name);
    return v ? *v : MakeError(-1);
  }
  static std::string Text(const std::string& name) { return ValueToText(Global(name)); }

  TempDir page;
  size_t openBefore = 0;
  static inline std::vector<std::string> errors_;
  static inline QuietSink sink_;

 private:
  static inline TempDir* home_ = nullptr;
  static inline bool started_ = false;
  static inline MessageSink* oldSink_ = nullptr;
  static inline std::string oldProgramDir_;
  static inline std::string oldPageDir_;
};

}  // namespace

TEST_F(FileNativesTest, ReadersGiveLinesWithoutLineEndsThenNull) {
  page.MakeDir("files");
  page.WriteFile("files/ab.txt", "ab\r\ncd");
  page.WriteFile("files/empty.txt", "");
  page.WriteFile("files/lf.txt", "\n");
  ASSERT_EQ(Run("r = new FileReader(\"ab.txt\");\n"
                "$eof0 = r.eof();\n"
                "$a = r.readLine(); $b = r.readLine(); $c = r.readLine();\n"
                "$eof1 = r.eof(); $url = r.getURL();\n"
                "r.close(); $afterClose = r.readLine();\n"
                "e = new FileReader(\"empty.txt\"); $e = e.readLine(); e.close();\n"
                "l = new FileReader(\"lf.txt\"); $l1 = \"[\" + l.readLine() + \"]\"; $l2 = l.readLine(); l.close();\n"
                "b = new FileReader(\"ab.txt\"); $b1 = b.read(); $b2 = b.read(); b.close();\n"
                "m = new FileReader(\"missing.txt\"); $m = m.isOpen(); $mEof = m.eof();\n"),
            0)
      << (errors_.empty() ? "" : ToUtf8(errors_.front()));
  EXPECT_EQ(Text("$eof0"), "0");
  EXPECT_EQ(Text("$a"), "ab");
  EXPECT_EQ(Text("$b"), "cd");
  EXPECT_EQ(Global("$c").tag, kNull);
  EXPECT_EQ(Text("$eof1"), "1");
  EXPECT_EQ(Text("$url"), "ab.txt");
  EXPECT_EQ(Global("$afterClose").tag, kNull);
  EXPECT_EQ(Global("$e").tag, kNull);
  EXPECT_EQ(Text("$l1"), "[]");
  EXPECT_EQ(Global("$l2").tag, kNull);
  EXPECT_EQ(Text("$b1"), "97");
  EXPECT_EQ(Text("$b2"), "98");
  EXPECT_EQ(Text("$m"), "0");
  EXPECT_EQ(Text("$mEof"), "1");
}

TEST_F(FileNativesTest, WritersMakeTheFolderAndReplaceTheFileWhenClosed) {
  ASSERT_EQ(Run("w = new FileWriter(\"z.txt\");\n"
                "w.write(\"a\").writeByte(321).writeLine(12).write(null);\n"
                "$before = fileExists(\"z.txt\"); w.close(); $after = fileExists(\"z.txt\");\n"
                "$moved = moveFile(\"z.txt\", \"y.txt\");\n"
                "$short = moveFile(\"only\");\n"),
            0);
  EXPECT_EQ(page.ReadFile("files/y.txt"), "aA12\nnull");
  EXPECT_EQ(Text("$before") + Text("$after") + Text("$moved"), "011");
  // Too few arguments: the native gives back its receiver.
  EXPECT_EQ(Global("$short").tag, kObject);
}

// A save that cannot be committed is never passed off as done: close()
// answers 0 and one message names the file.
TEST_F(FileNativesTest, CloseTellsWhetherTheFileWasSaved) {
  sink_.shown.clear();
  ASSERT_EQ(Run("$w = new FileWriter(\"gone.txt\"); $w.write(\"data\");\n"
                "k = new FileWriter(\"kept.txt\"); k.write(\"x\"); $kept = k.close(); $again = k.close();\n"),
            0);
  EXPECT_EQ(Text("$kept"), "1");
  EXPECT_EQ(Text("$again"), "0");
  EXPECT_TRUE(sink_.shown.empty());
  std::filesystem::create_directories(page / "files/gone.txt/keep");
  ASSERT_EQ(Run("$ok = $w.close(); $w = 0;\n"), 0);
  EXPECT_EQ(Text("$ok"), "0");
  ASSERT_EQ(sink_.shown.size(), 1u);
  EXPECT_EQ(ToUtf8(sink_.shown[0]), "ファイルgone.txtを保存できませんでした");
  EXPECT_TRUE(std::filesystem::is_directory(page / "files/gone.txt"));
}

TEST_F(FileNativesTest, FreedAndForeignHandlesAreRefused) {
  page.MakeDir("files");
  page.WriteFile("files/ab.txt", "ab\n");
  size_t open = OpenFiles().Count();
  ASSERT_EQ(Run("f = _n_FileReader(this, \"ab.txt\");\n"
                "$one = _n_FileReader(this);\n"
                "_n_close(f); _n_close(f);\n"
                "$stale = _n_readLn(f); $staleEof = _n_eof(f);\n"
                "$number = _n_read(5);\n"
                "b = new BinWriter();\n"
                "$foreign = _n_readLn(b._s);\n"
                "b.free(); b.free();\n",
                "FileReader"),
            0);
  for (const char* g : {"$one", "$stale", "$staleEof", "$number", "$foreign"}) {
    SCOPED_TRACE(g);
    EXPECT_EQ(Global(g).tag, kObject);  // the receiver, untouched
  }
  ASSERT_EQ(Run("s = _n_init(\"AQAAAA==\"); $first = _n_readInt(s); _n_free(s); _n_free(s);\n"
                "$gone = _n_readInt(s);\n"
                "e = _n_init(); $empty = _n_readInt(e); _n_free(e);\n",
                "BinReader"),
            0);
  EXPECT_EQ(Text("$first"), "1");
  EXPECT_EQ(Global("$gone").tag, kObject);
  EXPECT_EQ(Text("$empty"), "0");
  // Every stream the script opened was closed and freed once.
  EXPECT_EQ(OpenFiles().Count(), open);
}

TEST_F(FileNativesTest, MemoryCardsThroughTheirScriptClasses) {
  page.WriteFile("card.dat", std::string(kMemoryCardHeader) + "old");
  ASSERT_EQ(Run("w = new ResourceWriter(\"card.dat\");\n"
                "$w1 = w.writeInt(1); $w2 = w.writeInt(-2); w.close();\n"
                "$tmp = $_tmp_rwrt;\n"),
            0);
  EXPECT_EQ(Text("$w1"), "1");
  EXPECT_EQ(Text("$w2"), "-2");
  EXPECT_EQ(Global("$tmp").tag, kNull);
  EXPECT_EQ(page.ReadFile("card.dat").size(), 104u);

  ASSERT_EQ(Run("w = new ResourceWriter(\"card.dat\"); $b = w.write(-1); w.write(7); w.close();\n"
                "r = new ResourceReader(\"card.dat\");\n"
                "$i = r.readInt(); $r1 = r.read(); $r2 = r.read(); r.close();\n"
                "q = new ResourceReader(\"card.dat\"); $q = q.readInt(); $qq = q.read(); q.close();\n"),
            0);
  EXPECT_EQ(Text("$b"), "255");
  // Two bytes are no integer: null, and they are gone.
  EXPECT_EQ(Global("$i").tag, kNull);
  EXPECT_EQ(Global("$r1").tag, kNull);
  EXPECT_EQ(Global("$q").tag, kNull);
  EXPECT_EQ(Global("$qq").tag, kNull);

  page.WriteFile("plain.txt", "plain");
  ASSERT_EQ(Run("r = new ResourceReader(\"plain.txt\"); $r = r.isOpen(); $v = r.readInt();\n"
                "w = new ResourceWriter(\"plain.txt\"); $w = w.isOpen();\n"),
            0);
  EXPECT_EQ(Text("$r"), "0");
  EXPECT_EQ(Global("$v").tag, kNull);
  EXPECT_EQ(Text("$w"), "0");
  EXPECT_EQ(page.ReadFile("plain.txt"), "plain");

  EXPECT_EQ(Run("r = new ResourceReader(\"missing.dat\");\n$reached = 1;\n"), 2);
  ASSERT_FALSE(errors_.empty());
  EXPECT_NE(ToUtf8(errors_.back()).find("ファイル missing.dat は開けません"), std::string::npos);
}

TEST_F(FileNativesTest, BinaryStreamsThroughTheirScriptClasses) {
  ASSERT_EQ(Run("w = new BinWriter(); $t = w.writeInt(1).writeInt(2).toB64(); $host = \"\" + w._s; w.free();\n"
                "$after = \"[\" + w.writeInt(3).toB64() + \"]\";\n"
                "r = new BinReader($t); $a = r.readInt() * 10 + r.readInt(); $c = r.readInt(); r.free();\n"
                "$freed = r.readInt();\n"),
            0);
  EXPECT_EQ(Text("$t"), "AQAAAAIAAAA=");
  EXPECT_EQ(Text("$host"), "TBinaryOutputStream");
  EXPECT_EQ(Text("$after"), "[]");
  EXPECT_EQ(Text("$a"), "12");
  EXPECT_EQ(Text("$c"), "0");
  EXPECT_EQ(Text("$freed"), "0");
}

}  // namespace ruvel::test
