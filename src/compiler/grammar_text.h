// The two rule texts of the script language, one line per entry: the
// lexical rules (root "Lexical") and the syntax rules (root "Grammar"),
// each ended by a line "@".
#pragma once
#include <string>
#include <vector>

namespace ruvel {

const std::vector<std::string>& LexicalRuleText();
const std::vector<std::string>& GrammarRuleText();

}  // namespace ruvel
