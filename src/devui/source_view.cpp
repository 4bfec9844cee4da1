#include "devui/source_view.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/cp932.h"
#include "platform/regular_file.h"
#include "runtime/function.h"
#include "runtime/rtti.h"
#include "vm/compiled_info.h"

namespace ruvel {

namespace {

// The source as the compiler sees it (a UTF-8 file becomes CP932).
bool ReadSource(const std::string& file, std::string& text) {
  std::string bytes;
  if (ReadRegularFile(file, kMaxSourceFileBytes, bytes) != TReadStatus::kOk) return false;
  text = NormalizeToCp932(bytes);
  return true;
}

}  // namespace

int LineOfPosition(const std::string& text, int32_t position) {
  if (position < 0) return 0;
  int line = 1;
  size_t end = std::min<size_t>(static_cast<size_t>(position), text.size());
  for (size_t i = 0; i < end; ++i) {
    if (text[i] == '\n') ++line;
  }
  return line;
}

bool SourceLineAt(const TCompiledInfo& code, int32_t address, std::string& file, int& line) {
  if (!code.cls || code.cls->sourcePath.empty()) return false;
  const std::string* position = nullptr;
  for (const auto& [text, at] : code.symbols.points) {
    if (at <= address) position = &text;
  }
  if (!position) return false;
  std::string text;
  if (!ReadSource(code.cls->sourcePath, text)) return false;
  file = code.cls->sourcePath;
  line = LineOfPosition(text, std::atoi(position->c_str()));
  return line > 0;
}

std::vector<std::string> SourceAround(const std::string& file, int line, int context) {
  std::vector<std::string> out;
  std::string text;
  if (!ReadSource(file, text)) return out;
  int n = 1;
  size_t start = 0;
  while (start <= text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    if (n >= line - context && n <= line + context) {
      std::string body = text.substr(start, nl - start);
      if (!body.empty() && body.back() == '\r') body.pop_back();
      char head[16];
      std::snprintf(head, sizeof head, "%4d%s", n, n == line ? "=>" : "  ");
      out.push_back(head + body);
    }
    if (nl == text.size() || n > line + context) break;
    start = nl + 1;
    ++n;
  }
  return out;
}

bool LineAddress(const TRTTI& cls, int line, const TCompiledInfo*& code, int32_t& address) {
  std::string text;
  if (line <= 0 || cls.sourcePath.empty() || !ReadSource(cls.sourcePath, text)) return false;
  std::vector<const TCompiledInfo*> blocks;
  if (cls.ClassCode) blocks.push_back(cls.ClassCode.get());
  for (const TFunction* f : cls.Methods) {
    if (f->Owner != &cls || f->Kind() == FunctionKind::kNative) continue;
    if (auto* nf = static_cast<const TNormalFunction*>(f); nf->Code) blocks.push_back(nf->Code.get());
  }
  for (const TCompiledInfo* block : blocks) {
    for (const auto& [position, at] : block->symbols.points) {
      if (LineOfPosition(text, std::atoi(position.c_str())) == line) {
        code = block;
        address = at;
        return true;
      }
    }
  }
  return false;
}

}  // namespace ruvel
