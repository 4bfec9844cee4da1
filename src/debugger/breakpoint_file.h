// The project's breakpoint file (Temp/breakpoints.txt): one breakpoint a
// line, "file<TAB>line<TAB>condition", after a first line naming the
// format. Text is UTF-8; lines that do not parse are skipped.
#pragma once
#include <string>
#include <vector>

#include "debugger/debug_engine.h"

namespace ruvel {

std::vector<TBreakpoint> ParseBreakpointFile(const std::string& text);
std::string FormatBreakpointFile(const std::vector<TBreakpoint>& breakpoints);

}  // namespace ruvel
