#include "debugger/breakpoint_file.h"

#include <charconv>
#include <filesystem>

#include "debugger/engine_state.h"
#include "platform/atomic_file.h"
#include "platform/regular_file.h"
#include "vm/statement_traps.h"

namespace ruvel {

namespace {
constexpr const char* kHeader = "ruvel-breakpoints 1";
constexpr int kMaxLine = 1 << 24;
}  // namespace

std::vector<TBreakpoint> ParseBreakpointFile(const std::string& text) {
  std::vector<TBreakpoint> list;
  size_t at = 0;
  bool first = true;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first) {
      first = false;
      if (line != kHeader) return list;
      continue;
    }
    size_t tab1 = line.find('\t');
    if (tab1 == std::string::npos || tab1 == 0) continue;
    size_t tab2 = line.find('\t', tab1 + 1);
    const char* numberEnd = line.data() + (tab2 == std::string::npos ? line.size() : tab2);
    int number = 0;
    auto [ptr, ec] = std::from_chars(line.data() + tab1 + 1, numberEnd, number);
    if (ec != std::errc() || ptr != numberEnd || number < 1 || number > kMaxLine) continue;
    TBreakpoint b;
    b.file = line.substr(0, tab1);
    b.line = number;
    if (tab2 != std::string::npos) b.condition = line.substr(tab2 + 1);
    list.push_back(std::move(b));
  }
  return list;
}

std::string FormatBreakpointFile(const std::vector<TBreakpoint>& breakpoints) {
  std::string text = std::string(kHeader) + "\n";
  for (const auto& b : breakpoints) {
    // Tabs and line breaks cannot stand in a field; conditions lose them.
    std::string condition = b.condition;
    for (char& c : condition) {
      if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    }
    text += b.file + "\t" + std::to_string(b.line) + (condition.empty() ? "" : "\t" + condition) + "\n";
  }
  return text;
}

void SaveBreakpoints() {
  TEngineState& s = EngineState();
  if (s.storeFile.empty()) return;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(s.storeFile).parent_path(), ec);
  WriteFileAtomic(s.storeFile, FormatBreakpointFile(s.breakpoints));
}

void TDebugEngine::LoadProject(const std::string& projectDir) {
  TEngineState& s = EngineState();
  s.storeFile = projectDir.empty() ? std::string() : projectDir + "/Temp/breakpoints.txt";
  s.breakpoints.clear();
  std::string text;
  if (!s.storeFile.empty() && ReadRegularFile(s.storeFile, kMaxSettingsFileBytes, text) == TReadStatus::kOk) {
    for (TBreakpoint& b : ParseBreakpointFile(text)) {
      b.id = s.nextBreakpointId++;
      s.breakpoints.push_back(std::move(b));
    }
  }
  BindBreakpoints();
  SetStatementTraps(!s.breakpoints.empty() || s.step != TStepMode::kNone || s.pauseRequested);
}

}  // namespace ruvel
