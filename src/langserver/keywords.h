// The script language's keywords, read from the lexer's own rule text (its
// top-level literal rules that are words), so completion, the editor
// grammar's test and the compiler share one list.
#pragma once
#include <string>
#include <vector>

namespace ruvel::lsp {

const std::vector<std::string>& ScriptKeywords();
bool IsScriptKeyword(const std::string& word);

}  // namespace ruvel::lsp
