// What the exports (--export, --export-web) share: running a program and
// copying a folder.
#pragma once
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace ruvel {

// Runs a program with arguments and waits; true when it exited with 0.
// searchPath: look the program up in PATH.
bool RunProgram(const std::vector<std::string>& args, bool searchPath);

// False, with the reason in the user's language in error, when out is the
// project folder or lies inside it: the copy of the project would then
// contain itself and grow without end.
bool OutsideProject(const std::filesystem::path& project, const std::filesystem::path& out, std::string& error);

// False, with the reason in error, when out is a link, is not a folder or
// holds anything, or when archive (unless empty) is already there, even as
// a dangling link: an export never replaces what is there.
bool CheckExportTarget(const std::filesystem::path& out, const std::filesystem::path& archive, std::string& error);

// The folder an export is made in: beside OUT, so OUT (and OUT.tar.gz)
// appear by a rename only once complete; removed with all it holds when
// the export ends, so a failed export leaves nothing behind.
class TExportWorkDir {
 public:
  TExportWorkDir() = default;
  TExportWorkDir(const TExportWorkDir&) = delete;
  TExportWorkDir& operator=(const TExportWorkDir&) = delete;
  ~TExportWorkDir();
  bool Open(const std::filesystem::path& out, std::string& error);
  // Where OUT is built (named as OUT); its archive is made beside it.
  std::filesystem::path Build() const { return work_ / target_.filename(); }
  std::filesystem::path Dir() const { return work_; }
  std::string BaseName() const { return target_.filename().string(); }
  // Moves the folder (and its archive) to their places.
  bool Finish(bool withArchive, std::string& error);

 private:
  std::filesystem::path work_;
  std::filesystem::path target_;
};

// Copies a folder's files (links followed), leaving out the names given.
void CopyTree(const std::filesystem::path& from, const std::filesystem::path& to,
              const std::vector<std::string>& leaveOut, std::error_code& ec);

// The tone file an exported game plays with: the project's own tones.wdt
// when it has one, else the program's (empty when neither exists).
std::filesystem::path ExportedTonesFile(const std::filesystem::path& project);

// Copies the project's files an export carries (ExportedProjectFiles) into
// the folder to and gives their names; names the links it did not follow
// on stderr. False with the reason in error (a link loop among them).
bool CopyProjectFiles(const std::filesystem::path& project, const std::filesystem::path& to,
                      std::vector<std::string>& files, std::string& error);
// Prints the packed files as they stand in the export (prefix + name) and
// writes that list to listFile, named shownAs where the export will stand.
bool ReportPackedFiles(const std::vector<std::string>& files, const std::string& prefix,
                       const std::filesystem::path& listFile, const std::filesystem::path& shownAs,
                       std::string& error);

// Marks the program directory dir as an exported game that hides the
// development menus, unless the project asks for them.
bool MarkExportedGame(const std::filesystem::path& project, const std::filesystem::path& dir, std::string& error);

}  // namespace ruvel
