// A project folder's own tones.wdt through the real program: the page's
// music plays with it instead of the program's, a broken one is named once
// and the program's tables stay, and an export carries it.
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>

#include "sound_fixture.h"

namespace ruvel::test {
namespace {

namespace fs = std::filesystem;

// A program directory with the default tone file and a project folder
// "game" whose page plays one long A on tone 8 (a sine in the default file).
class ToneHome {
 public:
  explicit ToneHome(const TempDir& dir) : root(dir.path / "home"), game(dir.path / "game") {
    fs::create_directories(root);
    fs::create_directories(game);
    fs::create_symlink(fs::path(SourceDir()) / "Kernel", root / "Kernel");
    fs::create_symlink(fs::path(SourceDir()) / "tones.wdt", root / "tones.wdt");
    Write("default.ruvelprj", "<resourcelist name=\"project\">\n <resourcelist name=\"pages\">\n </resourcelist>\n"
                              " <resourcelist name=\"params\">\n </resourcelist>\n</resourcelist>\n");
    Write("page.cmml", "<resourcelist name=\"usr\">\n <resourcelist name=\"classes\">\n  <class name=\"Player\" src=\"Player.ruvel\">\n"
                       " </resourcelist>\n <resourcelist name=\"gen\">\n  <generator className=\"Player\" name=\"$o\">\n"
                       " </resourcelist>\n</resourcelist>\n");
    Write("Player.ruvel", "extends classes.game.Char;\nfunction main() {\n  var bgm;\n  bgm = new classes.snd.BGM();\n"
                          "  bgm.play(\"sine.mml\");\n  while (1) suspend();\n}\n");
    Write("sine.mml", "A t120 @8 v255 E1,0 o4 a1^1^1\n");
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream((game / name).string(), std::ios::binary) << bytes;
  }
  // Runs the page for 80 frames; the recording's samples and what was said.
  std::vector<int16_t> Run(std::string& output) const {
    std::string wav = (root / "out.wav").string();
    std::string log = (root / "run.log").string();
    std::string cmd = "timeout 120 " + BuildDir() + "/ruvel --home " + root.string() + " --project " + game.string() +
                      " page.cmml --headless --fixed-clock --frames 80 --record-audio " + wav + " >" + log + " 2>&1";
    int status = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << cmd;
    std::ifstream in(log);
    output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return ReadWav16(wav);
  }
  fs::path root;
  fs::path game;
};

// The distinct sample values once the note sounds: a square has two.
size_t Levels(const std::vector<int16_t>& s) {
  std::vector<int16_t> sorted(s.begin() + std::min<size_t>(s.size(), 25000), s.end());
  std::sort(sorted.begin(), sorted.end());
  return size_t(std::unique(sorted.begin(), sorted.end()) - sorted.begin());
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The default tone file with tone 8 turned into a square.
std::string SquareEight() {
  std::ifstream in(SourceDir() + "/tones.wdt", std::ios::binary);
  std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (int i = 0; i < 32; ++i) b[size_t(8 * 32 + i)] = char(i < 16 ? 103 : 153);
  return b;
}

TEST(ProjectTones, TheProjectsFileWinsABrokenOneIsNamedOnceAndTheProgramsStays) {
  TempDir dir;
  ToneHome home(dir);
  std::string said;
  std::vector<int16_t> program = home.Run(said);
  ASSERT_GT(program.size(), 55000u);
  EXPECT_GT(Levels(program), 10u) << "the program's sine";

  home.Write("tones.wdt", SquareEight());
  std::vector<int16_t> own = home.Run(said);
  ASSERT_GT(own.size(), 55000u);
  EXPECT_EQ(Levels(own), 2u) << "the project's square";
  EXPECT_GT(ToneEnergy(own, 25000, 55000, 440), 10 * ToneEnergy(own, 25000, 55000, 880));

  // Too short, then a FIFO: one message naming the file, the program's sine.
  home.Write("tones.wdt", SquareEight().substr(0, 3000));
  std::vector<int16_t> shortFile = home.Run(said);
  EXPECT_EQ(Count(said, "tones.wdt は音色ファイルではありません"), 1u) << said;
  EXPECT_GT(Levels(shortFile), 10u);
  fs::remove(home.game / "tones.wdt");
  ASSERT_EQ(::mkfifo((home.game / "tones.wdt").c_str(), 0600), 0);
  std::vector<int16_t> fifo = home.Run(said);
  EXPECT_EQ(Count(said, "tones.wdt は通常のファイルではありません"), 1u) << said;
  EXPECT_GT(Levels(fifo), 10u);
}

TEST(ProjectTones, AnExportCarriesTheProjectsFile) {
  TempDir dir;
  ToneHome home(dir);
  home.Write("tones.wdt", SquareEight());
  fs::path out = dir.path / "out";
  std::string cmd = "timeout 120 " + BuildDir() + "/ruvel --export " + home.game.string() + " " + out.string() + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  std::ifstream in((out / "tones.wdt").string(), std::ios::binary);
  std::string carried((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(carried == SquareEight()) << carried.size();
}

}  // namespace
}  // namespace ruvel::test
