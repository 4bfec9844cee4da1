#include "shell/new_project.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include "shell/cli_text.h"

namespace ruvel {

namespace {

namespace fs = std::filesystem;

// The starter's files, written as they stand here (UTF-8).
const char* const kProjectFile =
    "<resourcelist name=\"project\">\n"
    " <resourcelist name=\"pages\">\n"
    "  <page name=\"$page_title\" src=\"title.cmml\"/>\n"
    "  <page name=\"$page_play\" src=\"play.cmml\"/>\n"
    " </resourcelist>\n"
    " <resourcelist name=\"params\">\n"
    "  <param name=\"mainPage\" value=\"$page_title\"/>\n"
    "  <param name=\"title\" value=\"はじめてのゲーム\"/>\n"
    "  <param name=\"version\" value=\" 0.1\"/>\n"
    " </resourcelist>\n"
    " <resourcelist name=\"classes\">\n"
    " </resourcelist>\n"
    "</resourcelist>\n";

const char* const kTitlePage =
    "<resourcelist name=\"usr\">\n"
    " <resourcelist name=\"patterns\">\n"
    "  <cpattern name=\"$pat_sheet\" src=\"images/sheet.bmp\">\n"
    " </resourcelist>\n"
    " <resourcelist name=\"classes\">\n"
    "  <class name=\"Title\" src=\"classes/Title.ruvel\">\n"
    " </resourcelist>\n"
    " <resourcelist name=\"gen\">\n"
    "  <generator className=\"Title\" name=\"$title\" inst_x=\"280\" inst_y=\"120\">\n"
    " </resourcelist>\n"
    "</resourcelist>\n";

const char* const kPlayPage =
    "<resourcelist name=\"usr\">\n"
    " <resourcelist name=\"patterns\">\n"
    "  <cpattern name=\"$pat_sheet\" src=\"images/sheet.bmp\">\n"
    " </resourcelist>\n"
    " <resourcelist name=\"classes\">\n"
    "  <class name=\"Hero\" src=\"classes/Hero.ruvel\">\n"
    "  <class name=\"Apple\" src=\"classes/Apple.ruvel\">\n"
    " </resourcelist>\n"
    " <resourcelist name=\"gen\">\n"
    "  <generator className=\"Hero\" name=\"$hero\" inst_x=\"280\" inst_y=\"200\">\n"
    "  <generator className=\"Apple\" name=\"$apple1\" inst_x=\"120\" inst_y=\"120\">\n"
    "  <generator className=\"Apple\" name=\"$apple2\" inst_x=\"440\" inst_y=\"120\">\n"
    "  <generator className=\"Apple\" name=\"$apple3\" inst_x=\"120\" inst_y=\"300\">\n"
    "  <generator className=\"Apple\" name=\"$apple4\" inst_x=\"440\" inst_y=\"300\">\n"
    " </resourcelist>\n"
    "</resourcelist>\n";

const char* const kTitleClass =
    "// The title page: the game's name; Z or the space bar starts the game\n"
    "// once both keys have been let go.\n"
    "extends classes.game.Char;\n"
    "\n"
    "function onGenerate() {\n"
    "  ready = 0;\n"
    "  $bgcolor = rgb(0, 16, 64);\n"
    "}\n"
    "\n"
    "function main() {\n"
    "  var page;\n"
    "  var fire;\n"
    "  while (1) {\n"
    "    fire = getkey($KEY_Z) > 0 || getkey($KEY_SPACE) > 0;\n"
    "    if (!fire) ready = 1;\n"
    "    if (ready && fire) {\n"
    "      page = new Page();\n"
    "      page.open(\"play.cmml\");\n"
    "      ready = 0;\n"
    "    }\n"
    "    suspend();\n"
    "  }\n"
    "}\n"
    "\n"
    "function draw() {\n"
    "  drawText(150, 100, \"はじめてのゲーム\", rgb(255, 255, 0), 32, 0);\n"
    "  drawText(170, 220, \"Z キーでスタート\", rgb(255, 255, 255), 20, 0);\n"
    "  drawPattern(280, 300, $pat_sheet + 1, 0, 0);\n"
    "}\n";

const char* const kHeroClass =
    "// The hero, a basket: the arrow keys move it; catching an apple scores\n"
    "// 10 points and plays a sound.\n"
    "extends classes.game.Char;\n"
    "\n"
    "function onGenerate() {\n"
    "  p = $pat_sheet;\n"
    "  $score = 0;\n"
    "  $apples = new Array();\n"
    "  sndCatch = new SoundEffect(\"sounds/catch.wav\");\n"
    "}\n"
    "\n"
    "function main() {\n"
    "  var a;\n"
    "  while (1) {\n"
    "    if (getkey($KEY_LEFT) > 0) x = x - 3;\n"
    "    if (getkey($KEY_RIGHT) > 0) x = x + 3;\n"
    "    if (getkey($KEY_UP) > 0) y = y - 3;\n"
    "    if (getkey($KEY_DOWN) > 0) y = y + 3;\n"
    "    for (a in $apples) {\n"
    "      if (crash(a)) {\n"
    "        $score = $score + 10;\n"
    "        sndCatch.play();\n"
    "        a.x = 40 + rnd(480);\n"
    "        a.y = 40 + rnd(300);\n"
    "      }\n"
    "    }\n"
    "    suspend();\n"
    "  }\n"
    "}\n"
    "\n"
    "function draw() {\n"
    "  drawPattern(x, y, p, 0, 0);\n"
    "  drawText(10, 6, \"スコア \" + $score, rgb(255, 255, 255), 16, 0);\n"
    "}\n";

const char* const kAppleClass =
    "// An apple waiting to be caught; the hero moves it when it touches it.\n"
    "extends classes.game.Char;\n"
    "\n"
    "function onGenerate() {\n"
    "  p = $pat_sheet + 1;\n"
    "  depth = 1;\n"
    "  $apples.add(this);\n"
    "}\n";

const char* const kReadme =
    "# はじめてのゲーム\n"
    "\n"
    "A starter project: a title page and a play page where the arrow keys\n"
    "move a basket that catches apples.\n"
    "\n"
    "    ruvel --project .            # play (from this folder)\n"
    "    ruvel --project . --design play.cmml   # place objects with the mouse\n"
    "\n"
    "- `default.ruvelprj` lists the pages and the parameters (title, main page).\n"
    "- `title.cmml`, `play.cmml` are the pages: their classes, patterns and the\n"
    "  objects placed on them (generators).\n"
    "- `classes/*.ruvel` are the scripts, in UTF-8 (Shift_JIS files work too).\n"
    "- `images/sheet.bmp` is the pattern sheet: a basket, an apple, a rock and a\n"
    "  cloud, each in a one-pixel frame whose top-left pixel gives the\n"
    "  transparent colour. `sounds/catch.wav` and `sounds/hit.wav` are sound\n"
    "  effects. The tutorial (docs/tutorial.md) starts from this folder.\n";

// The sheet and the sounds, byte for byte those of the tutorial's example.
struct TStarterFile {
  const char* name;
  std::string_view bytes;
};
const TStarterFile kStarterFiles[] = {
#include "starter_files.inc"
};

// Makes a new file; never replaces one nor writes through a link.
bool WriteNewFile(const std::string& path, std::string_view bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += size_t(n);
  }
  bool ok = done == bytes.size() && fsync(fd) == 0;
  return close(fd) == 0 && ok;
}

}  // namespace

