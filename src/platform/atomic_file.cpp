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

AtomicWriteObserver& Observer() {
  static AtomicWriteObserver observer;
  return observer;
}

}  // namespace

bool WriteFileAtomic(const std::string& path, const std::string& data) {
  std::string temp;
  int fd = CreateTempBeside(path, temp);
  if (fd < 0) return false;
  if (!CommitTempBeside(fd, temp, path, WriteAll(fd, data))) return false;
  if (Observer()) Observer()(path, data);
  return true;
}

void SetAtomicWriteObserver(AtomicWriteObserver observer) { Observer() = std::move(observer); }

}  // namespace ruvel
