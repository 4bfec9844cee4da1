#include "shell/export_files.h"

#include <algorithm>
#include <cstdio>

#include "platform/atomic_file.h"
#include "shell/cli_text.h"
#include "shell/export_contents.h"

namespace ruvel {

namespace fs = std::filesystem;

bool OutsideProject(const fs::path& project, const fs::path& out, std::string& error) {
  // Both are compared with links resolved and without "." or "..", so a
  // roundabout spelling of the same place is caught too.
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(project), ec);
  fs::path o = fs::weakly_canonical(fs::absolute(out), ec);
  if (ec) return true;
  // A trailing "/" leaves an empty last element; it names no folder.
  auto end = p.end();
  if (!p.empty() && p.filename().empty()) --end;
  if (std::mismatch(p.begin(), end, o.begin(), o.end()).first != end) return true;
  error = CliText(TCliText::kExportInsideProject, out.string(), project.string());
  return false;
}

void CopyTree(const fs::path& from, const fs::path& to, const std::vector<std::string>& leaveOut,
              std::error_code& ec) {
  fs::create_directories(to, ec);
  if (ec) return;
  for (const fs::directory_entry& e : fs::directory_iterator(from, ec)) {
    std::string name = e.path().filename().string();
    bool skip = false;
    for (const std::string& l : leaveOut) skip = skip || name == l;
    if (skip) continue;
    if (e.is_directory()) {
      CopyTree(e.path(), to / name, leaveOut, ec);
    } else if (e.is_regular_file()) {
      fs::copy_file(e.path(), to / name, fs::copy_options::overwrite_existing, ec);
    }
    if (ec) return;
  }
}

bool CopyProjectFiles(const fs::path& project, const fs::path& to, std::vector<std::string>& files,
                      std::string& error) {
  files = ExportedProjectFiles(project.string());
  std::error_code ec;
  for (const std::string& rel : files) {
    fs::create_directories((to / rel).parent_path(), ec);
    if (!ec) fs::copy_file(project / rel, to / rel, fs::copy_options::overwrite_existing, ec);
    if (ec) {
      error = (project / rel).string() + ": " + ec.message();
      return false;
    }
  }
  return true;
}

bool ReportPackedFiles(const std::vector<std::string>& files, const std::string& prefix, const fs::path& listFile,
                       std::string& error) {
  std::string list;
  for (const std::string& rel : files) list += prefix + rel + "\n";
  std::printf("%s\n%s", CliText(TCliText::kExportPacked, std::to_string(files.size()), listFile.string()).c_str(),
              list.c_str());
  if (WriteFileAtomic(listFile.string(), list)) return true;
  error = listFile.string() + ": cannot be written";
  return false;
}

bool MarkExportedGame(const fs::path& project, const fs::path& dir, std::string& error) {
  if (ProjectFileParam(project.string(), kExportDevMenusParam) == "1") return true;
  std::string text = std::string("This game was exported: the development menus are hidden.\n") +
                     "Set the project parameter " + kExportDevMenusParam + " to 1 to keep them.\n";
  if (WriteFileAtomic((dir / kExportedGameMarker).string(), text)) return true;
  error = (dir / kExportedGameMarker).string() + ": cannot be written";
  return false;
}

}  // namespace ruvel
