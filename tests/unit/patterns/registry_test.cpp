// Pattern resources in the resource tree: registration with global
// numbers, the start-up and page-load rebuilds, the sheet cache and its
// modification stamps, missing and unreadable sheets, and the markup.
#include <chrono>

#include "platform/paths.h"
#include "platform/cp932.h"
#include "resources/resource_loader.h"
#include "resources/resource_pattern.h"
#include "resources/resource_tree.h"
#include "screen/patterns.h"
#include "screen/script_globals.h"
#include "sheet_helpers.h"
#include "vm/vm_state.h"

namespace ruvel::test {
namespace {

// A sheet of n frames; frame i is 6 + i pixels wide and 6 high, so every
// pattern's size tells which one it is.
TPixelImage FramesImage(int n) {
  TPixelImage img = Sheet(12 * n + 4, 12);
  for (int i = 0; i < n; ++i) Frame(img, 1 + 12 * i, 1, 6 + i, 6, kBlack);
  return img;
}

class PatternsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousProgramDir_ = ProgramDir();
    previousBase_ = BaseDir();
    SetProgramDir(dir.Path());
    SetBaseDir(dir.Path());
    std::filesystem::create_directories(dir / "Kernel/images");
    std::filesystem::copy_file(ShippedMissingSheet(), dir / "Kernel/images/404.bmp");
    InstallPatterns();
    ResetPatterns();
    auto root = std::make_unique<TResourceList>();
    auto* globals = new TResourceList();
    globals->name = "usrglobal";
    root->AddChild(globals);
    SetRoot(std::move(root));
  }

  void TearDown() override {
    FreeRoot();
    ResetPatterns();
    SetProgramDir(previousProgramDir_);
    SetBaseDir(previousBase_);
  }

  void WriteSheet(const std::string& name, int n) {
    TPixelImage img = FramesImage(n);
    ASSERT_TRUE(IsPngName(name) ? WritePngFile(dir / name, img) : WriteBmpFile(dir / name, img));
  }

  // Adds a list of cpattern resources under parent ("" for the root).
  TResourceList* AddList(const std::string& parent, const std::string& listName,
                         const std::vector<std::pair<std::string, std::string>>& pats) {
    std::string markup = "<resourcelist name=\"" + listName + "\">";
    for (const auto& [global, src] : pats) markup += "<cpattern name=\"" + global + "\" src=\"" + src + "\"/>";
    markup += "</resourcelist>";
    auto node = NodeFromFileMarkup(markup, dir.Path());
    auto* list = dynamic_cast<TResourceList*>(node.get());
    EXPECT_NE(list, nullptr);
    TResource* into = parent.empty() ? VM().root : FindResource(parent);
    EXPECT_NE(into, nullptr);
    into->AddChild(node.release());
    return list;
  }

  // Mounts a page "usr" holding a "patterns" list, replacing the old one.
  void MountPage(const std::vector<std::pair<std::string, std::string>>& pats) {
    if (TResource* old = FindResource("usr")) VM().root->Remove(old);
    auto* usr = new TResourceList();
    usr->name = "usr";
    VM().root->AddChild(usr);
    AddList("usr", "patterns", pats);
  }

  int32_t Width(int32_t n) {
    int32_t w = -1, h = -1;
    PatternSize(n, w, h);
    return w;
  }

  TempDir dir;
  SinkScope sinkScope;
  std::vector<std::string>& shown = sinkScope.sink.shown;

 private:
  std::string previousProgramDir_;
  std::string previousBase_;
};

