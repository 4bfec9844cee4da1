// Swapping a running class's code for a new version of its source (live
// reload). The source is compiled into a scratch record first; when its
// parent, members and methods match the running class, the new method and
// class code is linked against the running class and installed in place,
// so that live objects keep their members and their processes go on. Code
// that frames are still running is retired, not freed: a frame finishes
// the method it entered in the old code.
#pragma once
#include <string>

namespace ruvel {

class TRTTI;

enum class HotSwapResult {
  kSwapped,       // the new code runs from the next call on
  kIncompatible,  // members, methods or the parent differ: reload the page
  kCompileError,  // the error was shown; the old code keeps running
};

// Compiles source (CP932, CR LF lines, as ReadClassSource gives it) for
// cls and installs it when compatible. why names the first difference of
// an incompatible version. A swapped class's class file is written anew.
HotSwapResult HotSwapClass(TRTTI& cls, const std::string& source, std::string& why);

}  // namespace ruvel
