#include "vm/compiled_info.h"

#include "platform/cp932.h"
#include "platform/error.h"
#include "resources/resource.h"
#include "runtime/rtti.h"
#include "vm/opcodes.h"
#include "vm/statement_traps.h"
#include "vm/translate.h"
#include "vm/vm_state.h"

namespace ruvel {

void TSymInfoList::Record(int32_t op, int32_t address, const std::string& name) {
  if (op == Op_Point) {
    points.emplace_back(name, address);
    return;
  }
  for (auto& e : elems) {
    if (e.op == op && e.name == name) {
      e.addresses.push_back(address);
      return;
    }
  }
  elems.push_back(TCInfoElem{op, name, {address}});
}

namespace {

// Word index of p inside words (one past the end included), -1 outside.
int64_t IndexIn(const std::vector<uint32_t>& words, const uint32_t* p) {
  if (words.empty() || p < words.data() || p > words.data() + words.size()) return -1;
  return p - words.data();
}

}  // namespace

TCompiledInfo::TCompiledInfo() { RegisterCode(this); }
TCompiledInfo::TCompiledInfo(const TCompiledInfo& other)
    : symbols(other.symbols),
      code(other.code),
      cls(other.cls),
      formerSource(other.formerSource),
      wrapper(other.wrapper),
      verified_(other.verified_),
      verifiedLocals_(other.verifiedLocals_),
      run_(other.run_),
      retired_(other.retired_),
      fused_(other.fused_) {
  RegisterCode(this);
}
TCompiledInfo::~TCompiledInfo() { UnregisterCode(this); }

void TCompiledInfo::FillRun(std::vector<uint32_t>& run) {
  wrapper = NativeWrapper();
  fused_ = 0;
  if (VM().statementTraps) {
    run = code;
    PlaceTraps(code, symbols.points, run);
  } else if (VM().fuseCode) {
    fused_ = TranslateCode(code, run);
    FindNativeWrapper(code, wrapper);
  } else {
    run = code;
  }
}

void TCompiledInfo::RewriteRun() {
  // The copy is rewritten where it is: frames hold pointers into it.
  if (!run_ || verified_ != code.size() || run_->size() != code.size()) return;
  FillRun(*run_);
}

bool TCompiledInfo::Holds(const uint32_t* p) const {
  auto inside = [p](const std::vector<uint32_t>& words) { return p >= words.data() && p < words.data() + words.size(); };
  if (inside(code)) return true;
  if (run_ && inside(*run_)) return true;
  for (const auto& old : retired_) {
    if (inside(*old)) return true;
  }
  return false;
}

int32_t TCompiledInfo::AddressOf(const uint32_t* p) const {
  int64_t i = IndexIn(code, p);
  if (i < 0 && run_) i = IndexIn(*run_, p);
  for (size_t k = 0; i < 0 && k < retired_.size(); ++k) i = IndexIn(*retired_[k], p);
  return i < 0 ? -1 : static_cast<int32_t>(i * 4);
}

std::string TCompiledInfo::PositionOf(int32_t address) const {
  if (!cls) return "none";
  for (size_t i = symbols.points.size(); i-- > 0;) {
    if (symbols.points[i].second < address) return FullName(cls) + "," + symbols.points[i].first;
  }
  return "none";
}

std::vector<std::string> TCompiledInfo::SymbolListing() const {
  std::vector<std::string> lines;
  for (const auto& e : symbols.elems) {
    for (int32_t a : e.addresses) {
      lines.push_back(std::string("op=") + OpcodeName(static_cast<uint32_t>(e.op)) + " ,addr=" + std::to_string(a) +
                      " ,info=" + e.name);
    }
  }
  return lines;
}

void TCompiledInfo::Verify(int32_t locals) {
  const size_t n = code.size();
  std::vector<char> start(n + 1, 0);
  std::vector<size_t> jumps;
  size_t i = 0;
  uint32_t last = Op_Halt;
  auto bad = []() { throw EVMError(J("異常な命令が入っています")); };
  while (i < n) {
    start[i] = 1;
    uint32_t op = code[i];
    const OpcodeInfo* info = OpInfo(op);
    if (!info) bad();
    size_t words = static_cast<size_t>(info->words);
    if (op == Op_PushString) {
      if (i + 1 >= n || code[i + 1] % 4 != 0) bad();
      words = 2 + code[i + 1] / 4;
    }
    if (i + words > n) bad();
    // A local index past the frame's locals would address the slots below
    // them, which hold stale values of earlier pushes.
    if ((op == Op_LocalValPtr || op == Op_LocalValPtr_Deref) && (locals <= 0 || code[i + 1] >= static_cast<uint32_t>(locals))) {
      bad();
    }
    if (op == Op_Jump || op == Op_JumpZero || op == Op_Jump_And || op == Op_Jump_Or || op == Op_DoForIn) {
      jumps.push_back(i);
    }
    last = op;
    i += words;
  }
  for (size_t j : jumps) {
    int64_t target = static_cast<int64_t>(j) * 4 + static_cast<int32_t>(code[j + 1]);
    if (target < 0 || target % 4 != 0 || static_cast<size_t>(target / 4) >= n || !start[target / 4]) bad();
  }
  // Execution must not run past the last word.
  if (n > 0 && last != Op_Halt && last != Op_Ret && last != Op_Jump) bad();
  if (n > 0 && !StackDepthsAgree(start)) bad();
  auto run = std::make_shared<std::vector<uint32_t>>();
  FillRun(*run);
  pointLines.clear();
  BumpCodeGeneration();
  if (run_) retired_.push_back(std::move(run_));
  run_ = std::move(run);
  verified_ = n;
  verifiedLocals_ = locals;
}

bool TCompiledInfo::StackDepthsAgree(const std::vector<char>& start) const {
  // Finds, for every reachable instruction, the fewest slots the code
  // itself can have pushed when it gets there (over all paths); no
  // instruction may take more than that, so a run never pops into the
  // frame below its own temporaries.
  const size_t n = code.size();
  std::vector<int32_t> depth(n, -1);
  std::vector<size_t> work{0};
  depth[0] = 0;
  auto reach = [&](size_t at, int32_t d) {
    if (at >= n || !start[at]) return false;
    if (depth[at] < 0 || d < depth[at]) {
      depth[at] = d;
      work.push_back(at);
    }
    return true;
  };
  while (!work.empty()) {
    size_t i = work.back();
    work.pop_back();
    const int32_t d = depth[i];
    const uint32_t op = code[i];
    const OpcodeInfo* info = OpInfo(op);
    size_t words = op == Op_PushString ? 2 + code[i + 1] / 4 : static_cast<size_t>(info->words);
    int32_t need = info->need;
    int32_t delta = info->delta;
    if (need == kCall) {
      uint32_t argc = code[i + 1];
      if (argc >= static_cast<uint32_t>(kMaxArguments)) return false;
      need = static_cast<int32_t>(argc) + 1;
      delta = -static_cast<int32_t>(argc);
    }
    if (d < need) return false;
    const bool jumps = op == Op_Jump || op == Op_JumpZero || op == Op_Jump_And || op == Op_Jump_Or || op == Op_DoForIn;
    if (jumps) {
      // And/Or keep their operand when they jump.
      int32_t taken = (op == Op_Jump_And || op == Op_Jump_Or) ? d : d + delta;
      int64_t target = static_cast<int64_t>(i) * 4 + static_cast<int32_t>(code[i + 1]);
      if (!reach(static_cast<size_t>(target / 4), taken)) return false;
    }
    if (op == Op_Jump || op == Op_Ret || op == Op_Halt) continue;
    if (!reach(i + words, d + delta)) return false;
  }
  return true;
}

void TCompiledInfo::WriteBlock(BinaryWriter& w) const {
  w.Int(static_cast<int32_t>(symbols.elems.size()));
  for (const auto& e : symbols.elems) {
    w.Int(e.op);
    w.String(e.name);
    w.Int(static_cast<int32_t>(e.addresses.size()));
    for (int32_t a : e.addresses) w.Int(a);
  }
  w.Int(static_cast<int32_t>(symbols.points.size()));
  for (const auto& p : symbols.points) {
    w.String(p.first);
    w.Int(p.second);
  }
  w.Int(LengthBytes());
  w.Bytes(code.data(), code.size() * 4);
}

void TCompiledInfo::ReadBlock(BinaryReader& r) {
  auto count = [&](size_t minBytesEach) {
    int32_t n = r.Int();
    if (n < 0 || static_cast<size_t>(n) > r.Left() / minBytesEach) throw EIOError(J("ファイルが途中で切れています"));
    return n;
  };
  symbols = TSymInfoList();
  int32_t e = count(12);
  for (int32_t i = 0; i < e; ++i) {
    TCInfoElem elem;
    elem.op = r.Int();
    elem.name = r.String();
    int32_t a = count(4);
    for (int32_t k = 0; k < a; ++k) elem.addresses.push_back(r.Int());
    symbols.elems.push_back(std::move(elem));
  }
  int32_t p = count(8);
  for (int32_t i = 0; i < p; ++i) {
    std::string text = r.String();
    int32_t addr = r.Int();
    symbols.points.emplace_back(std::move(text), addr);
  }
  int32_t len = r.Int();
  if (len < 0 || len % 4 != 0 || static_cast<size_t>(len) > r.Left()) throw EIOError(J("ファイルが途中で切れています"));
  code.assign(len / 4, 0);
  r.Bytes(code.data(), len);
  CodeChanged();
}

}  // namespace ruvel
