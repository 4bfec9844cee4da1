#include "resources/resource_markup.h"

#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "platform/paths.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "resources/resource_tree.h"
#include "resources/sgml.h"
#include "platform/regular_file.h"

namespace ruvel {

std::string MarkupLine(std::string_view indent, std::string_view tag, const TMarkupAttrs& attrs,
                       std::string_view end) {
  std::string line(indent);
  line += '<';
  line += tag;
  for (const auto& [name, value] : attrs) {
    line += ' ';
    line += name;
    line += "=\"";
    // Escaped so that a double quote, "<", ">" or "%" in a value reads back
    // as written instead of breaking the element.
    line += EscapeMarkupValue(value);
    line += '"';
  }
  line += end;
  return line;
}

std::string RelativeSource(std::string_view path) {
  if (path.empty()) return std::string();
  return PathRelative(path, BaseDir());
}

std::string LocatePath(std::string_view path) {
  if (auto found = PathFindNoCase(path)) return *found;
  std::string parent = PathParent(path);
  if (parent.empty()) return PathToPosix(path);
  std::string dir = PathLocate(parent);
  return (dir == "/" ? dir : dir + "/") + PathFileName(path);
}

std::string ResolveSource(std::string_view src, std::string_view base) {
  if (src.empty()) return std::string();
  std::string resolved = PathResolve(src, base);
  if (resolved.empty()) return PathToPosix(src);
  return LocatePath(resolved);
}

namespace {

std::string WithCrLf(std::string_view raw) {
  std::string text;
  text.reserve(raw.size() + raw.size() / 16 + 2);
  size_t start = 0;
  while (start < raw.size()) {
    size_t nl = raw.find('\n', start);
    size_t end = nl == std::string_view::npos ? raw.size() : nl;
    size_t lineEnd = end;
    if (lineEnd > start && raw[lineEnd - 1] == '\r') --lineEnd;
    text.append(raw, start, lineEnd - start);
    text += "\r\n";
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return text;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string data;
  for (const std::string& l : lines) {
    data += l;
    data += "\r\n";
  }
  return data;
}

}  // namespace

std::string ReadMarkupText(const std::string& path) {
  std::string located = PathLocate(path);
  std::string bytes;
  TReadStatus status = ReadRegularFile(located, kMaxSourceFileBytes, bytes);
  if (status != TReadStatus::kOk) {
    std::string message = status == TReadStatus::kMissing ? path + J("が見つかりません")
                                                           : ReadFailureText(status, path, kMaxSourceFileBytes);
    ShowMessage(message);
    throw EIOError(message);
  }
  return WithCrLf(NormalizeToCp932(bytes));
}

bool WriteLinesAtomic(const std::string& path, const std::vector<std::string>& lines) {
  bool ok = WriteFileAtomic(LocatePath(path), Joined(lines));
  if (!ok) ShowMessage(path + J("を保存できませんでした"));
  return ok;
}

bool CreateFileIfMissing(const std::string& path, const std::vector<std::string>& lines) {
  if (PathExists(path)) return true;
  return WriteLinesAtomic(path, lines);
}

}  // namespace ruvel
