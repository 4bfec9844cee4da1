#include "debugger/debug_engine.h"

#include <algorithm>

#include "debugger/engine_state.h"
#include "platform/cp932.h"
#include "runtime/function.h"
#include "runtime/rtti.h"
#include "vm/host_registry.h"
#include "vm/interpreter.h"
#include "vm/long_run.h"
#include "vm/process.h"
#include "vm/statement_traps.h"
#include "vm/vm_state.h"

namespace ruvel {

TEngineState& EngineState() {
  static TEngineState* state = new TEngineState();
  return *state;
}

namespace {

// Traps are in the code only while something waits for a statement.
void UpdateTraps() {
  TEngineState& s = EngineState();
  SetStatementTraps(!s.breakpoints.empty() || s.step != TStepMode::kNone || s.pauseRequested);
}

bool IsTrue(const Value& v) {
  switch (v.tag) {
    case kInt: return v.i != 0;
    case kFloat: return v.f != 0.0f;
    case kObject: return v.obj != nullptr;
    default: return false;
  }
}

void StopAt(TProcess* p, TStopReason reason, const std::string& message, std::vector<int> ids) {
  TEngineState& s = EngineState();
  TDebugEngine& e = DebugEngine();
  s.busy = true;
  s.stopped = true;
  s.stoppedProcess = p;
  s.resume = TResume::kNone;
  s.step = TStepMode::kNone;
  s.pauseRequested = false;
  s.frames.clear();
  s.refs.clear();
  s.last = TStopInfo{reason, p->serial, message, std::move(ids)};
  if (e.hooks.stopped) e.hooks.stopped(s.last);
  while (s.resume == TResume::kNone) {
    if (!e.hooks.waitWhileStopped) break;
    if (!e.hooks.waitWhileStopped()) {
      p->Halt();
      break;
    }
  }
  // The time stopped was spent by a person, not by the script.
  LongRunWatch().Rest();
  s.frames.clear();
  s.refs.clear();
  s.stopped = false;
  s.stoppedProcess = nullptr;
  s.busy = false;
  UpdateTraps();
  if (e.hooks.continued) e.hooks.continued();
}

// Where the top frame of p is: file, line and code address of its statement.
bool TopStatement(TProcess* p, std::string& file, int& line, int32_t& address) {
  TCompiledInfo* info = CodeOf(p->fp, p->ip);
  if (!info || !info->cls) return false;
  int k = StatementAt(*info, p->ip, true);
  if (k < 0) return false;
  line = PointLines(*info)[static_cast<size_t>(k)];
  file = info->cls->sourcePath;
  address = info->AddressOf(p->ip);
  return line > 0;
}

void OnStatement(TProcess* p) {
  TEngineState& s = EngineState();
  if (s.busy || !p->fp) return;
  if (s.pauseRequested) {
    StopAt(p, TStopReason::kPause, "", {});
    return;
  }
  if (s.step != TStepMode::kNone) {
    TProcess* stepping = ProcessBySerial(s.stepSerial);
    if (!stepping) {
      // The stepped process ended: the next statement of any process.
      StopAt(p, TStopReason::kStep, "", {});
      return;
    }
    if (p == stepping) {
      int depth = FrameDepth(p);
      bool done = s.step == TStepMode::kInto || (s.step == TStepMode::kOver && depth <= s.stepDepth) ||
                  (s.step == TStepMode::kOut && depth < s.stepDepth);
      if (done) {
        StopAt(p, TStopReason::kStep, "", {});
        return;
      }
    }
  }
  if (s.breakpoints.empty()) return;
  if (s.boundGeneration != CodeGeneration()) BindBreakpoints();
  std::string file;
  int line = 0;
  int32_t address = -1;
  if (!TopStatement(p, file, line, address)) return;
  if (s.skipSerial == p->serial && s.skipFp == p->fp && s.skipLine == line && s.skipFile == file &&
      address > s.skipAddress) {
    s.skipAddress = address;
    return;
  }
  s.skipSerial = 0;
  std::vector<int> hit;
  std::string conditionError;
  for (const TBreakpoint& b : s.breakpoints) {
    if (!b.verified || b.actualLine != line || b.file != file) continue;
    if (!b.condition.empty()) {
      Value v = MakeNull();
      std::string error;
      TFrameRef top{p, p->fp, p->ip, true};
      if (EvaluateIn(b.condition, top, v, error)) {
        bool yes = IsTrue(v);
        Release(v);
        if (!yes) continue;
      } else {
        conditionError = "条件式 " + b.condition + ": " + error;
      }
    }
    hit.push_back(b.id);
  }
  if (hit.empty()) return;
  if (!conditionError.empty() && DebugEngine().hooks.output) DebugEngine().hooks.output(conditionError + "\n");
  s.skipSerial = p->serial;
  s.skipFp = p->fp;
  s.skipFile = file;
  s.skipLine = line;
  s.skipAddress = address;
  StopAt(p, TStopReason::kBreakpoint, "", std::move(hit));
}

void OnError(TProcess* p, const std::string& message) {
  TEngineState& s = EngineState();
  if (s.busy || !s.breakOnError || !p->fp) return;
  if (p->serial == s.lastErrorSerial && message == s.lastErrorMessage) return;
  s.lastErrorSerial = p->serial;
  s.lastErrorMessage = message;
  StopAt(p, TStopReason::kException, ToUtf8(message), {});
}

void InstallHooks() {
  VM().statementHook = OnStatement;
  VM().errorBreak = OnError;
}

void Resume(TStepMode mode) {
  TEngineState& s = EngineState();
  if (!s.stopped) return;
  s.step = mode;
  if (mode != TStepMode::kNone && s.stoppedProcess) {
    s.stepSerial = s.stoppedProcess->serial;
    s.stepDepth = FrameDepth(s.stoppedProcess);
  }
  s.resume = TResume::kRun;
}

}  // namespace

TDebugEngine& DebugEngine() {
  static TDebugEngine* engine = [] {
    InstallHooks();
    return new TDebugEngine();
  }();
  return *engine;
}

std::vector<TBreakpoint> TDebugEngine::SetBreakpoints(const std::string& file,
                                                      const std::vector<std::pair<int, std::string>>& linesAndConditions) {
  TEngineState& s = EngineState();
  auto& all = s.breakpoints;
  all.erase(std::remove_if(all.begin(), all.end(), [&](const TBreakpoint& b) { return b.file == file; }), all.end());
  for (const auto& [line, condition] : linesAndConditions) {
    TBreakpoint b;
    b.id = s.nextBreakpointId++;
    b.file = file;
    b.line = line;
    b.condition = condition;
    all.push_back(b);
  }
  BindBreakpoints();
  SaveBreakpoints();
  UpdateTraps();
  std::vector<TBreakpoint> mine;
  for (const auto& b : all) {
    if (b.file == file) mine.push_back(b);
  }
  return mine;
}

void TDebugEngine::ToggleBreakpoint(const std::string& file, int line) {
  std::vector<std::pair<int, std::string>> lines;
  bool had = false;
  for (const auto& b : EngineState().breakpoints) {
    if (b.file != file) continue;
    if (b.line == line || (b.verified && b.actualLine == line)) {
      had = true;
      continue;
    }
    lines.emplace_back(b.line, b.condition);
  }
  if (!had) lines.emplace_back(line, "");
  SetBreakpoints(file, lines);
}

bool TDebugEngine::HasBreakpoint(const std::string& file, int line) const {
  for (const auto& b : EngineState().breakpoints) {
    if (b.file == file && (b.verified ? b.actualLine : b.line) == line) return true;
  }
  return false;
}

std::vector<TBreakpoint> TDebugEngine::Breakpoints() const {
  if (EngineState().boundGeneration != CodeGeneration()) BindBreakpoints();
  return EngineState().breakpoints;
}

void TDebugEngine::SetBreakOnError(bool on) { EngineState().breakOnError = on; }
bool TDebugEngine::BreakOnError() const { return EngineState().breakOnError; }

void TDebugEngine::Continue() { Resume(TStepMode::kNone); }
void TDebugEngine::StepOver() { Resume(TStepMode::kOver); }
void TDebugEngine::StepInto() { Resume(TStepMode::kInto); }
void TDebugEngine::StepOut() { Resume(TStepMode::kOut); }

void TDebugEngine::RequestPause() {
  TEngineState& s = EngineState();
  if (s.stopped) return;
  s.pauseRequested = true;
  UpdateTraps();
}

bool TDebugEngine::IsStopped() const { return EngineState().stopped; }
const TStopInfo& TDebugEngine::LastStop() const { return EngineState().last; }

void TDebugEngine::Reset() {
  TEngineState& s = EngineState();
  s.refs.clear();
  s.frames.clear();
  s.breakpoints.clear();
  s.storeFile.clear();
  s.step = TStepMode::kNone;
  s.pauseRequested = false;
  s.resume = s.stopped ? TResume::kRun : TResume::kNone;
  s.skipSerial = 0;
  s.breakOnError = false;
  s.last = TStopInfo();
  watches.clear();
  hooks = TDebugEngineHooks();
  UpdateTraps();
  InstallHooks();
}

}  // namespace ruvel
