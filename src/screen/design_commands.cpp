#include "screen/design_commands.h"

#include <cctype>
#include <memory>

#include "compiler/multi_eval.h"
#include "pages/page_script.h"
#include "platform/cp932.h"
#include "resources/resource_generator.h"
#include "resources/resource_loader.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "screen/design_editor.h"
#include "screen/script_globals.h"

namespace ruvel {

namespace {

TResourceList* GenList() { return FindList("usr.gen"); }

// The generator of "usr.gen" named global, with its place.
TGenerator* FindGenerator(const std::string& global, size_t* index) {
  TResourceList* list = GenList();
  if (!list || global.empty()) return nullptr;
  for (size_t i = 0; i < list->ChildCount(); ++i) {
    auto* g = dynamic_cast<TGenerator*>(list->ChildAt(i));
    if (g && EqualsNoCase(g->name, global)) {
      if (index) *index = i;
      return g;
    }
  }
  return nullptr;
}

// The generator's line after its object wrote its state into it.
std::string CurrentMarkup(TGenerator& g) {
  std::vector<std::string> lines;
  g.WriteMarkup(lines, "");
  return lines.empty() ? std::string() : lines.front();
}

std::unique_ptr<TGenerator> GeneratorFromMarkup(const std::string& markup) {
  std::unique_ptr<TResource> node = NodeFromFileMarkup(markup + "\r\n", BaseDir());
  auto* g = dynamic_cast<TGenerator*>(node.get());
  if (!g) return nullptr;
  node.release();
  return std::unique_ptr<TGenerator>(g);
}

bool RemoveGenerator(const std::string& global);

// Puts the generator back at index and makes its object as a page start
// would: created, members assigned, handed its generator, added to $chars.
bool InsertGenerator(const std::string& markup, size_t index) {
  TResourceList* list = GenList();
  if (!list) return false;
  std::unique_ptr<TGenerator> g = GeneratorFromMarkup(markup);
  if (!g || FindGenerator(g->name, nullptr)) return false;
  TGenerator* placed = g.get();
  list->InsertChild(index, g.release());
  TMultiEvaluator batch;
  for (int pass = 0; pass < 2; ++pass) {
    TGenIterator it(batch, pass);
    it.Visit(placed);
  }
  std::string name = placed->name;
  if (RunPageScript(batch.Text(), std::string()) == kPageScriptFinished && ObjectOfGlobal(name)) return true;
  // No object came of it: the page keeps no generator without one.
  RemoveGenerator(name);
  return false;
}

// Takes the generator out (it unhooks itself from its object), then drops
// the object from the drawn objects, the selection and its global.
bool RemoveGenerator(const std::string& global) {
  TResourceList* list = GenList();
  TGenerator* g = FindGenerator(global, nullptr);
  if (!list || !g) return false;
  std::string name = g->name;
  Instance* obj = ObjectOfGlobal(name);
  if (obj && TDesignEditor::Selected() == obj) TDesignEditor::SetSelected(nullptr);
  list->Remove(g);
  EvaluateStatements("if ($chars) $chars.remove(" + name + "); " + name + " = null;");
  return true;
}

bool MoveObject(const std::string& global, int x, int y) {
  Instance* obj = ObjectOfGlobal(global);
  return obj && SetObjectPosition(obj, x, y);
}

}  // namespace

bool TDesignCommand::Apply() const {
  switch (kind) {
    case Kind::kMove: return MoveObject(global, toX, toY);
    case Kind::kAdd: return InsertGenerator(markup, index);
    case Kind::kRemove: return RemoveGenerator(global);
  }
  return false;
}

bool TDesignCommand::Undo() const {
  switch (kind) {
    case Kind::kMove: return MoveObject(global, fromX, fromY);
    case Kind::kAdd: return RemoveGenerator(global);
    case Kind::kRemove: return InsertGenerator(markup, index);
  }
  return false;
}

void TDesignHistory::Push(const TDesignCommand& c) {
  // The saved state lay among the undone commands: it cannot come back.
  if (savedAt_ > static_cast<long>(done_.size())) savedAt_ = -1;
  undone_.clear();
  done_.push_back(c);
}

bool TDesignHistory::Do(const TDesignCommand& c) {
  if (!c.Apply()) return false;
  Push(c);
  return true;
}

void TDesignHistory::Record(const TDesignCommand& c) { Push(c); }

bool TDesignHistory::Undo() {
  if (done_.empty()) return false;
  TDesignCommand c = done_.back();
  done_.pop_back();
  undone_.push_back(c);
  return c.Undo();
}

bool TDesignHistory::Redo() {
  if (undone_.empty()) return false;
  TDesignCommand c = undone_.back();
  undone_.pop_back();
  done_.push_back(c);
  return c.Apply();
}

void TDesignHistory::Clear() {
  done_.clear();
  undone_.clear();
  savedAt_ = 0;
}

Instance* ObjectOfGlobal(const std::string& global) {
  TResourceList* globals = UserGlobals();
  TResource* node = globals && !global.empty() ? globals->Child(global) : nullptr;
  Value* v = node ? node->ValuePtr() : nullptr;
  return v ? ValueAsObject(*v) : nullptr;
}

std::string GeneratorGlobalOf(Instance* obj, size_t* index) {
  TResourceList* list = GenList();
  if (!list || !obj) return std::string();
  for (size_t i = 0; i < list->ChildCount(); ++i) {
    auto* g = dynamic_cast<TGenerator*>(list->ChildAt(i));
    if (g && ObjectOfGlobal(g->name) == obj) {
      if (index) *index = i;
      return g->name;
    }
  }
  return std::string();
}

std::vector<std::string> PageClassNames() {
  std::vector<std::string> names;
  TResourceList* classes = FindList("usr.classes");
  if (!classes) return names;
  for (size_t i = 0; i < classes->ChildCount(); ++i) {
    if (dynamic_cast<TRTTI*>(classes->ChildAt(i))) names.push_back(classes->ChildAt(i)->name);
  }
  return names;
}

std::string NewObjectGlobal(const std::string& className) {
  std::string base = className.substr(className.rfind('.') + 1);
  if (base.empty()) base = "obj";
  base[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(base[0])));
  TResourceList* globals = UserGlobals();
  for (int n = 1;; ++n) {
    std::string name = "$" + base + std::to_string(n);
    TResource* global = globals ? globals->Child(name) : nullptr;
    Value* v = global ? global->ValuePtr() : nullptr;
    if (!FindGenerator(name, nullptr) && !(v && ValueAsObject(*v))) return name;
  }
}

