#include "compiler/class_file.h"

#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "compiler/link.h"
#include "platform/paths.h"
#include "platform/cp932.h"
#include "platform/regular_file.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "vm/binary_io.h"
#include "vm/symbols.h"

namespace ruvel {

namespace {

bool IsNameChar(unsigned char c) {
  return c == '@' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

[[noreturn]] void Corrupt(const TRTTI& cls) { throw EIOError(J("クラスファイル") + cls.name + J("は壊れています。")); }

// A count read from the file, bounded by the bytes left (each item takes at
// least minBytes), so garbage can never make the reader loop or allocate
// beyond the file's size.
int32_t Count(BinaryReader& r, size_t minBytes, const TRTTI& cls) {
  int32_t n = r.Int();
  if (n < 0 || static_cast<size_t>(n) > r.Left() / minBytes) Corrupt(cls);
  return n;
}

// 32-bit FNV-1a.
uint32_t Fnv(uint32_t h, const void* p, size_t n) {
  const auto* b = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < n; ++i) {
    h ^= b[i];
    h *= 16777619u;
  }
  return h;
}

// Largest class file read; anything bigger is not one of ours.
constexpr size_t kMaxClassFile = size_t(256) << 20;

}  // namespace

std::string ClassFilePath(const TRTTI& cls) {
  std::string rel = PathRelative(cls.sourcePath, ProgramDir());
  std::string name = "_116c";
  for (size_t i = 0; i < rel.size();) {
    unsigned char c = static_cast<unsigned char>(rel[i]);
    if (c == '.' && i + 1 < rel.size() && rel[i + 1] == '.') {
      name += '@';
      i += 2;
    } else if (IsLeadByte(c) && i + 1 < rel.size()) {
      i += 2;  // a double-byte character is not a name character
    } else {
      if (IsNameChar(c)) name += static_cast<char>(c);
      ++i;
    }
  }
  std::string dir = TempDir();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return dir + "/" + name;
}

// The stamp stands where the class file keeps the source's age. A DOS
// date-time (two-second steps) misses an edit made within the same two
// seconds, so the stamp is the low 32 bits of the modification time in
// nanoseconds, XOR a hash of the file size and of the source path relative
// to the program directory (letter case ignored, as paths are found). For
// one source of unchanged size it changes with every change of the
// modification time (unless by an exact multiple of 2^32 ns); the size
// catches a rewrite that kept the time, and the path keeps two sources whose
// class-file names coincide (names that differ only in dropped characters)
// from taking each other's file.
uint32_t SourceStamp(const std::string& sourcePath) {
  std::optional<std::string> found = PathFindNoCase(sourcePath);
  struct stat st;
  if (!found || stat(found->c_str(), &st) != 0) return 0;
  uint64_t ns = static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000ull + static_cast<uint64_t>(st.st_mtim.tv_nsec);
  uint64_t size = static_cast<uint64_t>(st.st_size);
  std::string rel = FoldCase(PathRelative(sourcePath, ProgramDir()));
  uint32_t h = Fnv(2166136261u, &size, sizeof size);
  h = Fnv(h, rel.data(), rel.size());
  return static_cast<uint32_t>(ns) ^ h;
}

namespace {

// The body of LoadClassFile after the file was read; leaves the record
// partly filled on false or an error (the caller restores it).
bool ReadClassFile(TRTTI& cls, BinaryReader& r, bool shipped) {
  if (r.Left() < 8) return false;
  if (r.Int() != kClassFileMagic) return false;
  uint32_t stamp = static_cast<uint32_t>(r.Int());
  // A game shipped without its sources (--export --no-sources marks its
  // class folder) runs on its class files; anywhere else, and whenever the
  // source is there, the file must match the source.
  bool sourceThere = PathFindNoCase(cls.sourcePath).has_value();
  if (sourceThere ? stamp != SourceStamp(cls.sourcePath) : !shipped) return false;

  std::string parentName = r.String();
  if (!parentName.empty()) {
    TRTTI* parent = FindClass(parentName);
    if (!parent) throw EIOError(J("親クラス") + parentName + J("はありません。"));
    // A parent that derives from this class would close a cycle.
    if (!parent->Compiled || parent->DerivesFrom(&cls)) return false;
    cls.Parent = parent;
    cls.InheritMethods();
    cls.InheritMembers();
  } else {
    cls.Parent = nullptr;
  }

  int32_t members = Count(r, 4, cls);
  for (int32_t i = 0; i < members; ++i) {
    std::string member = r.String();
    if (member.empty()) Corrupt(cls);
    cls.MemberIndexOrAdd(member);
  }

  int32_t functions = Count(r, 8, cls);
  for (int32_t i = 0; i < functions; ++i) {
    std::string kind = r.String();
    std::string fname = r.String();
    if (fname.empty()) Corrupt(cls);
    std::unique_ptr<TFunction> f(NewFunctionOfKind(kind, &cls, Intern(fname)));
    if (!f) Corrupt(cls);
    f->ReadFrom(r);
    if (f->Kind() == FunctionKind::kNative) {
      // Natives are appended as the compiler appends them, so the loaded
      // method table matches the one compiled from source.
      cls.AddMethod(f.release());
    } else {
      // A damaged file may name a function of this class twice; the entry
      // it replaces is freed once no table holds it.
      TFunction* replaced = nullptr;
      for (TFunction* m : cls.Methods) {
        if (m->NameId == f->NameId) {
          replaced = m;
          break;
        }
      }
      cls.AddOrOverrideMethod(f.release());
      if (replaced && replaced->RefCount <= 0) delete replaced;
    }
  }

  cls.ClassCode = std::make_unique<TCompiledInfo>();
  cls.ClassCode->ReadBlock(r);
  cls.ClassCode->cls = &cls;

  // Each block with the number of locals of the frame that runs it.
  std::vector<std::pair<TCompiledInfo*, int32_t>> blocks;
  for (TFunction* f : cls.Methods) {
    if (f->Owner != &cls || f->Kind() == FunctionKind::kNative) continue;
    auto* nf = static_cast<TNormalFunction*>(f);
    if (!nf->Code) continue;
    LinkCompiledInfo(*nf->Code, &cls);
    blocks.emplace_back(nf->Code.get(), nf->LocalCount());
  }
  LinkCompiledInfo(*cls.ClassCode, &cls);
  blocks.emplace_back(cls.ClassCode.get(), 0);
  // Code that would not pass the interpreter's check counts as damage.
  for (auto& [b, locals] : blocks) {
    try {
      b->EnsureVerified(locals);
    } catch (const EVMError&) {
      Corrupt(cls);
    }
  }
  cls.Compiled = true;
  return true;
}

}  // namespace

const char* const kShippedMarker = "shipped-without-sources";

bool LoadClassFile(TRTTI& cls, const std::string& file) {
  std::string data;
  switch (TReadStatus status = ReadRegularFile(file, kMaxClassFile, data)) {
    case TReadStatus::kOk:
      break;
    case TReadStatus::kMissing:
      return false;
    case TReadStatus::kTooLarge:
      Corrupt(cls);
    case TReadStatus::kNotRegular:
      throw EIOError(ReadFailureText(status, file, kMaxClassFile));
    case TReadStatus::kFailed:
      throw EIOError(file + J("を読み込めません"));
  }

  cls.Uncompile();
  TRTTI* parentBefore = cls.Parent;
  auto restore = [&]() {
    cls.Uncompile();
    cls.Parent = parentBefore;
  };
  try {
    BinaryReader r(std::move(data));
    // The marker is written under exactly this name beside the class file;
    // an exact check spares a listing of the whole folder per class.
    std::error_code ec;
    bool shipped = std::filesystem::exists(PathParent(file) + "/" + kShippedMarker, ec);
    if (ReadClassFile(cls, r, shipped)) return true;
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return false;
}

void SaveClassFile(TRTTI& cls, const std::string& file) {
  BinaryWriter w;
  w.Int(kClassFileMagic);
  w.Int(static_cast<int32_t>(SourceStamp(cls.sourcePath)));
  w.String(cls.Parent ? FullName(cls.Parent) : std::string());

  std::vector<std::string> own;
  for (int32_t i = 0; i < cls.Members.Count(); ++i) {
    int32_t id = cls.Members.IdAt(i);
    if (!cls.Parent || cls.Parent->Members.IndexOf(id) < 0) own.push_back(SymbolName(id));
  }
  w.StringList(own);

  int32_t functions = 0;
  for (TFunction* f : cls.Methods) {
    if (f->Owner == &cls) ++functions;
  }
  w.Int(functions);
  for (TFunction* f : cls.Methods) {
    if (f->Owner != &cls) continue;
    w.String(f->KindText());
    w.String(f->GetName());
    f->WriteTo(w);
  }
  if (cls.ClassCode) {
    cls.ClassCode->WriteBlock(w);
  } else {
    TCompiledInfo().WriteBlock(w);
  }

  if (!WriteFileAtomic(file, w.Data())) LogLine(J("クラスファイルを保存できません: ") + file);
}

}  // namespace ruvel
