// Completion and hover.
#include <set>

#include "langserver/keywords.h"
#include "langserver/language_server.h"
#include "langserver/symbol_query.h"

namespace ruvel::lsp {

namespace {

// Completion item kinds of the protocol.
enum ItemKind { kMethodItem = 2, kFieldItem = 5, kVariableItem = 6, kClassItem = 7, kKeywordItem = 14 };

bool HasPrefix(const std::string& name, const std::string& prefix) {
  return FoldName(name).starts_with(FoldName(prefix));
}

// A method's signature as the documentation writes it when the source
// names no parameters (natives), else from the source.
std::string SignatureOf(LanguageServer& server, const ClassEntry& cls, const MethodInfo& m) {
  if (m.params.empty()) {
    if (const DocEntry* d = server.Docs().Find(cls.name, m.name)) return d->signature;
  }
  return m.Signature();
}

std::string DescriptionOf(LanguageServer& server, const ClassEntry& cls, const MethodInfo& m) {
  if (cls.kernel) {
    if (const DocEntry* d = server.Docs().Find(cls.name, m.name)) return d->description;
  }
  return m.comment;
}

class Items {
 public:
  explicit Items(std::string prefix) : prefix_(std::move(prefix)) {}
  void Add(const std::string& label, int kind, const std::string& detail = {}, const std::string& doc = {}) {
    if (!HasPrefix(label, prefix_) || !seen_.insert(std::to_string(kind) + FoldName(label)).second) return;
    json item = {{"label", label}, {"kind", kind}};
    if (!detail.empty()) item["detail"] = detail;
    if (!doc.empty()) item["documentation"] = {{"kind", "markdown"}, {"value", doc}};
    list_.push_back(item);
  }
  json Result() const { return {{"isIncomplete", false}, {"items", list_}}; }

 private:
  std::string prefix_;
  std::set<std::string> seen_;
  json list_ = json::array();
};

void AddClassMembers(LanguageServer& server, Workspace& ws, ClassEntry* cls, bool natives, Items& items) {
  for (ClassEntry* c : ws.Lineage(cls)) {
    for (const MethodInfo& m : c->good.methods) {
      if (m.kind == "native" && !natives) continue;
      // The kernel's own natives (_n_..., native_...) are the kernel's business.
      if (m.kind == "native" && c->kernel && (m.name.starts_with("_") || m.name.starts_with("native_"))) continue;
      items.Add(m.name, kMethodItem, SignatureOf(server, *c, m) + "  (" + c->fullName + ")",
                DescriptionOf(server, *c, m));
    }
    // Members of the kernel that begin with "_" are its private state.
    for (const MemberInfo& m : c->good.members) {
      if (!(c->kernel && m.name.starts_with("_"))) items.Add(m.name, kFieldItem, "member of " + c->fullName);
    }
  }
}

}  // namespace

json Completion(LanguageServer& server, ClassEntry& cls, const json& params) {
  Workspace& ws = server.Files();
  int32_t offset = cls.text.Offset(PositionParam(params));
  SymbolQuery query(ws, cls);
  const std::vector<Token>& tokens = query.Tokens();
  // The name being typed and what stands before it.
  int before = -1;
  std::string prefix;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].start >= offset) break;
    before = static_cast<int>(i);
  }
  if (before >= 0 && tokens[before].kind == "SYMBOL" && tokens[before].end >= offset) {
    prefix = cls.text.Utf8().substr(tokens[before].start, offset - tokens[before].start);
    --before;
  } else if (before >= 0 && tokens[before].end > offset) {
    // Inside a string, a comment or an operator: nothing to complete.
    return json::array();
  }
  Items items(prefix);
  if (before >= 0 && tokens[before].kind == ".") {
    if (ClassEntry* receiver = query.ReceiverOf(before)) {
      bool self = tokens[before - 1].text == "this" || tokens[before - 1].text == "super";
      AddClassMembers(server, ws, receiver, self, items);
    } else {
      for (auto& c : ws.Classes()) AddClassMembers(server, ws, c.get(), false, items);
    }
    return items.Result();
  }
  // After new, extends or is only a class fits: short names, and for
  // extends the dotted path the compiler resolves from the root.
  if (before >= 0 && (tokens[before].kind == "new" || tokens[before].kind == "is" || tokens[before].kind == "extends")) {
    bool dotted = tokens[before].kind == "extends";
    for (auto& c : ws.Classes()) items.Add(dotted ? c->fullName : c->name, kClassItem, c->fullName);
    return items.Result();
  }
  int m = cls.good.MethodAt(offset);
  if (m >= 0) {
    for (const std::string& n : cls.good.methods[m].params) items.Add(n, kVariableItem, "parameter");
    for (const std::string& n : cls.good.methods[m].locals) items.Add(n, kVariableItem, "local");
  }
  AddClassMembers(server, ws, &cls, true, items);
  for (const std::string& k : ScriptKeywords()) items.Add(k, kKeywordItem, "keyword");
  for (auto& c : ws.Classes()) items.Add(c->name, kClassItem, c->fullName);
  // Globals beginning with "$_" are the host's own unless asked for.
  bool internal = prefix.starts_with("$_");
  auto global = [&](const std::string& g) {
    if (internal || !g.starts_with("$_")) items.Add(g, kVariableItem, "global");
  };
  for (const std::string& g : ws.MarkupGlobals()) global(g);
  for (auto& c : ws.Classes()) {
    for (const std::string& g : c->good.globals) global(g);
  }
  return items.Result();
}

json Hover(LanguageServer& server, ClassEntry& cls, const json& params) {
  int32_t offset = cls.text.Offset(PositionParam(params));
  SymbolQuery query(server.Files(), cls);
  Target t = query.At(offset);
  std::string text;
  switch (t.kind) {
    case TargetKind::kMethod: {
      const ClassEntry& in = *t.declaredIn;
      text = "```ruvel\n" + t.method->kind + " " + SignatureOf(server, in, *t.method) + "\n```\n" + in.fullName;
      std::string description = DescriptionOf(server, in, *t.method);
      if (!description.empty()) text += "\n\n" + description;
      break;
    }
    case TargetKind::kMember:
      text = "member `" + t.name + "` of " + t.owner->fullName;
      break;
    case TargetKind::kLocal:
      text = "local `" + t.name + "` of " + t.method->name + "()";
      break;
    case TargetKind::kGlobal:
      text = "global `" + t.name + "`";
      break;
    case TargetKind::kClass:
      text = "class " + t.owner->fullName;
      if (!t.owner->good.parent.empty()) text += " extends " + t.owner->good.parent;
      break;
    case TargetKind::kNone:
      return nullptr;
  }
  int i = query.TokenAt(offset);
  json result = {{"contents", {{"kind", "markdown"}, {"value", text}}}};
  if (i >= 0) result["range"] = RangeJson(cls.text, query.Tokens()[i].start, query.Tokens()[i].end);
  return result;
}

}  // namespace ruvel::lsp
