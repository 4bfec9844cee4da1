#include "io/cookies.h"

#include "platform/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/paths.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/regular_file.h"

namespace ruvel {
namespace {

const char kPrefix[] = "env:";

std::string WithoutLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\r' && c != '\n') out += c;
  return out;
}

}  // namespace

bool TCookieStore::Load(const std::string& file) {
  std::string text;
  if (ReadRegularFile(file, kMaxSettingsFileBytes, text) != TReadStatus::kOk) return false;
  lines_.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    // Every carriage return at the end goes: a value never ends in one (set
    // strips them), and one kept here would be lost by the next save and
    // load, changing the value.
    while (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(std::move(line));
    start = end + 1;
  }
  return true;
}

void TCookieStore::Save(const std::string& file) const {
  std::string data;
  for (const std::string& line : lines_) {
    data += line;
    data += '\n';
  }
  if (!WriteFileAtomic(file, data)) throw EIOError(J("クッキーを保存できません: ") + file);
}

std::string TCookieStore::Get(std::string_view name) const {
  std::string key = kPrefix + WithoutLineBreaks(name) + "=";
  for (const std::string& line : lines_)
    if (line.size() >= key.size() && EqualsNoCase(std::string_view(line).substr(0, key.size()), key))
      return line.substr(key.size());
  return "";
}

void TCookieStore::Set(std::string_view name, std::string_view value) {
  std::string key = kPrefix + WithoutLineBreaks(name);
  // The key is quoted so that characters such as '.', '+' or '(' in a name
  // match only themselves and never remove another cookie.
  std::string pattern = "/^" + BRegExpQuote(key, true) + "=/";
  for (size_t i = lines_.size(); i-- > 0;)
    if (regexp_.Match(pattern, lines_[i])) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
  lines_.push_back(key + "=" + WithoutLineBreaks(value));
}

TCookieStore& Cookies() {
  static TCookieStore store;
  return store;
}

std::string CookieFilePath() {
  std::string kernel = PathLocate(PathResolve("Kernel", ProgramDir()));
  if (PathWritable(kernel) || !PathExists(kernel)) return PathLocate(PathResolve("Cookies.ini", kernel));
  // An installed program keeps its settings in the user's folder.
  std::string dir = UserDataDir("config");
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return dir + "/Cookies.ini";
}

bool LoadCookies() { return Cookies().Load(CookieFilePath()); }

void SaveCookies() { Cookies().Save(CookieFilePath()); }

}  // namespace ruvel
