#include "shell/new_project.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/cp932.h"

namespace ruvel {

namespace {

namespace fs = std::filesystem;

// The starter's files. Texts are written as UTF-8 here and stored in CP932,
// the code page of scripts and markup.
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
    "  <class name=\"Coin\" src=\"classes/Coin.ruvel\">\n"
    " </resourcelist>\n"
    " <resourcelist name=\"gen\">\n"
    "  <generator className=\"Hero\" name=\"$hero\" inst_x=\"280\" inst_y=\"200\">\n"
    "  <generator className=\"Coin\" name=\"$coin1\" inst_x=\"120\" inst_y=\"120\">\n"
    "  <generator className=\"Coin\" name=\"$coin2\" inst_x=\"440\" inst_y=\"120\">\n"
    "  <generator className=\"Coin\" name=\"$coin3\" inst_x=\"120\" inst_y=\"300\">\n"
    "  <generator className=\"Coin\" name=\"$coin4\" inst_x=\"440\" inst_y=\"300\">\n"
    " </resourcelist>\n"
    "</resourcelist>\n";

const char* const kTitleClass =
    "// The title page: the game's name; Z or the space bar starts the game\n"
    "// once both keys have been let go.\n"
    "extends classes.game.Char;\n"
    "\n"
    "function onGenerate() {\n"
    "  ready = 0;\n"
    "  $bgcolor = 4198400;\n"
    "}\n"
    "\n"
    "function main() {\n"
    "  var page;\n"
    "  var fire;\n"
    "  while (1) {\n"
    "    fire = getkey(90) > 0 || getkey(32) > 0;\n"
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
    "  drawText(150, 100, \"はじめてのゲーム\", 65535, 32, 0);\n"
    "  drawText(170, 220, \"Z キーでスタート\", 16777215, 20, 0);\n"
    "  drawPattern(280, 300, $pat_sheet, 0, 0);\n"
    "}\n";

const char* const kHeroClass =
    "// The hero: the arrow keys move it; touching a coin scores 10 points.\n"
    "extends classes.game.Char;\n"
    "\n"
    "function onGenerate() {\n"
    "  p = $pat_sheet;\n"
    "  $score = 0;\n"
    "  $coins = new Array();\n"
    "}\n"
    "\n"
    "function main() {\n"
    "  var c;\n"
    "  while (1) {\n"
    "    if (getkey(37) > 0) x = x - 3;\n"
    "    if (getkey(39) > 0) x = x + 3;\n"
    "    if (getkey(38) > 0) y = y - 3;\n"
    "    if (getkey(40) > 0) y = y + 3;\n"
    "    for (c in $coins) {\n"
    "      if (crash(c)) {\n"
    "        $score = $score + 10;\n"
    "        c.x = 40 + rnd(480);\n"
    "        c.y = 40 + rnd(300);\n"
    "      }\n"
    "    }\n"
    "    suspend();\n"
    "  }\n"
    "}\n"
    "\n"
    "function draw() {\n"
    "  drawPattern(x, y, p, 0, 0);\n"
    "  drawText(10, 6, \"スコア \" + $score, 16777215, 16, 0);\n"
    "}\n";

const char* const kCoinClass =
    "// A coin waiting to be picked up; the hero moves it when it touches it.\n"
    "extends classes.game.Char;\n"
    "\n"
    "function onGenerate() {\n"
    "  p = $pat_sheet + 1;\n"
    "  depth = 1;\n"
    "  $coins.add(this);\n"
    "}\n";

const char* const kReadme =
    "# はじめてのゲーム\n"
    "\n"
    "A starter project: a title page and a play page where the arrow keys\n"
    "move a hero that picks up coins.\n"
    "\n"
    "    ruvel --project .            # play (from this folder)\n"
    "    ruvel --project . --design play.cmml   # place objects with the mouse\n"
    "\n"
    "- `default.ruvelprj` lists the pages and the parameters (title, main page).\n"
    "- `title.cmml`, `play.cmml` are the pages: their classes, patterns and the\n"
    "  objects placed on them (generators).\n"
    "- `classes/*.ruvel` are the scripts; `images/sheet.bmp` is the pattern sheet:\n"
    "  every pattern sits in a one-pixel frame of the colour of the sheet's\n"
    "  top-left corner, which is also the transparent colour.\n";

// A pattern sheet of two 16 x 16 patterns, each framed in magenta on white
// with white around the frames (the sheet's corner pixel is its background).
std::string StarterSheet() {
  constexpr int kW = 42;
  constexpr int kH = 22;
  std::vector<uint32_t> px(kW * kH, 0xFFFFFF);
  auto set = [&](int x, int y, uint32_t c) { px[size_t(y) * kW + size_t(x)] = c; };
  for (int n = 0; n < 2; ++n) {
    int left = 2 + n * 20;
    constexpr int top = 2;
    for (int i = 0; i < 18; ++i) {
      set(left + i, top, 0xFF00FF);
      set(left + i, top + 17, 0xFF00FF);
      set(left, top + i, 0xFF00FF);
      set(left + 17, top + i, 0xFF00FF);
    }
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        double u = (x + 0.5) / 8 - 1;
        double v = (y + 0.5) / 8 - 1;
        double r = u * u + v * v;
        uint32_t c = 0xFF00FF;
        if (n == 0) {
          // The hero: a blue ball with two eyes.
          if (r < 0.9) c = 0x3070E0;
          if ((u + 0.3) * (u + 0.3) + (v + 0.2) * (v + 0.2) < 0.04) c = 0xFFFFFF;
          if ((u - 0.3) * (u - 0.3) + (v + 0.2) * (v + 0.2) < 0.04) c = 0xFFFFFF;
        } else if (r < 0.6) {
          // A coin: gold with a lighter middle.
          c = r < 0.2 ? 0xFFF080 : 0xF0C020;
        }
        set(left + 1 + x, top + 1 + y, c);
      }
    }
  }
  // A 24-bit BMP, rows from the bottom, each padded to four bytes.
  int rowBytes = (kW * 3 + 3) & ~3;
  uint32_t imageSize = uint32_t(rowBytes * kH);
  std::string bmp;
  auto u16 = [&](uint32_t v) { bmp += char(v & 0xFF), bmp += char((v >> 8) & 0xFF); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  bmp += "BM";
  u32(54 + imageSize);
  u32(0);
  u32(54);
  u32(40);
  u32(kW);
  u32(kH);
  u16(1);
  u16(24);
  u32(0);
  u32(imageSize);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  for (int y = kH - 1; y >= 0; --y) {
    for (int x = 0; x < kW; ++x) {
      uint32_t c = px[size_t(y) * kW + size_t(x)];
      bmp += char(c & 0xFF);
      bmp += char((c >> 8) & 0xFF);
      bmp += char((c >> 16) & 0xFF);
    }
    bmp.append(size_t(rowBytes - kW * 3), '\0');
  }
  return bmp;
}

}  // namespace

