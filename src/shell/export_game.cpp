#include "shell/export_game.h"

#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "compiler/class_file.h"
#include "platform/paths.h"
#include "platform/atomic_file.h"
#include "shell/export_files.h"

namespace ruvel {

namespace {

namespace fs = std::filesystem;

const char* const kStartScript =
    "#!/bin/sh\n"
    "# Starts the game: the program, its kernel and the game are in this folder.\n"
    "here=$(cd \"$(dirname \"$0\")\" && pwd)\n"
    "exec \"$here/ruvel\" --home \"$here\" \"$@\"\n";

const char* const kReadme =
    "This folder holds a game and the program that plays it.\n"
    "\n"
    "    ./start.sh                 # play\n"
    "    ./start.sh FULLSCREEN      # play on the whole screen\n"
    "\n"
    "It runs on Debian 12 (or a system with the same libraries) with these\n"
    "packages installed:\n"
    "\n"
    "    sudo apt install libsdl2-2.0-0 libsdl2-ttf-2.0-0 libpng16-16 libpcre2-8-0 \\\n"
    "        libfontconfig1 libgif7 fonts-ipafont-gothic\n";

}  // namespace

bool ExportGame(const std::string& projectDir, const std::string& outDir, bool noSources, std::string& error) {
  std::error_code ec;
  fs::path project = fs::path(projectDir);
  fs::path out = fs::path(outDir);
  if (!fs::exists(project / "default.ruvelprj", ec)) {
    error = projectDir + ": no default.ruvelprj";
    return false;
  }
  if (!OutsideProject(project, out, error)) return false;
  if (fs::exists(out, ec) && !fs::is_empty(out, ec)) {
    error = outDir + ": the folder is not empty";
    return false;
  }
  std::string exe = ExecutableDir();
  std::string self = ExecutablePath();
  if (self.empty()) {
    error = "the program's own file cannot be found";
    return false;
  }
  fs::create_directories(out, ec);
  if (!ec) fs::copy_file(self, out / "ruvel", fs::copy_options::overwrite_existing, ec);
  if (!ec) CopyTree(fs::path(ProgramDir()) / "Kernel", out / "Kernel", {"Cookies.ini"}, ec);
  if (!ec && fs::exists(fs::path(ProgramDir()) / "tones.wdt")) {
    fs::copy_file(fs::path(ProgramDir()) / "tones.wdt", out / "tones.wdt", ec);
  }
  // The game stands where the program's own project stands.
  if (!ec) CopyTree(project, out / "Usr", {"Temp", "captures"}, ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  if (!WriteFileAtomic((out / "start.sh").string(), kStartScript) ||
      !WriteFileAtomic((out / "README.txt").string(), kReadme)) {
    error = outDir + ": cannot be written";
    return false;
  }
  chmod((out / "start.sh").c_str(), 0755);
  chmod((out / "ruvel").c_str(), 0755);

  // Every page is opened once by the exported program itself, so its
  // classes are compiled into the export's Temp and load at once later.
  std::vector<std::string> pages;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(out / "Usr", ec)) {
    if (e.is_regular_file() && e.path().extension() == ".cmml") pages.push_back(e.path().string());
  }
  std::string home = fs::absolute(out).string();
  for (const std::string& page : pages) {
    if (!RunProgram({home + "/ruvel", "--home", home, "--headless", "--fixed-clock", "--frames", "2", page}, false)) {
      error = page + ": the exported program could not open the page";
      return false;
    }
  }
  if (noSources) {
    std::vector<fs::path> sources;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(out / "Usr", ec)) {
      if (e.is_regular_file() && e.path().extension() == ".ruvel") sources.push_back(e.path());
    }
    for (const fs::path& p : sources) fs::remove(p, ec);
    if (!WriteFileAtomic((out / "Temp" / kShippedMarker).string(), "class sources were left out\n")) {
      error = outDir + ": cannot be written";
      return false;
    }
  }
  fs::path parent = fs::absolute(out).parent_path();
  std::string base = fs::absolute(out).filename().string();
  if (!RunProgram({"tar", "-czf", (parent / (base + ".tar.gz")).string(), "-C", parent.string(), base}, true)) {
    error = "tar could not pack " + outDir;
    return false;
  }
  return true;
}

}  // namespace ruvel
