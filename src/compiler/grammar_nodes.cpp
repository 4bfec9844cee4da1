#include "compiler/grammar_nodes.h"

#include <typeinfo>
#include <unordered_map>

namespace ruvel {

int32_t GrammarVisitor::Visit(G_Err&) { return 0; }

std::string G_ResourceVal::DottedName() const {
  std::string name = Token(0).Text();
  const TResList& rest = Node(1);
  for (int i = 0; i < rest.Count(); ++i) name += rest.Token(i).Text();
  return name;
}

bool IsCommentNode(const TResList& node) {
  if (typeid(node) != typeid(TResList) || node.Count() != 1) return false;
  const TLexElem* token = node.TokenAt(0);
  return token && token->Is("COMM");
}

namespace {

using Factory = std::unique_ptr<TResList> (*)();

template <class T>
std::unique_ptr<TResList> Make() {
  return std::make_unique<T>();
}

const std::unordered_map<std::string, Factory>& Factories() {
  static const std::unordered_map<std::string, Factory> table = {
      {"Program", &Make<G_Program>},         {"Extends", &Make<G_Extends>},
      {"Sentence", &Make<G_Sentence>},       {"ExprS", &Make<G_ExprS>},
      {"Expr", &Make<G_Expr>},               {"RVal", &Make<G_RVal>},
      {"OrEx", &Make<G_OrEx>},               {"AndEx", &Make<G_AndEx>},
      {"CompEx", &Make<G_CompEx>},           {"IsEx", &Make<G_IsEx>},
      {"ASEx", &Make<G_ASEx>},               {"IncEx", &Make<G_IncEx>},
      {"MDEx", &Make<G_MDEx>},               {"Una", &Make<G_Una>},
      {"Par", &Make<G_Par>},                 {"Const", &Make<G_Const>},
      {"NewObj", &Make<G_NewObj>},           {"ResourceVal", &Make<G_ResourceVal>},
      {"LVal", &Make<G_LVal>},               {"LValE", &Make<G_LValE>},
      {"ArgList", &Make<G_ArgList>},         {"Block", &Make<G_Block>},
      {"While", &Make<G_While>},             {"For", &Make<G_For>},
      {"Forin", &Make<G_Forin>},             {"If", &Make<G_If>},
      {"Break", &Make<G_Break>},             {"Return", &Make<G_Return>},
      {"FuncDecl", &Make<G_FuncDecl>},       {"NativeDecl", &Make<G_NativeDecl>},
      {"VArgList", &Make<G_VArgList>},       {"VarBlock", &Make<G_VarBlock>},
      {"VarDecl", &Make<G_VarDecl>},         {"Comment", &Make<TResList>},
  };
  return table;
}

}  // namespace

void CreateGrammarList(TCreateListArgs& args) {
  const auto& table = Factories();
  auto it = table.find(args.name);
  args.list = it != table.end() ? it->second() : std::make_unique<G_Err>();
}

}  // namespace ruvel
