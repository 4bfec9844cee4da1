// The natives of the file classes: "BinWriter", "BinReader",
// "ResourceReader", "ResourceWriter", "FileReader", "FileWriter" and the
// "fileExists", "moveFile" and "deleteFile" natives of "classes.lang.Object".
// Streams travel as host values in the scripts' objects and are passed
// back as argument 1.
#pragma once
#include <vector>

#include "natives/native_table.h"

namespace ruvel {

// The whole table, built when the start-up binds natives: the binary
// stream classes are bound only when the kernel has them, and the memory
// card classes only when it has "ResourceReader".
const std::vector<NativeEntry>& FileNatives();

// Parts of the table, defined in the files of their classes.
std::vector<NativeEntry> BinStreamNativeEntries();
std::vector<NativeEntry> MemoryCardNativeEntries();
std::vector<NativeEntry> ScriptFileNativeEntries();

}  // namespace ruvel
