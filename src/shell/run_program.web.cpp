#include "shell/export_files.h"

namespace ruvel {

// A browser page cannot start programs.
bool RunProgram(const std::vector<std::string>&, bool) { return false; }

}  // namespace ruvel
