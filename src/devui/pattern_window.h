// The pattern registration window "キャラクタパターン" without drawing
// (pattern_window_view draws it): the page's pattern resources, the name
// proposed for a sheet file, the two name checks with their messages, and
// adding a sheet (copied into the project's folder first when it lies
// outside) as a new `cpattern` of "usr.patterns", after which every
// pattern is registered again.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ruvel {

class TPatRects;

// One registered sheet as the window lists it: the resource's global and
// file, the cut sheet in the pattern list and its first pattern number
// (none and -1 while it is not listed).
struct TPatternRow {
  std::string name;
  std::string src;
  std::shared_ptr<TPatRects> sheet;
  int32_t first = -1;
};

class TPatternWindow {
 public:
  // The sheet files it offers in its file dialog.
  static std::string FileFilter();
  // name and src of every pattern resource of "usr.patterns".
  std::vector<std::pair<std::string, std::string>> Rows() const;
  // The same rows with their cut sheets, for thumbnails and numbers.
  std::vector<TPatternRow> SheetRows() const;
  // "$pat_" + the file name up to its first point, keeping only letters,
  // digits and "_".
  static std::string ProposedName(const std::string& file);
  // The name follows the rule of script variable names ("$" first).
  static bool ValidName(const std::string& name);
  // "" when name can be used, else the message the window shows: name +
  // "は変数名として利用できません" or name + "はすでにあります".
  static std::string CheckName(const std::string& name);
  // The folder sheets are kept in: the project's, else the page's.
  static std::string ProjectFolder();
  // Picks a sheet: its place in the project folder and the proposed name.
  void Pick(const std::string& file);
  // Adds the picked sheet under name: the checks, the copy into the
  // project folder, the new resource and the rebuild. A refusal or failure
  // is shown in a message box; false then.
  bool Add();

  bool shown = false;
  std::string file;  // the picked sheet, as chosen
  std::string name;  // CP932
  // A sheet the user asked to edit (a double click on its row); the menu
  // view opens it in the pattern editor and clears it.
  std::string editRequest;
  int selected = -1;  // the row whose patterns are shown
};

}  // namespace ruvel
