#include "sound/temp_copy.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "platform/paths.h"

namespace ruvel {

namespace {

// Modification time in nanoseconds, -1 when the file is missing.
int64_t ModifiedNs(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::string PathHash(const std::string& path) {
  uint32_t h = 2166136261u;
  for (char c : path) h = (h ^ uint8_t(c)) * 16777619u;
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", h);
  return buf;
}

}  // namespace

TTempCopy TempCopyFor(const std::string& source, const std::string& prefix, const std::string& ext) {
  std::string dir = ProgramDir().empty() ? std::string("Temp") : ProgramDir() + "/Temp";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  TTempCopy copy;
  copy.path = dir + "/" + prefix + PathBaseName(source) + "_" + PathHash(source) + ext;
  const int64_t copied = ModifiedNs(copy.path);
  // Strictly newer: a source saved within the clock tick of the last copy
  // has the same time as the copy and is made again.
  copy.fresh = copied >= 0 && copied > ModifiedNs(source);
  return copy;
}

}  // namespace ruvel
