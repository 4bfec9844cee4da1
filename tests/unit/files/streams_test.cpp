// Buffered streams, memory cards, script file names and the binary
// streams, exercised on the host side in a scratch page folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <gtest/gtest.h>

#include "io/bin_stream.h"
#include "io/buffered_stream.h"
#include "io/memory_card.h"
#include "platform/paths.h"
#include "io/script_files.h"
#include "io/temp_dir.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "vm/host_registry.h"

namespace ruvel::test {

namespace fs = std::filesystem;

namespace {

class LogSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  void Log(const std::string& text) override { logged.push_back(text); }
  std::vector<std::string> shown;
  std::vector<std::string> logged;
};

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
  return s;
}

// Names in a folder, hidden temporary files included.
std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

const std::string kCard(kMemoryCardHeader);

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.Path().empty());
    oldPage_ = PageDir();
    SetPageDir(dir.Path());
    oldSink_ = SetSink(&sink);
  }
  void TearDown() override {
    SetSink(oldSink_);
    SetPageDir(oldPage_);
  }
  std::string Files(const std::string& rel = "") const { return dir / ("files" + (rel.empty() ? "" : "/" + rel)); }

  TempDir dir;
  LogSink sink;

 private:
  std::string oldPage_;
  MessageSink* oldSink_ = nullptr;
};

}  // namespace

TEST_F(FilesTest, InputStreamReadsAcrossBufferEndsAndKnowsTheEndExactly) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{4095}, size_t{4096}, size_t{4097}, size_t{10000}}) {
    SCOPED_TRACE(size);
    std::string data = Pattern(size);
    dir.WriteFile("in.bin", data);
    TBufferedInputStream in(OpenRegularFileForReading(dir / "in.bin"));
    std::string got;
    // Byte by byte for the first 4096, then in odd-sized pieces.
    while (got.size() < 4096 && !in.AtEnd()) got += static_cast<char>(in.ReadByte());
    EXPECT_EQ(in.AtEnd(), got.size() == size);
    char piece[999];
    for (size_t n; (n = in.Read(piece, sizeof piece)) > 0;) got.append(piece, n);
    EXPECT_EQ(got, data);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(in.ReadByte(), -1);
    EXPECT_EQ(in.Read(piece, 4), 0u);
  }
  // No file (a failed open) reads nothing.
  TBufferedInputStream none(-1);
  char c;
  EXPECT_EQ(none.Read(&c, 1), 0u);
  EXPECT_TRUE(none.AtEnd());
  EXPECT_EQ(OpenRegularFileForReading(dir.Path()), -1);
  // A pipe is refused at once instead of waiting for a writer.
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(OpenRegularFileForReading(dir / "pipe"), -1);
}

TEST_F(FilesTest, OutputStreamReplacesItsTargetWholeWhenClosed) {
  dir.WriteFile("out.txt", "old");
  chmod((dir / "out.txt").c_str(), 0600);
  std::string data = Pattern(10000);
  {
    TBufferedOutputStream out(dir / "out.txt");
    ASSERT_TRUE(out.HasFile());
    EXPECT_TRUE(IsLiveHost(&out));
    out.Write(data.data(), data.size());
    // Until it is closed the old file stands.
    EXPECT_EQ(dir.ReadFile("out.txt"), "old");
    EXPECT_TRUE(out.Close());
    EXPECT_TRUE(out.Close());
    out.WriteByte('x');  // closed: ignored
  }
  EXPECT_EQ(dir.ReadFile("out.txt"), data);
  struct stat st;
  ASSERT_EQ(stat((dir / "out.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"out.txt"});

  // A stream its owner forgets is committed when destroyed.
  { TBufferedOutputStream(dir / "forgotten.txt").Write("kept", 4); }
  EXPECT_EQ(dir.ReadFile("forgotten.txt"), "kept");

  // A rename that fails (a folder stands in the way) leaves no trace.
  dir.MakeDir("blocked/inner");
  {
    TBufferedOutputStream out(dir / "blocked");
    out.Write("x", 1);
    EXPECT_FALSE(out.Close());
  }
  EXPECT_TRUE(fs::is_directory(dir / "blocked"));
  EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"blocked", "forgotten.txt", "out.txt"}));

  // No folder, no file.
  TBufferedOutputStream lost(dir / "missing/x.txt");
  EXPECT_FALSE(lost.HasFile());
  EXPECT_FALSE(lost.Close());
}

