// Go to definition, find references, rename and document symbols.
#include <algorithm>

#include "langserver/keywords.h"
#include "langserver/language_server.h"
#include "langserver/symbol_query.h"

namespace ruvel::lsp {

namespace {

struct Place {
  ClassEntry* cls;
  Occurrence occ;
};

bool SameName(const std::string& a, const std::string& b) { return FoldName(a) == FoldName(b); }

// Every occurrence of what t denotes. A method or member name before any
// dot means the class's own; after a dot the receiver's class is not
// known, so every use of the name counts (calls go by name at run time).
std::vector<Place> Occurrences(Workspace& ws, ClassEntry& cls, SymbolQuery& query, const Target& t, bool decl) {
  std::vector<Place> out;
  switch (t.kind) {
    case TargetKind::kMethod:
    case TargetKind::kMember:
      for (auto& c : ws.Classes()) {
        for (const Occurrence& o : c->good.occurrences) {
          bool named = o.role == Role::kMethodDecl || o.role == Role::kCall || o.role == Role::kMember;
          if (!named || !SameName(o.name, t.name)) continue;
          if (o.role == Role::kMethodDecl && !decl) continue;
          if (!o.afterDot && query.Lookup(c.get(), o.name).owner != t.owner) continue;
          out.push_back({c.get(), o});
        }
      }
      break;
    case TargetKind::kLocal:
      for (const Occurrence& o : cls.good.occurrences) {
        if (o.role == Role::kLocal && o.method == t.methodIndex && SameName(o.name, t.name)) out.push_back({&cls, o});
      }
      break;
    case TargetKind::kGlobal:
      for (auto& c : ws.Classes()) {
        for (const Occurrence& o : c->good.occurrences) {
          if (o.role == Role::kGlobal && o.name == t.name) out.push_back({c.get(), o});
        }
      }
      break;
    case TargetKind::kClass:
      for (auto& c : ws.Classes()) {
        for (const Occurrence& o : c->good.occurrences) {
          if (o.role == Role::kClassRef && ws.Resolve(o.name) == t.owner) out.push_back({c.get(), o});
        }
      }
      break;
    case TargetKind::kNone:
      break;
  }
  return out;
}

// A new name must be one name token of the language, not a keyword or a
// global.
bool ValidName(const std::string& name) {
  std::vector<Token> tokens = TokensOf(SourceText(name));
  return tokens.size() == 1 && tokens[0].kind == "SYMBOL" && tokens[0].text == name && !name.starts_with("$") &&
         !IsScriptKeyword(name);
}

}  // namespace

json Definition(LanguageServer& server, ClassEntry& cls, const json& params) {
  SymbolQuery query(server.Files(), cls);
  Target t = query.At(cls.text.Offset(PositionParam(params)));
  switch (t.kind) {
    case TargetKind::kMethod:
      return LocationJson(*t.declaredIn, t.method->nameStart, t.method->nameEnd);
    case TargetKind::kMember:
      if (const MemberInfo* m = t.owner->good.FindMember(t.name)) return LocationJson(*t.owner, m->start, m->end);
      return nullptr;
    case TargetKind::kClass:
      return LocationJson(*t.owner, 0, 0);
    case TargetKind::kLocal:
    case TargetKind::kGlobal: {
      std::vector<Place> places = Occurrences(server.Files(), cls, query, t, true);
      if (places.empty()) return nullptr;
      return LocationJson(*places[0].cls, places[0].occ.start, places[0].occ.end);
    }
    case TargetKind::kNone:
      break;
  }
  return nullptr;
}

json References(LanguageServer& server, ClassEntry& cls, const json& params) {
  SymbolQuery query(server.Files(), cls);
  Target t = query.At(cls.text.Offset(PositionParam(params)));
  bool decl = true;
  if (params.contains("context") && params["context"].contains("includeDeclaration"))
    decl = params["context"]["includeDeclaration"].get<bool>();
  json out = json::array();
  for (const Place& p : Occurrences(server.Files(), cls, query, t, decl))
    out.push_back(LocationJson(*p.cls, p.occ.start, p.occ.end));
  return out;
}

json Rename(LanguageServer& server, ClassEntry& cls, const json& params) {
  std::string newName = params.at("newName").get<std::string>();
  SymbolQuery query(server.Files(), cls);
  Target t = query.At(cls.text.Offset(PositionParam(params)));
  if (t.kind != TargetKind::kMethod && t.kind != TargetKind::kMember && t.kind != TargetKind::kLocal)
    throw RequestError{kRequestFailed, "名前を変えられるのはメソッド、メンバ、ローカル変数です"};
  if (t.owner->kernel) throw RequestError{kRequestFailed, "カーネルのクラスの名前は変えられません"};
  if (!ValidName(newName)) throw RequestError{kInvalidParams, "名前として使えません: " + newName};
  json changes = json::object();
  for (const Place& p : Occurrences(server.Files(), cls, query, t, true)) {
    if (p.cls->kernel) continue;
    std::string uri = PathToUri(p.cls->path);
    if (!changes.contains(uri)) changes[uri] = json::array();
    changes[uri].push_back({{"range", RangeJson(p.cls->goodText, p.occ.start, p.occ.end)}, {"newText", newName}});
  }
  return {{"changes", changes}};
}

json DocumentSymbols(LanguageServer& server, ClassEntry& cls) {
  // Protocol symbol kinds.
  enum { kClassSymbol = 5, kMethodSymbol = 6, kFieldSymbol = 8, kConstructorSymbol = 9 };
  const SourceText& text = cls.goodText;
  json children = json::array();
  for (const MethodInfo& m : cls.good.methods) {
    children.push_back({{"name", m.name},
                        {"detail", m.kind + " " + m.Signature()},
                        {"kind", m.kind == "constructor" ? kConstructorSymbol : kMethodSymbol},
                        {"range", RangeJson(text, m.nameStart, m.bodyEnd)},
                        {"selectionRange", RangeJson(text, m.nameStart, m.nameEnd)}});
  }
  // Members the parents already have are theirs.
  std::vector<ClassEntry*> lineage = server.Files().Lineage(&cls);
  for (const MemberInfo& m : cls.good.members) {
    bool inherited = std::any_of(lineage.begin() + 1, lineage.end(),
                                 [&](ClassEntry* c) { return c->good.FindMember(m.name) != nullptr; });
    if (inherited) continue;
    children.push_back({{"name", m.name},
                        {"kind", kFieldSymbol},
                        {"range", RangeJson(text, m.start, m.end)},
                        {"selectionRange", RangeJson(text, m.start, m.end)}});
  }
  int32_t end = static_cast<int32_t>(text.Utf8().size());
  json symbol = {{"name", cls.name},
                 {"detail", cls.good.parent.empty() ? cls.fullName : cls.fullName + " extends " + cls.good.parent},
                 {"kind", kClassSymbol},
                 {"range", RangeJson(text, 0, end)},
                 {"selectionRange", RangeJson(text, 0, 0)},
                 {"children", children}};
  return json::array({symbol});
}

}  // namespace ruvel::lsp