bool WriteStarterProject(const std::string& dir, std::string& error) {
  std::error_code ec;
  if (fs::exists(fs::path(dir) / "default.ruvelprj", ec)) {
    error = dir + ": a project is already there (default.ruvelprj)";
    return false;
  }
  fs::create_directories(fs::path(dir) / "classes", ec);
  fs::create_directories(fs::path(dir) / "images", ec);
  if (ec) {
    error = dir + ": " + ec.message();
    return false;
  }
  struct TFile {
    const char* name;
    std::string bytes;
  } files[] = {
      {"default.ruvelprj", Utf8ToCp932(kProjectFile)},
      {"title.cmml", Utf8ToCp932(kTitlePage)},
      {"play.cmml", Utf8ToCp932(kPlayPage)},
      {"classes/Title.ruvel", Utf8ToCp932(kTitleClass)},
      {"classes/Hero.ruvel", Utf8ToCp932(kHeroClass)},
      {"classes/Coin.ruvel", Utf8ToCp932(kCoinClass)},
      {"README.md", kReadme},
      {"images/sheet.bmp", StarterSheet()},
  };
  for (const TFile& f : files) {
    std::string path = dir + "/" + f.name;
    if (!WriteFileAtomic(path, f.bytes)) {
      error = path + ": cannot be written";
      return false;
    }
  }
  return true;
}

}  // namespace ruvel
