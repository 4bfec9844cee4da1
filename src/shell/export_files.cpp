#include "shell/export_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>
#include <exception>

#include <fcntl.h>
#include <stdio.h>

#include "platform/atomic_file.h"
#include "platform/paths.h"
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
    if (e.is_directory(ec)) {
      CopyTree(e.path(), to / name, leaveOut, ec);
    } else if (!ec && e.is_regular_file(ec)) {
      fs::copy_file(e.path(), to / name, fs::copy_options::overwrite_existing, ec);
    }
    if (ec) return;
  }
}

fs::path ExportedTonesFile(const fs::path& project) {
  std::error_code ec;
  if (fs::exists(project / "tones.wdt", ec)) return project / "tones.wdt";
  if (fs::exists(fs::path(ProgramDir()) / "tones.wdt", ec)) return fs::path(ProgramDir()) / "tones.wdt";
  return {};
}

bool CopyProjectFiles(const fs::path& project, const fs::path& to, std::vector<std::string>& files,
                      std::string& error) {
  std::vector<std::string> skipped;
  try {
    files = ExportedProjectFiles(project.string(), &skipped);
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
  if (!skipped.empty()) {
    std::string list;
    for (const std::string& rel : skipped) list += (list.empty() ? "" : ", ") + rel;
    std::fprintf(stderr, "ruvel: %s\n", CliText(TCliText::kExportLinksSkipped, list).c_str());
  }
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

bool CheckExportTarget(const fs::path& out, const fs::path& archive, std::string& error) {
  std::error_code ec;
  fs::file_status st = fs::symlink_status(out, ec);
  if (fs::is_symlink(st)) {
    error = CliText(TCliText::kExportOutIsLink, out.string());
    return false;
  }
  if (fs::exists(st) && (!fs::is_directory(st) || !fs::is_empty(out, ec) || ec)) {
    error = out.string() + ": the folder is not empty";
    return false;
  }
  // A dangling link counts as there too: the archive would be written
  // through it.
  if (!archive.empty() && fs::exists(fs::symlink_status(archive, ec))) {
    error = CliText(TCliText::kExportArchiveExists, archive.string());
    return false;
  }
  return true;
}

TExportWorkDir::~TExportWorkDir() {
  std::error_code ec;
  if (!work_.empty()) fs::remove_all(work_, ec);
}

bool TExportWorkDir::Open(const fs::path& out, std::string& error) {
  fs::path abs = fs::absolute(out).lexically_normal();
  if (abs.filename().empty()) abs = abs.parent_path();
  target_ = abs;
  std::error_code ec;
  fs::create_directories(abs.parent_path(), ec);
  std::string pattern = (abs.parent_path() / ("." + abs.filename().string() + ".partial-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!mkdtemp(name.data())) {
    error = abs.parent_path().string() + ": " + std::strerror(errno);
    return false;
  }
  work_ = name.data();
  return true;
}

bool TExportWorkDir::Finish(bool withArchive, std::string& error) {
  std::string base = target_.filename().string();
  if (withArchive) {
    // Never replaces a file that appeared meanwhile.
    fs::path archive = target_.parent_path() / (base + ".tar.gz");
    fs::path made = work_ / (base + ".tar.gz");
#ifdef RENAME_NOREPLACE
    bool moved = renameat2(AT_FDCWD, made.c_str(), AT_FDCWD, archive.c_str(), RENAME_NOREPLACE) == 0;
#else
    // Without renameat2 a hard link gives the same guarantee: it fails on an existing name.
    bool moved = ::link(made.c_str(), archive.c_str()) == 0 && ::unlink(made.c_str()) == 0;
#endif
    if (!moved) {
      error = archive.string() + ": " + std::strerror(errno);
      return false;
    }
  }
  // rename() takes the place of an empty folder only.
  if (std::rename((work_ / base).c_str(), target_.c_str()) != 0) {
    error = target_.string() + ": " + std::strerror(errno);
    std::error_code ec;
    if (withArchive) fs::remove(target_.parent_path() / (base + ".tar.gz"), ec);
    return false;
  }
  return true;
}

bool ReportPackedFiles(const std::vector<std::string>& files, const std::string& prefix, const fs::path& listFile,
                       const fs::path& shownAs, std::string& error) {
  std::string list;
  for (const std::string& rel : files) list += prefix + rel + "\n";
  std::printf("%s\n%s", CliText(TCliText::kExportPacked, std::to_string(files.size()), shownAs.string()).c_str(),
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
