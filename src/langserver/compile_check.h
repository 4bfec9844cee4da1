// Checks a class's unsaved text with the compiler's code generator, as the
// program compiles it: the kernel is started once (its classes compiled,
// natives bound), the project's classes are mounted under "usr" so names
// such as `new Fruit(...)` resolve, and each text is generated into a
// scratch class record that is thrown away afterwards. Errors come back as
// the message and the byte offset the compiler reports, not as a message
// box. The caller has installed the compiler and registered the natives.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ruvel::lsp {

struct ClassEntry;

struct CompileProblem {
  std::string message;  // UTF-8
  int32_t offset = 0;   // in the CP932 text that was compiled
};

class CompileChecker {
 public:
  // Starts the script world over programDir's kernel; false (and no
  // checks) when it cannot be started.
  bool Start(const std::string& programDir);
  bool Started() const { return started_; }
  // Mounts the project's classes (replacing an earlier mount).
  void Mount(const std::vector<ClassEntry*>& classes);
  // Generates the text (CP932) as class cls; true when it compiles.
  bool Check(const ClassEntry& cls, const std::string& cp932, CompileProblem& problem);

 private:
  bool started_ = false;
};

}  // namespace ruvel::lsp