bool MakeAddCommand(const std::string& cls, int x, int y, TDesignCommand& out) {
  TResourceList* list = GenList();
  if (!list || cls.empty()) return false;
  out = TDesignCommand();
  out.kind = TDesignCommand::Kind::kAdd;
  out.global = NewObjectGlobal(cls);
  out.index = list->ChildCount();
  out.markup = "<generator className=\"" + cls + "\" name=\"" + out.global + "\" inst_x=\"" + std::to_string(x) +
               "\" inst_y=\"" + std::to_string(y) + "\">";
  return true;
}

bool MakeCopyCommand(Instance* obj, int dx, int dy, TDesignCommand& out) {
  size_t index = 0;
  TGenerator* source = FindGenerator(GeneratorGlobalOf(obj, &index), nullptr);
  int x = 0;
  int y = 0;
  if (!source || !ObjectPosition(obj, x, y)) return false;
  std::unique_ptr<TGenerator> copy = GeneratorFromMarkup(CurrentMarkup(*source));
  if (!copy) return false;
  copy->name = NewObjectGlobal(copy->className);
  copy->SetInstAttr("x", std::to_string(x + dx));
  copy->SetInstAttr("y", std::to_string(y + dy));
  out = TDesignCommand();
  out.kind = TDesignCommand::Kind::kAdd;
  out.global = copy->name;
  out.index = index + 1;
  out.markup = copy->MarkupText("");
  return true;
}

bool MakeRemoveCommand(Instance* obj, TDesignCommand& out) {
  size_t index = 0;
  std::string global = GeneratorGlobalOf(obj, &index);
  TGenerator* g = FindGenerator(global, nullptr);
  if (!g) return false;
  out = TDesignCommand();
  out.kind = TDesignCommand::Kind::kRemove;
  out.global = g->name;
  out.index = index;
  out.markup = CurrentMarkup(*g);
  return true;
}

}  // namespace ruvel
