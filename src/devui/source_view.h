// The debugger's source view and line breakpoints: the statement marks of
// compiled code (position marks, byte offsets into the class's source)
// mapped to source lines and back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ruvel {

class TCompiledInfo;
class TRTTI;

// The 1-based line holding byte offset position of the text (CP932, as
// the compiler read it); 0 for a negative position.
int LineOfPosition(const std::string& text, int32_t position);
// The source line of the statement at or before address in code: the
// class's source file and the line; false when the code has no marks or
// no source file.
bool SourceLineAt(const TCompiledInfo& code, int32_t address, std::string& file, int& line);
// The lines around line (context lines before and after) as "NNNN  text",
// the line itself marked "=>" instead of the blanks; empty when the file
// cannot be read.
std::vector<std::string> SourceAround(const std::string& file, int line, int context);
// The first statement starting on a line of the class (its own code or
// any of its methods): the code block and the address; false when none.
bool LineAddress(const TRTTI& cls, int line, const TCompiledInfo*& code, int32_t& address);

}  // namespace ruvel