TEST_F(PatternsTest, SheetsAreNumberedConsecutivelyAndRegisteredOnce) {
  WriteSheet("a.bmp", 3);
  WriteSheet("b.png", 2);
  TResourceList* kernel = AddList("", "patterns", {{"$pat_a", "a.bmp"}, {"$pat_b", "B.png"}});
  kernel->Initialize();
  EXPECT_TRUE(shown.empty()) << shown.front();
  EXPECT_EQ(GlobalInt("$pat_a"), 0);
  EXPECT_EQ(GlobalInt("$pat_b"), 3);
  EXPECT_EQ(PatternCount(), 5);
  EXPECT_EQ(Width(0), 4);  // frame 0 of a: 6 wide, 4 inside
  EXPECT_EQ(Width(2), 6);
  EXPECT_EQ(Width(3), 4);  // frame 0 of b
  EXPECT_EQ(Width(4), 5);
  int32_t w = -1, h = -1;
  EXPECT_FALSE(PatternSize(5, w, h));
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  EXPECT_FALSE(PatternSize(-1, w, h));

  // A later pass of a preparation (a class still pending) prepares every
  // node again; the sheets are not appended a second time.
  TInitContext again;
  kernel->PrepareStep(again);
  EXPECT_EQ(again.Done, 2);
  kernel->Initialize();
  EXPECT_EQ(PatternCount(), 5);
  EXPECT_EQ(PatternList().SheetCount(), 2u);
  EXPECT_EQ(GlobalInt("$pat_b"), 3);

  // After a truncation the resource registers again, at the new end.
  TruncatePatterns(0);
  kernel->Initialize();
  EXPECT_EQ(PatternList().SheetCount(), 2u);
  EXPECT_EQ(GlobalInt("$pat_b"), 3);
}

TEST_F(PatternsTest, PageLoadsReplaceOnlyThePageSheets) {
  WriteSheet("k1.bmp", 2);
  WriteSheet("k2.bmp", 1);
  WriteSheet("p1.png", 2);
  WriteSheet("p2.bmp", 3);
  AddList("", "patterns", {{"$pat_k1", "k1.bmp"}, {"$pat_k2", "k2.bmp"}});
  VM().root->Initialize();
  ASSERT_TRUE(PatternHooks().startupStep);
  PatternHooks().startupStep();  // no page yet: only the count is taken
  EXPECT_EQ(KernelPatternCount(), 3);
  EXPECT_EQ(PatternList().SheetCount(), 2u);
  std::shared_ptr<TPatRects> k1 = PatternList().At(0).sheet;

  MountPage({{"$pat_p1", "p1.png"}, {"$pat_p2", "p2.bmp"}});
  LoadPagePatterns();
  EXPECT_EQ(PatternCount(), 8);
  EXPECT_EQ(GlobalInt("$pat_k2"), 2);
  EXPECT_EQ(GlobalInt("$pat_p1"), 3);
  EXPECT_EQ(GlobalInt("$pat_p2"), 5);
  EXPECT_EQ(Width(5), 4);

  // The next page: the previous page's two sheets go, the kernel's stay
  // and come from the cache.
  MountPage({{"$pat_p2", "p2.bmp"}});
  LoadPagePatterns();
  EXPECT_EQ(PatternList().SheetCount(), 3u);
  EXPECT_EQ(PatternCount(), 6);
  EXPECT_EQ(GlobalInt("$pat_p2"), 3);
  EXPECT_EQ(Width(3), 4);
  EXPECT_EQ(Width(5), 6);
  EXPECT_EQ(PatternList().At(0).sheet, k1);
  EXPECT_EQ(PatternCache().Size(), 4u);

  // Start-up with a page already mounted rebuilds kernel, then page.
  PrepareStartupPatterns();
  EXPECT_EQ(KernelPatternCount(), 6);
  EXPECT_EQ(PatternCount(), 6);
  EXPECT_TRUE(shown.empty());
}