TEST_F(FilesTest, MemoryCardsAreWrittenWithTheHeaderAndReadAfterIt) {
  dir.WriteFile("card.dat", kCard + "old data");
  {
    auto out = OpenMemoryCardWriter("card.dat");
    ASSERT_NE(out, nullptr);
    const unsigned char ints[] = {0x01, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF};
    out->Write(ints, sizeof ints);
  }
  std::string written = dir.ReadFile("card.dat");
  ASSERT_EQ(written.size(), 104u);
  EXPECT_EQ(written.substr(0, 96), kCard);
  EXPECT_EQ(written.substr(96), std::string("\x01\0\0\0\xFE\xFF\xFF\xFF", 8));

  auto in = OpenMemoryCardReader(dir / "card.dat");  // an absolute name too
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(in->ReadByte(), 1);

  // Only the mark counts; a file cut short after it is a card as well.
  dir.WriteFile("short.dat", "RUVEL_ACCESSIBLE_FILE");
  auto shortCard = OpenMemoryCardReader("short.dat");
  ASSERT_NE(shortCard, nullptr);
  EXPECT_TRUE(shortCard->AtEnd());
  EXPECT_TRUE(sink.logged.empty());
}

TEST_F(FilesTest, MapFilesNeedNoHeaderAndOtherFilesAreRefused) {
  dir.WriteFile("level.map", "ABCD");
  auto in = OpenMemoryCardReader("level.map");
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(in->ReadByte(), 'A');
  EXPECT_EQ(sink.logged, std::vector<std::string>{"warning: not a ruvel accessible"});
  { ASSERT_NE(OpenMemoryCardWriter("level.map"), nullptr); }
  EXPECT_EQ(dir.ReadFile("level.map"), kCard);
  auto again = OpenMemoryCardReader("level.map");
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(again->AtEnd());

  // The extension is compared exactly.
  for (const char* name : {"level.MAP", "notes.txt", "level.map.txt"}) {
    SCOPED_TRACE(name);
    dir.WriteFile(name, "plain");
    sink.logged.clear();
    EXPECT_EQ(OpenMemoryCardReader(name), nullptr);
    EXPECT_EQ(sink.logged, (std::vector<std::string>{"warning: not a ruvel accessible", "not a valid file. read aborted"}));
    sink.logged.clear();
    EXPECT_EQ(OpenMemoryCardWriter(name), nullptr);
    EXPECT_EQ(sink.logged, (std::vector<std::string>{"warning: not a ruvel accessible", "not a valid file. not wrote"}));
    EXPECT_EQ(dir.ReadFile(name), "plain");
  }
  EXPECT_TRUE(sink.shown.empty());
}

TEST_F(FilesTest, MissingMemoryCardsRaiseTheFileOpenError) {
  dir.MakeDir("folder.map");
  for (const char* name : {"nothing.dat", "new.map", "folder.map", ""}) {
    SCOPED_TRACE(name);
    try {
      OpenMemoryCardReader(name);
      ADD_FAILURE() << "no error";
    } catch (const EVMError& e) {
      EXPECT_EQ(ToUtf8(e.Message()), std::string("ファイル ") + name + " は開けません");
    }
    EXPECT_THROW(OpenMemoryCardWriter(name), EVMError);
  }
  EXPECT_FALSE(fs::exists(dir / "new.map"));
}

