#include "io/script_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/bregexp.h"
#include "platform/paths.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"

namespace ruvel {

std::string ScriptFilesDir() { return PathLocate(PathResolve("files", PageDir())); }

bool EnsureScriptFilesDir() {
  std::string dir = ScriptFilesDir();
  struct stat st;
  // A link in place of the folder would let scripts write elsewhere.
  if (::lstat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  return ::mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST;
}

std::string CleanScriptFileName(std::string_view name) {
  // The file system sees a name only up to its first zero byte.
  std::string text(name.substr(0, name.find('\0')));
  TBRegExp& re = GeneralRegExp();
  re.Substitute("s/\\\\//g", text);
  re.Substitute("s/://g", text);
  re.Substitute("s/\\///g", text);
  return text;
}

std::string ScriptFilePath(std::string_view name, bool untitledForEmpty) {
  std::string clean = CleanScriptFileName(name);
  if (clean.empty() && untitledForEmpty) clean = "untitled";
  if (clean.size() > kMaxScriptFileName) return "";
  std::string dir = ScriptFilesDir();
  struct stat st;
  if (::lstat(dir.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return "";
  std::string path = PathResolve(clean, dir);
  // Only a file inside the folder: "." (the folder itself) and ".." (the
  // page folder) name nothing a script may touch.
  if (path.empty() || PathSame(path, dir) || !PathIsInside(path, dir)) return "";
  return PathLocate(path);
}

std::unique_ptr<TFileReader> OpenScriptFileReader(std::string_view name) {
  std::string path = ScriptFilePath(name, true);
  int fd = OpenRegularFileForReading(path, true);
  if (fd < 0) return nullptr;
  return std::make_unique<TFileReader>(fd);
}

std::string ScriptFileNotSavedMessage(const std::string& path) {
  return J("ファイル") + PathFileName(path) + J("を保存できませんでした");
}

std::unique_ptr<TFileWriter> OpenScriptFileWriter(std::string_view name) {
  if (CleanScriptFileName(name).size() > kMaxScriptFileName) {
    ShowMessage(J("ファイル名が長すぎます（") + std::to_string(kMaxScriptFileName) + J("バイトまで）: ") +
                CleanScriptFileName(name).substr(0, 40) + "...");
    return nullptr;
  }
  if (!EnsureScriptFilesDir()) return nullptr;
  std::string path = ScriptFilePath(name, true);
  if (path.empty()) return nullptr;
  struct stat st;
  // A folder of that name cannot become a file.
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
  auto writer = std::make_unique<TFileWriter>(path);
  if (!writer->HasFile()) return nullptr;
  return writer;
}

bool ScriptFileExists(std::string_view name) { return IsRegularFileNoFollow(ScriptFilePath(name, false)); }

bool MoveScriptFile(std::string_view from, std::string_view to) {
  std::string source = ScriptFilePath(from, false);
  std::string target = ScriptFilePath(to, false);
  // Only a plain file moves; folders, FIFOs and links count as missing, as
  // for fileExists.
  if (source.empty() || target.empty() || !IsRegularFileNoFollow(source)) return false;
  // As on the system the games were made for, an existing file is not
  // replaced, but a file may be renamed to another letter case. Anything
  // already at the target (a link too, even a dangling one) is kept.
  struct stat st;
  if (::lstat(target.c_str(), &st) == 0 && target != source) return false;
  if (target == source) target = PathResolve(CleanScriptFileName(to), ScriptFilesDir());
  return ::rename(source.c_str(), target.c_str()) == 0;
}

bool DeleteScriptFile(std::string_view name) {
  std::string path = ScriptFilePath(name, false);
  // Links, FIFOs and folders are not files to a script: left in place.
  return !path.empty() && IsRegularFileNoFollow(path) && ::unlink(path.c_str()) == 0;
}

// Open-file list -------------------------------------------------------

TOpenFiles::~TOpenFiles() { CloseAll(); }

TBufferedStream* TOpenFiles::Add(std::unique_ptr<TBufferedStream> stream) {
  streams_.push_back(std::move(stream));
  return streams_.back().get();
}

bool TOpenFiles::Holds(const TBufferedStream* stream) const {
  return std::any_of(streams_.begin(), streams_.end(), [stream](const auto& s) { return s.get() == stream; });
}

bool TOpenFiles::Close(TBufferedStream* stream, bool* committed) {
  if (committed) *committed = false;
  auto it = std::find_if(streams_.begin(), streams_.end(), [stream](const auto& s) { return s.get() == stream; });
  if (it == streams_.end()) return false;
  std::unique_ptr<TBufferedStream> owned = std::move(*it);
  streams_.erase(it);
  bool ok = true;
  if (auto* out = dynamic_cast<TBufferedOutputStream*>(owned.get())) ok = out->Close();
  if (committed) *committed = ok;
  return true;
}

void TOpenFiles::CloseAll() {
  while (!streams_.empty()) Close(streams_.back().get());
}

TOpenFiles& OpenFiles() {
  static TOpenFiles files;
  return files;
}

}  // namespace ruvel
