// Projects of one's own: a starter project made with --new-project runs
// with --project and plays through --input; --export makes a folder that
// runs by its start script, with or without class sources; an installed
// program finds its data without --home.
#include <algorithm>
#include <vector>

#include "integration/integration_fixture.h"

namespace {

using namespace it;

// Apple-red pixels in a box around (x, y).
int Gold(const ruvel::TPixelImage& img, int x, int y) {
  int n = 0;
  for (int yy = y - 10; yy < y + 10; ++yy) {
    for (int xx = x - 10; xx < x + 10; ++xx) {
      uint32_t c = img.At(xx, yy);
      n += ((c >> 16) & 0xff) >= 140 && ((c >> 8) & 0xff) <= 50 && (c & 0xff) <= 50;
    }
  }
  return n;
}

class ProjectTest : public IntegrationTest {
 protected:
  void MakeProject() {
    RunResult r = RunRuvel("--new-project " + (dir / "game").string(), "LANG=C LC_ALL= LC_MESSAGES=");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("ruvel --project " + (dir / "game").string()), std::string::npos) << r.output;
    // Z starts the game, then the hero walks right 160 and up 80 pixels,
    // onto the apple at (440, 120), which scores and jumps elsewhere.
    Write(dir / "walk.txt", "5 down Z\n8 up Z\n10 down RIGHT\n64 up RIGHT\n64 down UP\n91 up UP\n");
  }
};

