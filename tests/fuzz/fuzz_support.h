// Shared set-up of the fuzz targets: a quiet message sink, a scratch
// folder per process, and (for the targets that need classes) the script
// world started once over the repository's kernel.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace ruvel::fuzz {

// The input as a string.
inline std::string Bytes(const uint8_t* data, size_t size) { return std::string(reinterpret_cast<const char*>(data), size); }

// Installs a sink that drops message boxes and log lines, and makes a
// scratch folder that serves as program and page folder. Idempotent.
const std::string& Scratch();

// Writes bytes to a file in the scratch folder and returns its path.
std::string WriteScratch(const std::string& name, const std::string& bytes);

// Starts the script world over the repository's kernel (once): classes
// compiled, natives bound, snippets evaluable.
void StartWorld();

}  // namespace ruvel::fuzz
