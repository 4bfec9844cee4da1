// Where an edited sheet stands among the registered pattern resources: the
// script global of the resource that names the file and the number its
// first pattern has in the pattern list now.
#pragma once
#include <cstdint>
#include <string>

namespace ruvel {

// Searches the page's pattern resources, then the kernel's, for one whose
// sheet is the file path. False when none registers it.
bool FindSheetRegistration(const std::string& path, std::string& globalName, int32_t& firstNumber);

}  // namespace ruvel
