#include "io/memory_card.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/paths.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"

namespace ruvel {

namespace {

constexpr std::string_view kMark = "RUVEL_ACCESSIBLE_FILE";

[[noreturn]] void CannotOpen(const std::string& name) {
  throw EVMError(J("ファイル ") + name + J(" は開けません"));
}

// Opens the card's file and checks its header; raises when it cannot be
// opened.
int OpenChecked(const std::string& name, TfHeader& header) {
  int fd = OpenRegularFileForReading(MemoryCardPath(name));
  if (fd < 0) CannotOpen(name);
  header.ReadFrom(fd);
  header.Check();
  return fd;
}

}  // namespace

void TfHeader::ReadFrom(int fd) {
  std::memset(bytes, 0, sizeof bytes);
  size_t got = 0;
  while (got < kMemoryCardHeaderSize) {
    ssize_t r = ::read(fd, bytes + got, kMemoryCardHeaderSize - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += static_cast<size_t>(r);
  }
}

bool TfHeader::Check() {
  bytes[kMemoryCardHeaderSize] = 0;
  // Read as a zero-terminated text: a zero inside the mark ends the text.
  valid = std::strncmp(bytes, kMark.data(), kMark.size()) == 0;
  if (!valid) LogLine("warning: not a ruvel accessible");
  return valid;
}

bool HasMapExtension(std::string_view path) {
  std::string name = PathFileName(path);
  size_t dot = name.rfind('.');
  return dot != std::string::npos && name.compare(dot, std::string::npos, ".map") == 0;
}

std::string MemoryCardPath(const std::string& name) {
  std::string rel = PathToPosix(name);
  if (rel.empty() || rel.find(':') != std::string::npos) return "";
  for (size_t start = 0; start <= rel.size();) {
    size_t end = rel.find('/', start);
    if (end == std::string::npos) end = rel.size();
    if (rel.compare(start, end - start, "..") == 0) return "";
    start = end + 1;
  }
  std::string dir = PageDir();
  std::string path = PathResolve(rel, dir);
  // An absolute name is taken only inside the page folder.
  if (path.empty() || !PathIsInside(path, dir)) return "";
  path = PathLocate(path);
  // A symbolic link may point anywhere: what the path finally names must
  // lie in the page folder too. A path that does not resolve is missing.
  char* real = ::realpath(path.c_str(), nullptr);
  char* realDir = ::realpath(dir.c_str(), nullptr);
  bool inside = real && realDir && PathIsInside(real, realDir) && !PathSame(real, realDir);
  std::free(real);
  std::free(realDir);
  return inside ? path : "";
}

std::unique_ptr<TBufferedInputStream> OpenMemoryCardReader(const std::string& name) {
  TfHeader header;
  int fd = OpenChecked(name, header);
  if (!header.valid) {
    if (!HasMapExtension(name)) {
      ::close(fd);
      LogLine("not a valid file. read aborted");
      return nullptr;
    }
    // A map without header is read from its first byte.
    if (::lseek(fd, 0, SEEK_SET) != 0) {
      ::close(fd);
      CannotOpen(name);
    }
  }
  return std::make_unique<TBufferedInputStream>(fd);
}

std::unique_ptr<TBufferedOutputStream> OpenMemoryCardWriter(const std::string& name) {
  TfHeader header;
  int fd = OpenChecked(name, header);
  ::close(fd);
  if (!header.valid && !HasMapExtension(name)) {
    LogLine("not a valid file. not wrote");
    return nullptr;
  }
  auto out = std::make_unique<TBufferedOutputStream>(MemoryCardPath(name));
  if (!out->HasFile()) CannotOpen(name);
  out->Write(kMemoryCardHeader.data(), kMemoryCardHeader.size());
  return out;
}

}  // namespace ruvel
