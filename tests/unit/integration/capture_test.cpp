// GIF recordings of play: a headless run recorded with --record-gif decodes
// to the same pictures as screenshots of the same frames, starts with the
// whole picture and keeps true time; the capture keys save into the
// project's "captures" folder.
#include <gif_lib.h>

#include <chrono>

#include "integration/integration_fixture.h"
#include "platform/gif_writer.h"

namespace {

using namespace it;

// The images as giflib reads them: the first covers the whole picture,
// none is shown for 0 s (viewers slow such files down or skip them), and
// together they last as long as the run (runCs; not checked when < 0).
void ExpectWholeFirstImageAndTrueDelays(const fs::path& gif, double runCs) {
  int err = 0;
  GifFileType* file = DGifOpenFileName(gif.string().c_str(), &err);
  ASSERT_NE(file, nullptr) << GifErrorString(err);
  ASSERT_EQ(DGifSlurp(file), GIF_OK);
  ASSERT_GT(file->ImageCount, 0);
  const GifImageDesc& first = file->SavedImages[0].ImageDesc;
  EXPECT_EQ(first.Left, 0);
  EXPECT_EQ(first.Top, 0);
  EXPECT_EQ(first.Width, file->SWidth);
  EXPECT_EQ(first.Height, file->SHeight);
  int total = 0;
  int zero = 0;
  for (int i = 0; i < file->ImageCount; ++i) {
    GraphicsControlBlock gcb{};
    ASSERT_EQ(DGifSavedExtensionToGCB(file, i, &gcb), GIF_OK) << i;
    zero += gcb.DelayTime < 1;
    total += gcb.DelayTime;
  }
  EXPECT_EQ(zero, 0) << "of " << file->ImageCount << " images";
  if (runCs >= 0) {
    EXPECT_NEAR(total, runCs, 1.0);
  }
  DGifCloseFile(file, &err);
}

TEST_F(IntegrationTest, ARecordedGifHoldsEverySecondFrameExactly) {
  Write(dir / "keys.txt", "10 down Z\n14 up Z\n20 down RIGHT\n30 down Z\n50 up RIGHT\n");
  fs::path gif = dir / "run.gif";
  // 61 frames: the last one, drawn after the last recorded picture, still
  // counts in the file's time.
  RunResult r = RunRuvel("--headless --fixed-clock --frames 61 --input " + (dir / "keys.txt").string() +
                         " --record-gif " + gif.string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  ExpectWholeFirstImageAndTrueDelays(gif, 61 * 1.7);
  ruvel::TGifFrames frames;
  std::string error;
  ASSERT_TRUE(ruvel::ReadGifFrames(gif.string(), frames, error)) << error;
  ASSERT_EQ(frames.pictures.size(), 30u) << "frames 2, 4, ... 60";
  EXPECT_EQ(frames.width, 560);
  EXPECT_EQ(frames.height, 381) << "the drawing area, without the status bar";
  // The title (frame 2), the game starting (12) and play with a shot (40, 60).
  for (int frame : {2, 12, 40, 60}) {
    fs::path png = dir / ("f" + std::to_string(frame) + ".png");
    r = RunRuvel("--headless --fixed-clock --frames " + std::to_string(frame) + " --input " +
                 (dir / "keys.txt").string() + " --screenshot " + png.string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    ruvel::TPixelImage shot = Screenshot(png);
    const std::vector<uint32_t>& picture = frames.pictures[size_t(frame / 2 - 1)];
    int differ = 0;
    for (int y = 0; y < frames.height; ++y) {
      for (int x = 0; x < frames.width; ++x) differ += (shot.At(x, y) & 0xffffff) != picture[size_t(y) * 560 + x];
    }
    EXPECT_EQ(differ, 0) << "frame " << frame;
  }
}

// A GIF path that cannot become a file stops the program before the run
// (a run of a million frames would take minutes); nothing is left behind.
TEST_F(IntegrationTest, AGifPathThatCannotBeWrittenIsRefusedBeforeTheRun) {
  fs::create_directories(dir / "folder.gif");
  for (fs::path gif : {dir / "missing" / "run.gif", dir / "folder.gif"}) {
    auto start = std::chrono::steady_clock::now();
    RunResult r = RunRuvel("--headless --fixed-clock --frames 1000000 --record-gif " + gif.string());
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find(gif.string()), std::string::npos) << r.output;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << "refused before the run";
  }
  EXPECT_FALSE(fs::exists(dir / "missing"));
  EXPECT_TRUE(fs::is_empty(dir / "folder.gif"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary file";
}

TEST_F(IntegrationTest, CaptureKeysSaveIntoTheProjectsCapturesFolder) {
  // A copy of the bundled project, so its folder gets the captures.
  fs::copy(BuildDir() + "/Usr", dir / "Usr", fs::copy_options::recursive);
  fs::create_directories(dir / "home");
  for (const char* item : {"Kernel", "index.cmml"}) fs::create_symlink(fs::canonical(BuildDir() + "/" + item), dir / "home" / item);
  fs::create_directory_symlink(dir / "Usr", dir / "home" / "Usr");
  Write(dir / "keys.txt", "5 down F6\n6 up F6\n8 down F8\n9 up F8\n30 down F9\n31 up F9\n");
  RunResult r = RunRuvel("--home " + (dir / "home").string() + " --headless --fixed-clock --frames 40 --input " +
                         (dir / "keys.txt").string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  int png = 0;
  int gif = 0;
  for (const auto& e : fs::directory_iterator(dir / "Usr" / "captures")) {
    std::string name = e.path().filename().string();
    EXPECT_EQ(name.rfind("capture-", 0), 0u) << name;
    if (e.path().extension() == ".png") {
      ++png;
      EXPECT_EQ(Screenshot(e.path()).height, 381);
    }
    if (e.path().extension() == ".gif") {
      ++gif;
      ExpectWholeFirstImageAndTrueDelays(e.path(), -1);
      ruvel::TGifFrames frames;
      std::string error;
      ASSERT_TRUE(ruvel::ReadGifFrames(e.path().string(), frames, error)) << error;
      // The picture at F8, then every second frame up to F9.
      EXPECT_EQ(frames.pictures.size(), 12u);
    }
  }
  EXPECT_EQ(png, 1);
  EXPECT_EQ(gif, 1);
}

}  // namespace
