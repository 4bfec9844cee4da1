#include "vm/value.h"

#include <cmath>
#include <cstdio>

#include "platform/cp932.h"
#include "platform/error.h"
#include "runtime/rtti.h"
#include "vm/gc.h"
#include "vm/host_registry.h"
#include "vm/arith.h"
#include "vm/interpreter.h"
#include "vm/tfstring.h"
#include "vm/vm_state.h"

namespace ruvel {

void RefcountUnderflow(Value& v) {
  // Put the count back so the record is not taken for a free one.
  v.obj->refcount = 0;
  NoteReusable(v.obj);
  throw EVMError(ValueToText(v) + J(":参照カウントが負になりました"));
}

void NoteReusable(Instance* rec) {
  TRTTI* cls = rec->cls;
  if (!cls || rec->queued) return;
  rec->queued = 1;
  cls->ReuseCandidates.push(rec->poolIndex);
}

void ReleaseWithoutInstance() { throw EVMError(J("null:どうやってきたの？")); }

void ValueAssign(Value& dst, const Value* src) {
  if (src == nullptr) {
    ValueSetNull(dst);
    return;
  }
  // Retain first: src and dst may hold the same object with count 1.
  Value copy = *src;
  Retain(copy);
  Release(dst);
  dst = copy;
}

void ValueSetNull(Value& v) {
  Release(v);
  ValueClear(v);
}

void ValueSetInt(Value& v, int32_t i) {
  Release(v);
  v = MakeInt(i);
}

void ValueSetFloat(Value& v, float f) {
  Release(v);
  v = MakeFloat(f);
}

void ValueSetObject(Value& v, Instance* inst) {
  Release(v);
  v = MakeObject(inst);
  Retain(v);
}

void ValueSetHost(Value& v, TObject* p) {
  Release(v);
  v = MakeHost(p);
}

void ValueSetError(Value& v, int32_t code) {
  Release(v);
  v = MakeError(code);
}

void ValueSetString(Value& v, const std::string& text) {
  Value s = MakeObject(NewScriptString(text));
  ValueAssign(v, s);
}

int32_t ValueToInt(const Value& v) {
  switch (v.tag) {
    case kInt:
      return v.i;
    case kFloat:
      return FloatToIntChecked(v.f);
    case kObject:
      return 1;
    default:
      return 0;
  }
}

float ValueToFloat(const Value& v) {
  if (v.tag == kInt) return static_cast<float>(v.i);
  if (v.tag == kFloat) return v.f;
  return 0.0f;
}

std::string FloatToText(float f) {
  double d = f;
  if (std::isnan(d)) return "NAN";
  if (std::isinf(d)) return d > 0 ? "INF" : "-INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", d);
  // The exponent is written without '+' and without leading zeros: 1E20, 1E-5.
  std::string s = buf;
  size_t e = s.find('E');
  if (e == std::string::npos) return s;
  std::string mant = s.substr(0, e);
  std::string exp = s.substr(e + 1);
  bool neg = !exp.empty() && exp[0] == '-';
  if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) exp.erase(0, 1);
  while (exp.size() > 1 && exp[0] == '0') exp.erase(0, 1);
  return mant + "E" + (neg ? "-" : "") + exp;
}

bool IsStringObject(const Instance* inst) {
  return inst && VM().stringClass && inst->cls == VM().stringClass;
}

const std::string& StringText(Instance* inst) {
  static const std::string empty;
  Value* body = FindMemberSlot(inst, kSymBody, VM().bodyCache);
  if (!body || body->tag != kHost || !body->host) return empty;
  auto* s = dynamic_cast<TfString*>(body->host);
  return s ? s->text : empty;
}

