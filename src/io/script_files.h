// The text files scripts read and write: they live in the folder "files"
// of the current page folder, named by a bare file name (separators and
// colons are removed, so a name cannot leave the folder). Also the list of
// streams scripts opened and did not close yet, and the file operations
// behind the Object natives "fileExists", "moveFile" and "deleteFile".
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "io/buffered_stream.h"

namespace ruvel {

// The folder "files" in the current page folder (as it exists on disk when
// its letter case differs).
std::string ScriptFilesDir();
// Longest file name (in bytes, as stored) a script may give a file.
constexpr size_t kMaxScriptFileName = 255;
// Creates the folder when it is missing; false when it cannot be made.
bool EnsureScriptFilesDir();

// The name with every backslash, colon and slash removed (a double-byte
// character keeps its trail byte); the text ends at a zero byte.
std::string CleanScriptFileName(std::string_view name);
// The full path a script's file name names inside the folder. Readers and
// writers pass untitledForEmpty, so that an empty name means "untitled".
// Empty when the name leaves nothing inside the folder ("", ".", ".."),
// is longer than kMaxScriptFileName, or when the folder is a symbolic link.
std::string ScriptFilePath(std::string_view name, bool untitledForEmpty);

// Opens a script file for reading; nullptr when the name is refused or the
// file is missing or cannot be read. A symbolic link placed in the folder
// is not followed, so it cannot lead a script to a file elsewhere.
std::unique_ptr<TFileReader> OpenScriptFileReader(std::string_view name);
// Creates a script file anew (committed when the writer is closed); the
// folder is created first. nullptr when the name is refused or the file
// cannot be made; a name longer than kMaxScriptFileName is also said in a
// message box.
std::unique_ptr<TFileWriter> OpenScriptFileWriter(std::string_view name);
// The message shown when a writer could not commit its file.
std::string ScriptFileNotSavedMessage(const std::string& path);

// The Object natives' operations; each true on success. A symbolic link
// does not count as an existing file.
bool ScriptFileExists(std::string_view name);
// Renames from to to; refused when to already exists (apart from a change
// of letter case of the same file).
bool MoveScriptFile(std::string_view from, std::string_view to);
bool DeleteScriptFile(std::string_view name);

// The streams scripts opened and have not closed, owned here. Closing one
// removes and frees it; those still open when the program ends are closed
// then, so the data of a writer left open is kept.
class TOpenFiles {
 public:
  TOpenFiles() = default;
  ~TOpenFiles();
  TOpenFiles(const TOpenFiles&) = delete;
  TOpenFiles& operator=(const TOpenFiles&) = delete;

  // Takes the stream and returns it.
  TBufferedStream* Add(std::unique_ptr<TBufferedStream> stream);
  // Closes (an output stream commits its file) and frees the stream.
  // Returns false, doing nothing, when the list does not hold it.
  // committed, when given, tells whether an output stream's file now holds
  // everything written (always true for input streams).
  bool Close(TBufferedStream* stream, bool* committed = nullptr);
  bool Holds(const TBufferedStream* stream) const;
  size_t Count() const { return streams_.size(); }
  void CloseAll();

 private:
  std::vector<std::unique_ptr<TBufferedStream>> streams_;
};

TOpenFiles& OpenFiles();

}  // namespace ruvel
