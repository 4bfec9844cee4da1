#include "shell/export_web.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/paths.h"
#include "platform/atomic_file.h"
#include "platform/font_match.h"
#include "platform/web_paths.h"
#include "shell/export_contents.h"
#include "shell/export_files.h"

namespace ruvel {

namespace {

namespace fs = std::filesystem;

// Where Debian keeps the font's licence text.
constexpr const char* kFontLicence = "/usr/share/doc/fonts-ipafont-gothic/copyright";

void PutU32(std::ofstream& out, uint32_t v) {
  char b[4] = {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
  out.write(b, 4);
}

// One file in the pack: its path in the page's file system (no leading
// "/"), its modification time in whole seconds and its bytes.
bool PackFile(std::ofstream& out, const std::string& name, const fs::path& file, uint32_t mtime) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  PutU32(out, uint32_t(name.size()));
  out.write(name.data(), std::streamsize(name.size()));
  PutU32(out, mtime);
  PutU32(out, uint32_t(bytes.size()));
  out.write(bytes.data(), std::streamsize(bytes.size()));
  return bool(out);
}

// Every file under dir gets the same whole-second modification time. The
// page gives its copies that time too, so the class files' source stamps
// still match in the browser and the classes load without compiling.
void SetTimes(const fs::path& dir, time_t when, std::error_code& ec) {
  struct timespec times[2] = {{when, 0}, {when, 0}};
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(dir, ec)) {
    if (e.is_regular_file()) utimensat(AT_FDCWD, e.path().c_str(), times, 0);
  }
}

// The browser build: web/ in the program directory, else beside the program.
fs::path FindWebBuild() {
  for (const std::string& base : {ProgramDir(), ExecutableDir()}) {
    if (!base.empty() && fs::exists(fs::path(base) / "web" / "ruvel.wasm")) return fs::path(base) / "web";
  }
  return {};
}

}  // namespace

bool ExportWeb(const std::string& projectDir, const std::string& outDir, std::string& error) {
  std::error_code ec;
  fs::path project = projectDir.empty() ? fs::path(ProgramDir()) / "Usr" : fs::path(projectDir);
  fs::path target = fs::path(outDir);
  if (!fs::exists(project / "default.ruvelprj", ec)) {
    error = project.string() + ": no default.ruvelprj";
    return false;
  }
  if (!OutsideProject(project, target, error)) return false;
  if (!CheckExportTarget(target, fs::path(), error)) return false;
  fs::path web = FindWebBuild();
  if (web.empty()) {
    error = "the browser build (web/ruvel.js, web/ruvel.wasm) is not beside the program; scripts/build-web.sh makes it";
    return false;
  }
  std::string font = MatchFamily("IPAGothic", true);
  if (font.empty() || !fs::exists(kFontLicence)) {
    error = "the IPAGothic font and its licence are needed (Debian package fonts-ipafont-gothic)";
    return false;
  }
  std::string self = ExecutablePath();
  if (self.empty()) {
    error = "the program's own file cannot be found";
    return false;
  }

  // Everything is made in a folder beside OUT and moved into place at the end.
  TExportWorkDir work;
  if (!work.Open(target, error)) return false;
  fs::path out = work.Build();
  // A program directory of its own, where this program compiles the classes
  // of every page once; it becomes the page's /game folder.
  fs::create_directories(out, ec);
  fs::path stage = out / ".stage";
  if (!ec) CopyTree(fs::path(ProgramDir()) / "Kernel", stage / "Kernel", {"Cookies.ini"}, ec);
  fs::path tones = ExportedTonesFile(project);
  if (!ec && !tones.empty()) fs::copy_file(tones, stage / "tones.wdt", ec);
  std::vector<std::string> packed;
  if (ec || !CopyProjectFiles(project, stage / "Usr", packed, error) || !MarkExportedGame(project, stage, error)) {
    if (error.empty()) error = ec.message();
    return false;
  }
  time_t when = time(nullptr);
  if (!ec) SetTimes(stage, when, ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  std::vector<std::string> pages;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(stage / "Usr", ec)) {
    if (e.is_regular_file() && e.path().extension() == ".cmml") pages.push_back(e.path().string());
  }
  std::string home = fs::absolute(stage).string();
  std::string program = self;
  for (const std::string& page : pages) {
    if (!RunProgram({program, "--home", home, "--headless", "--fixed-clock", "--frames", "2", page}, false)) {
      error = page + ": the page could not be opened to compile its classes";
      return false;
    }
  }

  {
    std::ofstream pack(out / "game.pack", std::ios::binary | std::ios::trunc);
    pack.write("RVPK", 4);
    bool ok = bool(pack);
    std::vector<fs::path> files;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(stage, ec)) {
      if (e.is_regular_file()) files.push_back(e.path());
    }
    std::string game = std::string(kWebGameDir).substr(1);
    for (const fs::path& f : files) {
      std::string rel = fs::relative(f, stage, ec).generic_string();
      ok = ok && !ec && PackFile(pack, game + "/" + rel, f, uint32_t(when));
    }
    ok = ok && PackFile(pack, std::string(kWebFontFile).substr(1), font, uint32_t(when));
    pack.close();
    if (!ok || !pack) {
      error = outDir + "/game.pack: cannot be written";
      return false;
    }
  }
  fs::remove_all(stage, ec);
  // The page's file system has the game in /game, its project in /game/Usr.
  if (!ReportPackedFiles(packed, std::string(kWebGameDir) + "/Usr/", out / kPackedListFile, target / kPackedListFile, error)) return false;
  for (const char* f : {"ruvel.js", "ruvel.wasm"}) {
    if (!ec) fs::copy_file(web / f, out / f, fs::copy_options::overwrite_existing, ec);
  }
  if (!ec) fs::copy_file(kFontLicence, out / "IPA_Font_License.txt", fs::copy_options::overwrite_existing, ec);
  if (ec || !WriteFileAtomic((out / "index.html").string(), WebIndexPage())) {
    error = outDir + ": cannot be written" + (ec ? " (" + ec.message() + ")" : std::string());
    return false;
  }
  return work.Finish(false, error);
}

}  // namespace ruvel