bool WriteStarterProject(const std::string& dir, std::string& error) {
  std::error_code ec;
  // Only a missing or empty folder is taken (a link to one is not): the
  // starter never replaces what the user keeps there.
  fs::file_status st = fs::symlink_status(dir, ec);
  if (fs::exists(st) && (!fs::is_directory(st) || !fs::is_empty(dir, ec) || ec)) {
    error = CliText(TCliText::kNewProjectNotEmpty, dir);
    return false;
  }
  ec.clear();
  fs::create_directories(dir, ec);
  // The subfolders are made here, so none of them can be a link.
  for (const char* sub : {"classes", "images", "sounds"}) {
    if (!ec && !fs::create_directory(fs::path(dir) / sub, ec) && !ec) {
      ec = std::make_error_code(std::errc::file_exists);
    }
  }
  if (ec) {
    error = dir + ": " + ec.message();
    return false;
  }
  // Everything is written as UTF-8, which every editor shows; the readers
  // take it as they take Shift_JIS.
  std::vector<std::pair<std::string, std::string_view>> files = {
      {"default.ruvelprj", kProjectFile},   {"title.cmml", kTitlePage},
      {"play.cmml", kPlayPage},             {"classes/Title.ruvel", kTitleClass},
      {"classes/Hero.ruvel", kHeroClass},   {"classes/Apple.ruvel", kAppleClass},
      {"README.md", kReadme},
  };
  for (const TStarterFile& f : kStarterFiles) files.emplace_back(f.name, f.bytes);
  for (const auto& [name, bytes] : files) {
    std::string path = dir + "/" + name;
    if (!WriteNewFile(path, bytes)) {
      error = path + ": cannot be written (" + std::strerror(errno) + ")";
      return false;
    }
  }
  return true;
}

}  // namespace ruvel
