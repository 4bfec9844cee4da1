// Inspection while stopped: processes, call stacks, scopes and variables by
// name, and the source positions of statements.
#include <algorithm>
#include <cstdlib>

#include "debugger/debug_engine.h"
#include "debugger/engine_state.h"
#include "platform/cp932.h"
#include "natives/hashtable.h"
#include "resources/resource.h"
#include "runtime/function.h"
#include "runtime/rtti.h"
#include "vm/host_registry.h"
#include "vm/interpreter.h"
#include "vm/process.h"
#include "vm/statement_traps.h"
#include "vm/value_list.h"
#include "vm/vm_state.h"

namespace ruvel {

std::shared_ptr<const std::string> SourceOf(const TCompiledInfo& info) {
  if (info.formerSource) return info.formerSource;
  return info.cls ? info.cls->CompiledText : nullptr;
}

namespace {

const std::vector<int32_t>& StartsOf(const std::shared_ptr<const std::string>& text) {
  auto& cache = EngineState().lineStarts;
  auto it = cache.find(text.get());
  if (it != cache.end() && it->second.first == text) return it->second.second;
  std::vector<int32_t> starts{0};
  for (size_t i = 0; i < text->size(); ++i) {
    if ((*text)[i] == '\n') starts.push_back(static_cast<int32_t>(i + 1));
  }
  auto& entry = cache[text.get()];
  entry = {text, std::move(starts)};
  return entry.second;
}

int LineOfOffset(const std::vector<int32_t>& starts, int32_t offset) {
  return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin());
}

int Utf16Units(const std::string& utf8) {
  int units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) == 0x80) continue;
    units += c >= 0xF0 ? 2 : 1;
  }
  return units;
}

TVarRef& NewRef(TRefKind kind, int frame, const Value& v, int& id) {
  auto& refs = EngineState().refs;
  refs.push_back(TVarRef{kind, frame, v});
  id = static_cast<int>(refs.size());
  return refs.back();
}

bool IsArray(const Instance* inst) {
  TRTTI* array = VM().arrayClass;
  return array && inst->cls->DerivesFrom(array);
}

TValueList* ArrayCells(Instance* inst) {
  int32_t x = VM().arrayXIndex;
  if (x < 0 || static_cast<uint32_t>(x) >= inst->count) return nullptr;
  return LiveHostAs<TValueList>(inst->members()[x]);
}

// The entries of a hash table held in a host slot, as "[key]".
void AddEntries(const Value& slot, std::vector<TVariableInfo>& out) {
  if (slot.tag != kHost || !slot.host || !IsLiveHost(slot.host)) return;
  auto* table = dynamic_cast<TAbstractHashtable*>(slot.host);
  if (!table) return;
  for (int b = 0; b < TAbstractHashtable::kBuckets; ++b) {
    for (const auto& e : table->Bucket(b)) {
      TVariableInfo key = DescribeValue("", e.key);
      out.push_back(DescribeValue("[" + key.value + "]", e.value));
    }
  }
}

void AddMembers(Instance* inst, std::vector<TVariableInfo>& out) {
  TRTTI* cls = inst->cls;
  int32_t n = std::min<int32_t>(static_cast<int32_t>(inst->count), cls->Members.Count());
  for (int32_t i = 0; i < n; ++i) {
    const std::string& name = cls->Members.NameAt(i);
    // Slots beginning with "_" belong to the host; a hash table's shows
    // its entries.
    if (name.empty() || name[0] == '_') AddEntries(inst->members()[i], out);
    else out.push_back(DescribeValue(ToUtf8(name), inst->members()[i]));
  }
}

void AddGlobals(TResource* list, std::vector<TVariableInfo>& out) {
  auto* l = dynamic_cast<TResourceList*>(list);
  if (!l) return;
  for (size_t i = 0; i < l->ChildCount(); ++i) {
    TResource* r = l->ChildAt(i);
    if (r->name.empty() || r->name[0] != '$') continue;
    if (Value* v = r->ValuePtr()) out.push_back(DescribeValue(ToUtf8(r->name), *v));
  }
}

}  // namespace

void LineColumn(const std::string& text, int32_t offset, int& line, int& column) {
  offset = std::clamp<int32_t>(offset, 0, static_cast<int32_t>(text.size()));
  size_t start = offset == 0 ? 0 : text.rfind('\n', static_cast<size_t>(offset) - 1);
  start = start == std::string::npos || offset == 0 ? 0 : start + 1;
  line = static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(start), '\n')) + 1;
  // A statement's position is its semicolon: the column shown is where the
  // line's text begins.
  size_t first = start;
  while (first < static_cast<size_t>(offset) && (text[first] == ' ' || text[first] == '\t')) ++first;
  column = Utf16Units(ToUtf8(text.substr(start, first - start))) + 1;
}