std::string ValueToText(const Value& v) {
  switch (v.tag) {
    case kNull:
      return "null";
    case kInt:
      return std::to_string(v.i);
    case kFloat:
      return FloatToText(v.f);
    case kObject:
      if (!v.obj) return "null";
      if (IsStringObject(v.obj)) return StringText(v.obj);
      return (v.obj->cls ? v.obj->cls->name : std::string("?")) + "@" + std::to_string(v.obj->handle);
    case kRef:
      return "[" + (v.ref ? ValueToText(*v.ref) : std::string("null")) + "]";
    case kHost:
      if (!v.host) return "null";
      // A host value kept after its object was freed names no type any more.
      return IsLiveHost(v.host) ? v.host->TypeName() : "TObject";
    case kError:
      return "Error #" + std::to_string(v.i);
    case kUninit:
      return J("変数") + SymbolName(v.i);
    default:
      return "?";
  }
}

std::string ValueToLiteral(const Value& v) {
  if (v.tag == kObject && v.obj) {
    if (IsStringObject(v.obj)) return "\"" + StringText(v.obj) + "\"";
    return "objectFromID(" + std::to_string(v.obj->handle) + ")";
  }
  if (v.tag == kUninit) return std::string();
  return ValueToText(v);
}

float ValueCompare(const Value& left, const Value& right) {
  switch (left.tag) {
    case kNull:
    case kUninit:
      return (right.tag == kNull || right.tag == kUninit) ? 0.0f : 1.0f;
    case kInt:
      // Integers compare as integers: a wrapped or rounded difference
      // would misorder operands far apart (2147483647 and -1).
      if (right.tag == kInt) return left.i < right.i ? -1.0f : (left.i > right.i ? 1.0f : 0.0f);
      if (right.tag == kFloat) return static_cast<float>(left.i) - right.f;
      return 1.0f;
    case kFloat:
      if (right.tag == kInt) return left.f - static_cast<float>(right.i);
      if (right.tag == kFloat) return left.f - right.f;
      return 1.0f;
    case kObject:
      if (IsStringObject(left.obj)) return StringText(left.obj) == ValueToText(right) ? 0.0f : 1.0f;
      return (right.tag == kObject && right.obj == left.obj) ? 0.0f : 1.0f;
    default:
      return 1.0f;
  }
}

Instance* NewScriptString(const std::string& text) { return NewScriptString(std::string(text)); }

Instance* NewScriptString(std::string&& text) {
  if (text.size() > kMaxScriptString) {
    throw EVMError(J("文字列が長すぎます（") + std::to_string(kMaxScriptString >> 20) + J("MBまで）"));
  }
  TRTTI* cls = VM().stringClass;
  if (!cls) throw EVMError(J("クラスclasses.lang.Stringがありません"));
  Instance* inst = NewInstance(cls);
  Value* body = FindMemberSlot(inst, kSymBody, VM().bodyCache);
  if (!body) throw EVMError(J("変数_bodyは定義されていません"));
  ValueSetHost(*body, new TfString(std::move(text)));
  return inst;
}

Value* FindMemberSlot(Instance* inst, int32_t symbol, int32_t& cache) {
  if (!inst || !inst->cls) return nullptr;
  int32_t idx = inst->cls->Members.Find(symbol, cache);
  if (idx < 0 || static_cast<uint32_t>(idx) >= inst->count) return nullptr;
  return &inst->members()[idx];
}

Value* MemberSlot(Instance* inst, int32_t symbol, int32_t& cache) {
  Value* slot = FindMemberSlot(inst, symbol, cache);
  if (slot) return slot;
  Report(VM().current, J("変数") + SymbolName(symbol) + J("は定義されていません"));
  ValueSetError(VM().scratch, 0);
  cache = 0;
  return &VM().scratch;
}

bool AssignMemberByName(Instance* inst, const std::string& name, const Value& value) {
  int32_t cache = 0;
  Value* slot = FindMemberSlot(inst, Intern(name), cache);
  if (!slot) return false;
  ValueAssign(*slot, value);
  return true;
}

}  // namespace ruvel
