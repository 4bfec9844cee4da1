// Temporary files beside a target, for saves that replace a file whole:
// the data goes into a hidden temporary file in the target's folder, which
// is renamed over the target and the folder synced, so that neither a
// crash nor a power loss leaves half a file or loses a finished save.
// A temporary file is locked while its writer lives; one left behind by a
// save that was killed is unlocked and is removed when the same target is
// saved next.
#pragma once
#include <string>

namespace ruvel {

// Longest part of the target's name kept in a temporary file's name, so
// that the temporary name stays within the file system's limit.
constexpr size_t kTempNameKeep = 200;

// The prefix of every temporary file of target: "." + name (cut to
// kTempNameKeep) + "."; mkstemp adds six characters.
std::string TempPrefixOf(const std::string& target);

// Creates and locks a new temporary file for target, with the permissions
// of the file it will replace (rw-r--r-- for a new one). Returns its
// descriptor and sets temp to its path; -1 when it cannot be made.
int CreateTempBeside(const std::string& target, std::string& temp);

// Syncs and renames temp over target, closes fd, syncs the folder and
// removes stale temporaries of target. When something failed (ok false on
// entry included) the temporary file is removed and target is untouched.
// Returns true when target now holds the data.
bool CommitTempBeside(int fd, const std::string& temp, const std::string& target, bool ok);

// Removes the temporary files of target that no live writer holds.
// Returns how many were removed.
int RemoveStaleTemps(const std::string& target);

}  // namespace ruvel