const std::vector<int32_t>& PointLines(TCompiledInfo& info) {
  if (info.pointLines.size() == info.symbols.points.size()) return info.pointLines;
  info.pointLines.assign(info.symbols.points.size(), 0);
  auto text = SourceOf(info);
  if (!text) return info.pointLines;
  const auto& starts = StartsOf(text);
  for (size_t k = 0; k < info.symbols.points.size(); ++k) {
    // Marks of calls may carry the position of an earlier statement.
    if (MarksCall(info.code, info.symbols.points[k].second)) continue;
    int32_t offset = std::atoi(info.symbols.points[k].first.c_str());
    if (offset >= 0 && offset <= static_cast<int32_t>(text->size())) info.pointLines[k] = LineOfOffset(starts, offset);
  }
  return info.pointLines;
}

int StatementAt(const TCompiledInfo& info, const uint32_t* pc, bool top) {
  int32_t address = info.AddressOf(pc);
  if (address < 0) return -1;
  int best = -1;
  int32_t bestAddress = -1;
  const auto& points = info.symbols.points;
  for (size_t k = 0; k < points.size(); ++k) {
    int32_t a = points[k].second;
    if (MarksCall(info.code, a)) continue;
    bool before = top ? a <= address : a < address;
    if (before && a >= bestAddress) {
      best = static_cast<int>(k);
      bestAddress = a;
    }
  }
  return best;
}

TCompiledInfo* CodeOf(Value* fp, const uint32_t* pc) {
  FrameData* fd = FrameOf(fp);
  return FrameCode(fd->func, fd->receiver, pc);
}

int FrameDepth(const TProcess* p) {
  int depth = 0;
  for (Value* f = p->fp; f && depth < kStackSlots; f = FrameOf(f)->savedFp) ++depth;
  return depth;
}

TProcess* ProcessBySerial(int serial) {
  for (TProcess* p : LiveProcesses()) {
    if (p->serial == serial) return p->halted || !p->fp ? nullptr : p;
  }
  return nullptr;
}

TVariableInfo DescribeValue(const std::string& name, const Value& v) {
  TVariableInfo r;
  r.name = name;
  switch (v.tag) {
    case kNull: r.value = "null"; r.type = "null"; break;
    case kUninit: r.value = "null"; r.type = "null"; break;
    case kInt: r.value = std::to_string(v.i); r.type = "int"; break;
    case kFloat: r.value = FloatToText(v.f); r.type = "float"; break;
    case kRef: return v.ref ? DescribeValue(name, *v.ref) : DescribeValue(name, MakeNull());
    case kHost: r.value = v.host ? v.host->TypeName() : "null"; r.type = "host"; break;
    case kError: r.value = "error"; r.type = "error"; break;
    case kObject: {
      Instance* inst = v.obj;
      if (!inst) {
        r.value = "null";
        r.type = "null";
        break;
      }
      if (IsStringObject(inst)) {
        r.value = "\"" + ToUtf8(StringText(inst)) + "\"";
        r.type = "string";
        break;
      }
      r.type = ToUtf8(inst->cls->name);
      r.value = r.type + "#" + std::to_string(inst->handle);
      bool expands = inst->count > 0;
      if (IsArray(inst)) {
        TValueList* cells = ArrayCells(inst);
        r.value += " [" + std::to_string(cells ? cells->cells.size() : 0) + "]";
        expands = cells && !cells->cells.empty();
      }
      if (expands && EngineState().stopped) NewRef(TRefKind::kValue, 0, v, r.variablesRef);
      break;
    }
  }
  return r;
}

void BindBreakpoints() {
  TEngineState& s = EngineState();
  s.statementLines.clear();
  ForEachCode([&](TCompiledInfo& info) {
    if (!info.cls || info.cls->sourcePath.empty() || info.formerSource) return;
    auto& lines = s.statementLines[info.cls->sourcePath];
    for (int32_t line : PointLines(info)) {
      if (line > 0) lines.push_back(line);
    }
  });
  for (auto& [file, lines] : s.statementLines) {
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  }
  for (TBreakpoint& b : s.breakpoints) {
    auto it = s.statementLines.find(b.file);
    b.verified = false;
    b.actualLine = b.line;
    if (it == s.statementLines.end()) continue;
    auto at = std::lower_bound(it->second.begin(), it->second.end(), b.line);
    if (at == it->second.end()) continue;
    b.verified = true;
    b.actualLine = *at;
  }
  s.boundGeneration = CodeGeneration();
}

std::vector<TProcessInfo> TDebugEngine::Processes() const {
  std::vector<TProcessInfo> list;
  for (TProcess* p : LiveProcesses()) {
    if (p->halted || !p->fp) continue;
    std::string name = p == VM().rootProcess ? std::string("root") : ToUtf8(RunningWhere(p));
    list.push_back({p->serial, name.empty() ? std::string("root") : name});
  }
  return list;
}

