#include "shell/export_files.h"

#include <algorithm>

#include "shell/cli_text.h"

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

}  // namespace ruvel
