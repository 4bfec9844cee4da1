#include "platform/regular_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/cp932.h"
#include "platform/error.h"

namespace ruvel {

namespace {

// Closes the descriptor however the read ends.
struct TFd {
  int fd;
  ~TFd() {
    if (fd >= 0) ::close(fd);
  }
};

std::string LimitText(size_t limit) {
  if (limit >= (size_t(1) << 20) && limit % (size_t(1) << 20) == 0) return std::to_string(limit >> 20) + "MB";
  if (limit >= 1024 && limit % 1024 == 0) return std::to_string(limit >> 10) + "KB";
  return std::to_string(limit) + J("バイト");
}

// Opens path without waiting (O_NONBLOCK keeps the open of a FIFO with no
// writer from blocking) and checks what the descriptor is; the flag is
// cleared once fstat has shown a regular file.
TReadStatus OpenChecked(const std::string& path, bool noFollow, int& fd, struct stat& st) {
  fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (noFollow ? O_NOFOLLOW : 0));
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? TReadStatus::kMissing : TReadStatus::kFailed;
  if (::fstat(fd, &st) != 0) return TReadStatus::kFailed;
  if (!S_ISREG(st.st_mode)) return TReadStatus::kNotRegular;
  int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return TReadStatus::kFailed;
  return TReadStatus::kOk;
}

}  // namespace

int OpenRegularFile(const std::string& path, bool noFollow) {
  if (path.empty()) return -1;
  TFd f{-1};
  struct stat st;
  if (OpenChecked(path, noFollow, f.fd, st) != TReadStatus::kOk) return -1;
  int fd = f.fd;
  f.fd = -1;
  return fd;
}

TReadStatus ReadRegularFile(const std::string& path, size_t limit, std::string& bytes) {
  bytes.clear();
  TFd f{-1};
  struct stat st;
  if (TReadStatus status = OpenChecked(path, false, f.fd, st); status != TReadStatus::kOk) return status;
  if (st.st_size > 0 && size_t(st.st_size) > limit) return TReadStatus::kTooLarge;
  std::string data;
  data.reserve(size_t(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(f.fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return TReadStatus::kFailed;
    }
    if (n == 0) break;
    if (data.size() + size_t(n) > limit) return TReadStatus::kTooLarge;
    data.append(buffer, size_t(n));
  }
  bytes = std::move(data);
  return TReadStatus::kOk;
}

std::string ReadFailureText(TReadStatus status, const std::string& path, size_t limit) {
  switch (status) {
    case TReadStatus::kOk:
      return "";
    case TReadStatus::kMissing:
      return path + J(" がありません");
    case TReadStatus::kNotRegular:
      return path + J(" は通常のファイルではありません（フォルダ・デバイス・FIFOは読みません）");
    case TReadStatus::kTooLarge:
      return path + J(" が大きすぎます（") + LimitText(limit) + J("まで）");
    case TReadStatus::kFailed:
      break;
  }
  return path + J(" を読み込めません");
}

std::string ReadRegularFileOrThrow(const std::string& path, size_t limit) {
  std::string bytes;
  TReadStatus status = ReadRegularFile(path, limit, bytes);
  if (status != TReadStatus::kOk) throw EIOError(ReadFailureText(status, path, limit));
  return bytes;
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace ruvel