TEST_F(PatternsTest, TheCacheCutsAFileAgainOnlyWhenItChanged) {
  WriteSheet("a.bmp", 2);
  std::string path = dir / "a.bmp";
  std::string error;
  auto first = PatternCache().Cut(path, error);
  ASSERT_NE(first, nullptr) << error;
  EXPECT_EQ(PatternCache().Cut(path, error), first);

  AddList("", "patterns", {{"$pat_a", "a.bmp"}});
  MountPage({});
  LoadPagePatterns();
  EXPECT_EQ(PatternList().At(0).sheet, first);

  // New content with a later stamp: cut again; the list keeps the old
  // sheet alive until it is rebuilt.
  auto stamp = std::filesystem::last_write_time(path);
  WriteSheet("a.bmp", 4);
  std::filesystem::last_write_time(path, stamp + std::chrono::seconds(10));
  auto second = PatternCache().Cut(path, error);
  ASSERT_NE(second, nullptr) << error;
  EXPECT_NE(second, first);
  EXPECT_EQ(second->Count(), 4);
  EXPECT_EQ(PatternList().At(0).sheet->Count(), 2);
  RebuildAllPatterns();
  EXPECT_EQ(PatternCount(), 4);
  EXPECT_EQ(PatternList().At(0).sheet, second);

  // The same stamp keeps the cached cut even though the bytes changed.
  stamp = std::filesystem::last_write_time(path);
  WriteSheet("a.bmp", 1);
  std::filesystem::last_write_time(path, stamp);
  EXPECT_EQ(PatternCache().Cut(path, error), second);

  // A file that disappeared is not served from the cache.
  std::filesystem::remove(path);
  EXPECT_EQ(PatternCache().Cut(path, error), nullptr);
  EXPECT_EQ(PatternCache().Cached(path), nullptr);
}

TEST_F(PatternsTest, AMissingSheetIsReportedAndDrawnAs404) {
  WriteSheet("a.bmp", 2);
  AddList("", "patterns", {{"$pat_a", "a.bmp"}, {"$pat_gone", "img/gone.png"}, {"$pat_after", "a.bmp"}});
  FindList("patterns")->Initialize();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], dir / "img/gone.png" + J("というキャラクタパターンのファイルはありません"));
  EXPECT_EQ(GlobalInt("$pat_gone"), 2);
  EXPECT_EQ(GlobalInt("$pat_after"), 3);
  EXPECT_EQ(PatternCount(), 5);
  TPatRects* sheet = nullptr;
  int32_t index = -1;
  ASSERT_TRUE(LookupPattern(2, sheet, index));
  EXPECT_EQ(sheet->Width(), 32);
  EXPECT_TRUE(sheet->CutOk());
  EXPECT_EQ(sheet->Elems()[0].rect, (TRect{2, 2, 29, 29}));
  EXPECT_EQ(sheet, PatternCache().Cached(MissingSheetPath()).get());
}

TEST_F(PatternsTest, AnUnreadableSheetCountsAsMissing) {
  WriteSheet("good.png", 2);
  std::string bytes = ReadBytes(dir / "good.png");
  WriteBytes(dir / "bad.png", bytes.substr(0, bytes.size() - 30));
  WriteBytes(dir / "bad.bmp", "BM garbage");
  AddList("", "patterns", {{"$pat_png", "bad.png"}, {"$pat_bmp", "bad.bmp"}});
  FindList("patterns")->Initialize();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].rfind(dir / "bad.png" + J("というキャラクタパターンのファイルを読み込めません: "), 0), 0u) << shown[0];
  EXPECT_EQ(shown[1].rfind(dir / "bad.bmp" + J("というキャラクタパターンのファイルを読み込めません: "), 0), 0u) << shown[1];
  EXPECT_EQ(PatternCount(), 2);
  EXPECT_EQ(GlobalInt("$pat_bmp"), 1);
  EXPECT_EQ(Width(1), 27);
}

