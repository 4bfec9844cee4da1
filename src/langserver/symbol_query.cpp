#include "langserver/symbol_query.h"

#include <memory>

#include "compiler/script_parser.h"
#include "platform/cp932.h"

namespace ruvel::lsp {

std::vector<Token> TokensOf(const SourceText& text) {
  std::unique_ptr<TLexList> list = ScriptParser().Tokenize(text.Cp932());
  std::vector<Token> out;
  out.reserve(list->Count());
  for (int i = 0; i < list->Count(); ++i) {
    const TLexElem& t = list->Item(i);
    out.push_back({t.Kind(), Cp932ToUtf8(t.Text()), text.FromCp932(t.Start()), text.FromCp932(t.End())});
  }
  return out;
}

int SymbolQuery::TokenAt(int32_t offset) const {
  for (size_t i = 0; i < tokens_.size(); ++i) {
    const Token& t = tokens_[i];
    if (offset >= t.start && offset < t.end) return static_cast<int>(i);
    if (offset == t.end && t.kind == "SYMBOL") return static_cast<int>(i);
  }
  return -1;
}

// The class a `name = new Class(...)` of the current text gives name; the
// last such assignment before `before`, else any.
std::string SymbolQuery::NewTypeOf(const std::string& name, int32_t before) {
  std::string folded = FoldName(name);
  std::string found;
  for (size_t i = 0; i + 3 < tokens_.size(); ++i) {
    if (tokens_[i].kind != "SYMBOL" || FoldName(tokens_[i].text) != folded) continue;
    if (tokens_[i + 1].kind != "=" || tokens_[i + 2].kind != "new" || tokens_[i + 3].kind != "SYMBOL") continue;
    std::string dotted = tokens_[i + 3].text;
    for (size_t k = i + 4; k + 1 < tokens_.size() && tokens_[k].kind == "." && tokens_[k + 1].kind == "SYMBOL"; k += 2)
      dotted += "." + tokens_[k + 1].text;
    if (found.empty() || tokens_[i].start < before) found = dotted;
  }
  return found;
}

ClassEntry* SymbolQuery::ReceiverOf(int dot) {
  if (dot <= 0 || tokens_[dot].kind != ".") return nullptr;
  const Token& r = tokens_[dot - 1];
  if (r.kind != "SYMBOL") return nullptr;
  // Only a chain head names something this class knows.
  if (dot >= 2 && tokens_[dot - 2].kind == ".") return nullptr;
  std::string folded = FoldName(r.text);
  if (folded == "this") return &cls_;
  if (folded == "super") {
    std::vector<ClassEntry*> line = ws_.Lineage(&cls_);
    return line.size() > 1 ? line[1] : nullptr;
  }
  std::string type = NewTypeOf(r.text, r.start);
  if (type.empty()) {
    int m = cls_.good.MethodAt(r.start);
    for (ClassEntry* c : ws_.Lineage(&cls_)) {
      const auto& types = c->good.newTypes;
      if (c == &cls_ && m >= 0) {
        if (auto it = types.find(std::to_string(m) + "#" + folded); it != types.end()) type = it->second;
      }
      if (type.empty()) {
        if (auto it = types.find(folded); it != types.end()) type = it->second;
      }
      if (!type.empty()) break;
    }
  }
  if (!type.empty()) return ws_.Resolve(type);
  // A class name in front of the dot.
  if (!cls_.good.FindMember(r.text)) return ws_.Resolve(r.text);
  return nullptr;
}

Target SymbolQuery::Lookup(ClassEntry* cls, const std::string& name) {
  Target t;
  t.name = name;
  for (ClassEntry* c : ws_.Lineage(cls)) {
    if (const MethodInfo* m = c->good.FindMethod(name)) {
      if (t.kind != TargetKind::kMethod) {
        t.kind = TargetKind::kMethod;
        t.method = m;
        t.declaredIn = c;
      }
      t.owner = c;
    } else if (c->good.FindMember(name) && t.kind != TargetKind::kMethod) {
      t.kind = TargetKind::kMember;
      t.owner = c;
      if (!t.declaredIn) t.declaredIn = c;
    }
  }
  // The member's first use in the furthest class is its declaration.
  if (t.kind == TargetKind::kMember) t.declaredIn = t.owner;
  return t;
}

Target SymbolQuery::LookupAnywhere(const std::string& name) {
  for (bool kernel : {false, true}) {
    for (auto& c : ws_.Classes()) {
      if (c->kernel != kernel) continue;
      if (c->good.FindMethod(name) || c->good.FindMember(name)) return Lookup(c.get(), name);
    }
  }
  return Target{};
}

Target SymbolQuery::At(int32_t offset) {
  int i = TokenAt(offset);
  if (i < 0 || tokens_[i].kind != "SYMBOL") return Target{};
  const Token& tok = tokens_[i];
  Target t;
  t.name = tok.text;
  if (tok.text.starts_with("$")) {
    t.kind = TargetKind::kGlobal;
    return t;
  }
  // A dotted class name after new, extends or is.
  int head = i;
  while (head >= 2 && tokens_[head - 1].kind == "." && tokens_[head - 2].kind == "SYMBOL") head -= 2;
  if (head > 0) {
    const std::string& before = tokens_[head - 1].kind;
    if (before == "new" || before == "extends" || before == "is") {
      std::string dotted = tokens_[head].text;
      for (int k = head + 2; k <= i; k += 2) dotted += "." + tokens_[k].text;
      t.kind = TargetKind::kClass;
      t.name = dotted;
      t.owner = ws_.Resolve(dotted);
      if (!t.owner) t.kind = TargetKind::kNone;
      return t;
    }
  }
  bool afterDot = i > 0 && tokens_[i - 1].kind == ".";
  if (!afterDot) {
    int m = cls_.good.MethodAt(tok.start);
    if (m >= 0) {
      const MethodInfo& info = cls_.good.methods[m];
      std::string folded = FoldName(tok.text);
      for (const auto* list : {&info.params, &info.locals}) {
        for (const std::string& n : *list) {
          if (FoldName(n) == folded) {
            t.kind = TargetKind::kLocal;
            t.owner = &cls_;
            t.method = &info;
            t.methodIndex = m;
            return t;
          }
        }
      }
    }
    Target own = Lookup(&cls_, tok.text);
    if (own.kind != TargetKind::kNone) return own;
    if (ClassEntry* c = ws_.Resolve(tok.text)) {
      t.kind = TargetKind::kClass;
      t.owner = c;
      return t;
    }
    return t;
  }
  Target found;
  if (ClassEntry* receiver = ReceiverOf(i - 1)) found = Lookup(receiver, tok.text);
  if (found.kind == TargetKind::kNone) found = LookupAnywhere(tok.text);
  found.afterDot = true;
  return found;
}

}  // namespace ruvel::lsp
