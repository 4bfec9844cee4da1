// What one class source declares and uses, read with the compiler's own
// tokenizer and parser: its parent, methods (with parameters, locals and
// the comment above them), members (names that come into being on first
// use), globals, and every name occurrence with its role, for completion,
// navigation and rename. Offsets are UTF-8 byte offsets into the text.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "langserver/source_text.h"

namespace ruvel::lsp {

struct MethodInfo {
  std::string name;
  std::string kind;  // "function", "constructor", "destructor" or "native"
  std::vector<std::string> params;
  std::vector<std::string> locals;
  int32_t nameStart = 0;
  int32_t nameEnd = 0;
  int32_t bodyEnd = 0;  // end of the closing brace (the name's end for natives)
  std::string comment;  // the comment lines just above the declaration

  std::string Signature() const;
};

struct MemberInfo {
  std::string name;
  int32_t start = 0;  // its first occurrence
  int32_t end = 0;
};

enum class Role { kMethodDecl, kCall, kMember, kGlobal, kLocal, kClassRef };

struct Occurrence {
  std::string name;  // a dotted class name for kClassRef
  int32_t start = 0;
  int32_t end = 0;
  Role role = Role::kMember;
  bool afterDot = false;
  int method = -1;  // index into methods of the enclosing declaration
};

struct FileIndex {
  bool parsed = false;
  // The syntax error, where the compiler reports it.
  bool hasError = false;
  std::string errorMessage;
  int32_t errorStart = 0;
  int32_t errorEnd = 0;

  std::string parent;  // the dotted name after "extends", or empty
  std::vector<MethodInfo> methods;
  std::vector<MemberInfo> members;
  std::vector<Occurrence> occurrences;
  std::vector<std::string> globals;
  // A member or local assigned from `new Class(...)`: folded name (with
  // "method#" in front for locals) -> the dotted class name.
  std::map<std::string, std::string> newTypes;

  const MethodInfo* FindMethod(const std::string& name) const;
  const MemberInfo* FindMember(const std::string& name) const;
  // The method whose declaration spans offset, or -1.
  int MethodAt(int32_t offset) const;
};

// Reads text as a class source. A text that does not parse gets hasError
// and the declarations the tokens alone show (methods and globals).
FileIndex IndexSource(const SourceText& text);

// ASCII letters lower-cased: names compare as the compiler compares them.
std::string FoldName(const std::string& name);

}  // namespace ruvel::lsp
