// The program's Temp folder keeps what a sound source becomes when it is
// played (a compiled song, a rendered effect), under a name made of a
// prefix, the source's base name and a hash of its path, so that two
// sources of the same name in different folders get different copies.
#pragma once
#include <string>

namespace ruvel {

struct TTempCopy {
  std::string path;    // where the copy is (or is to be written)
  bool fresh = false;  // the copy exists and is newer than the source
};

// The copy of source named prefix + base name + "_" + hash + ext; the
// Temp folder is made when missing.
TTempCopy TempCopyFor(const std::string& source, const std::string& prefix, const std::string& ext);

}  // namespace ruvel
