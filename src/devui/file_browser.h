// TFileBrowser: the state of a file dialog over the file system without
// any drawing (file_browser_view draws it): the folder shown, its folders
// and the files that pass the chosen filter, the file name being typed.
// Names are kept as the file system has them (bytes); the view converts
// them for display.
#pragma once
#include <string>
#include <vector>

namespace ruvel {

struct TFileFilter {
  std::string description;              // CP932
  std::vector<std::string> extensions;  // ".cmml" (lower case); empty: every file
};

// "説明|*.a;*.b|説明2|*.c" → its filters, in order.
std::vector<TFileFilter> ParseFileFilter(const std::string& filter);

class TFileBrowser {
 public:
  struct TEntry {
    std::string name;
    bool directory = false;
  };

  // Shows the folder dir (the nearest existing parent when it is gone).
  void Open(const std::string& title, const std::string& filter, const std::string& dir);
  void Close() { shown = false; }
  // Reads the folder again: ".." first (below the root), then folders,
  // then files passing the filter, each group sorted by name.
  void Refresh();
  void SelectFilter(int index);
  // A click on an entry: a folder is entered ("..": the parent), a file's
  // name becomes the file name.
  void Activate(size_t index);
  void Up();
  // The chosen file: the folder joined with the typed name (a typed
  // absolute path is taken as it is); empty when no name is typed. A name
  // naming a folder enters it and gives empty too.
  std::string Choose();
  bool Passes(const std::string& name) const;

  bool shown = false;
  std::string title;  // CP932
  std::vector<TFileFilter> filters;
  int filterIndex = 0;
  std::string dir;
  std::string fileName;
  std::vector<TEntry> entries;
};

}  // namespace ruvel
