// `ruvel --lsp`: runs the language server on standard input and output
// until the editor sends "exit" or closes the input. The protocol owns the
// real standard output; anything else the program writes there goes to
// standard error instead.
#pragma once
#include <string>

namespace ruvel::lsp {

// programDir: the folder holding Kernel/. Returns the exit code.
int RunStdioServer(const std::string& programDir);

}  // namespace ruvel::lsp
