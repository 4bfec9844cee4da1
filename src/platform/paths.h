// Path arithmetic on POSIX paths, the program and current page directories,
// lookup of a path without regard to letter case, and the directory lister.
//
// Paths are CP932 text. A backslash outside a double-byte character is a
// separator and is read as '/'; a path is absolute when it starts with '/'.
// Removing the trailing slash of the root "/" leaves the empty text, and the
// parent of "/x" is "/" (the parent of "/" is the empty text), so the root
// plays the part a drive plays on Windows.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvel {

// Turns every separator backslash into '/' (trail bytes stay as they are).
std::string PathToPosix(std::string_view p);

// The part after the last '/'.
std::string PathFileName(std::string_view p);
// The file name without its last extension: "/x/song.tar.mid" -> "song.tar".
std::string PathBaseName(std::string_view p);
bool PathIsAbsolute(std::string_view p);
// Removes one trailing '/'.
std::string PathStripSlash(std::string_view p);
// The path without its last component and trailing slash; "/" for a
// component right under the root, empty for the root or a bare name.
std::string PathParent(std::string_view p);
// p made absolute against base: "." pieces are skipped, ".." climbs. Empty
// when p is empty, or when p is relative and base is empty.
std::string PathResolve(std::string_view p, std::string_view base);
// Lower-cased a begins with lower-cased b.
bool PathStartsWith(std::string_view a, std::string_view b);
// p is dir itself or lies below it (letter case ignored).
bool PathIsInside(std::string_view p, std::string_view dir);
// The deepest folder holding both (a or b itself when one holds the other);
// empty when either is empty or they share nothing.
std::string PathCommonFolder(std::string_view a, std::string_view b);
// p relative to the folder base ("../b/c.txt"); p itself when p is relative,
// base is empty or only a relative base's ancestors were left to try.
std::string PathRelative(std::string_view p, std::string_view base);
// The same path apart from letter case and one trailing slash.
bool PathSame(std::string_view a, std::string_view b);

// The path as it exists on disk: p itself when it exists as written, else
// the path whose every component matches p's without regard to ASCII letter
// case (an exact component is preferred, then the first in name order).
// Nothing when no such path exists.
std::optional<std::string> PathFindNoCase(std::string_view p);
// PathFindNoCase, or p (with '/' separators) when nothing exists.
std::string PathLocate(std::string_view p);
bool PathExists(std::string_view p);

// The directory of the running executable.
std::string ExecutableDir();
// The running program's own file; empty when it cannot be found.
std::string ExecutablePath();
// Where the program's data is when no --home is given: beside the
// executable (a build's program directory), or the data folder of an
// installed program (PREFIX/bin/ruvel, PREFIX/share/ruvel).
std::string DefaultProgramDir();
// The program directory (the executable's unless set, e.g. by --home) and
// the current page directory (the program directory until a page loader
// sets it). Both are kept here, absolute, without a trailing slash.
std::string ProgramDir();
void SetProgramDir(std::string_view dir);
std::string PageDir();
void SetPageDir(std::string_view dir);

// The user's project folder: ProgramDir() + "/Usr" unless a project
// folder was given (--project).
std::string ProjectDir();
void SetProjectDir(std::string_view dir);
// Where compiled classes and page scripts are cached: "Temp" in the
// program directory, in a project given with --project its own "Temp",
// and when the program directory cannot be written (an installed
// program) "ruvel/Temp" in the user's cache folder.
std::string TempDir();
void SetTempDir(std::string_view dir);
// True when files can be made in the folder.
bool PathWritable(std::string_view dir);
// The user's folder for the program's own settings and caches:
// $XDG_CACHE_HOME or ~/.cache (kind "cache"), $XDG_CONFIG_HOME or
// ~/.config (kind "config"), with "/ruvel" appended.
std::string UserDataDir(std::string_view kind);

// The entries of one folder, listed when constructed from a mask such as
// folder + "/*" or folder + "/*.cmml" (Windows mask syntax, letter case
// ignored, "*.*" meaning every name). Files() holds the non-folder entries
// matching the mask; Folders() every sub-folder of the mask's folder except
// "." and "..". Both are sorted by name without regard to case. A missing
// folder gives empty lists.
class TDirectory {
 public:
  explicit TDirectory(std::string_view mask);
  const std::vector<std::string>& Files() const { return files_; }
  const std::vector<std::string>& Folders() const { return folders_; }
  const std::string& Mask() const { return mask_; }

 private:
  std::string mask_;
  std::vector<std::string> files_;
  std::vector<std::string> folders_;
};

}  // namespace ruvel
