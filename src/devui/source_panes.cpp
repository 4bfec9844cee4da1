#include "devui/source_panes.h"

#include <filesystem>

#include "platform/cp932.h"
#include "platform/regular_file.h"

namespace ruvel {

TSourcePanes& SourcePanes() {
  static TSourcePanes panes;
  return panes;
}

void TSourcePanes::OnStopped() {
  TDebugEngine& e = DebugEngine();
  ++stops;
  children_.clear();
  processes = e.Processes();
  processId = e.LastStop().processId;
  stack = e.StackTrace(processId);
  SelectFrame(0);
}

void TSourcePanes::OnContinued() {
  children_.clear();
  processes.clear();
  stack.clear();
  scopes.clear();
  currentLine = 0;
}

void TSourcePanes::SelectProcess(int id) {
  processId = id;
  children_.clear();
  stack = DebugEngine().StackTrace(id);
  SelectFrame(0);
}

void TSourcePanes::SelectFrame(size_t index) {
  frame = index;
  children_.clear();
  scopes.clear();
  currentLine = 0;
  if (index < stack.size()) {
    scopes = DebugEngine().Scopes(stack[index].id);
    ShowFrame();
  }
  EvaluateWatches();
}

void TSourcePanes::ShowFrame() {
  const TFrameInfo& f = stack[frame];
  if (!f.file.empty() && f.file != file) OpenFile(f.file);
  else ReloadIfChanged();
  currentLine = f.file == file ? f.line : 0;
  scrollToLine = currentLine;
}

void TSourcePanes::OpenFile(const std::string& path) {
  file = path;
  fileTime_ = 0;
  fileSize_ = -1;
  lines.clear();
  ReadFile();
}

void TSourcePanes::ReadFile() {
  lines.clear();
  std::string bytes;
  if (ReadRegularFile(file, kMaxSourceFileBytes, bytes) != TReadStatus::kOk) return;
  std::string text = ToUtf8(NormalizeToCp932(bytes));
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (end == text.size() && line.empty() && !lines.empty()) break;
    lines.push_back(std::move(line));
    at = end + 1;
  }
}

bool TSourcePanes::ReloadIfChanged() {
  if (file.empty()) return false;
  std::error_code ec;
  auto time = std::filesystem::last_write_time(file, ec);
  int64_t stamp = ec ? 0 : static_cast<int64_t>(time.time_since_epoch().count());
  auto size = std::filesystem::file_size(file, ec);
  int64_t bytes = ec ? -1 : static_cast<int64_t>(size);
  if (stamp == fileTime_ && bytes == fileSize_) return false;
  fileTime_ = stamp;
  fileSize_ = bytes;
  ReadFile();
  return true;
}

void TSourcePanes::ToggleLine(int line) {
  if (!file.empty() && line > 0) DebugEngine().ToggleBreakpoint(file, line);
}

bool TSourcePanes::HasBreakpoint(int line) const { return !file.empty() && DebugEngine().HasBreakpoint(file, line); }

const std::vector<TVariableInfo>& TSourcePanes::Children(int variablesRef) {
  auto it = children_.find(variablesRef);
  if (it != children_.end()) return it->second;
  return children_[variablesRef] = DebugEngine().Variables(variablesRef);
}

void TSourcePanes::AddWatch(const std::string& expression) {
  if (expression.empty()) return;
  DebugEngine().watches.push_back(expression);
  EvaluateWatches();
}

void TSourcePanes::RemoveWatch(size_t index) {
  auto& w = DebugEngine().watches;
  if (index < w.size()) w.erase(w.begin() + static_cast<std::ptrdiff_t>(index));
  EvaluateWatches();
}

void TSourcePanes::EvaluateWatches() {
  TDebugEngine& e = DebugEngine();
  watchValues.clear();
  int frameId = frame < stack.size() ? stack[frame].id : 0;
  for (const std::string& w : e.watches) {
    TVariableInfo v;
    std::string error;
    watchValues.emplace_back(w, e.Evaluate(w, frameId, v, error) ? v.value : error);
  }
}

void TSourcePanes::Reset() { *this = TSourcePanes(); }

}  // namespace ruvel
