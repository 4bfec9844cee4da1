// Where a test finds the program, the kernel and the fixtures: the source
// and build directories ctest passes in the environment, else the ones CMake
// compiled into the test, so a test program runs from any directory.
#pragma once
#include <cstdlib>
#include <string>

namespace ruvel_test {

inline std::string TestSourceDir() {
  if (const char* s = std::getenv("RUVEL_SOURCE_DIR")) return s;
  return RUVEL_TEST_SOURCE_DIR;
}

inline std::string TestBuildDir() {
  if (const char* b = std::getenv("RUVEL_BUILD_DIR")) return b;
  return RUVEL_TEST_BUILD_DIR;
}

}  // namespace ruvel_test
