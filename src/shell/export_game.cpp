#include "shell/export_game.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "compiler/class_file.h"
#include "platform/paths.h"
#include "platform/atomic_file.h"
#include "shell/export_contents.h"
#include "shell/export_files.h"

namespace ruvel {

namespace {

namespace fs = std::filesystem;

// The packages the program needs on Debian, computed when the program was
// built (scripts/runtime-packages.sh) and installed beside it.
constexpr const char* kPackageList = "runtime-packages.txt";

// The package list beside the program (the program directory, else the
// executable's); empty when there is none.
std::vector<std::string> RuntimePackages(fs::path& file) {
  std::vector<std::string> packages;
  for (const std::string& dir : {ProgramDir(), ExecutableDir()}) {
    file = fs::path(dir) / kPackageList;
    std::ifstream in(file);
    std::string line;
    while (in && std::getline(in, line)) {
      line.erase(0, line.find_first_not_of(" \t"));
      line.erase(line.find_last_not_of(" \t\r") + 1);
      if (!line.empty() && line[0] != '#') packages.push_back(line);
    }
    if (!packages.empty()) return packages;
  }
  file = fs::path(ProgramDir()) / kPackageList;
  return packages;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

// Starts the game; first names the packages that are missing (when the
// system keeps a Debian package database) and the command that installs
// them, instead of the loader's message about one library.
std::string StartScript(const std::vector<std::string>& packages) {
  return "#!/bin/sh\n"
         "# Starts the game: the program, its kernel and the game are in this folder.\n"
         "here=$(cd \"$(dirname \"$0\")\" && pwd)\n"
         "packages=\"" + Joined(packages) + "\"\n"
         "if command -v dpkg-query >/dev/null 2>&1; then\n"
         "  installed=\" $(dpkg-query -W -f='${Package} ${Status}\\n' $packages 2>/dev/null |\n"
         "    awk '/ install ok installed$/ {printf \"%s \", $1}')\"\n"
         "  missing=\"\"\n"
         "  for p in $packages; do\n"
         "    case \"$installed\" in *\" $p \"*) ;; *) missing=\"$missing $p\" ;; esac\n"
         "  done\n"
         "  if [ -n \"$missing\" ]; then\n"
         "    echo \"このゲームに必要なパッケージがありません (missing packages):$missing\" >&2\n"
         "    echo \"インストールするには (to install them): sudo apt install$missing\" >&2\n"
         "    exit 1\n"
         "  fi\n"
         "fi\n"
         "exec \"$here/ruvel\" --home \"$here\" \"$@\"\n";
}

std::string Readme(const std::vector<std::string>& packages) {
  std::string text =
      "This folder holds a game and the program that plays it.\n"
      "\n"
      "    ./start.sh                 # play\n"
      "    ./start.sh FULLSCREEN      # play on the whole screen\n"
      "\n"
      "It runs on Debian 12 (or a system with the same libraries) with these\n"
      "packages installed (start.sh names the missing ones):\n"
      "\n"
      "    sudo apt install";
  size_t column = 20;
  for (const std::string& p : packages) {
    if (column + p.size() > 72) {
      text += " \\\n       ";
      column = 7;
    }
    text += " " + p;
    column += p.size() + 1;
  }
  return text + "\n\n" + kPackedListFile + " lists the game's files.\n";
}

}  // namespace

bool ExportGame(const std::string& projectDir, const std::string& outDir, bool noSources, std::string& error) {
  std::error_code ec;
  fs::path project = fs::path(projectDir);
  fs::path target = fs::path(outDir);
  if (!fs::exists(project / "default.ruvelprj", ec)) {
    error = projectDir + ": no default.ruvelprj";
    return false;
  }
  if (!OutsideProject(project, target, error)) return false;
  fs::path targetAbs = fs::absolute(target).lexically_normal();
  if (targetAbs.filename().empty()) targetAbs = targetAbs.parent_path();
  fs::path archive = targetAbs.parent_path() / (targetAbs.filename().string() + ".tar.gz");
  if (!CheckExportTarget(target, archive, error)) return false;
  fs::path packageList;
  std::vector<std::string> packages = RuntimePackages(packageList);
  if (packages.empty()) {
    error = packageList.string() + ": the list of the packages the program needs is missing "
            "(scripts/runtime-packages.sh makes it)";
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
  fs::create_directories(out, ec);
  if (!ec) fs::copy_file(self, out / "ruvel", fs::copy_options::overwrite_existing, ec);
  if (!ec) CopyTree(fs::path(ProgramDir()) / "Kernel", out / "Kernel", {"Cookies.ini"}, ec);
  fs::path tones = ExportedTonesFile(project);
  if (!ec && !tones.empty()) fs::copy_file(tones, out / "tones.wdt", ec);
  if (!ec) fs::copy_file(packageList, out / kPackageList, ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  // The game stands where the program's own project stands.
  std::vector<std::string> packed;
  if (!CopyProjectFiles(project, out / "Usr", packed, error) || !MarkExportedGame(project, out, error)) {
    return false;
  }
  if (!WriteFileAtomic((out / "start.sh").string(), StartScript(packages)) ||
      !WriteFileAtomic((out / "README.txt").string(), Readme(packages))) {
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
    std::erase_if(packed, [&](const std::string& rel) { return !fs::exists(out / "Usr" / rel); });
    if (!WriteFileAtomic((out / "Temp" / kShippedMarker).string(), "class sources were left out\n")) {
      error = outDir + ": cannot be written";
      return false;
    }
  }
  if (!ReportPackedFiles(packed, "Usr/", out / kPackedListFile, target / kPackedListFile, error)) return false;
  std::string base = work.BaseName();
  if (!RunProgram({"tar", "-czf", (work.Dir() / (base + ".tar.gz")).string(), "-C", work.Dir().string(), "--", base},
                  true)) {
    error = "tar could not pack " + outDir;
    return false;
  }
  return work.Finish(true, error);
}

}  // namespace ruvel
