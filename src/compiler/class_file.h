// Compiled class files: where a class's file lives in "Temp" under the
// program directory, the stamp that tells whether the source changed since,
// and writing and reading a class record (members, methods with their code,
// class code) in the binary class-file layout.
#pragma once
#include <cstdint>
#include <string>

namespace ruvel {

class TRTTI;

// Magic number at the start of every class file.
constexpr int32_t kClassFileMagic = 11600;

// Temp/_116c<name> under the program directory, where <name> is the source
// path relative to the program directory with every ".." turned into "@"
// and every character but "@", ASCII letters, digits and "_" dropped.
// Creates Temp when it is missing.
std::string ClassFilePath(const TRTTI& cls);

// The 32-bit stamp of a source file written into its class file; 0 when
// the file cannot be found.
uint32_t SourceStamp(const std::string& sourcePath);

// Reads the class file into cls, starting from an uncompiled record, and
// links its code. True when the class is now compiled. False when the file
// is missing, has the wrong magic, was written for another state of the
// source, or names a parent that is not compiled yet. Raises "親クラス" +
// name + "はありません。" for a parent that does not exist, "クラスファイル" +
// class + "は壊れています。" for a damaged file, and the link errors. On false
// or an error the record is left uncompiled with its parent as before, so
// the class can be compiled from source.
bool LoadClassFile(TRTTI& cls, const std::string& file);
// A file of this name in a class-file folder says its game was shipped
// without sources: there a class whose source is missing loads from its
// class file alone.
extern const char* const kShippedMarker;

// Writes cls's class file. The bytes go to a temporary file in the same
// directory, which is then renamed over file, so a crash never leaves half
// a class file. A file that cannot be written is logged and skipped: the
// class is compiled again next time.
void SaveClassFile(TRTTI& cls, const std::string& file);

}  // namespace ruvel
