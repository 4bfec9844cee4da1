#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "compiler/compile_driver.h"
#include "platform/paths.h"
#include "io/script_file_natives.h"
#include "platform/message_sink.h"
#include "resources/custom_resource.h"
#include "runtime/startup.h"

namespace ruvel::fuzz {

namespace {

class QuietSink : public MessageSink {
 public:
  void ShowMessage(const std::string&) override {}
  void Log(const std::string&) override {}
};

}  // namespace

const std::string& Scratch() {
  // Never destroyed: the exit handler below still needs it.
  static const std::string& dir = *new std::string([] {
    static QuietSink sink;
    SetSink(&sink);
    std::string templ = (std::filesystem::temp_directory_path() / "ruvel_fuzz_XXXXXX").string();
    if (!mkdtemp(templ.data())) std::abort();
    std::string path = std::filesystem::canonical(templ).string();
    SetProgramDir(path);
    SetPageDir(path);
    // The folder goes when the fuzzer ends.
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(Scratch(), ec);
    });
    return path;
  }());
  return dir;
}

std::string WriteScratch(const std::string& name, const std::string& bytes) {
  std::string path = Scratch() + "/" + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return path;
}

void StartWorld() {
  static bool started = [] {
    const std::string& home = Scratch();
    const char* src = std::getenv("RUVEL_SOURCE_DIR");
    std::string source = src ? src : RUVEL_FUZZ_SOURCE_DIR;
    std::filesystem::create_directory_symlink(source + "/Kernel", home + "/Kernel");
    InstallCompiler();
    RegisterNativeTable(FileNatives);
    RegisterNativeTable(CustomResourceNatives);
    StartScriptWorld(home);
    // scripts/fuzz.sh takes the kernel's class files as seeds of the class
    // file target.
    if (const char* keep = std::getenv("RUVEL_FUZZ_KEEP_CLASSES")) {
      std::error_code ec;
      std::filesystem::create_directories(keep, ec);
      for (const auto& e : std::filesystem::directory_iterator(home + "/Temp", ec)) {
        std::filesystem::copy_file(e.path(), std::filesystem::path(keep) / e.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing, ec);
      }
    }
    return true;
  }();
  (void)started;
}

}  // namespace ruvel::fuzz
