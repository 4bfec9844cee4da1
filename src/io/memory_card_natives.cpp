// Natives of "ResourceReader" and "ResourceWriter". The card's name is what
// the script object's "getURL" gives: the object stores itself in
// "$_tmp_rrdr" (reader) or "$_tmp_rwrt" (writer) before calling "_n_init".
#include <string>

#include "compiler/snippet.h"
#include "io/memory_card.h"
#include "io/script_file_natives.h"
#include "io/script_files.h"
#include "platform/message_sink.h"
#include "natives/natives_args.h"

namespace ruvel {

namespace {

// The text of "<global>.getURL()"; "null" when the snippet gives nothing.
std::string UrlOf(const std::string& global) {
  // A failed snippet leaves the result global alone: clear it first so
  // that no earlier name is taken.
  if (Value* slot = GlobalValuePtr("$_tmp_valueOf")) ValueSetNull(*slot);
  Value* v = SnippetValue(global + ".getURL()");
  return v ? ValueToText(*v) : std::string("null");
}

void CardReaderInit(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  std::unique_ptr<TBufferedInputStream> in = OpenMemoryCardReader(UrlOf("$_tmp_rrdr"));
  if (in) a.ReturnHost(OpenFiles().Add(std::move(in)));
}

void CardReaderRead(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  auto* in = a.Host<TBufferedInputStream>(1);
  if (!in) return;
  int b = in->ReadByte();
  if (b < 0) a.ReturnNull();
  else a.ReturnInt(b);
}

void CardReaderReadInt(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  auto* in = a.Host<TBufferedInputStream>(1);
  if (!in) return;
  unsigned char b[4];
  if (in->Read(b, 4) < 4) {
    a.ReturnNull();
    return;
  }
  uint32_t u = b[0] | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
  a.ReturnInt(static_cast<int32_t>(u));
}

void CardReaderClose(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (auto* in = a.Host<TBufferedInputStream>(1)) OpenFiles().Close(in);
}

void CardWriterInit(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  std::unique_ptr<TBufferedOutputStream> out = OpenMemoryCardWriter(UrlOf("$_tmp_rwrt"));
  if (out) a.ReturnHost(OpenFiles().Add(std::move(out)));
}

void CardWriterWrite(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  auto* out = a.Host<TBufferedOutputStream>(1);
  if (!out) return;
  auto b = static_cast<uint8_t>(a.Int(2));
  out->WriteByte(b);
  a.ReturnInt(b);
}

void CardWriterWriteInt(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  auto* out = a.Host<TBufferedOutputStream>(1);
  if (!out) return;
  int32_t i = a.Int(2);
  auto u = static_cast<uint32_t>(i);
  const unsigned char bytes[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                                  static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
  out->Write(bytes, 4);
  a.ReturnInt(i);
}

// Int 1 when the card now holds everything written, else a message and 0.
void CardWriterClose(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  auto* out = a.Host<TBufferedOutputStream>(1);
  if (!out) return;
  std::string target = out->Target();
  bool committed = false;
  OpenFiles().Close(out, &committed);
  if (!committed) ShowMessage(ScriptFileNotSavedMessage(target));
  a.ReturnInt(committed ? 1 : 0);
}

}  // namespace

std::vector<NativeEntry> MemoryCardNativeEntries() {
  return {
      {"ResourceReader", "_n_close", CardReaderClose},
      {"ResourceReader", "_n_init", CardReaderInit},
      {"ResourceReader", "_n_read", CardReaderRead},
      {"ResourceReader", "_n_readInt", CardReaderReadInt},
      {"ResourceWriter", "_n_close", CardWriterClose},
      {"ResourceWriter", "_n_init", CardWriterInit},
      {"ResourceWriter", "_n_write", CardWriterWrite},
      {"ResourceWriter", "_n_writeInt", CardWriterWriteInt},
  };
}

}  // namespace ruvel
