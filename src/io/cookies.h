// The cookie store: per-user settings kept as lines "env:" + name + "=" +
// value, read from "Kernel/Cookies.ini" in the program directory at start-up
// and written back on request (to a temporary file renamed over the old one).
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/bregexp.h"

namespace ruvel {

class TCookieStore {
 public:
  // Replaces the list by the lines of the file (CR LF or LF line ends).
  // Returns false and keeps the list when the file does not exist.
  bool Load(const std::string& file);
  // Writes the list, one line each, to a temporary file beside file and
  // renames it over file. Raises EIOError when that fails.
  void Save(const std::string& file) const;

  // The value of the first cookie named name (letter case ignored); empty
  // when there is none.
  std::string Get(std::string_view name) const;
  // Removes every cookie named name (letter case ignored) and appends the
  // new line. Line breaks in name or value are dropped, since they would
  // turn into separate lines in the file.
  void Set(std::string_view name, std::string_view value);

  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear() { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
  TBRegExp regexp_;
};

// The program's cookie store, owned here.
TCookieStore& Cookies();
// "Kernel/Cookies.ini" under the program directory, in the letter case it
// has on disk.
std::string CookieFilePath();
// Load and Save of the program's store at CookieFilePath().
bool LoadCookies();
void SaveCookies();

}  // namespace ruvel
