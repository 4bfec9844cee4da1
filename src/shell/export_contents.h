// What of a project an export carries: the project file, its pages and the
// files they reference (every src of their markup, followed into linked
// resource lists), the files the project's parameters name (soundfont,
// helpfile), every project file whose name a string of a carried class
// names ("sounds/jump.wav", or "save.txt" for files/save.txt), and the files, folders or patterns the
// project parameter "export_files" lists for names a script builds at
// run time ("sounds/note*.wav data"). Temp/ and captures/ are never
// carried; replays, notes and screenshots only when something names them.
//
// Exported games show no development menus, unless the project parameter
// "export_dev_menus" is "1". An export marks its program directory with the
// file kExportedGameMarker; the shell reads it at start-up.
#pragma once
#include <string>
#include <vector>

namespace ruvel {

inline constexpr const char* kExportFilesParam = "export_files";
inline constexpr const char* kExportDevMenusParam = "export_dev_menus";
inline constexpr const char* kExportedGameMarker = "exported-game.txt";
// The list of packed files every export writes beside the game.
inline constexpr const char* kPackedListFile = "packed-files.txt";

// The project's files an export carries, relative to the project folder
// with '/' separators, sorted; a src that names a missing file is not an
// error of the export. Links that lead into the project are followed (their
// files carried under the link's name); links that lead out of it or to
// nothing are not, and are given in skippedLinks. Raises std::runtime_error
// for a link loop or a folder that cannot be read.
std::vector<std::string> ExportedProjectFiles(const std::string& projectDir,
                                              std::vector<std::string>* skippedLinks = nullptr);

// The value of a project parameter read from projectDir/default.ruvelprj
// without loading the project; empty when missing.
std::string ProjectFileParam(const std::string& projectDir, const std::string& name);

// True when the running program is an exported game that hides the
// development menus (its program directory holds the marker).
bool ExportedGameHidesDevMenus(const std::string& programDir);

}  // namespace ruvel
