// Natives of "FileReader", "FileWriter" and the script-file natives of
// "classes.lang.Object", and the assembly of the file classes' table.
#include "io/script_file_natives.h"

#include <string>

#include "io/script_files.h"
#include "platform/message_sink.h"
#include "runtime/alias.h"
#include "natives/natives_args.h"
#include "runtime/rtti.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

// FileReader -------------------------------------------------------------

void ReaderOpen(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  std::unique_ptr<TFileReader> reader = OpenScriptFileReader(a.Text(2));
  if (!reader) {
    a.ReturnInt(0);
    return;
  }
  a.ReturnHost(OpenFiles().Add(std::move(reader)));
}

void ReaderClose(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (auto* r = a.Host<TFileReader>(1)) OpenFiles().Close(r);
}

void ReaderEof(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (auto* r = a.Host<TFileReader>(1)) a.ReturnInt(r->AtEnd() ? 1 : 0);
}

void ReaderRead(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  auto* r = a.Host<TFileReader>(1);
  if (!r) return;
  int b = r->ReadByte();
  if (b < 0) a.ReturnNull();
  else a.ReturnInt(b);
}

void ReaderReadLn(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  auto* r = a.Host<TFileReader>(1);
  if (!r) return;
  std::string line;
  bool any = false;
  for (int b; (b = r->ReadByte()) >= 0;) {
    any = true;
    if (b == '\n') break;
    if (b != '\r') line += static_cast<char>(b);
  }
  if (any) a.ReturnString(line);
  else a.ReturnNull();
}

// FileWriter -------------------------------------------------------------

void WriterOpen(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  std::unique_ptr<TFileWriter> writer = OpenScriptFileWriter(a.Text(2));
  if (!writer) {
    a.ReturnInt(0);
    return;
  }
  a.ReturnHost(OpenFiles().Add(std::move(writer)));
}

// Int 1 when the file now holds everything written; otherwise one message
// and int 0, so a lost save never passes for a good one.
void WriterClose(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  auto* w = a.Host<TFileWriter>(1);
  if (!w) return;
  std::string target = w->Target();
  bool committed = false;
  OpenFiles().Close(w, &committed);
  if (!committed) ShowMessage(ScriptFileNotSavedMessage(target));
  a.ReturnInt(committed ? 1 : 0);
}

void WriterWrite(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  if (auto* w = a.Host<TFileWriter>(1)) w->WriteByte(static_cast<uint8_t>(a.Int(2)));
}

void WriterWriteLn(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(2)) return;
  auto* w = a.Host<TFileWriter>(1);
  if (!w) return;
  std::string text = a.Text(2);
  w->Write(text.data(), text.size());
}

// classes.lang.Object ------------------------------------------------------

void ObjectFileExists(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (a.Has(1)) a.ReturnInt(ScriptFileExists(a.Text(1)) ? 1 : 0);
}

void ObjectMoveFile(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (a.Has(2)) a.ReturnInt(MoveScriptFile(a.Text(1), a.Text(2)) ? 1 : 0);
}

void ObjectDeleteFile(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (a.Has(1)) a.ReturnInt(DeleteScriptFile(a.Text(1)) ? 1 : 0);
}

// The class the start-up would bind name to, looked up the same way.
bool ClassExists(const char* name) {
  TResource* root = VM().root;
  if (root && dynamic_cast<TRTTI*>(root->Resolve(name))) return true;
  return Aliases().Get(name) != nullptr;
}

void Append(std::vector<NativeEntry>& to, const std::vector<NativeEntry>& from) {
  to.insert(to.end(), from.begin(), from.end());
}

}  // namespace

std::vector<NativeEntry> ScriptFileNativeEntries() {
  return {
      {"classes.lang.Object", "fileExists", ObjectFileExists},
      {"classes.lang.Object", "moveFile", ObjectMoveFile},
      {"classes.lang.Object", "deleteFile", ObjectDeleteFile},
      {"FileReader", "_n_FileReader", ReaderOpen},
      {"FileReader", "_n_close", ReaderClose},
      {"FileReader", "_n_eof", ReaderEof},
      {"FileReader", "_n_read", ReaderRead},
      {"FileReader", "_n_readLn", ReaderReadLn},
      {"FileWriter", "_n_FileWriter", WriterOpen},
      {"FileWriter", "_n_close", WriterClose},
      {"FileWriter", "_n_write", WriterWrite},
      {"FileWriter", "_n_writeLn", WriterWriteLn},
  };
}

const std::vector<NativeEntry>& FileNatives() {
  // Rebuilt on every call, since which classes exist is known only once
  // the kernel is loaded; the start-up asks after loading it.
  static std::vector<NativeEntry> table;
  table.clear();
  std::vector<NativeEntry> bin = BinStreamNativeEntries();
  for (const NativeEntry& e : bin) {
    if (ClassExists(e.className)) table.push_back(e);
  }
  if (ClassExists("ResourceReader")) Append(table, MemoryCardNativeEntries());
  Append(table, ScriptFileNativeEntries());
  return table;
}

}  // namespace ruvel
