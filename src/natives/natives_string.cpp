// String natives: bodies, concatenation, substrings and lengths in bytes
// and in CP932 characters, character codes and splitting.
#include <algorithm>

#include "platform/bregexp.h"
#include "natives/natives_args.h"
#include "natives/natives_core.h"
#include "resources/resource_global.h"
#include "vm/gc.h"
#include "vm/symbols.h"
#include "vm/tfstring.h"
#include "vm/value_list.h"

namespace ruvel {

namespace {

// The substring rule shared by bytes and characters: count := end - start;
// a negative start is taken as 0 (the count stays); a start at or past the
// length, or a negative count, gives nothing; the count is clipped.
void SubRange(int64_t length, int64_t start, int64_t end, int64_t& from, int64_t& count) {
  count = end - start;
  if (start < 0) start = 0;
  if (start >= length || count < 0) {
    from = 0;
    count = 0;
    return;
  }
  from = start;
  count = std::min(count, length - start);
}

// A byte of 0x80-0x9F or 0xE0-0xFF starts a two-byte character.
bool StartsPair(unsigned char b) { return (b >= 0x80 && b <= 0x9f) || b >= 0xe0; }

Value* BodySlot(Instance* rec) { return rec ? FindMemberSlot(rec, kSymBody, VM().bodyCache) : nullptr; }

TGlobalValue* Global(const char* name) {
  TResource* root = VM().root;
  return root ? dynamic_cast<TGlobalValue*>(root->Resolve(name)) : nullptr;
}

// Wraps a host list of strings into a new array (the result), through the
// array class's own "_setBody" when snippets can be evaluated, otherwise
// by setting the new array's "_x" directly.
void ReturnArrayOf(TNativeArgs& a, TValueList* list) {
  TGlobalValue* g1 = Global("$_1");
  TGlobalValue* g2 = Global("$_2");
  if (VM().evaluateSnippet && g1 && g2) {
    ValueSetHost(g1->value, list);
    if (VM().evaluateSnippet("$_2=new Array();$_2._setBody($_1);") != 1) {
      a.Return(g2->value);
      return;
    }
    // Nothing ran, so nothing holds the list yet.
    ValueSetNull(g1->value);
  }
  TRTTI* arrayClass = VM().arrayClass;
  int32_t x = VM().arrayXIndex;
  Instance* arr = nullptr;
  try {
    if (arrayClass && x >= 0) arr = NewInstance(arrayClass);
  } catch (...) {
    delete list;
    throw;
  }
  if (!arr || static_cast<uint32_t>(x) >= arr->count) {
    delete list;
    a.ReturnNull();
    return;
  }
  arr->members()[x] = MakeHost(list);
  a.Return(MakeObject(arr));
}

}  // namespace

size_t CharOffset(const std::string& text, int64_t chars) {
  size_t pos = 0;
  for (int64_t k = 0; k < chars && pos < text.size(); ++k) pos += StartsPair(static_cast<unsigned char>(text[pos])) ? 2 : 1;
  return std::min(pos, text.size());
}

int32_t CharLength(const std::string& text) {
  int32_t n = 0;
  for (size_t pos = 0; pos < text.size(); ++n) pos += StartsPair(static_cast<unsigned char>(text[pos])) ? 2 : 1;
  return n;
}

std::vector<std::string> SplitText(const std::string& text, const std::string& sep, int limit) {
  std::string re = sep.empty() ? std::string(",") : sep;
  for (size_t i = 0; i < re.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(re[i]);
    bool word = (c < 0x80 && std::isalnum(c)) || c == '_';
    if (!word) {
      re.insert(i, 1, '\\');
      break;
    }
  }
  TBRegExp& rx = GeneralRegExp();
  rx.Split("/" + re + "/", text, limit);
  return rx.Pieces();
}

void NativeStringFreeBody(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  const Value& b = a[1];
  Value* body = BodySlot(a.Receiver());
  // Only the receiver's own body is freed, and the member forgets it, so a
  // second call (or a later read of the string) never reaches freed memory.
  if (!body || b.tag != kHost || !b.host || body->tag != kHost || body->host != b.host) return;
  auto* s = dynamic_cast<TfString*>(body->host);
  if (!s) return;
  *body = MakeNull();
  delete s;
}

void NativeStringInit(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  Value* body = BodySlot(a.Receiver());
  if (!body) return;
  char c = static_cast<char>(a.Int(1) & 0xff);
  ValueClear(*body);
  *body = MakeHost(new TfString(std::string(1, c)));
}

void NativeStringCat(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  a.ReturnString(ReceiverText(*self) + a.Text(1));
}

void NativeSubstring(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  std::string t = ReceiverText(*self);
  int64_t len = static_cast<int64_t>(t.size());
  int64_t from, count;
  SubRange(len, a.Int(1), a.Has(2) ? a.Int(2) : len, from, count);
  a.ReturnString(t.substr(static_cast<size_t>(from), static_cast<size_t>(count)));
}

void NativeWSubstring(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  std::string t = ReceiverText(*self);
  int64_t chars = CharLength(t);
  int64_t from, count;
  SubRange(chars, a.Int(1), a.Has(2) ? a.Int(2) : chars, from, count);
  size_t b0 = CharOffset(t, from);
  size_t b1 = CharOffset(t, from + count);
  a.ReturnString(t.substr(b0, b1 - b0));
}

void NativeStringLength(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  a.ReturnInt(static_cast<int32_t>(ReceiverText(*self).size()));
}

void NativeWLength(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  a.ReturnInt(CharLength(ReceiverText(*self)));
}

void NativeCharAt(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  std::string t = ReceiverText(*self);
  int32_t i = a.Int(1);
  if (i < 0 || static_cast<size_t>(i) >= t.size()) return;
  a.ReturnInt(static_cast<unsigned char>(t[static_cast<size_t>(i)]));
}

void NativeSplit(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  std::string sep;
  if (a.Has(1) && a[1].tag != kNull) sep = a.Text(1);
  int limit = a.Has(2) ? a.Int(2) : 0;
  std::vector<std::string> pieces = SplitText(ReceiverText(*self), sep, limit);
  auto* list = new TValueList();
  try {
    for (const std::string& piece : pieces) list->Add(MakeObject(NewScriptString(piece)));
  } catch (...) {
    delete list;
    throw;
  }
  ReturnArrayOf(a, list);
}

}  // namespace ruvel
