#include "vm/interpreter.h"

#include <cstring>
#include <typeinfo>

#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "platform/source_position.h"
#include "runtime/function.h"
#include "runtime/rtti.h"
#include "vm/arith.h"
#include "vm/fast_natives.h"
#include "vm/frame_restart.h"
#include "vm/fused_ops.h"
#include "vm/gc.h"
#include "vm/host_registry.h"
#include "vm/long_run.h"
#include "vm/opcodes.h"
#include "vm/process.h"
#include "vm/symbols.h"
#include "vm/tfstring.h"
#include "vm/value_list.h"

namespace ruvel {

std::string Describe(const Value& v) {
  return ValueToText(v) + (v.tag == kUninit ? J("は初期化されていないため") : J("はオブジェクトではないため"));
}

std::string FormatError(const std::string& message, const TTraceList& trace) {
  std::string text = message;
  // The offset stays where it always was; line and column follow it.
  for (const auto& e : trace) {
    std::string where = e.text ? LineColumnText(LineColumnOf(*e.text, e.position)) : LineColumnText(e.file, e.position);
    text += "\n  " + e.file + " (" + std::to_string(e.position) + ")" + where;
  }
  return text;
}

static void ShowError(const std::string& message, const TTraceList& trace) {
  if (VM().showError) VM().showError(message, trace);
  else ShowMessage(FormatError(message, trace));
}

void Report(TProcess* p, const std::string& message) {
  if (message == VM().lastReported) return;
  VM().lastReported = message;
  // A reported error of the running process stops in the debugger as one
  // that ends it does (its registers were saved by the reporting handler).
  if (p && p == VM().current && p->runDepth > 0 && VM().errorBreak) VM().errorBreak(p, message);
  ShowError(message, p ? Trace(p) : TTraceList{});
  if (p && VM().runError) VM().runError(p, message);
}

namespace {

TCompiledInfo* CodeOfFrame(Value* f, const uint32_t* pc) {
  FrameData* fd = FrameOf(f);
  return FrameCode(fd->func, fd->receiver, pc);
}

}  // namespace

TTraceList Trace(TProcess* p) {
  TTraceList list;
  Value* f = p->fp;
  uint32_t* pc = p->ip;
  int guard = 0;
  while (f && guard++ < kStackSlots) {
    TCompiledInfo* info = CodeOfFrame(f, pc);
    if (info) {
      std::string pos = info->PositionOf(info->AddressOf(pc));
      size_t comma = pos.rfind(',');
      if (comma != std::string::npos && info->cls) {
        list.push_back({info->cls->sourcePath, std::atoi(pos.c_str() + comma + 1), info->formerSource});
      }
    }
    FrameData* fd = FrameOf(f);
    pc = fd->returnAddr;
    f = fd->savedFp;
  }
  return list;
}

std::string FunctionWhere(const TFunction* f) {
  if (!f) return {};
  return (f->Owner ? f->Owner->name : std::string("?")) + "." + f->GetName();
}

std::string RunningWhere(TProcess* p) {
  if (!p || !p->fp) return {};
  TCompiledInfo* info = CodeOfFrame(p->fp, p->ip);
  std::string cls = info && info->cls ? info->cls->name : std::string("?");
  TFunction* f = FrameOf(p->fp)->func;
  return f ? cls + "." + f->GetName() : cls;
}

namespace {

[[noreturn]] void StackOverflow() { throw EVMError(J("スタックがあふれました")); }
[[noreturn]] void BadCode() { throw EVMError(J("異常な命令が入っています")); }

[[noreturn]] void NoStaticMember(const Value& v) { throw EVMError(Describe(v) + J("、メンバ変数を参照できません")); }

// Member slot n of the object in v, for the instructions that address
// members by index; anything else than an object with that slot raises.
inline Value* StaticMember(const Value& v, uint32_t n) {
  if (__builtin_expect(v.tag != kObject || !v.obj || n >= v.obj->count, 0)) NoStaticMember(v);
  return &v.obj->members()[n];
}

// The receiver of a call with argc arguments lies inside the stack.
inline bool ArgcFits(Value* sp, int32_t argc, Value* stackBase) {
  return argc >= 0 && argc < kStackSlots && sp + argc < stackBase + kStackSlots;
}

// Concatenation for Add: left := text(left) + text(right).
void Concat(Value& left, Value& right) {
  // The text is built in one buffer of the final size and handed to the
  // new string, so a long string is copied once per concatenation.
  std::string rightText;
  if (right.tag != kNull && right.tag != kUninit) rightText = ValueToText(right);
  std::string text;
  if (left.tag == kObject && IsStringObject(left.obj)) {
    const std::string& leftText = StringText(left.obj);
    text.reserve(leftText.size() + rightText.size());
    text += leftText;
  } else {
    text = ValueToText(left);
  }
  text += rightText;
  int32_t saved = VM().stepBudget;
  Instance* s = NewScriptString(std::move(text));
  VM().stepBudget = saved;
  Release(right);
  Value nv = MakeObject(s);
  ValueAssign(left, nv);
}

// Add, Subst, Pop of "x = x + right" where x's string is counted only by
// x and by the stack's copy: the text grows in place, which leaves what
// Concat, Subst and Pop would leave (x holding the longer text, counted
// once) without copying the text so far. False when that does not apply.
bool AppendInPlace(Value& left, Value& right) {
  Instance* inst = left.obj;
  if (!IsStringObject(inst)) return false;
  Value* body = FindMemberSlot(inst, kSymBody, VM().bodyCache);
  if (!body || body->tag != kHost || !body->host || !IsLiveHost(body->host) ||
      typeid(*body->host) != typeid(TfString)) {
    return false;
  }
  std::string& text = static_cast<TfString*>(body->host)->text;
  if (right.tag == kObject && IsStringObject(right.obj)) {
    const std::string& more = StringText(right.obj);
    if (text.size() + more.size() > kMaxScriptString) return false;
    text += more;
  } else {
    std::string more;
    if (right.tag != kNull && right.tag != kUninit) more = ValueToText(right);
    if (text.size() + more.size() > kMaxScriptString) return false;
    text += more;
  }
  Release(right);
  return true;
}

// Left operand of a tag not handled by the arithmetic rows: it takes the
// right operand (negated for Sub); the stack slot's count moves with it.
void TakeRight(Value& left, Value& right, bool negate) {
  left = right;
  if (negate) {
    if (left.tag == kInt) left = MakeInt(WrapNeg(left.i));
    else if (left.tag == kFloat) left = MakeFloat(-left.f);
  }
}

void SlowAdd(Value& l, Value& r) {
  switch (l.tag) {
    case kInt:
      if (r.tag == kInt) l = MakeInt(WrapAdd(l.i, r.i));
      else if (r.tag == kFloat) l = MakeFloat(FloatAdd(IntToFloat(l.i), r.f));
      else if (r.tag == kObject) Concat(l, r);
      return;
    case kFloat:
      if (r.tag == kInt) l = MakeFloat(FloatAdd(l.f, IntToFloat(r.i)));
      else if (r.tag == kFloat) l = MakeFloat(FloatAdd(l.f, r.f));
      else if (r.tag == kObject) Concat(l, r);
      return;
    case kObject:
      Concat(l, r);
      return;
    default:
      TakeRight(l, r, false);
  }
}

enum class ArOp { kSub, kMul, kDiv, kMod };

int32_t IntOp(ArOp op, int32_t a, int32_t b) {
  switch (op) {
    case ArOp::kSub: return WrapSub(a, b);
    case ArOp::kMul: return WrapMul(a, b);
    case ArOp::kMod: return IntMod(a, b);
    default: return 0;
  }
}

float FloatOp(ArOp op, float a, float b) {
  switch (op) {
    case ArOp::kSub: return FloatSub(a, b);
    case ArOp::kMul: return FloatMul(a, b);
    case ArOp::kDiv: return FloatDiv(a, b);
    default: return 0.0f;
  }
}

void SlowArith(ArOp op, Value& l, Value& r) {
  if (l.tag == kInt) {
    if (r.tag == kInt) {
      if (op == ArOp::kDiv) {
        // Exact quotients stay integers; others become floats.
        if (IntMod(l.i, r.i) == 0) l = MakeInt(IntDiv(l.i, r.i));
        else l = MakeFloat(FloatDiv(IntToFloat(l.i), IntToFloat(r.i)));
      } else {
        l = MakeInt(IntOp(op, l.i, r.i));
      }
    } else if (r.tag == kFloat) {
      if (op == ArOp::kMod) l = MakeInt(IntMod(l.i, FloatToIntChecked(r.f)));
      else l = MakeFloat(FloatOp(op, IntToFloat(l.i), r.f));
    } else if (r.tag == kObject) {
      Release(r);
    }
    return;
  }
  if (l.tag == kFloat) {
    if (r.tag == kInt || r.tag == kFloat) {
      if (op == ArOp::kMod) {
        int32_t a = FloatToIntChecked(l.f);
        int32_t b = r.tag == kInt ? r.i : FloatToIntChecked(r.f);
        l = MakeInt(IntMod(a, b));
      } else {
        l = MakeFloat(FloatOp(op, l.f, r.tag == kInt ? IntToFloat(r.i) : r.f));
      }
    } else if (r.tag == kObject) {
      Release(r);
    }
    return;
  }
  if (l.tag == kObject) {
    if (r.tag == kObject) Release(r);
    return;
  }
  TakeRight(l, r, op == ArOp::kSub);
}

// AddSubst / SubSubst on the slot s.
void AddSubSubst(Value& s, Value& r, bool sub) {
  switch (s.tag) {
    case kInt:
      if (r.tag == kInt) s = MakeInt(sub ? WrapSub(s.i, r.i) : WrapAdd(s.i, r.i));
      else if (r.tag == kFloat) s = MakeFloat(sub ? FloatSub(IntToFloat(s.i), r.f) : FloatAdd(IntToFloat(s.i), r.f));
      else if (r.tag == kObject) Release(r);
      return;
    case kFloat:
      if (r.tag == kInt || r.tag == kFloat) {
        float b = r.tag == kInt ? IntToFloat(r.i) : r.f;
        s = MakeFloat(sub ? FloatSub(s.f, b) : FloatAdd(s.f, b));
      } else if (r.tag == kObject) {
        Release(r);
      }
      return;
    case kObject:
      if (r.tag == kObject) Release(r);
      return;
    default:
      s = r;  // the stack slot's count moves into the variable
  }
}

// The method a DCall reaches on receiver recv, following the rules for
// missing methods and non-object receivers.
TFunction* DCallTarget(TProcess* p, Value& recv, int32_t sym, int32_t& cache) {
  TFunction* f = nullptr;
  if (recv.tag == kObject && recv.obj) {
    TRTTI* cls = recv.obj->cls;
    f = cls->FindMethod(sym, cache);
    if (!f) {
      cache = 0;
      std::string msg = J("メソッド") + SymbolName(sym) + J("は定義されていません");
      Report(p, msg);
      int32_t hint = 0;
      f = cls->FindMethod(kSymErrorHook, hint);
      if (!f) throw EVMError(msg);
    }
  } else {
    std::string msg = Describe(recv) + J("、メソッド") + SymbolName(sym) + J("を呼び出せません");
    if (recv.tag != kError) Report(p, msg);
    int32_t hint = 0;
    TRTTI* obj = VM().objectClass;
    f = obj ? obj->FindMethod(kSymErrorHook, hint) : nullptr;
    if (!f) throw EVMError(msg);
  }
  if (f->Kind() == FunctionKind::kNative) throw EVMError(J("Native関数") + f->GetName() + J("は呼び出せません"));
  return f;
}

// Operand sources of fused groups (vm/fused_ops.h), w pointing at the
// source's instruction. IntSrc_* gives an integer operand and is false
// when the source is not an integer that its own instruction would push;
// ValSrc_* gives any value the same way. A local is taken only from the
// live part of the stack (at or above sp), where the slots pushed inside
// the group cannot be; anything else runs instruction by instruction.
inline Value* LiveLocal(const uint32_t* w, Value* fp, Value* sp, uint32_t fpDepth) {
  if (w[1] > fpDepth) return nullptr;
  Value* slot = fp - static_cast<int32_t>(w[1]);
  return slot >= sp ? slot : nullptr;
}
inline bool IntSrc_L(const uint32_t* w, Value* fp, Value*, Value* sp, uint32_t fpDepth, int32_t& out) {
  Value* slot = LiveLocal(w, fp, sp, fpDepth);
  if (!slot || slot->tag != kInt) return false;
  out = slot->i;
  return true;
}
inline bool IntSrc_A(const uint32_t* w, Value* fp, Value* self, Value*, uint32_t, int32_t& out) {
  int32_t n = static_cast<int32_t>(w[1]);
  if (n < 0 || n >= FrameOf(fp)->argc) return false;
  const Value& v = self[-(n + 1)];
  out = v.i;
  return v.tag == kInt;
}
inline bool IntSrc_K(const uint32_t* w, Value*, Value*, Value*, uint32_t, int32_t& out) {
  out = static_cast<int32_t>(w[2]);  // the translation took only integer constants
  return true;
}
inline bool ValSrc_L(const uint32_t* w, Value* fp, Value*, Value* sp, uint32_t fpDepth, Value& out) {
  Value* slot = LiveLocal(w, fp, sp, fpDepth);
  if (!slot) return false;
  out = *slot;
  return true;
}
inline bool ValSrc_A(const uint32_t* w, Value* fp, Value* self, Value*, uint32_t, Value& out) {
  int32_t n = static_cast<int32_t>(w[1]);
  out = n >= 0 && n < FrameOf(fp)->argc ? self[-(n + 1)] : MakeNull();
  return true;
}
inline bool ValSrc_K(const uint32_t* w, Value*, Value*, Value*, uint32_t, Value& out) {
  out = MakeInt(static_cast<int32_t>(w[2]));
  return true;
}

// Which of the comparisons GT, GTE, LT, LTE, EQ, NEQ hold, by bit: bit 0
// for "less", bit 1 for "equal", bit 2 for "greater".
constexpr uint8_t kCompareMask[6] = {0b100, 0b110, 0b001, 0b011, 0b010, 0b101};

// Executes up to p->remaining instructions. Registers live in locals and
// are written back when the slice ends or an error leaves.
void Execute(TProcess* p) {
  Value* sp = p->sp;
  Value* fp = p->fp;
  Value* self = p->receiver;
  uint32_t* pc = p->ip;
  int32_t rem = p->remaining;
  Value* const stackBase = p->stack;
  // Slots below the frame pointer: the largest local index that stays
  // inside the stack block. Updated whenever fp changes.
  uint32_t fpDepth = fp ? static_cast<uint32_t>(fp - stackBase) : 0;
  VMState& vm = VM();
  // The native about to be called and its argument count (NativeCall and
  // the fused groups that end in one).
  NativeHandler native = nullptr;
  int32_t nativeArgc = 0;

#define SAVE()            \
  do {                    \
    p->sp = sp;           \
    p->fp = fp;           \
    p->receiver = self;   \
    p->ip = pc;           \
    p->remaining = rem;   \
  } while (0)
#define LOAD() rem = p->remaining
#define PUSH_CHECK(n) \
  if (__builtin_expect(sp - (n) < stackBase, 0)) StackOverflow()

  // The specified opcodes, invalid words up to kFusedBase, then the fused
  // opcodes of translated code.
  static_assert(kOpcodeCount + 15 == kFusedBase, "the invalid row below fills the gap");
  static void* const kLabels[kTrapEnd] = {
#define RUVEL_OP_LABEL(code, name, words, text, fmt, need, delta) &&L_##name,
      RUVEL_OPCODES(RUVEL_OP_LABEL)
#undef RUVEL_OP_LABEL
      &&L_Invalid, &&L_Invalid, &&L_Invalid, &&L_Invalid, &&L_Invalid, &&L_Invalid, &&L_Invalid, &&L_Invalid,
      &&L_Invalid, &&L_Invalid, &&L_Invalid, &&L_Invalid, &&L_Invalid, &&L_Invalid, &&L_Invalid,
#define RUVEL_FX_PAIR_LABEL(group, a, b) &&F_##group##_##a##b,
#define RUVEL_FX_SINGLE_LABEL(name) &&F_##name,
      RUVEL_FUSED_OPS(RUVEL_FX_PAIR_LABEL, RUVEL_FX_SINGLE_LABEL)
#undef RUVEL_FX_PAIR_LABEL
#undef RUVEL_FX_SINGLE_LABEL
  // Statement traps: kTrapBase + every opcode below kFusedBase.
#define RUVEL_TRAP8 &&L_Trap, &&L_Trap, &&L_Trap, &&L_Trap, &&L_Trap, &&L_Trap, &&L_Trap, &&L_Trap,
      RUVEL_TRAP8 RUVEL_TRAP8 RUVEL_TRAP8 RUVEL_TRAP8 RUVEL_TRAP8 RUVEL_TRAP8 RUVEL_TRAP8 RUVEL_TRAP8
#undef RUVEL_TRAP8
  };
  static_assert(sizeof(kLabels) / sizeof(kLabels[0]) == kTrapEnd, "one label for every word value");

#define DISPATCH()                                                            \
  do {                                                                        \
    if (__builtin_expect(--rem < 0, 0)) {                                     \
      rem = 0;                                                                \
      goto slice_end;                                                         \
    }                                                                         \
    goto* kLabels[*pc]; /* verified code holds valid opcodes only */           \
  } while (0)

  try {
    DISPATCH();

  L_Pop:
    Release(*sp);
    ++sp;
    pc += 1;
    DISPATCH();

  L_Push: {
    PUSH_CHECK(1);
    uint32_t tag = pc[1] & 0xff;
    --sp;
    if (__builtin_expect(tag <= kFloat, 1)) {
      // Readers look only at the tag byte and the payload.
      *sp = MakeWords(tag, pc[2]);
    } else {
      *sp = InlineValue(pc[1], pc[2]);
    }
    pc += 3;
    DISPATCH();
  }

  L_PushString: {
    PUSH_CHECK(1);
    uint32_t area = pc[1];
    const char* text = reinterpret_cast<const char*>(pc + 2);
    SAVE();
    int32_t saved = vm.stepBudget;
    Instance* s = NewScriptString(std::string(text, strnlen(text, area)));
    vm.stepBudget = saved;
    LOAD();
    --sp;
    *sp = MakeObject(s);
    ++s->refcount;
    pc += 2 + area / 4;
    DISPATCH();
  }

  L_PushThis:
    PUSH_CHECK(1);
    --sp;
    *sp = *self;
    Retain(*sp);
    pc += 1;
    DISPATCH();

  L_SMemberValPtr: {
    Value obj = *sp;
    *sp = MakeRef(StaticMember(obj, pc[1]));
    Release(obj);
    pc += 2;
    DISPATCH();
  }

  L_DMemberValPtr: {
    int32_t sym = static_cast<int32_t>(pc[1]);
    int32_t& cache = reinterpret_cast<int32_t&>(pc[2]);
    if (sp->tag == kObject && sp->obj) {
      Value obj = *sp;
      SAVE();
      Value* slot = MemberSlot(obj.obj, sym, cache);
      *sp = MakeRef(slot);
      Release(obj);
    } else {
      if (sp->tag != kError) {
        SAVE();
        Report(p, Describe(*sp) + J("、メンバ変数") + SymbolName(sym) + J("を参照できません"));
      }
      ValueSetError(vm.scratch, 0);
      *sp = MakeRef(&vm.scratch);
    }
    pc += 3;
    DISPATCH();
  }

  L_LocalValPtr: {
    PUSH_CHECK(1);
    // One compare keeps a bad index inside the stack block.
    if (__builtin_expect(pc[1] > fpDepth, 0)) BadCode();
    Value* slot = fp - static_cast<int32_t>(pc[1]);
    --sp;
    *sp = MakeRef(slot);
    pc += 2;
    DISPATCH();
  }

  L_ArgValPtr: {
    PUSH_CHECK(1);
    int32_t n = static_cast<int32_t>(pc[1]);
    --sp;
    if (n >= 0 && n < FrameOf(fp)->argc) {
      *sp = MakeRef(self - (n + 1));
    } else {
      ValueSetNull(vm.scratch);
      *sp = MakeRef(&vm.scratch);
    }
    pc += 2;
    DISPATCH();
  }

  L_PushThis_SMemberValPtr: {
    PUSH_CHECK(1);
    Value* member = StaticMember(*self, pc[2]);
    --sp;
    *sp = MakeRef(member);
    pc += 3;
    DISPATCH();
  }

  L_PushThis_SMemberValPtr_Deref: {
    PUSH_CHECK(1);
    Value* member = StaticMember(*self, pc[2]);
    --sp;
    *sp = *member;
    Retain(*sp);
    pc += 4;
    DISPATCH();
  }

  L_DMemberValPtr_Deref: {
    int32_t sym = static_cast<int32_t>(pc[1]);
    int32_t& cache = reinterpret_cast<int32_t&>(pc[2]);
    if (sp->tag == kObject && sp->obj) {
      Value obj = *sp;
      Value* slot = FindMemberSlot(obj.obj, sym, cache);
      if (slot) {
        *sp = *slot;
        Retain(*sp);
        Release(obj);
      } else {
        SAVE();
        Report(p, J("変数") + SymbolName(sym) + J("は定義されていません"));
        cache = 0;
        *sp = MakeError(0);
        Release(obj);
      }
    } else if (sp->tag == kError) {
      *sp = MakeError(0);
    } else {
      SAVE();
      Report(p, Describe(*sp) + J("、メンバ変数") + SymbolName(sym) + J("を参照できません"));
      *sp = MakeError(0);
    }
    pc += 4;
    DISPATCH();
  }

  L_LocalValPtr_Deref: {
    PUSH_CHECK(1);
    // One compare keeps a bad index inside the stack block.
    if (__builtin_expect(pc[1] > fpDepth, 0)) BadCode();
    Value* slot = fp - static_cast<int32_t>(pc[1]);
    --sp;
    *sp = *slot;
    Retain(*sp);
    pc += 3;
    DISPATCH();
  }

  L_ArgValPtr_Deref: {
    PUSH_CHECK(1);
    int32_t n = static_cast<int32_t>(pc[1]);
    --sp;
    if (n >= 0 && n < FrameOf(fp)->argc) {
      *sp = *(self - (n + 1));
      Retain(*sp);
    } else {
      *sp = MakeNull();
    }
    pc += 3;
    DISPATCH();
  }

  L_Push_Deref: {
    PUSH_CHECK(1);
    Value* slot = static_cast<Value*>(vm.handles.Get(pc[2], HandleKind::kValueSlot));
    if (!slot) BadCode();
    --sp;
    *sp = *slot;
    Retain(*sp);
    pc += 4;
    DISPATCH();
  }

  // The five call instructions share the frame set-up below.
  {
    TFunction* callee;
    int32_t argc;
    uint32_t* next;

  L_DCall: {
    argc = static_cast<int32_t>(pc[1]);
    if (!ArgcFits(sp, argc, stackBase)) BadCode();
    next = pc + 4;
    Value& recv = sp[argc];
    // The hint word names where this call site found its method last time;
    // a receiver whose class has that method at the same place needs no
    // search (the same first check as TRTTI::FindMethod).
    if (recv.tag == kObject && recv.obj) {
      const std::vector<TFunction*>& methods = recv.obj->cls->Methods;
      uint32_t hint = pc[3];
      if (hint < methods.size() && methods[hint]->NameId == static_cast<int32_t>(pc[2]) &&
          !methods[hint]->isNative) {
        callee = methods[hint];
        const TCompiledInfo* body = static_cast<TNormalFunction*>(callee)->Code.get();
        if (body && body->wrapper.tail != NativeWrapper::kNone) goto wrapper_call;
        goto call_frame;
      }
    }
    SAVE();
    callee = DCallTarget(p, recv, static_cast<int32_t>(pc[2]), reinterpret_cast<int32_t&>(pc[3]));
    goto call_frame;
  }

  L_SCall: {
    argc = static_cast<int32_t>(pc[1]);
    if (!ArgcFits(sp, argc, stackBase)) BadCode();
    next = pc + 3;
    Value& recv = sp[argc];
    uint32_t idx = pc[2];
    if (recv.tag != kObject || !recv.obj) {
      throw EVMError(Describe(recv) + J("、メソッドを呼び出せません"));
    }
    TRTTI* cls = recv.obj->cls;
    if (idx >= cls->Methods.size()) BadCode();
    callee = cls->Methods[idx];
    if (callee->isNative) {
      throw EVMError(J("Native関数") + callee->GetName() + J("は呼び出せません"));
    }
    goto call_frame;
  }

  L_SuperCall:
    argc = static_cast<int32_t>(pc[1]);
    if (!ArgcFits(sp, argc, stackBase)) BadCode();
    next = pc + 3;
    callee = static_cast<TFunction*>(vm.handles.Get(pc[2], HandleKind::kFunction));
    if (!callee) BadCode();
    if (callee->isNative) {
      throw EVMError(J("Native関数") + callee->GetName() + J("は呼び出せません"));
    }
    goto call_frame;

  L_Constructor: {
    argc = static_cast<int32_t>(pc[1]);
    if (!ArgcFits(sp, argc, stackBase)) BadCode();
    next = pc + 3;
    TRTTI* cls = static_cast<TRTTI*>(vm.handles.Get(pc[2], HandleKind::kClass));
    if (!cls) BadCode();
    callee = cls->ConstructorOf();
    if (!callee) throw EVMError(J("クラス") + cls->name + J("にはコンストラクタがありません"));
    SAVE();
    int32_t saved = vm.stepBudget;
    Instance* inst = NewInstance(cls);
    vm.stepBudget = saved;
    LOAD();
    // The placeholder is overwritten without being released.
    sp[argc] = MakeObject(inst);
    ++inst->refcount;
    goto call_frame;
  }

  // A method that only wraps a native whose fast form takes the operands
  // (vm/fast_natives.h) completes here without a frame, charged for every
  // instruction of its body; anything else takes the frame below.
  wrapper_call: {
    auto* nf = static_cast<TNormalFunction*>(callee);
    TCompiledInfo* body = nf->Code.get();
    NativeWrapper& w = body->wrapper;
    Value& recv = sp[argc];
    Instance* obj = recv.obj;
    // The frame and the body's pushes must fit where the call would put
    // them, or the call overflows the stack as it would without this path.
    if (rem < w.steps || static_cast<uint32_t>(argc) < w.args || w.member >= obj->count ||
        sp - (kFrameSlots + 1 + static_cast<int32_t>(w.args)) < stackBase ||
        __builtin_expect(vm.profile != nullptr, 0) || !body->VerifiedFor(nf->LocalCount())) {
      goto call_frame;
    }
    auto* fn = static_cast<TFunction*>(vm.handles.Get(w.handle, HandleKind::kFunction));
    if (!fn || !fn->isNative) goto call_frame;
    SlowNative h = static_cast<TNativeFunction*>(fn)->Handler;
    if (h != w.seen) {
      w.seen = h;
      w.fast = h ? FastFormOf(h) : nullptr;
    }
    Value out = recv;
    if (!w.fast || !w.fast(obj->members()[w.member], sp + argc - 1, out)) goto call_frame;
    rem -= w.steps;
    // A method that returns this leaves the receiver where the result goes.
    // Each other tail copies its result whole: a value assembled from a tag
    // and a payload and then copied would stall on the partial stores.
    if (w.tail == NativeWrapper::kResult) {
      Retain(out);
      Value old = recv;
      recv = out;
      Release(old);
    } else if (w.tail == NativeWrapper::kArg) {
      const int32_t n = static_cast<int32_t>(w.retArg);
      Value result = n >= 0 && n < argc ? sp[argc - 1 - n] : MakeNull();
      Retain(result);
      Value old = recv;
      recv = result;
      Release(old);
    }
    for (int32_t k = 1; k <= argc; ++k) {
      Value a = (&recv)[-k];
      (&recv)[-k] = MakeNull();
      Release(a);
    }
    sp = &recv;
    pc = next;
    DISPATCH();
  }

  call_frame: {
    Value* recvSlot = sp + argc;
    if (__builtin_expect(vm.profile != nullptr, 0)) vm.profile(ProfileEvent::kEnter, callee, recvSlot);
    Value* F = sp - kFrameSlots;
    auto* nf = static_cast<TNormalFunction*>(callee);
    int32_t m = nf->LocalCount();
    if (F - (m > 0 ? m - 1 : 0) < stackBase) StackOverflow();
    if (!nf->Code || nf->Code->code.empty()) {
      throw EVMError(J("メソッド") + callee->GetName() + J("はコンパイルされていません"));
    }
    TCompiledInfo* code = nf->Code.get();
    code->EnsureVerified(m);
    FrameData* fd = FrameOf(F);
    fd->savedFp = fp;
    fd->returnAddr = next;
    fd->argc = argc;
    fd->receiver = recvSlot;
    fd->func = callee;
    fd->pos[0] = p->pos[0];
    fd->pos[1] = p->pos[1];
    fd->pos[2] = p->pos[2];
    self = recvSlot;
    for (int32_t k = 0; k < m; ++k) F[-k] = MakeNull();
    sp = F - (m - 1);
    fp = F;
    fpDepth = static_cast<uint32_t>(fp - stackBase);
    pc = code->RunStart();
    DISPATCH();
  }
  }

  L_NativeCall: {
    nativeArgc = static_cast<int32_t>(pc[1]);
    if (!ArgcFits(sp, nativeArgc, stackBase)) BadCode();
    auto* nf = static_cast<TFunction*>(vm.handles.Get(pc[2], HandleKind::kFunction));
    if (!nf || !nf->isNative) BadCode();
    native = static_cast<TNativeFunction*>(nf)->Handler;
    pc += 3;
    goto native_invoke;
  }

  // Calls native with nativeArgc arguments on the stack (pc already past
  // the NativeCall) and releases the arguments.
  native_invoke: {
    const int32_t argc = nativeArgc;
    const NativeHandler h = native;
    Value* recvSlot = sp + argc;
    sp = recvSlot;
    SAVE();
    try {
      if (!h) NotImplementedNative(recvSlot, argc, 0);
      h(recvSlot, argc, 0);
    } catch (...) {
      for (int32_t k = 1; k <= argc; ++k) {
        Value old = recvSlot[-k];
        recvSlot[-k] = MakeNull();
        try {
          Release(old);
        } catch (...) {
        }
      }
      throw;
    }
    LOAD();
    for (int32_t k = 1; k <= argc; ++k) {
      Value old = recvSlot[-k];
      recvSlot[-k] = MakeNull();
      Release(old);
    }
    DISPATCH();
  }

  L_Add: {
    Value& l = sp[1];
    Value& r = sp[0];
    if (__builtin_expect(l.tag == kInt && r.tag == kInt, 1)) {
      l = MakeInt(WrapAdd(l.i, r.i));
    } else {
      SAVE();
      SlowAdd(l, r);
    }
    ++sp;
    pc += 1;
    DISPATCH();
  }

  // Sub and Mul: integer pairs wrap at 32 bits; other operands follow the
  // rules of SlowArith.
#define RUVEL_INT_ARITH(label, wrap, op)                              \
  label : {                                                           \
    Value& l = sp[1];                                                 \
    Value& r = sp[0];                                                 \
    if (__builtin_expect(l.tag == kInt && r.tag == kInt, 1)) {        \
      l = MakeInt(wrap(l.i, r.i));                                    \
    } else {                                                          \
      SlowArith(op, l, r);                                            \
    }                                                                 \
    ++sp;                                                             \
    pc += 1;                                                          \
    DISPATCH();                                                       \
  }
  RUVEL_INT_ARITH(L_Sub, WrapSub, ArOp::kSub)
  RUVEL_INT_ARITH(L_Mul, WrapMul, ArOp::kMul)
#undef RUVEL_INT_ARITH

  // Div and Mod: integer pairs with a divisor other than 0 and -1 are
  // done here (an exact quotient stays an integer); the rest, faults
  // included, follow SlowArith.
  L_Div: {
    Value& l = sp[1];
    Value& r = sp[0];
    if (__builtin_expect(l.tag == kInt && r.tag == kInt && r.i != 0 && r.i != -1 && l.i % r.i == 0, 1)) {
      l = MakeInt(l.i / r.i);
    } else {
      SlowArith(ArOp::kDiv, l, r);
    }
    ++sp;
    pc += 1;
    DISPATCH();
  }

  L_Mod: {
    Value& l = sp[1];
    Value& r = sp[0];
    if (__builtin_expect(l.tag == kInt && r.tag == kInt && r.i != 0 && r.i != -1, 1)) {
      l = MakeInt(l.i % r.i);
    } else {
      SlowArith(ArOp::kMod, l, r);
    }
    ++sp;
    pc += 1;
    DISPATCH();
  }

  // Comparisons: integer pairs compare directly as integers; everything
  // else goes through the value comparison after releasing object operands.
#define RUVEL_COMPARE(label, op)                                  \
  label : {                                                       \
    Value& l = sp[1];                                             \
    Value& r = sp[0];                                             \
    bool result;                                                  \
    if (__builtin_expect(l.tag == kInt && r.tag == kInt, 1)) {    \
      result = l.i op r.i;                                        \
    } else {                                                      \
      Release(l);                                                 \
      Release(r);                                                 \
      result = ValueCompare(l, r) op 0.0f;                        \
    }                                                             \
    l = MakeFloat(result ? 1.0f : 0.0f);                          \
    ++sp;                                                         \
    pc += 1;                                                      \
    DISPATCH();                                                   \
  }
  RUVEL_COMPARE(L_GT, >)
  RUVEL_COMPARE(L_GTE, >=)
  RUVEL_COMPARE(L_LT, <)
  RUVEL_COMPARE(L_LTE, <=)
  RUVEL_COMPARE(L_EQ, ==)
  RUVEL_COMPARE(L_NEQ, !=)
#undef RUVEL_COMPARE

  L_And:
  L_Or:
    pc += 1;
    DISPATCH();

  L_Is: {
    TRTTI* cls = static_cast<TRTTI*>(vm.handles.Get(pc[1], HandleKind::kClass));
    if (!cls) BadCode();
    bool is = sp->tag == kObject && sp->obj && sp->obj->cls->DerivesFrom(cls);
    Value old = *sp;
    *sp = MakeInt(is ? 1 : 0);
    Release(old);
    pc += 2;
    DISPATCH();
  }

  L_Not: {
    Value old = *sp;
    *sp = MakeInt(ValueIsTrue(old) ? 0 : 1);
    Release(old);
    pc += 1;
    DISPATCH();
  }

  L_Neg:
    if (sp->tag == kInt) *sp = MakeInt(WrapNeg(sp->i));
    else if (sp->tag == kFloat) *sp = MakeFloat(-sp->f);
    pc += 1;
    DISPATCH();

  L_Subst: {
    Value& second = sp[1];
    if (__builtin_expect(second.tag != kRef, 0)) BadCode();
    Value* s = second.ref;
    Value top = *sp;
    Value old = *s;
    *s = top;
    second = top;
    Retain(top);
    ++sp;
    Release(old);
    pc += 1;
    DISPATCH();
  }

  L_AddSubst:
  L_SubSubst: {
    Value& second = sp[1];
    if (__builtin_expect(second.tag != kRef, 0)) BadCode();
    Value* s = second.ref;
    if (s->tag == kInt && sp->tag == kInt) {
      *s = MakeInt(*pc == Op_AddSubst ? WrapAdd(s->i, sp->i) : WrapSub(s->i, sp->i));
    } else {
      AddSubSubst(*s, *sp, *pc == Op_SubSubst);
    }
    ++sp;
    pc += 1;
    DISPATCH();
  }

  L_Deref:
    if (sp->tag == kRef) {
      *sp = *sp->ref;
      Retain(*sp);
    }
    pc += 1;
    DISPATCH();

  L_Jump:
    pc = reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(pc) + static_cast<int32_t>(pc[1]));
    DISPATCH();

  L_JumpZero: {
    Value v = *sp;
    bool t = ValueIsTrue(v);
    ++sp;
    Release(v);
    if (!t) pc = reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(pc) + static_cast<int32_t>(pc[1]));
    else pc += 2;
    DISPATCH();
  }

