// Module libraries: loaded through the system's dynamic linker on the
// desktop. A browser page cannot load one, so there every library reads as
// missing and the game gets the message a desktop gives for a missing one.
#pragma once
#include <string>

namespace ruvel {

// The library at path, or null when it cannot be loaded.
void* OpenSharedLibrary(const std::string& path);

// The address of an exported symbol of an opened library, or null.
void* FindLibrarySymbol(void* library, const char* name);

}  // namespace ruvel
