#include "pages_fixture.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "compiler/compile_driver.h"
#include "compiler/snippet.h"
#include "platform/paths.h"
#include "pages/page.h"
#include "pages/page_natives.h"
#include "pages/project.h"
#include "platform/cp932.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "runtime/startup.h"
#include "screen/host_state.h"
#include "screen/patterns.h"
#include "screen/screen_natives.h"
#include "sound/sound_natives.h"
#include "vm/gc.h"
#include "vm/symbols.h"
#include "vm/interpreter.h"
#include "vm/vm_state.h"

namespace ruvel::test {

namespace fs = std::filesystem;

namespace {

bool AnyContains(const std::vector<std::string>& lines, const std::string& utf8Fragment) {
  for (const std::string& l : lines) {
    if (ToUtf8(l).find(utf8Fragment) != std::string::npos) return true;
  }
  return false;
}

// The sound module binds the sequencer refresh the page script calls after
// every placed object; these tests run without sound.
void NoRefresh(Value*, int32_t, int32_t) {}

}  // namespace

bool CaptureSink::Shown(const std::string& utf8Fragment) const { return AnyContains(shown, utf8Fragment); }
bool CaptureSink::Logged(const std::string& utf8Fragment) const { return AnyContains(logged, utf8Fragment); }

void PagesTest::SetUp() {
  const char* src = std::getenv("RUVEL_SOURCE_DIR");
  fs::path base = src ? fs::path(src) : fs::path(__FILE__).parent_path() / ".." / ".." / "..";
  fs::path kernel = base / "Kernel";
  if (!fs::exists(kernel / "resource.ruvelres")) GTEST_SKIP() << "no kernel at " << kernel;
  std::string templ = (fs::temp_directory_path() / "ruvel_pages_XXXXXX").string();
  ASSERT_NE(mkdtemp(templ.data()), nullptr);
  home = fs::canonical(templ).string();
  fs::copy(kernel, home + "/Kernel", fs::copy_options::recursive);
  fs::create_directories(home + "/Usr");

  char cwd[PATH_MAX];
  oldCwd_ = getcwd(cwd, sizeof cwd) ? cwd : "/";
  oldSink_ = SetSink(&sink);
  oldProgramDir_ = ProgramDir();
  oldPageDir_ = PageDir();
  SetProgramDir(home);
  VM().showError = [this](const std::string& message, const TTraceList&) { errors.push_back(message); };
  InstallCompiler();
  InstallPages();
  // The kernel's update step polls the keyboard (getkey).
  RegisterNativeTable(ScreenNatives);
  // Boot stops the music when a page starts, through the sound natives.
  RegisterNativeTable(SoundNatives);
  PrjManager() = TPrjManager();
  PageState() = TPageState();
  PageHooks() = TPageHooks();
  HostState().designMode = false;
  HostState().halted = true;
  StartScriptWorld(home);
  FindClass("classes.lang.Object")->BindNative("_n_refresh", NoRefresh);
  ASSERT_TRUE(errors.empty()) << ToUtf8(errors.front());
  sink.shown.clear();
  sink.logged.clear();
}

void PagesTest::TearDown() {
  if (home.empty()) return;
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
  HostState().designMode = false;
  SetProgramDir(oldProgramDir_);
  SetPageDir(oldPageDir_);
  if (chdir(oldCwd_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << oldCwd_;
  SetSink(oldSink_);
  std::error_code ec;
  fs::remove_all(home, ec);
}

std::string PagesTest::Write(const std::string& rel, const std::string& text) const {
  std::string path = Path(rel);
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return path;
}

std::vector<std::string> PagesTest::ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string PagesTest::WritePage(const std::string& rel,
                                 const std::vector<std::pair<std::string, std::string>>& classes,
                                 const std::vector<std::string>& genLines, const std::string& extraLines) const {
  std::string dir = fs::path(rel).parent_path().string();
  std::ostringstream page;
  page << "<resourcelist name=\"usr\">\n <resourcelist name=\"classes\">\n";
  for (const auto& [name, source] : classes) {
    Write((dir.empty() ? "" : dir + "/") + name + ".ruvel", source);
    page << "  <class name=\"" << name << "\" src=\"" << name << ".ruvel\">\n";
  }
  page << " </resourcelist>\n" << extraLines << " <resourcelist name=\"gen\">\n";
  for (const std::string& line : genLines) page << "  " << line << "\n";
  page << " </resourcelist>\n</resourcelist>\n";
  return Write(rel, page.str());
}

Value* PagesTest::Global(const std::string& name) { return GlobalValuePtr(name); }

Value* PagesTest::Member(const std::string& global, const std::string& member) {
  Value* v = Global(global);
  if (!v || v->tag != kObject) return nullptr;
  int32_t cache = 0;
  int32_t id = Symbols().Find(member);
  return id < 0 ? nullptr : FindMemberSlot(v->obj, id, cache);
}

void PagesTest::Steps(int n) {
  for (int i = 0; i < n && VM().rootProcess; ++i) ruvel::Run(VM().rootProcess, kUnlimitedBudget);
}

}  // namespace ruvel::test
