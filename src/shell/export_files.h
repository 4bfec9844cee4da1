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

// Copies a folder's files (links followed), leaving out the names given.
void CopyTree(const std::filesystem::path& from, const std::filesystem::path& to,
              const std::vector<std::string>& leaveOut, std::error_code& ec);

// Copies the project's files an export carries (ExportedProjectFiles) into
// the folder to and gives their names. False with the reason in error.
bool CopyProjectFiles(const std::filesystem::path& project, const std::filesystem::path& to,
                      std::vector<std::string>& files, std::string& error);
// Prints the packed files as they stand in the export (prefix + name) and
// writes that list to listFile.
bool ReportPackedFiles(const std::vector<std::string>& files, const std::string& prefix,
                       const std::filesystem::path& listFile, std::string& error);

// Marks the program directory dir as an exported game that hides the
// development menus, unless the project asks for them.
bool MarkExportedGame(const std::filesystem::path& project, const std::filesystem::path& dir, std::string& error);

}  // namespace ruvel
