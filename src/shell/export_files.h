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

// Copies a folder's files (links followed), leaving out the names given.
void CopyTree(const std::filesystem::path& from, const std::filesystem::path& to,
              const std::vector<std::string>& leaveOut, std::error_code& ec);

}  // namespace ruvel