TEST_F(FilesTest, ScriptFileNamesStayInsideTheFilesFolder) {
  EXPECT_EQ(ScriptFilePath("..\\x.txt", true), Files("..x.txt"));
  EXPECT_EQ(ScriptFilePath("a/b:c", true), Files("abc"));
  EXPECT_EQ(ScriptFilePath("../../etc/passwd", true), Files("....etcpasswd"));
  EXPECT_EQ(ScriptFilePath("", true), Files("untitled"));
  EXPECT_EQ(ScriptFilePath("/", true), Files("untitled"));
  EXPECT_EQ(ScriptFilePath("", false), "");
  EXPECT_EQ(ScriptFilePath(".", true), "");
  EXPECT_EQ(ScriptFilePath("..", true), "");
  EXPECT_EQ(ScriptFilePath("..", false), "");
  EXPECT_EQ(ScriptFilePath(std::string("a.txt\0/../x", 11), true), Files("a.txt"));
  // The trail byte of a double-byte character is no backslash.
  std::string hyou = Utf8ToCp932("表.txt");
  ASSERT_EQ(hyou[1], '\\');
  EXPECT_EQ(ScriptFilePath(hyou, true), Files(hyou));
  // An existing folder of another letter case is used.
  dir.MakeDir("Files");
  dir.WriteFile("Files/Save.TXT", "s");
  EXPECT_EQ(ScriptFilePath("save.txt", true), dir / "Files/Save.TXT");
  EXPECT_EQ(ScriptFilePath("new.txt", true), dir / "Files/new.txt");
}

TEST_F(FilesTest, ReadersWritersAndFileOperationsOfScripts) {
  {
    std::unique_ptr<TFileWriter> w = OpenScriptFileWriter("a.txt");
    ASSERT_NE(w, nullptr);  // the folder was made for it
    w->Write("line", 4);
  }
  EXPECT_EQ(dir.ReadFile("files/a.txt"), "line");
  EXPECT_NE(OpenScriptFileReader("a.txt"), nullptr);
  EXPECT_EQ(OpenScriptFileReader("b.txt"), nullptr);
  EXPECT_EQ(OpenScriptFileReader("."), nullptr);
  EXPECT_EQ(OpenScriptFileWriter(".."), nullptr);
  dir.MakeDir("files/sub");
  EXPECT_EQ(OpenScriptFileWriter("sub"), nullptr);
  EXPECT_EQ(OpenScriptFileReader("sub"), nullptr);

  EXPECT_TRUE(ScriptFileExists("a.txt"));
  EXPECT_TRUE(ScriptFileExists("A.TXT"));
  EXPECT_FALSE(ScriptFileExists("sub"));
  EXPECT_FALSE(ScriptFileExists(".."));
  dir.WriteFile("files/b.txt", "b");
  EXPECT_FALSE(MoveScriptFile("a.txt", "b.txt"));  // no file is replaced
  EXPECT_FALSE(MoveScriptFile("a.txt", ".."));
  EXPECT_FALSE(MoveScriptFile("..", "page"));
  EXPECT_FALSE(MoveScriptFile("gone.txt", "c.txt"));
  EXPECT_TRUE(MoveScriptFile("a.txt", "c/txt"));
  EXPECT_EQ(dir.ReadFile("files/ctxt"), "line");
  EXPECT_TRUE(MoveScriptFile("ctxt", "CTXT"));
  EXPECT_EQ(dir.ReadFile("files/CTXT"), "line");
  EXPECT_TRUE(DeleteScriptFile("ctxt"));
  EXPECT_FALSE(DeleteScriptFile("ctxt"));
  EXPECT_FALSE(DeleteScriptFile("sub"));
  EXPECT_FALSE(DeleteScriptFile(".."));
  EXPECT_TRUE(fs::is_directory(dir / "files/sub"));
  EXPECT_TRUE(fs::exists(dir.Path()));
}

