#include "platform/shared_library.h"

namespace ruvel {

// The browser's linker would abort the page on a library it cannot link.
void* OpenSharedLibrary(const std::string&) { return nullptr; }

void* FindLibrarySymbol(void*, const char*) { return nullptr; }

}  // namespace ruvel