  L_Jump_And:
    if (!ValueIsTrue(*sp)) {
      pc = reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(pc) + static_cast<int32_t>(pc[1]));
    } else {
      Value v = *sp;
      ++sp;
      Release(v);
      pc += 2;
    }
    DISPATCH();

  L_Jump_Or:
    if (ValueIsTrue(*sp)) {
      pc = reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(pc) + static_cast<int32_t>(pc[1]));
    } else {
      Value v = *sp;
      ++sp;
      Release(v);
      pc += 2;
    }
    DISPATCH();

  L_Ret: {
    // Nothing pushed in a frame without locals: the result is null.
    Value result = sp > fp ? MakeNull() : *sp;
    while (sp < fp) {
      ++sp;
      Value v = *sp;
      *sp = MakeNull();
      Release(v);
    }
    FrameData* fd = FrameOf(fp);
    Value* recvSlot = fd->receiver;
    int32_t argc = fd->argc;
    uint32_t* ret = fd->returnAddr;
    Value* saved = fd->savedFp;
    sp = recvSlot;
    fp = saved;
    pc = ret;
    if (__builtin_expect(vm.profile != nullptr, 0)) {
      vm.profile(ProfileEvent::kLeave, saved ? FrameOf(saved)->func : nullptr, saved ? FrameOf(saved)->receiver : recvSlot);
    }
    {
      Value old = *recvSlot;
      *recvSlot = result;
      Release(old);
      for (int32_t k = 1; k <= argc; ++k) {
        Value a = recvSlot[-k];
        recvSlot[-k] = MakeNull();
        Release(a);
      }
    }
    if (!saved) {
      p->result = recvSlot;
      p->halted = true;
      p->sliceLength -= rem;
      rem = 0;
      goto slice_end;
    }
    self = FrameOf(fp)->receiver;
    fpDepth = static_cast<uint32_t>(fp - stackBase);
    DISPATCH();
  }

  L_InitForIn: {
    PUSH_CHECK(2);
    Value& coll = sp[0];
    if (coll.tag != kObject || !coll.obj || !vm.arrayClass || !coll.obj->cls->DerivesFrom(vm.arrayClass)) {
      throw EVMError(J("inの後ろの値が配列でありません"));
    }
    TValueList* list = nullptr;
    int32_t x = vm.arrayXIndex;
    if (x >= 0 && static_cast<uint32_t>(x) < coll.obj->count) list = LiveHostAs<TValueList>(coll.obj->members()[x]);
    sp -= 2;
    sp[1] = MakeHost(list);
    sp[0] = MakeInt(0);
    pc += 1;
    DISPATCH();
  }

  L_DoForIn: {
    int32_t index = ValueToInt(sp[0]);
    // The body may free the array's list: a freed list ends the loop.
    auto* list = static_cast<TValueList*>(sp[1].host);
    if (list && !IsLiveHost(list)) list = nullptr;
    if (list && index >= 0 && static_cast<size_t>(index) < list->cells.size()) {
      Value& var = sp[3];
      if (var.tag == kRef) ValueAssign(*var.ref, list->cells[index]);
      sp[0] = MakeInt(index + 1);
      pc += 2;
    } else {
      pc = reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(pc) + static_cast<int32_t>(pc[1]));
    }
    DISPATCH();
  }

  L_ClearForIn: {
    Value coll = sp[2];
    sp[2] = MakeNull();
    sp += 4;
    Release(coll);
    pc += 1;
    DISPATCH();
  }

  L_Point:
    p->pos[0] = static_cast<int32_t>(pc[1]);
    p->pos[1] = static_cast<int32_t>(pc[2]);
    p->pos[2] = static_cast<int32_t>(pc[3]);
    pc += 4;
    DISPATCH();

  L_Halt:
    p->halted = true;
    p->sliceLength -= rem;
    rem = 0;
    goto slice_end;

