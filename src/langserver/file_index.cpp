#include "langserver/file_index.h"

#include <algorithm>
#include <memory>

#include "compiler/grammar_nodes.h"
#include "compiler/script_parser.h"
#include "langserver/keywords.h"
#include "platform/cp932.h"

namespace ruvel::lsp {

std::string FoldName(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string MethodInfo::Signature() const {
  std::string out = name + "(";
  for (size_t i = 0; i < params.size(); ++i) out += (i ? ", " : "") + params[i];
  return out + ")";
}

const MethodInfo* FileIndex::FindMethod(const std::string& name) const {
  std::string folded = FoldName(name);
  for (const MethodInfo& m : methods) {
    if (FoldName(m.name) == folded) return &m;
  }
  return nullptr;
}

const MemberInfo* FileIndex::FindMember(const std::string& name) const {
  std::string folded = FoldName(name);
  for (const MemberInfo& m : members) {
    if (FoldName(m.name) == folded) return &m;
  }
  return nullptr;
}

int FileIndex::MethodAt(int32_t offset) const {
  for (size_t i = 0; i < methods.size(); ++i) {
    if (offset >= methods[i].nameStart && offset <= methods[i].bodyEnd) return static_cast<int>(i);
  }
  return -1;
}

namespace {

struct Comment {
  int32_t start;
  int32_t end;
};

// Walks a parse tree and fills a FileIndex.
class IndexWalker {
 public:
  IndexWalker(const SourceText& text, FileIndex& index, std::vector<Comment> comments)
      : text_(text), index_(index), comments_(std::move(comments)) {}

  void Walk(const TResultList& node) {
    if (auto* f = dynamic_cast<const G_FuncDecl*>(&node)) return Function(*f);
    if (auto* n = dynamic_cast<const G_NativeDecl*>(&node)) return Native(*n);
    if (auto* e = dynamic_cast<const G_Extends*>(&node)) {
      if (e->HasParent()) {
        index_.parent = ClassRef(e->ParentName());
      }
      return;
    }
    if (auto* n = dynamic_cast<const G_NewObj*>(&node)) {
      ClassRef(n->Class());
      return Walk(n->Args());
    }
    if (auto* is = dynamic_cast<const G_IsEx*>(&node)) {
      Walk(is->Operand());
      if (is->HasIs()) ClassRef(is->TargetClass());
      return;
    }
    if (auto* lv = dynamic_cast<const G_LVal*>(&node)) return Chain(*lv);
    if (auto* ex = dynamic_cast<const G_Expr*>(&node)) NewAssignment(*ex);
    for (int i = 0; i < node.Count(); ++i) {
      if (const TResultList* child = node.ListItem(i)) Walk(*child);
    }
  }

 private:
  std::string Utf8(const TLexElem& token) const { return Cp932ToUtf8(token.Text()); }
  int32_t Start(const TLexElem& token) const { return text_.FromCp932(token.Start()); }
  int32_t End(const TLexElem& token) const { return text_.FromCp932(token.End()); }

  void Add(const TLexElem& token, std::string name, Role role, bool afterDot = false) {
    index_.occurrences.push_back({std::move(name), Start(token), End(token), role, afterDot, method_});
  }

  std::string ClassRef(const G_ResourceVal& rv) {
    std::string dotted = Cp932ToUtf8(rv.DottedName());
    const TLexElem& first = rv.NameAt(0);
    const TLexElem& last = rv.NameAt(rv.NameCount() - 1);
    index_.occurrences.push_back({dotted, Start(first), End(last), Role::kClassRef, false, method_});
    return dotted;
  }

  // The comment that ends on the line just above offset (cp932 offsets).
  std::string CommentAbove(int32_t offset) const {
    const std::string& src = text_.Cp932();
    std::string out;
    int32_t limit = offset;
    for (auto it = comments_.rbegin(); it != comments_.rend(); ++it) {
      if (it->end > limit) continue;
      std::string gap = src.substr(it->end, limit - it->end);
      if (std::count(gap.begin(), gap.end(), '\n') > 1 ||
          gap.find_first_not_of(" \t\r\n") != std::string::npos)
        break;
      std::string line = src.substr(it->start, it->end - it->start);
      if (line.starts_with("//")) line.erase(0, 2);
      else if (line.starts_with("/*")) line = line.substr(2, line.size() >= 4 ? line.size() - 4 : 0);
      while (!line.empty() && (line[0] == ' ' || line[0] == '*')) line.erase(0, 1);
      while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' ')) line.pop_back();
      out = out.empty() ? line : line + "\n" + out;
      limit = it->start;
    }
    return Cp932ToUtf8(out);
  }

  void Function(const G_FuncDecl& f) {
    MethodInfo m;
    m.name = Utf8(f.Name());
    m.kind = f.Keyword().Text();
    for (int k = 0; k < f.Params().NameCount(); ++k) m.params.push_back(Utf8(f.Params().NameAt(k)));
    const G_VarBlock& body = f.Body();
    for (int d = 0; d < body.VarDeclCount(); ++d) {
      const G_VArgList& names = body.VarDeclAt(d).Names();
      for (int k = 0; k < names.NameCount(); ++k) m.locals.push_back(Utf8(names.NameAt(k)));
    }
    m.nameStart = Start(f.Name());
    m.nameEnd = End(f.Name());
    const TLexElem* close = body.TokenAt(body.Count() - 1);
    m.bodyEnd = close ? End(*close) : m.nameEnd;
    m.comment = CommentAbove(f.Keyword().Start());
    index_.methods.push_back(m);
    method_ = static_cast<int>(index_.methods.size()) - 1;
    Add(f.Name(), m.name, Role::kMethodDecl);
    for (int k = 0; k < f.Params().NameCount(); ++k) Add(f.Params().NameAt(k), m.params[k], Role::kLocal);
    for (int d = 0; d < body.VarDeclCount(); ++d) {
      const G_VArgList& names = body.VarDeclAt(d).Names();
      for (int k = 0; k < names.NameCount(); ++k) Add(names.NameAt(k), Utf8(names.NameAt(k)), Role::kLocal);
    }
    Walk(body.Statements());
    method_ = -1;
  }

  void Native(const G_NativeDecl& n) {
    MethodInfo m;
    m.name = Utf8(n.Name());
    m.kind = "native";
    m.nameStart = Start(n.Name());
    m.nameEnd = m.bodyEnd = End(n.Name());
    m.comment = CommentAbove(n.TokenAt(0) ? n.TokenAt(0)->Start() : n.Name().Start());
    index_.methods.push_back(m);
    int saved = method_;
    method_ = static_cast<int>(index_.methods.size()) - 1;
    Add(n.Name(), m.name, Role::kMethodDecl);
    method_ = saved;
  }

  bool IsLocal(const std::string& name) const {
    if (method_ < 0) return false;
    const MethodInfo& m = index_.methods[method_];
    std::string folded = FoldName(name);
    auto match = [&](const std::string& s) { return FoldName(s) == folded; };
    return std::any_of(m.params.begin(), m.params.end(), match) || std::any_of(m.locals.begin(), m.locals.end(), match);
  }

  void Member(const TLexElem& token, const std::string& name, bool afterDot) {
    Add(token, name, Role::kMember, afterDot);
    if (!index_.FindMember(name)) index_.members.push_back({name, Start(token), End(token)});
  }

  // A dotted chain: its head is a global, a local, a call of the class's
  // own method or one of its members; after a dot, a method or member of
  // whatever the chain has reached (of this class again after "this.").
  void Chain(const G_LVal& chain) {
    std::string head;
    for (int k = 0; k < chain.ElementCount(); ++k) {
      const G_LValE& e = chain.Element(k);
      std::string name = Utf8(e.Name());
      std::string folded = FoldName(name);
      if (k == 0) head = folded;
      if (e.Name().Is("constructor")) {
        // super.constructor(...): no name of its own.
      } else if (k == 0 && (folded == "this" || folded == "super")) {
      } else if (k == 0 && name.starts_with("$")) {
        Add(e.Name(), name, Role::kGlobal);
        if (std::find(index_.globals.begin(), index_.globals.end(), name) == index_.globals.end())
          index_.globals.push_back(name);
      } else if (k == 0 && IsLocal(name)) {
        Add(e.Name(), name, Role::kLocal);
      } else if (e.HasCall()) {
        Add(e.Name(), name, Role::kCall, k > 0);
      } else if (k == 0 || (k == 1 && head == "this")) {
        Member(e.Name(), name, k > 0);
      } else {
        Add(e.Name(), name, Role::kMember, true);
      }
      if (e.HasCall()) Walk(e.Args());
    }
  }

  // The operand an expression reduces to when it is nothing else.
  static const TResultList* Sole(const TResultList* node) {
    for (int guard = 0; node && guard < 64; ++guard) {
      if (dynamic_cast<const G_NewObj*>(node)) return node;
      if (auto* b = dynamic_cast<const G_BinaryChain*>(node)) {
        if (b->PairCount() != 0) return nullptr;
        node = &b->First();
      } else if (auto* is = dynamic_cast<const G_IsEx*>(node)) {
        if (is->HasIs()) return nullptr;
        node = &is->Operand();
      } else if (auto* md = dynamic_cast<const G_MDEx*>(node)) {
        if (md->HasPrefix()) return nullptr;
        node = &md->Operand();
      } else if (auto* par = dynamic_cast<const G_Par*>(node)) {
        if (par->Inner().HasAssignment()) return nullptr;
        node = &par->Inner().Value();
      } else if (node->Count() == 1 && node->ListItem(0)) {
        node = node->ListItem(0);
      } else {
        return nullptr;
      }
    }
    return nullptr;
  }

  void NewAssignment(const G_Expr& ex) {
    if (!ex.HasAssignment() || ex.Operator().Text() != "=") return;
    const G_LVal& target = ex.Target();
    if (target.ElementCount() != 1 || target.Element(0).HasCall()) return;
    auto* made = dynamic_cast<const G_NewObj*>(Sole(&ex.Value()));
    if (!made) return;
    std::string name = Utf8(target.Element(0).Name());
    std::string key = FoldName(name);
    if (IsLocal(name)) key = std::to_string(method_) + "#" + key;
    index_.newTypes[key] = Cp932ToUtf8(made->Class().DottedName());
  }

  const SourceText& text_;
  FileIndex& index_;
  std::vector<Comment> comments_;
  int method_ = -1;
};

// What the tokens alone show of a text that does not parse.
void IndexTokens(const SourceText& text, const TLexList& tokens, FileIndex& index) {
  for (int i = 0; i < tokens.Count(); ++i) {
    const TLexElem& t = tokens.Item(i);
    bool decl = t.Is("function") || t.Is("constructor") || t.Is("destructor") || t.Is("native");
    if (decl && i + 1 < tokens.Count() && tokens.Item(i + 1).Is("SYMBOL")) {
      const TLexElem& name = tokens.Item(i + 1);
      MethodInfo m;
      m.name = Cp932ToUtf8(name.Text());
      m.kind = t.Text();
      for (int k = i + 3; t.Is("native") ? false : k < tokens.Count() && !tokens.Item(k).Is(")"); ++k) {
        if (tokens.Item(k).Is("SYMBOL")) m.params.push_back(Cp932ToUtf8(tokens.Item(k).Text()));
      }
      m.nameStart = text.FromCp932(name.Start());
      m.nameEnd = m.bodyEnd = text.FromCp932(name.End());
      index.methods.push_back(m);
    } else if (t.Is("SYMBOL") && t.Text().starts_with("$")) {
      std::string g = Cp932ToUtf8(t.Text());
      if (std::find(index.globals.begin(), index.globals.end(), g) == index.globals.end()) index.globals.push_back(g);
    }
  }
}

}  // namespace

FileIndex IndexSource(const SourceText& text) {
  FileIndex index;
  std::unique_ptr<TLexList> tokens = ScriptParser().Tokenize(text.Cp932());
  std::vector<Comment> comments;
  for (int i = 0; i < tokens->Count(); ++i) {
    if (tokens->Item(i).Is("COMM")) comments.push_back({tokens->Item(i).Start(), tokens->Item(i).End()});
  }
  // Comments never reach the parser, as in the compile driver.
  tokens->RemoveKind("COMM");
  TParseTree tree = ScriptParser().Parse(*tokens);
  if (!tree) {
    index.hasError = true;
    index.errorMessage = "文法エラー";
    int32_t at = tokens->LastConsumedStart();
    int32_t end = at;
    for (int i = 0; i < tokens->Count(); ++i) {
      if (tokens->Item(i).Start() == at) end = tokens->Item(i).End();
    }
    index.errorStart = text.FromCp932(at);
    index.errorEnd = text.FromCp932(end);
    IndexTokens(text, *tokens, index);
    return index;
  }
  index.parsed = true;
  IndexWalker(text, index, std::move(comments)).Walk(*tree);
  return index;
}

}  // namespace ruvel::lsp