TEST_F(FilesTest, OpenFilesCloseWhatIsLeftWhenTheyEnd) {
  size_t live = LiveHostCount();
  {
    TOpenFiles files;
    auto* w = static_cast<TFileWriter*>(files.Add(OpenScriptFileWriter("left.txt")));
    w->Write("open", 4);
    dir.WriteFile("files/r.txt", "r");
    TBufferedStream* r = files.Add(OpenScriptFileReader("r.txt"));
    EXPECT_EQ(files.Count(), 2u);
    EXPECT_TRUE(files.Close(r));
    EXPECT_FALSE(files.Close(r));
    EXPECT_FALSE(IsLiveHost(r));
    EXPECT_EQ(files.Count(), 1u);
    EXPECT_FALSE(fs::exists(Files("left.txt")));
  }
  EXPECT_EQ(dir.ReadFile("files/left.txt"), "open");
  EXPECT_EQ(LiveHostCount(), live);
}

TEST(BinStreamTest, BufferGrowsByDoublingPlusOne) {
  TBinaryOutputStream out;
  EXPECT_EQ(out.Capacity(), 128u);
  std::vector<size_t> capacities{out.Capacity()};
  for (int i = 0; i < 200; ++i) {
    out.WriteInt(i);
    if (out.Capacity() != capacities.back()) capacities.push_back(out.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<size_t>{128, 257, 515, 1031}));
  EXPECT_EQ(out.Size(), 800u);
  EXPECT_EQ(out.Data()[4], 1);
}

TEST(BinStreamTest, Base64FormAndItsLenientDecoding) {
  TBinaryOutputStream out;
  EXPECT_EQ(PzConv().Encode(out.Data(), out.Size()), "");
  out.WriteInt(1);
  out.WriteInt(2);
  EXPECT_EQ(PzConv().Encode(out.Data(), out.Size()), "AQAAAAIAAAA=");
  TBinaryOutputStream neg;
  neg.WriteInt(-1);
  EXPECT_EQ(PzConv().Encode(neg.Data(), neg.Size()), "/////w==");
  const uint8_t bytes[] = {0xFB, 0xEF, 0xBE, 0x41, 0x42};
  EXPECT_EQ(PzConv().Encode(bytes, 3), "++++");
  EXPECT_EQ(PzConv().Encode(bytes, 5), "++++QUI=");

  // Padding and strangers count as 0; a short last group gives nothing.
  EXPECT_EQ(PzConv().Decode("AQAAAAIAAAA="), (std::vector<uint8_t>{1, 0, 0, 0, 2, 0, 0, 0, 0}));
  EXPECT_EQ(PzConv().Decode("/////w=="), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
  EXPECT_EQ(PzConv().Decode("QUJD!!"), (std::vector<uint8_t>{'A', 'B', 'C'}));
  EXPECT_EQ(PzConv().Decode("\x82\xa0*-"), (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_TRUE(PzConv().Decode("QUJ").empty());

  TBinaryInputStream in(PzConv().Decode("AQAAAAIAAAA="));
  EXPECT_EQ(in.ReadInt(), 1);
  EXPECT_EQ(in.ReadInt(), 2);
  EXPECT_EQ(in.ReadInt(), 0);
  EXPECT_EQ(in.ReadInt(), 0);
  TBinaryInputStream partial({0x34, 0x12});
  EXPECT_EQ(partial.ReadInt(), 0x1234);
  EXPECT_EQ(partial.Position(), 2u);
}

TEST(BinStreamTest, RefusesToGrowWithoutBound) {
  TBinaryOutputStream out;
  const size_t limit = TBinaryOutputStream::kMaxBytes;
  EXPECT_THROW(
      for (size_t i = 0; i < limit * 2; ++i) out.WriteByte(0), EVMError);
  EXPECT_GE(out.Size(), limit);
  EXPECT_LT(out.Size(), limit + limit / 8);
  EXPECT_EQ(out.Size(), out.Capacity());
}

}  // namespace ruvel::test
