// The tone tables a game plays with: the program directory's tones.wdt,
// replaced by the project folder's own tones.wdt while that project is
// loaded (again whenever the project changes or the tone editor saves it).
// A file that cannot be used is told once by name and the program's tables
// stay. The shell owns the one instance for its run.
#pragma once
#include <functional>
#include <set>
#include <string>

#include "sound/tone_file.h"

namespace ruvel {

class TMelvane;

class TProjectTones {
 public:
  // The sequencer's tables at this moment count as the program's.
  explicit TProjectTones(TMelvane& seq);
  // Reads programDir's tones.wdt (when there is one) as the tables of
  // every project without its own, and plays with them.
  void LoadProgramTones(const std::string& programDir);
  // Plays with the tables of the project in folder (empty: no project).
  void UseProject(const std::string& folder);
  // The project folder's file, read again (after a save).
  void Reload() { Apply(); }
  // The tone file the project folder has or would have.
  static std::string ProjectFile(const std::string& folder);

  // Where a broken file is told (CP932, naming it); also written to stderr.
  std::function<void(const std::string& cp932)> tell;

 private:
  void Apply();
  // The tables of a file, or false after telling why not.
  bool Read(const std::string& path, TToneTables& tables);

  TMelvane& seq_;
  TToneTables program_;
  std::string folder_;
  std::set<std::string> told_;  // messages already given
};

// The shell's instance while it runs (not owned; none before and after).
TProjectTones* ProjectTones();
void SetProjectTones(TProjectTones* tones);

}  // namespace ruvel
