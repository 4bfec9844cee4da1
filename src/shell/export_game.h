// ruvel --export DIR OUT: a game to hand to a friend. OUT gets the program,
// its kernel and tone file, the project (where the program's own project
// would stand), class files compiled by the exported program itself, a
// start script and a README naming the Debian packages it needs; OUT.tar.gz
// packs the folder. With noSources the class sources are left out and the
// compiled classes are used.
#pragma once
#include <string>

namespace ruvel {

// False with a reason in error; OUT must be missing or empty.
bool ExportGame(const std::string& projectDir, const std::string& outDir, bool noSources, std::string& error);

}  // namespace ruvel
