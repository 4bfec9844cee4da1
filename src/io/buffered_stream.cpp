#include "io/buffered_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/paths.h"
#include "platform/temp_beside.h"
#include "vm/host_registry.h"
#include "platform/regular_file.h"

namespace ruvel {

namespace {

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

bool IsRegularFileNoFollow(const std::string& path) {
  struct stat st;
  return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int OpenRegularFileForReading(const std::string& path, bool noFollow) {
  return OpenRegularFile(path, noFollow);
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
  if (PathParent(target).empty()) return;
  fd_ = CreateTempBeside(target, temp_);
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
  int fd = fd_;
  fd_ = -1;
  committed_ = CommitTempBeside(fd, temp_, target_, ok);
  return committed_;
}

}  // namespace ruvel
