#include "io/buffered_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "io/paths.h"
#include "vm/host_registry.h"

namespace ruvel {

namespace {

// Longest part of the target's name kept in a temporary file's name, so
// that the temporary name stays within the file system's limit.
constexpr size_t kTempNameKeep = 200;

bool WriteAll(int fd, const unsigned char* p, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// Reads until n bytes or the end of the file; returns the count read.
size_t ReadFull(int fd, unsigned char* p, size_t n) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = ::read(fd, p + got, n - got);
    if (r < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return got;
}

}  // namespace

bool IsRegularFilePath(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int OpenRegularFileForReading(const std::string& path) {
  if (path.empty()) return -1;
  // Without blocking, so that a pipe placed under the name cannot hang the
  // program before it is refused below; a regular file reads as usual.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

TBufferedStream::TBufferedStream(int fd) : fd_(fd) { RegisterHost(this); }

TBufferedStream::~TBufferedStream() {
  UnregisterHost(this);
  CloseFile();
}

void TBufferedStream::CloseFile() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

// Input ---------------------------------------------------------------

TBufferedInputStream::TBufferedInputStream(int fd) : TBufferedStream(fd) { Fill(); }

void TBufferedInputStream::Fill() {
  size_t got = fd_ >= 0 ? ReadFull(fd_, buffer_, kBufferSize) : 0;
  available_ = static_cast<ptrdiff_t>(got);
  count_ = 0;
}

size_t TBufferedInputStream::Read(void* dst, size_t n) {
  if (fd_ < 0 || available_ < 1) return 0;
  auto* out = static_cast<unsigned char*>(dst);
  size_t done = 0;
  while (done < n) {
    if (count_ >= kBufferSize) Fill();
    if (available_ < 1) break;
    --available_;
    out[done++] = buffer_[count_++];
  }
  // Refilling here keeps AtEnd exact when the last byte of a full buffer
  // was taken.
  if (count_ >= kBufferSize) Fill();
  return done;
}

int TBufferedInputStream::ReadByte() {
  unsigned char b;
  return Read(&b, 1) == 1 ? b : -1;
}

// Output --------------------------------------------------------------

TBufferedOutputStream::TBufferedOutputStream(const std::string& target) : TBufferedStream(-1), target_(target) {
  std::string dir = PathParent(target);
  std::string name = PathFileName(target);
  if (dir.empty() || name.empty()) return;
  if (name.size() > kTempNameKeep) name.resize(kTempNameKeep);
  std::string temp = (dir == "/" ? dir : dir + "/") + "." + name + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return;
  // Keep the permissions of a file being replaced; a new one gets rw-r--r--.
  struct stat st;
  mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0644;
  if (::fchmod(fd, mode) != 0) {
    ::close(fd);
    ::unlink(temp.c_str());
    return;
  }
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  fd_ = fd;
  temp_ = std::move(temp);
}

TBufferedOutputStream::~TBufferedOutputStream() { Close(); }

void TBufferedOutputStream::Write(const void* src, size_t n) {
  if (fd_ < 0) return;
  const auto* in = static_cast<const unsigned char*>(src);
  for (size_t i = 0; i < n; ++i) {
    if (count_ >= kBufferSize) Flush();
    buffer_[count_++] = in[i];
  }
}

bool TBufferedOutputStream::Flush() {
  if (fd_ >= 0 && count_ > 0 && !failed_) failed_ = !WriteAll(fd_, buffer_, count_);
  count_ = 0;
  return !failed_;
}

bool TBufferedOutputStream::Close() {
  if (closed_) return committed_;
  closed_ = true;
  if (fd_ < 0) return false;
  bool ok = Flush();
  ok = ::fsync(fd_) == 0 && ok;
  ok = ::close(fd_) == 0 && ok;
  fd_ = -1;
  ok = ok && ::rename(temp_.c_str(), target_.c_str()) == 0;
  if (!ok) ::unlink(temp_.c_str());
  committed_ = ok;
  return ok;
}

}  // namespace ruvel
