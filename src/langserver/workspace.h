// The classes the language server knows: the kernel's (from the kernel
// resource list) and the project's (from its project file, its pages and
// any class source under the project folder), each with its current text
// (the editor's unsaved text while open) and its index; the globals the
// markup names; lookups of classes by dotted or short name and of a
// class's parents.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "langserver/file_index.h"
#include "langserver/source_text.h"

namespace ruvel::lsp {

struct ClassEntry {
  std::string name;      // the short name ("Char")
  std::string fullName;  // the dotted path ("classes.game.Char")
  std::string path;      // the source file
  bool kernel = false;
  bool open = false;     // the editor holds its text
  SourceText text;
  FileIndex index;       // of text
  // The last text that parsed and its index (text itself when it parses):
  // navigation keeps working while the text has a syntax error.
  SourceText goodText;
  FileIndex good;

  void SetText(SourceText newText);
};

class Workspace {
 public:
  // Reads the kernel of programDir and the project in root (either may be
  // missing: the server then knows less).
  void Load(const std::string& root, const std::string& programDir);

  const std::string& Root() const { return root_; }
  std::vector<std::unique_ptr<ClassEntry>>& Classes() { return classes_; }
  const std::vector<std::string>& MarkupGlobals() const { return globals_; }

  ClassEntry* FindByPath(const std::string& path);
  // Reads the class's file again (after the editor closed it, or the file
  // changed on disk while not open).
  void Reload(ClassEntry& cls);
  // A source the project did not list (opened in the editor): a project
  // class named after the file; nullptr for a file that is no class source.
  ClassEntry* AddSource(const std::string& path);
  // The class a dotted name (or a short name) denotes, the project's first.
  ClassEntry* Resolve(const std::string& name);
  // The class and its parents, nearest first (a loop ends the list).
  std::vector<ClassEntry*> Lineage(ClassEntry* cls);

 private:
  void ReadMarkup(const std::string& file, bool kernel, int depth);
  ClassEntry* AddClass(const std::string& name, const std::string& fullName, const std::string& path, bool kernel);
  void ScanSources(const std::string& dir, int depth);

  std::string root_;
  std::vector<std::unique_ptr<ClassEntry>> classes_;
  std::vector<std::string> globals_;
};

// The path with links and "." / ".." resolved when it exists, else as given.
std::string CanonicalPath(const std::string& path);

// file:// URIs and paths.
std::string UriToPath(const std::string& uri);
std::string PathToUri(const std::string& path);

}  // namespace ruvel::lsp