TEST_F(ProjectTest, AStarterProjectRunsAndPlays) {
  MakeProject();
  // Every text is UTF-8 and reads as its Shift_JIS form does: the pages
  // drawn from a copy converted to Shift_JIS are the same pictures.
  for (const char* f : {"default.ruvelprj", "title.cmml", "play.cmml", "classes/Title.ruvel", "classes/Hero.ruvel",
                        "classes/Apple.ruvel", "README.md"}) {
    EXPECT_EQ(std::system(("iconv -f UTF-8 -t UTF-8 " + (dir / "game" / f).string() + " >/dev/null").c_str()), 0) << f;
  }
  for (const char* f : {"images/sheet.bmp", "sounds/catch.wav", "sounds/hit.wav"}) {
    EXPECT_EQ(std::system(("cmp -s " + (dir / "game" / f).string() + " " + ruvel_test::TestSourceDir() + "/examples/tutorial/" + f).c_str()), 0)
        << f << " is the tutorial's";
  }
  std::string sjis = "cp -r " + (dir / "game").string() + " " + (dir / "sjis").string() + " && cd " + (dir / "sjis").string() +
                     " && for f in *.cmml *.ruvelprj classes/*.ruvel; do iconv -f UTF-8 -t CP932 $f >t && mv t $f; done";
  ASSERT_EQ(std::system(sjis.c_str()), 0);
  for (const char* page : {"title.cmml", "play.cmml"}) {
    for (const char* copy : {"game", "sjis"}) {
      RunResult r = RunRuvel("--project " + (dir / copy).string() + " " + page + " --headless --fixed-clock --frames 3 --screenshot " +
                             (dir / (std::string(copy) + ".png")).string());
      ASSERT_EQ(r.exitCode, 0) << r.output;
      EXPECT_EQ(r.output, "") << copy << " " << page;
    }
    EXPECT_EQ(std::system(("cmp -s " + (dir / "game.png").string() + " " + (dir / "sjis.png").string()).c_str()), 0) << page;
  }
  RunResult again = RunRuvel("--new-project " + (dir / "game").string(), "LANG=C LC_ALL=");
  EXPECT_EQ(again.exitCode, 1) << "an existing project is never overwritten";

  fs::path before = dir / "before.png";
  RunResult r = RunRuvel("--project " + (dir / "game").string() + " --headless --fixed-clock --frames 30 --input " +
                         (dir / "walk.txt").string() + " --screenshot " + before.string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.output, "");
  EXPECT_GT(Gold(Screenshot(before), 440, 120), 20) << "the apple waits at (440, 120)";
  fs::path after = dir / "after.png";
  r = RunRuvel("--project " + (dir / "game").string() + " --headless --fixed-clock --frames 100 --input " +
               (dir / "walk.txt").string() + " --screenshot " + after.string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(Gold(Screenshot(after), 440, 120), 0) << "the hero caught the apple";
  // The project keeps its own class caches.
  EXPECT_TRUE(fs::exists(dir / "game" / "Temp"));
  // A page of the project by name.
  r = RunRuvel("--project " + (dir / "game").string() + " play.cmml --headless --fixed-clock --frames 3 --screenshot " +
               (dir / "play.png").string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_GT(Gold(Screenshot(dir / "play.png"), 120, 300), 20) << "the play page at once";

  // Design mode on a project of one's own saves into the project's page.
  Write(dir / "drag.txt", "5 move 280 200\n5 press left 280 200\n6 move 330 241\n8 release left 330 241\n"
                          "10 down CONTROL\n10 down S\n11 up S\n11 up CONTROL\n");
  r = RunRuvel("--project " + (dir / "game").string() + " --design play.cmml --headless --fixed-clock --frames 20 --input " +
               (dir / "drag.txt").string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  std::ifstream saved(dir / "game" / "play.cmml");
  std::string page((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_NE(page.find("name=\"$hero\" inst_x=\"328\" inst_y=\"240\""), std::string::npos) << page;

  r = RunRuvel("--project " + (dir / "nothing").string(), "LANG=C LC_ALL= LC_MESSAGES=");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.output.find("default.ruvelprj is missing"), std::string::npos) << r.output;

  // The folder itself as the file runs it as the project; a folder without
  // a project is refused, and nothing is written beside it.
  for (const std::string how : {"--project ", ""}) {
    r = RunRuvel(how + (dir / "game").string() + " --headless --fixed-clock --frames 30 --input " + (dir / "walk.txt").string() +
                 " --screenshot " + (dir / (how.empty() ? "folder.png" : "project.png")).string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
  }
  EXPECT_EQ(std::system(("cmp -s " + (dir / "folder.png").string() + " " + (dir / "project.png").string()).c_str()), 0);
  fs::create_directories(dir / "empty" / "inner");
  r = RunRuvel((dir / "empty" / "inner").string() + " --headless --frames 3", "LANG=C LC_ALL= LC_MESSAGES=");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.output.find("default.ruvelprj is missing"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(dir / "empty" / "default.ruvelprj"));
}

std::string FileText(const fs::path& path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST_F(ProjectTest, AnExportedGameRunsByItsStartScript) {
  MakeProject();
  // What nothing in the game names stays behind.
  Write(dir / "game" / "replay.txt", "5 down Z\n");
  Write(dir / "game" / "design-notes.txt", "notes\n");
  fs::create_directories(dir / "game" / "captures");
  Write(dir / "game" / "captures" / "shot.png", "png");
  for (bool sources : {true, false}) {
    fs::path out = dir / (sources ? "shipped" : "bare");
    RunResult r = RunRuvel("--export " + (dir / "game").string() + " " + out.string() + (sources ? "" : " --no-sources"));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(fs::exists(out.string() + ".tar.gz"));
    EXPECT_TRUE(fs::exists(out / "Temp")) << "classes compiled in advance";
    EXPECT_EQ(fs::exists(out / "Usr" / "classes" / "Hero.ruvel"), sources);
    EXPECT_TRUE(fs::exists(out / "Usr" / "images" / "sheet.bmp")) << "the page's pattern sheet";
    for (const char* left : {"replay.txt", "design-notes.txt", "captures", "README.md"}) {
      EXPECT_FALSE(fs::exists(out / "Usr" / left)) << left;
    }
    EXPECT_TRUE(fs::exists(out / "exported-game.txt")) << "the development menus are hidden";
    std::string listed = FileText(out / "packed-files.txt");
    EXPECT_NE(listed.find("Usr/play.cmml\n"), std::string::npos) << listed;
    EXPECT_EQ(listed.find("Usr/classes/Hero.ruvel") != std::string::npos, sources) << listed;
    EXPECT_NE(r.output.find("Usr/images/sheet.bmp"), std::string::npos) << "the export prints what it packed";
    fs::path png = dir / "exported.png";
    std::string cmd = "timeout 120 " + (out / "start.sh").string() + " --headless --fixed-clock --frames 100 --input " +
                      (dir / "walk.txt").string() + " --screenshot " + png.string() + " 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(Gold(Screenshot(png), 440, 120), 0) << (sources ? "with sources" : "without sources");
  }
  RunResult r = RunRuvel("--export " + (dir / "game").string() + " " + (dir / "shipped").string());
  EXPECT_EQ(r.exitCode, 1) << "a folder that is not empty is refused";

  // The packages the program loads, its own dlopen ones (SDL2, SDL2_ttf)
  // and the font included, are in the README; start.sh names those the
  // package database lacks (here: a database that has none).
  std::string readme = FileText(dir / "shipped" / "README.txt");
  for (const char* p : {"libsdl2-2.0-0", "libsdl2-ttf-2.0-0", "libfreetype6", "fonts-ipafont-gothic", "libpng16-16"}) {
    EXPECT_NE(readme.find(p), std::string::npos) << p << "\n" << readme;
  }
  EXPECT_EQ(readme.find(" libc6"), std::string::npos) << "every Debian system has libc6";
  fs::create_directories(dir / "bin");
  Write(dir / "bin" / "dpkg-query", "#!/bin/sh\nexit 1\n");
  fs::permissions(dir / "bin" / "dpkg-query", fs::perms::owner_all);
  std::string cmd = "PATH=" + (dir / "bin").string() + ":$PATH " + (dir / "shipped" / "start.sh").string() +
                    " --headless --frames 1 >" + (dir / "refused.txt").string() + " 2>&1";
  EXPECT_NE(std::system(cmd.c_str()), 0) << "start.sh went on without its packages";
  std::string refused = FileText(dir / "refused.txt");
  EXPECT_NE(refused.find("sudo apt install"), std::string::npos) << refused;
  EXPECT_NE(refused.find("libsdl2-ttf-2.0-0"), std::string::npos) << refused;
}

// An output folder inside the project would be copied into itself without
// end: both exports refuse it, however it is spelled, and leave nothing.
TEST_F(ProjectTest, AnExportIntoItsOwnProjectIsRefused) {
  MakeProject();
  fs::create_directory_symlink(dir / "game", dir / "link");
  const std::string game = (dir / "game").string();
  const std::string inside[] = {game + "/shipped", game, game + "/", game + "/images/../deep/site",
                                (dir / "link" / "out").string()};
  for (const std::string& out : inside) {
    for (const std::string& how : {"--export " + game + " " + out, "--export-web " + out + " " + game}) {
      RunResult r = RunRuvel(how, "LANG=ja_JP.UTF-8 LC_ALL= LC_MESSAGES=");
      EXPECT_EQ(r.exitCode, 1) << how << "\n" << r.output;
      EXPECT_NE(r.output.find("プロジェクトの外のフォルダを指定してください"), std::string::npos) << how << "\n" << r.output;
    }
  }
  EXPECT_FALSE(fs::exists(dir / "game" / "shipped"));
  EXPECT_FALSE(fs::exists(dir / "game" / "deep"));
  EXPECT_FALSE(fs::exists(dir / "game" / "out"));
  EXPECT_FALSE(fs::exists(dir / "game" / "Usr")) << "nothing copied into the project itself";

  // A folder beside the project whose name only begins like it is fine.
  RunResult r = RunRuvel("--export " + game + " " + game + "2", "LANG=C LC_ALL= LC_MESSAGES=");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(fs::exists(dir / "game2" / "start.sh"));
}

// A folder that holds anything, a link to a folder inside it, the folder
// itself a link: --new-project refuses each and changes nothing.
TEST_F(ProjectTest, ANewProjectNeverReplacesWhatIsThere) {
  fs::create_directories(dir / "mine" / "classes");
  Write(dir / "mine" / "README.md", "my notes\n");
  Write(dir / "mine" / "classes" / "Hero.ruvel", "my hero\n");
  fs::create_directories(dir / "linked");
  fs::create_directories(dir / "elsewhere");
  Write(dir / "elsewhere" / "Hero.ruvel", "kept\n");
  fs::create_directory_symlink(dir / "elsewhere", dir / "linked" / "classes");
  fs::create_directories(dir / "empty");
  fs::create_directory_symlink(dir / "empty", dir / "alias");
  Write(dir / "plain", "a file\n");
  for (const char* name : {"mine", "linked", "alias", "plain"}) {
    RunResult r = RunRuvel("--new-project " + (dir / name).string(), "LANG=C LC_ALL= LC_MESSAGES=");
    EXPECT_EQ(r.exitCode, 1) << name << "\n" << r.output;
    EXPECT_NE(r.output.find((dir / name).string() + " already holds files"), std::string::npos) << r.output;
  }
  EXPECT_EQ(FileText(dir / "mine" / "README.md"), "my notes\n");
  EXPECT_EQ(FileText(dir / "mine" / "classes" / "Hero.ruvel"), "my hero\n");
  EXPECT_FALSE(fs::exists(dir / "mine" / "default.ruvelprj"));
  EXPECT_EQ(FileText(dir / "elsewhere" / "Hero.ruvel"), "kept\n");
  EXPECT_TRUE(fs::is_empty(dir / "empty")) << "nothing written through the link";
  EXPECT_EQ(FileText(dir / "plain"), "a file\n");
  // An empty folder is taken.
  RunResult r = RunRuvel("--new-project " + (dir / "empty").string());
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(fs::exists(dir / "empty" / "classes" / "Hero.ruvel"));
}

// Names left in dir's parent other than the ones given: a failed export
// leaves no partial folder behind.
std::vector<std::string> Leftovers(const fs::path& dir, const std::vector<std::string>& known) {
  std::vector<std::string> out;
  for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
    std::string name = e.path().filename().string();
    if (std::find(known.begin(), known.end(), name) == known.end()) out.push_back(name);
  }
  return out;
}

// An export refuses an archive that is there (a link to another file
// included) and a link loop in the project, leaving nothing; links out of
// the project are named and left out, links inside it copied as files.
TEST_F(ProjectTest, AnExportRefusesWhatIsThereAndLeavesLinksOutside) {
  MakeProject();
  const std::string game = (dir / "game").string();
  Write(dir / "victim", "precious\n");
  fs::create_symlink(dir / "victim", dir / "out.tar.gz");
  RunResult r = RunRuvel("--export " + game + " " + (dir / "out").string(), "LANG=C LC_ALL= LC_MESSAGES=");
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_NE(r.output.find("out.tar.gz is already there"), std::string::npos) << r.output;
  EXPECT_EQ(FileText(dir / "victim"), "precious\n");
  fs::remove(dir / "out.tar.gz");

  fs::create_directory_symlink("..", dir / "game" / "images" / "up");
  for (const std::string& how : {"--export " + game + " " + (dir / "out").string(),
                                 "--export-web " + (dir / "out").string() + " " + game}) {
    r = RunRuvel(how, "LANG=C LC_ALL= LC_MESSAGES=");
    EXPECT_EQ(r.exitCode, 1) << how << "\n" << r.output;
    EXPECT_EQ(Leftovers(dir, {"game", "victim", "walk.txt"}), std::vector<std::string>()) << how;
  }
  r = RunRuvel("--export " + game + " " + (dir / "out").string(), "LANG=C LC_ALL= LC_MESSAGES=");
  EXPECT_NE(r.output.find("images/up: the link leads back into a folder that holds it"), std::string::npos)
      << r.output;
  fs::remove(dir / "game" / "images" / "up");

  // export_files carries images/: the link to pics/ inside the project is
  // copied as a file, the one to secret/ outside it is not followed.
  fs::create_directories(dir / "secret");
  Write(dir / "secret" / "id_rsa", "key\n");
  fs::create_directory_symlink("../../secret", dir / "game" / "images" / "s");
  fs::create_directories(dir / "game" / "pics");
  fs::copy_file(dir / "game" / "images" / "sheet.bmp", dir / "game" / "pics" / "b.bmp");
  fs::create_directory_symlink("../pics", dir / "game" / "images" / "in");
  std::string prj = FileText(dir / "game" / "default.ruvelprj");
  size_t params = prj.find(" </resourcelist>\n <resourcelist name=\"classes\">");
  ASSERT_NE(params, std::string::npos) << prj;
  prj.insert(params, "  <param name=\"export_files\" value=\"images\"/>\n");
  Write(dir / "game" / "default.ruvelprj", prj);
  fs::path out = dir / "-v";  // tar must take it as a name, not an option
  r = RunRuvel("--export " + game + " " + out.string(), "LANG=C LC_ALL= LC_MESSAGES=");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find("were not followed: images/s"), std::string::npos) << r.output;
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(out / "Usr" / "images" / "in" / "b.bmp"))) << r.output;
  EXPECT_FALSE(fs::is_symlink(out / "Usr" / "images" / "in"));
  EXPECT_FALSE(fs::exists(out / "Usr" / "images" / "s"));
  std::string listing = dir.string() + "/list.txt";
  ASSERT_EQ(std::system(("tar tzf " + out.string() + ".tar.gz >" + listing).c_str()), 0);
  std::string archived = FileText(listing);
  EXPECT_NE(archived.find("-v/Usr/images/in/b.bmp"), std::string::npos) << archived;
  EXPECT_EQ(archived.find("id_rsa"), std::string::npos) << archived;
}

TEST_F(ProjectTest, AnInstalledProgramFindsItsData) {
  fs::path prefix = dir / "prefix";
  std::string cmd = "cmake --install " + BuildDir() + " --prefix " + prefix.string() + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  ASSERT_TRUE(fs::exists(prefix / "bin" / "ruvel"));
  EXPECT_TRUE(fs::exists(prefix / "share" / "ruvel" / "Kernel" / "resource.ruvelres"));
  std::string ruvel = (prefix / "bin" / "ruvel").string();
  RunResult r = RunRuvel("--version", "HOME=" + dir.string());
  std::string version = "HOME=" + dir.string() + " " + ruvel + " --version";
  FILE* p = popen(version.c_str(), "r");
  char buf[64] = {};
  ASSERT_NE(p, nullptr);
  size_t n = fread(buf, 1, sizeof buf - 1, p);
  EXPECT_EQ(pclose(p), 0);
  EXPECT_EQ(std::string(buf, n), "Ruvel System Ver 1.16\n");
  fs::path png = dir / "installed.png";
  cmd = "HOME=" + dir.string() + " timeout 120 " + ruvel + " --headless --fixed-clock --frames 40 --screenshot " +
        png.string() + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  // The bundled game's title: yellow letters in the top half.
  ruvel::TPixelImage img = Screenshot(png);
  int yellow = 0;
  for (int y = 60; y < 130; ++y) {
    for (int x = 140; x < 520; ++x) yellow += (img.At(x, y) & 0xffffff) == 0xffff00;
  }
  EXPECT_GT(yellow, 200);
}

}  // namespace
