#include "langserver/keywords.h"

#include <algorithm>
#include <cctype>

#include "compiler/grammar_text.h"

namespace ruvel::lsp {

const std::vector<std::string>& ScriptKeywords() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> out;
    for (const std::string& line : LexicalRuleText()) {
      // A top-level rule is indented by one blank; a literal starts with '.
      if (line.size() < 3 || line[0] != ' ' || line[1] != '\'') continue;
      std::string word = line.substr(2);
      if (std::all_of(word.begin(), word.end(), [](unsigned char c) { return std::isalpha(c) != 0; }))
        out.push_back(word);
    }
    return out;
  }();
  return words;
}

bool IsScriptKeyword(const std::string& word) {
  const auto& words = ScriptKeywords();
  return std::find(words.begin(), words.end(), word) != words.end();
}

}  // namespace ruvel::lsp
