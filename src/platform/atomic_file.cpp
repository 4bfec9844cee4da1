#include "platform/atomic_file.h"

#include <unistd.h>

#include <cerrno>

#include "platform/temp_beside.h"

namespace ruvel {

namespace {

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool WriteFileAtomic(const std::string& path, const std::string& data) {
  std::string temp;
  int fd = CreateTempBeside(path, temp);
  if (fd < 0) return false;
  return CommitTempBeside(fd, temp, path, WriteAll(fd, data));
}

}  // namespace ruvel
