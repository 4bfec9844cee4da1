// Natives of "BinWriter" and "BinReader": integers packed into a byte
// stream and carried as Base64 text.
#include "io/bin_stream.h"
#include "io/script_file_natives.h"
#include "natives/natives_args.h"

namespace ruvel {

namespace {

void WriterInit(Value* self, int32_t, int32_t) { ValueSetHost(*self, new TBinaryOutputStream()); }

void WriterWriteInt(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  if (auto* s = a.Host<TBinaryOutputStream>(1)) s->WriteInt(a.Int(2));
}

void WriterToB64(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (auto* s = a.Host<TBinaryOutputStream>(1)) a.ReturnString(PzConv().Encode(s->Data(), s->Size()));
}

void WriterFree(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  delete a.Host<TBinaryOutputStream>(1);
}

void ReaderInit(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  // Without an argument the text is empty.
  std::string text = a.Has(1) ? a.Text(1) : std::string();
  a.ReturnHost(new TBinaryInputStream(PzConv().Decode(text)));
}

void ReaderReadInt(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (auto* s = a.Host<TBinaryInputStream>(1)) a.ReturnInt(s->ReadInt());
}

void ReaderFree(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  delete a.Host<TBinaryInputStream>(1);
}

}  // namespace

std::vector<NativeEntry> BinStreamNativeEntries() {
  return {
      {"BinWriter", "_n_init", WriterInit},
      {"BinWriter", "_n_writeInt", WriterWriteInt},
      {"BinWriter", "_n_toB64", WriterToB64},
      {"BinWriter", "_n_free", WriterFree},
      {"BinReader", "_n_init", ReaderInit},
      {"BinReader", "_n_readInt", ReaderReadInt},
      {"BinReader", "_n_free", ReaderFree},
  };
}

}  // namespace ruvel