#include "vm/fused_handlers.inc"

  // A statement start while the debugger listens: it is told with the
  // registers saved, then the original instruction runs, charged once
  // already by the dispatch that came here. The word is read again, since
  // the traps may have been taken out meanwhile.
  L_Trap: {
    SAVE();
    if (vm.statementHook) vm.statementHook(p);
    LOAD();
    if (p->halted) {
      rem = 0;
      goto slice_end;
    }
    uint32_t word = *pc;
    if (word >= kTrapBase) word -= kTrapBase;
    goto* kLabels[word];
  }

  L_Invalid:
    // An invalid word spends the rest of the slice without moving.
    rem = 0;
    goto slice_end;

  slice_end:
    SAVE();
  } catch (...) {
    SAVE();
    throw;
  }
#undef SAVE
#undef LOAD
#undef PUSH_CHECK
#undef DISPATCH
}

}  // namespace

void Run(TProcess* p, int32_t budget) {
  if (budget <= 0) budget = kUnlimitedBudget;
  if (!p || !p->fp || p->halted || !p->ip || p->runDepth > 0) return;
  VMState& vm = VM();
  TProcess* savedCurrent = vm.current;
  vm.current = p;
  // A process that left its last run at a suspend() stands between two
  // steps of its loop: where a live reload replaced its method, it starts
  // that method again here.
  bool atSuspend = p->yieldFlag;
  p->yieldFlag = false;
  ++p->runDepth;
  if (vm.profile) vm.profile(ProfileEvent::kRunStart, FrameOf(p->fp)->func, FrameOf(p->fp)->receiver);
  TLongRunWatch& watch = LongRunWatch();
  watch.Enter(FrameOf(p->fp)->func);
  try {
    if (p->codeGeneration != vm.codeGeneration) RestartIfOutdated(p, atSuspend);
    while (budget > 0 && !p->yieldFlag && !p->halted) {
      int32_t slice = budget;
      if (vm.stepBudget < slice) slice = vm.stepBudget;
      if (slice < 0) slice = 0;
      p->remaining = slice;
      p->sliceLength = slice;
      Execute(p);
      watch.Poll();
      if (vm.stepBudget < kUnlimitedBudget) vm.stepBudget -= p->sliceLength;
      budget -= p->sliceLength;
      if (vm.stepBudget <= 0) {
        if (vm.debuggerPause) {
          vm.debuggerPause();
          watch.Rest();
          if (vm.stepBudget < kUnlimitedBudget) budget = vm.stepBudget;
        } else {
          // Without a debugger nobody would refill the step budget: a
          // break request is ignored and the run goes on.
          vm.stepBudget = kUnlimitedBudget;
        }
      }
    }
    if (budget <= 0 && vm.preemptDetect) vm.preempted = true;
  } catch (const std::exception& e) {
    // A run-time error ends this process only.
    std::string message = e.what();
    if (dynamic_cast<const std::bad_alloc*>(&e)) message = J("メモリが足りません");
    p->state = 2;
    try {
      if (vm.errorBreak) vm.errorBreak(p, message);
    } catch (...) {
    }
    try {
      ShowError(message, Trace(p));
      if (vm.runError) vm.runError(p, message);
    } catch (...) {
    }
    p->Kill();
  }
  // A run that yielded or halted finished its part of a frame.
  watch.Leave(p->yieldFlag || p->halted);
  --p->runDepth;
  if (vm.profile) vm.profile(ProfileEvent::kRunEnd, nullptr, nullptr);
  vm.current = savedCurrent;
  if (p->freePending && p->runDepth == 0) {
    p->freePending = false;
    TProcess::Free(p);
  }
}

}  // namespace ruvel
