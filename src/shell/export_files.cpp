#include "shell/export_files.h"

namespace ruvel {

namespace fs = std::filesystem;

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
