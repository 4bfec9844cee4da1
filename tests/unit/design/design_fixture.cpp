#include "design_fixture.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "compiler/compile_driver.h"
#include "platform/paths.h"
#include "pages/page.h"
#include "pages/page_natives.h"
#include "pages/project.h"
#include "platform/cp932.h"
#include "platform/video.h"
#include "resources/resource_tree.h"
#include "runtime/startup.h"
#include "screen/host_state.h"
#include "screen/patterns.h"
#include "screen/screen_natives.h"
#include "screen/script_globals.h"
#include "shell/command_line.h"
#include "shell/design_session.h"
#include "shell/startup_path.h"
#include "sound/sound_natives.h"
#include "vm/gc.h"
#include "vm/symbols.h"
#include "vm/vm_state.h"

namespace ruvel::test {

namespace fs = std::filesystem;

std::string DesignTest::home;

namespace {

fs::path SourceDir() {
  const char* src = std::getenv("RUVEL_SOURCE_DIR");
  return src ? fs::path(src) : fs::path(__FILE__).parent_path() / ".." / ".." / "..";
}

}  // namespace

bool CaptureSink::Shown(const std::string& utf8Fragment) const {
  for (const std::string& s : shown) {
    if (ToUtf8(s).find(utf8Fragment) != std::string::npos) return true;
  }
  return false;
}

void DesignTest::SetUpTestSuite() {
  std::string error;
  ASSERT_TRUE(VideoInit(true, error)) << error;
  static bool installed = false;
  if (!installed) {
    InstallCompiler();
    InstallPatterns();
    InstallPages();
    RegisterNativeTable(ScreenNatives);
    RegisterNativeTable(SoundNatives);
    installed = true;
  }
  // One program directory for the suite, so compiled kernel classes are
  // reused from its "Temp" by later tests.
  std::string templ = (fs::temp_directory_path() / "ruvel_design_XXXXXX").string();
  ASSERT_NE(mkdtemp(templ.data()), nullptr);
  home = fs::canonical(templ).string();
  fs::copy(SourceDir() / "Kernel", home + "/Kernel", fs::copy_options::recursive);
}

void DesignTest::TearDownTestSuite() {
  std::error_code ec;
  if (!home.empty()) fs::remove_all(home, ec);
  home.clear();
  VideoQuit();
}

void DesignTest::SetUp() {
  ASSERT_FALSE(home.empty());
  dir = home + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::create_directories(dir);
  char cwd[PATH_MAX];
  oldCwd_ = getcwd(cwd, sizeof cwd) ? cwd : "/";
  oldSink_ = SetSink(&sink);

  std::string error;
  TWindowOptions options;
  options.headless = true;
  window = TWindow::Create(options, error);
  ASSERT_TRUE(window) << error;
  screen = std::make_unique<TScreen>(*window);
  SetMainScreen(screen.get());
  WireDesignMode(*screen);
}

void DesignTest::TearDown() {
  ShutDownWorld();
  SetMainScreen(nullptr);
  screen.reset();
  window.reset();
  SetSink(oldSink_);
  if (chdir(oldCwd_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << oldCwd_;
}

void DesignTest::StartUp(const std::string& file, bool design) {
  ShutDownWorld();
  CommandLine cl;
  cl.home = home;
  cl.headless = true;
  cl.file = file;
  cl.design = design;
  VM().showError = [this](const std::string& message, const TTraceList&) { errors.push_back(message); };
  PrjManager() = TPrjManager();
  PageState() = TPageState();
  PageHooks() = TPageHooks();
  THostState& host = HostState();
  host = THostState();
  host.starting = true;
  worldUp_ = true;
  RunStartupPath(cl);
  host.starting = false;
  host.started = true;
}

void DesignTest::ShutDownWorld() {
  if (!worldUp_) return;
  worldUp_ = false;
  if (screen) {
    screen->Sprites().Clear();
    screen->Design().Reset();
  }
  ResetScriptObjects();
  FreeRoot();
  ResetPatterns();
  VMState& vm = VM();
  vm.objectClass = vm.stringClass = vm.arrayClass = nullptr;
  vm.arrayXIndex = -1;
  vm.current = nullptr;
  vm.showError = nullptr;
  PrjManager() = TPrjManager();
  PageState() = TPageState();
  PageHooks() = TPageHooks();
  HostState() = THostState();
}

std::string DesignTest::CopyBundledPage(const std::string& page) {
  fs::copy(SourceDir() / "Usr", dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  return dir + "/" + page;
}

std::string DesignTest::Write(const std::string& rel, const std::string& text) const {
  std::string path = dir + "/" + rel;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  return path;
}

std::string DesignTest::WriteBoxPage(const std::vector<std::string>& generators) {
  Write("Box.ruvel",
        "extends classes.game.Char;\n"
        "function draw() {\n"
        "  fillRect(x - 10, y - 10, x + 10, y + 10, colour, depth);\n"
        "  if (badge) fillRect(x - 2, y - 2, x + 2, y + 2, 16777215, 0);\n"
        "}\n"
        "function mouseDown(mx, my, l, r) {\n"
        "  $downs = $downs + 1;\n"
        "}\n"
        "function inspect() {\n"
        "  $inspected = this;\n"
        "}\n");
  std::ostringstream page;
  page << "<resourcelist name=\"usr\">\n"
          " <resourcelist name=\"classes\">\n"
          "  <class name=\"Box\" src=\"Box.ruvel\">\n"
          " </resourcelist>\n"
          " <resourcelist name=\"gen\">\n";
  for (const std::string& g : generators) page << "  <generator className=\"Box\" " << g << ">\n";
  page << " </resourcelist>\n</resourcelist>\n";
  return Write("page.cmml", page.str());
}

std::string DesignTest::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Instance* DesignTest::Object(const std::string& global) {
  Value* v = GlobalSlot(global);
  return v ? ValueAsObject(*v) : nullptr;
}

int DesignTest::MemberInt(const std::string& global, const std::string& member) {
  Instance* obj = Object(global);
  int32_t id = Symbols().Find(member);
  if (!obj || id < 0) return -99999;
  int32_t cache = 0;
  Value* v = FindMemberSlot(obj, id, cache);
  return v ? ValueToInt(*v) : -99999;
}

std::string DesignTest::SourceFile(const std::string& rel) { return (SourceDir() / rel).string(); }

int DesignTest::GlobalIntValue(const std::string& global) { return GlobalInt(global); }

}  // namespace ruvel::test