// A page load registers the page's sheets twice (its own pass and the
// rebuild); an unusable sheet was decoded and reported both times.
TEST_F(PatternsTest, AnUnusableSheetIsReadAndReportedOncePerPageLoad) {
  WriteBytes(dir / "bad.bmp", "BM garbage");
  AddList("", "patterns", {});
  MountPage({{"$pat_bad", "bad.bmp"}});
  LoadPagePatterns();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].rfind(dir / "bad.bmp" + J("というキャラクタパターンのファイルを読み込めません: "), 0), 0u);
  std::string error;
  bool known = false;
  EXPECT_EQ(PatternCache().Cut(dir / "bad.bmp", error, &known), nullptr);
  EXPECT_TRUE(known);
  EXPECT_FALSE(error.empty());
  // Loading the same page again neither reads nor reports it again;
  // another page tries the file again and says so again.
  LoadPagePatterns();
  EXPECT_EQ(shown.size(), 1u);
  FindResource("usr")->sourcePath = dir / "other.cmml";
  LoadPagePatterns();
  EXPECT_EQ(shown.size(), 2u);
  // Once the file is repaired (a new stamp) it is read.
  auto stamp = std::filesystem::last_write_time(dir / "bad.bmp");
  WriteSheet("bad.bmp", 2);
  std::filesystem::last_write_time(dir / "bad.bmp", stamp + std::chrono::seconds(10));
  EXPECT_NE(PatternCache().Cut(dir / "bad.bmp", error, &known), nullptr);
  EXPECT_FALSE(known);
}

TEST_F(PatternsTest, WithoutThe404SheetTheResourceStillTakesItsPlace) {
  std::filesystem::remove(dir / "Kernel/images/404.bmp");
  WriteSheet("a.bmp", 2);
  AddList("", "patterns", {{"$pat_gone", "gone.bmp"}, {"$pat_a", "a.bmp"}});
  FindList("patterns")->Initialize();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1], dir / "Kernel/images/404.bmp" + J("というキャラクタパターンのファイルはありません"));
  EXPECT_EQ(PatternList().SheetCount(), 2u);
  EXPECT_EQ(GlobalInt("$pat_gone"), 0);
  EXPECT_EQ(GlobalInt("$pat_a"), 0);
  EXPECT_EQ(PatternCount(), 2);
  // Prepared again, the empty entry is still recognised as registered.
  FindList("patterns")->Initialize();
  EXPECT_EQ(PatternList().SheetCount(), 2u);
  EXPECT_EQ(shown.size(), 2u);
}

TEST_F(PatternsTest, ManySheetsAreQueriedWithOneWarningPerSheet) {
  WriteSheet("a.bmp", 1);
  std::string error;
  auto sheet = PatternCache().Cut(dir / "a.bmp", error);
  for (int i = 0; i < 203; ++i) PatternList().Append(sheet);
  TPatRects* found = nullptr;
  int32_t index = -1;
  EXPECT_TRUE(LookupPattern(200, found, index));
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(LookupPattern(201, found, index));
  EXPECT_TRUE(LookupPattern(201, found, index));
  EXPECT_TRUE(LookupPattern(202, found, index));
  EXPECT_EQ(shown, (std::vector<std::string>{"201??", "202??"}));
}

TEST_F(PatternsTest, MarkupHoldsNameAndSrcRelativeToThePage) {
  auto node = NodeFromFileMarkup("<cpattern src=\"img\\a.png\" extra=\"1\" name=\"$pat_a\"/>", dir.Path());
  auto* pat = dynamic_cast<TCPat*>(node.get());
  ASSERT_NE(pat, nullptr);
  EXPECT_EQ(pat->sourcePath, dir / "img/a.png");
  std::vector<std::string> lines;
  pat->WriteMarkup(lines, "  ");
  EXPECT_EQ(lines, (std::vector<std::string>{"  <cpattern name=\"$pat_a\" src=\"img/a.png\"/>"}));
  SetBaseDir(dir / "img");
  lines.clear();
  pat->WriteMarkup(lines, "");
  EXPECT_EQ(lines, (std::vector<std::string>{"<cpattern name=\"$pat_a\" src=\"a.png\"/>"}));
  auto copy = pat->Clone();
  ASSERT_NE(dynamic_cast<TCPat*>(copy.get()), nullptr);
  EXPECT_EQ(copy->sourcePath, pat->sourcePath);
  EXPECT_EQ(copy->name, "$pat_a");
}

}  // namespace
}  // namespace ruvel::test
