#include "platform/shared_library.h"

#include <dlfcn.h>

namespace ruvel {

void* OpenSharedLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* FindLibrarySymbol(void* library, const char* name) { return library ? dlsym(library, name) : nullptr; }

}  // namespace ruvel
