// Writing a file so that a crash never leaves half of it: the data goes
// into a temporary file in the same directory, which is then renamed over
// the target (platform/temp_beside.h), and the folder is synced.
#pragma once
#include <functional>
#include <string>

namespace ruvel {

// Writes data to path. The file keeps the permissions of the file it
// replaces (rw-r--r-- for a new one). False when anything failed; the old
// file is then untouched and no temporary file is left behind. Stale
// temporaries of earlier, killed saves of path are removed.
bool WriteFileAtomic(const std::string& path, const std::string& data);

// Told the path and bytes of every successful WriteFileAtomic, so that a
// file watcher can tell the program's own saves from edits made outside.
// One observer at a time; an empty one removes it. The observer is owned
// here (atomic_file.cpp).
using AtomicWriteObserver = std::function<void(const std::string& path, const std::string& data)>;
void SetAtomicWriteObserver(AtomicWriteObserver observer);

}  // namespace ruvel
