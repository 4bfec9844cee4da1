#include "compiler/script_parser.h"

#include "compiler/grammar_nodes.h"
#include "compiler/grammar_text.h"

namespace ruvel {

std::unique_ptr<TYup> NewScriptParser() {
  auto yup = std::make_unique<TYup>();
  yup->LexNode() = LexicalRuleText();
  yup->GramNode() = GrammarRuleText();
  yup->SetOnCreateList(&CreateGrammarList);
  return yup;
}

TYup& ScriptParser() {
  static std::unique_ptr<TYup> parser = NewScriptParser();
  return *parser;
}

}  // namespace ruvel
