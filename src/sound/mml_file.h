// MML files on disk: compiling one to a music file (--compile-mml), and the
// compiled copy in "Temp" that lets ".mml" files play wherever ".mlv" files
// do. The copy is made again whenever the source is newer.
#pragma once
#include <string>

namespace ruvel {

// Compiles the MML file in to the music file out. False with a message
// (UTF-8, "file:line:column: reason" for mistakes in the text) in error.
bool CompileMmlFile(const std::string& in, const std::string& out, std::string& error);

// The music file that plays path: path itself unless its extension is
// ".mml" (any letter case); then its compiled copy in Temp under the program
// directory. Empty, with error set (UTF-8), when the MML cannot be compiled.
std::string MusicFileFor(const std::string& path, std::string& error);

// ruvel --compile-mml IN -o OUT: 0 when compiled, 1 otherwise (the reason
// goes to stderr).
int RunCompileMml(const std::string& in, const std::string& out);

}  // namespace ruvel
