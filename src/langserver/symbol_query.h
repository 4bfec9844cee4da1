// What the name at a place in a class source denotes: a method or member
// (and the class that owns it), a local, a global or a class; and the class
// of the receiver in front of a dot. Read from the current text's tokens
// (so it works on text that does not parse) and the classes' indexes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "langserver/workspace.h"

namespace ruvel::lsp {

// A token of the current text, in UTF-8 offsets.
struct Token {
  std::string kind;  // the lexer's rule name: "SYMBOL", "while", ".", "COMM"
  std::string text;  // UTF-8
  int32_t start = 0;
  int32_t end = 0;
};

std::vector<Token> TokensOf(const SourceText& text);

enum class TargetKind { kNone, kMethod, kMember, kLocal, kGlobal, kClass };

struct Target {
  TargetKind kind = TargetKind::kNone;
  std::string name;
  // kMethod and kMember: the furthest class of the lineage that has the
  // name (members and overridden methods are one name along a lineage);
  // kClass: the class; kLocal: the class whose method holds it.
  ClassEntry* owner = nullptr;
  // kMethod: the nearest declaration; kLocal: the enclosing method.
  const MethodInfo* method = nullptr;
  ClassEntry* declaredIn = nullptr;  // the class of that declaration
  int methodIndex = -1;
  bool afterDot = false;
};

class SymbolQuery {
 public:
  SymbolQuery(Workspace& ws, ClassEntry& cls) : ws_(ws), cls_(cls), tokens_(TokensOf(cls.text)) {}

  const std::vector<Token>& Tokens() const { return tokens_; }
  // The token that holds offset (a name touching it from the left counts).
  int TokenAt(int32_t offset) const;
  Target At(int32_t offset);
  // The class of what stands before the dot token at index dot, or nullptr.
  ClassEntry* ReceiverOf(int dot);
  // Where a method or member is looked for by name in a lineage: the
  // furthest class that has it and the nearest declaration of a method.
  Target Lookup(ClassEntry* cls, const std::string& name);
  // The same over every class (project first) when no receiver is known.
  Target LookupAnywhere(const std::string& name);

 private:
  std::string NewTypeOf(const std::string& name, int32_t before);

  Workspace& ws_;
  ClassEntry& cls_;
  std::vector<Token> tokens_;
};

}  // namespace ruvel::lsp