std::vector<TFrameInfo> TDebugEngine::StackTrace(int processId) const {
  std::vector<TFrameInfo> list;
  TEngineState& s = EngineState();
  if (!s.stopped) return list;
  TProcess* p = ProcessBySerial(processId);
  if (!p) return list;
  Value* f = p->fp;
  uint32_t* pc = p->ip;
  bool top = true;
  for (int guard = 0; f && guard < kStackSlots; ++guard) {
    FrameData* fd = FrameOf(f);
    TFrameInfo info;
    s.frames.push_back(TFrameRef{p, f, pc, top});
    info.id = static_cast<int>(s.frames.size());
    info.method = fd->func ? ToUtf8(fd->func->GetName()) : std::string();
    if (TCompiledInfo* code = CodeOf(f, pc)) {
      if (code->cls) {
        info.className = ToUtf8(code->cls->name);
        info.file = code->cls->sourcePath;
      }
      int k = StatementAt(*code, pc, top);
      auto text = SourceOf(*code);
      if (k >= 0 && text) {
        int32_t offset = std::atoi(code->symbols.points[static_cast<size_t>(k)].first.c_str());
        LineColumn(*text, offset, info.line, info.column);
      }
    }
    list.push_back(info);
    pc = fd->returnAddr;
    f = fd->savedFp;
    top = false;
  }
  return list;
}

std::vector<TScopeInfo> TDebugEngine::Scopes(int frameId) const {
  std::vector<TScopeInfo> list;
  TEngineState& s = EngineState();
  if (!s.stopped || frameId <= 0 || frameId > static_cast<int>(s.frames.size())) return list;
  const int frame = frameId - 1;
  TScopeInfo locals{"引数とローカル変数", 0};
  NewRef(TRefKind::kLocals, frame, MakeNull(), locals.variablesRef);
  list.push_back(locals);
  const Value& self = *FrameOf(s.frames[static_cast<size_t>(frame)].fp)->receiver;
  if (self.tag == kObject && self.obj) {
    TScopeInfo me{"this", 0};
    NewRef(TRefKind::kThis, frame, self, me.variablesRef);
    list.push_back(me);
  }
  TScopeInfo globals{"グローバル変数", 0};
  NewRef(TRefKind::kGlobals, frame, MakeNull(), globals.variablesRef);
  list.push_back(globals);
  return list;
}

std::vector<TVariableInfo> TDebugEngine::Variables(int variablesRef) const {
  std::vector<TVariableInfo> out;
  TEngineState& s = EngineState();
  if (!s.stopped || variablesRef <= 0 || variablesRef > static_cast<int>(s.refs.size())) return out;
  const TVarRef ref = s.refs[static_cast<size_t>(variablesRef) - 1];
  switch (ref.kind) {
    case TRefKind::kLocals: {
      Value* fp = s.frames[static_cast<size_t>(ref.frame)].fp;
      FrameData* fd = FrameOf(fp);
      auto* f = dynamic_cast<TNormalFunction*>(fd->func);
      if (!f) break;
      for (int32_t i = 0; i < fd->argc && i < static_cast<int32_t>(f->Params.size()); ++i) {
        out.push_back(DescribeValue(ToUtf8(f->Params[static_cast<size_t>(i)]), fd->receiver[-(i + 1)]));
      }
      for (int32_t k = 0; k < f->LocalCount(); ++k) {
        out.push_back(DescribeValue(ToUtf8(f->Locals[static_cast<size_t>(k)]), fp[-k]));
      }
      break;
    }
    case TRefKind::kThis:
      if (ref.value.tag == kObject && ref.value.obj) AddMembers(ref.value.obj, out);
      break;
    case TRefKind::kGlobals:
      if (TResource* root = VM().root) {
        AddGlobals(root, out);
        if (auto* l = dynamic_cast<TResourceList*>(root)) {
          if (TResource* usr = l->Child("usrglobal")) AddGlobals(usr, out);
        }
      }
      break;
    case TRefKind::kValue: {
      Instance* inst = ref.value.tag == kObject ? ref.value.obj : nullptr;
      if (!inst) break;
      if (IsArray(inst)) {
        if (TValueList* cells = ArrayCells(inst)) {
          for (size_t i = 0; i < cells->cells.size(); ++i) {
            out.push_back(DescribeValue("[" + std::to_string(i) + "]", cells->cells[i]));
          }
        }
      } else {
        AddMembers(inst, out);
      }
      break;
    }
  }
  return out;
}

bool TDebugEngine::Evaluate(const std::string& expression, int frameId, TVariableInfo& result, std::string& error) {
  TEngineState& s = EngineState();
  TFrameRef frame;
  if (s.stopped) {
    if (frameId > 0 && frameId <= static_cast<int>(s.frames.size())) {
      frame = s.frames[static_cast<size_t>(frameId) - 1];
    } else if (s.stoppedProcess) {
      frame = TFrameRef{s.stoppedProcess, s.stoppedProcess->fp, s.stoppedProcess->ip, true};
    }
  }
  Value v = MakeNull();
  if (!EvaluateIn(expression, frame, v, error)) return false;
  result = DescribeValue(expression, v);
  // A value only shown, not kept: an object stays alive while stopped
  // through whatever else holds it; a fresh one is described and let go.
  if (result.variablesRef > 0 && v.tag == kObject && v.obj && v.obj->refcount <= 1) result.variablesRef = 0;
  Release(v);
  return true;
}

}  // namespace ruvel
