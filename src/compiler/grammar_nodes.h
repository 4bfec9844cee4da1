// Node classes of the script grammar: one class per syntax rule (G_Program
// ... G_VarDecl), plus G_Err for anonymous groups. Each class names the items
// of its rule so that the code generator reads the tree through accessors
// instead of item numbers; every accessor checks the shape and raises
// ECmpError on a mismatch. Generate dispatches to a GrammarVisitor, which the
// code generator implements.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "compiler/result_list.h"
#include "compiler/yup_lexer.h"
#include "compiler/yup_parser.h"

namespace ruvel {

class G_Program;
class G_Extends;
class G_ExprS;
class G_Expr;
class G_RVal;
class G_OrEx;
class G_AndEx;
class G_IsEx;
class G_CompEx;
class G_ASEx;
class G_MDEx;
class G_IncEx;
class G_NewObj;
class G_Par;
class G_Const;
class G_LVal;
class G_LValE;
class G_ResourceVal;
class G_ArgList;
class G_Block;
class G_Forin;
class G_While;
class G_For;
class G_Break;
class G_If;
class G_Return;
class G_FuncDecl;
class G_NativeDecl;
class G_VArgList;
class G_VarBlock;
class G_VarDecl;
class G_Err;

// What Generate calls: one operation per node class.
class GrammarVisitor {
 public:
  virtual ~GrammarVisitor() = default;
  virtual int32_t Visit(G_Program& node) = 0;
  virtual int32_t Visit(G_Extends& node) = 0;
  virtual int32_t Visit(G_ExprS& node) = 0;
  virtual int32_t Visit(G_Expr& node) = 0;
  virtual int32_t Visit(G_RVal& node) = 0;
  virtual int32_t Visit(G_OrEx& node) = 0;
  virtual int32_t Visit(G_AndEx& node) = 0;
  virtual int32_t Visit(G_IsEx& node) = 0;
  virtual int32_t Visit(G_CompEx& node) = 0;
  virtual int32_t Visit(G_ASEx& node) = 0;
  virtual int32_t Visit(G_MDEx& node) = 0;
  virtual int32_t Visit(G_IncEx& node) = 0;
  virtual int32_t Visit(G_NewObj& node) = 0;
  virtual int32_t Visit(G_Par& node) = 0;
  virtual int32_t Visit(G_Const& node) = 0;
  virtual int32_t Visit(G_LVal& node) = 0;
  virtual int32_t Visit(G_LValE& node) = 0;
  virtual int32_t Visit(G_ResourceVal& node) = 0;
  virtual int32_t Visit(G_ArgList& node) = 0;
  virtual int32_t Visit(G_Block& node) = 0;
  virtual int32_t Visit(G_Forin& node) = 0;
  virtual int32_t Visit(G_While& node) = 0;
  virtual int32_t Visit(G_For& node) = 0;
  virtual int32_t Visit(G_Break& node) = 0;
  virtual int32_t Visit(G_If& node) = 0;
  virtual int32_t Visit(G_Return& node) = 0;
  virtual int32_t Visit(G_FuncDecl& node) = 0;
  virtual int32_t Visit(G_NativeDecl& node) = 0;
  virtual int32_t Visit(G_VArgList& node) = 0;
  virtual int32_t Visit(G_VarBlock& node) = 0;
  virtual int32_t Visit(G_VarDecl& node) = 0;
  // Anonymous groups are read by their parents; by default they emit nothing.
  virtual int32_t Visit(G_Err& node);
};

// Boilerplate of a node class: its prototype copy, its name, its dispatch.
template <class Self, class Base = TResList>
class GNode : public Base {
 public:
  std::unique_ptr<TResultList> NewEmpty() const override { return std::make_unique<Self>(); }
  const char* ClassName() const override { return Self::kClassName; }
  int32_t Generate(GrammarVisitor& context) override { return context.Visit(static_cast<Self&>(*this)); }
};

// The list of an anonymous group ([], {}, [}) or of an unnamed rule.
class G_Err : public GNode<G_Err> {
 public:
  static constexpr const char* kClassName = "G_Err";
};

// Base of the rules "operand {operator operand}": item 0 is the first
// operand, item 1 the group of operator tokens and operands in turn.
class G_BinaryChain : public TResList {
 public:
  TResList& First() const { return Node(0); }
  int PairCount() const { return Node(1).Count() / 2; }
  const TLexElem& OperatorAt(int k) const { return Node(1).Token(2 * k); }
  TResList& OperandAt(int k) const { return Node(1).Node(2 * k + 1); }
};

// Extends {FuncDecl | NativeDecl | Comment} {Sentence}
class G_Program : public GNode<G_Program> {
 public:
  static constexpr const char* kClassName = "G_Program";
  G_Extends& Extends() const { return NodeAs<G_Extends>(0); }
  // G_FuncDecl, G_NativeDecl or comment lists, in order.
  TResList& Declarations() const { return Node(1); }
  // The statements of the class's top-level code.
  TResList& Statements() const { return Node(2); }
};

// ["extends" ResourceVal ";"]
class G_Extends : public GNode<G_Extends> {
 public:
  static constexpr const char* kClassName = "G_Extends";
  bool HasParent() const { return !Empty(); }
  G_ResourceVal& ParentName() const { return NodeAs<G_ResourceVal>(1); }
};

// Expr ";"
class G_ExprS : public GNode<G_ExprS> {
 public:
  static constexpr const char* kClassName = "G_ExprS";
  G_Expr& Expression() const { return NodeAs<G_Expr>(0); }
  const TLexElem& Semicolon() const { return Token(1); }
};

// [LVal ("=" | "+=" | "-=")] RVal
class G_Expr : public GNode<G_Expr> {
 public:
  static constexpr const char* kClassName = "G_Expr";
  bool HasAssignment() const { return !Node(0).Empty(); }
  G_LVal& Target() const { return Node(0).NodeAs<G_LVal>(0); }
  const TLexElem& Operator() const { return Node(0).Token(1); }
  G_RVal& Value() const { return NodeAs<G_RVal>(1); }
};

// OrEx {"||" OrEx}
class G_RVal : public GNode<G_RVal, G_BinaryChain> {
 public:
  static constexpr const char* kClassName = "G_RVal";
};

// AndEx {"&&" AndEx}
class G_OrEx : public GNode<G_OrEx, G_BinaryChain> {
 public:
  static constexpr const char* kClassName = "G_OrEx";
};

// IsEx {("!=" | "==" | ">=" | "<=" | ">" | "<") IsEx}
class G_AndEx : public GNode<G_AndEx, G_BinaryChain> {
 public:
  static constexpr const char* kClassName = "G_AndEx";
};

// CompEx ["is" ResourceVal]
class G_IsEx : public GNode<G_IsEx> {
 public:
  static constexpr const char* kClassName = "G_IsEx";
  G_CompEx& Operand() const { return NodeAs<G_CompEx>(0); }
  bool HasIs() const { return !Node(1).Empty(); }
  G_ResourceVal& TargetClass() const { return Node(1).NodeAs<G_ResourceVal>(1); }
};

// ASEx {("+" | "-") ASEx}
class G_CompEx : public GNode<G_CompEx, G_BinaryChain> {
 public:
  static constexpr const char* kClassName = "G_CompEx";
};

// MDEx {("*" | "/" | "%") MDEx}
class G_ASEx : public GNode<G_ASEx, G_BinaryChain> {
 public:
  static constexpr const char* kClassName = "G_ASEx";
};

// ["-" | "!"] Una; the operand is a G_IncEx, G_Const, G_Par or G_NewObj.
class G_MDEx : public GNode<G_MDEx> {
 public:
  static constexpr const char* kClassName = "G_MDEx";
  bool HasPrefix() const { return !Node(0).Empty(); }
  const TLexElem& Prefix() const { return Node(0).Token(0); }
  TResList& Operand() const { return Node(1); }
};

// LVal ["++" | "--"]
class G_IncEx : public GNode<G_IncEx> {
 public:
  static constexpr const char* kClassName = "G_IncEx";
  G_LVal& Target() const { return NodeAs<G_LVal>(0); }
  bool HasSuffix() const { return !Node(1).Empty(); }
  const TLexElem& Suffix() const { return Node(1).Token(0); }
};

// "new" ResourceVal "(" ArgList ")"
class G_NewObj : public GNode<G_NewObj> {
 public:
  static constexpr const char* kClassName = "G_NewObj";
  G_ResourceVal& Class() const { return NodeAs<G_ResourceVal>(1); }
  G_ArgList& Args() const { return NodeAs<G_ArgList>(3); }
};

// "(" Expr ")"
class G_Par : public GNode<G_Par> {
 public:
  static constexpr const char* kClassName = "G_Par";
  G_Expr& Inner() const { return NodeAs<G_Expr>(1); }
};

// "null" | "NUM" | "STRING"; Value().Kind() tells which.
class G_Const : public GNode<G_Const> {
 public:
  static constexpr const char* kClassName = "G_Const";
  const TLexElem& Value() const { return Token(0); }
};

// LValE {"." LValE}
class G_LVal : public GNode<G_LVal> {
 public:
  static constexpr const char* kClassName = "G_LVal";
  int ElementCount() const { return 1 + Node(1).Count() / 2; }
  G_LValE& Element(int k) const { return k == 0 ? NodeAs<G_LValE>(0) : Node(1).NodeAs<G_LValE>(2 * k - 1); }
};

// ("SYMBOL" | "constructor") ["(" ArgList ")"]
class G_LValE : public GNode<G_LValE> {
 public:
  static constexpr const char* kClassName = "G_LValE";
  const TLexElem& Name() const { return Token(0); }
  bool HasCall() const { return !Node(1).Empty(); }
  G_ArgList& Args() const { return Node(1).NodeAs<G_ArgList>(1); }
};

// "SYMBOL" {"." "SYMBOL"}
class G_ResourceVal : public GNode<G_ResourceVal> {
 public:
  static constexpr const char* kClassName = "G_ResourceVal";
  int NameCount() const { return 1 + Node(1).Count() / 2; }
  const TLexElem& NameAt(int k) const { return k == 0 ? Token(0) : Node(1).Token(2 * k - 1); }
  // The texts of all its tokens, names and dots: "classes.lang.Object".
  std::string DottedName() const;
};

// [Expr {"," Expr}]
class G_ArgList : public GNode<G_ArgList> {
 public:
  static constexpr const char* kClassName = "G_ArgList";
  int ArgCount() const { return Empty() ? 0 : 1 + Node(1).Count() / 2; }
  G_Expr& Arg(int k) const { return k == 0 ? NodeAs<G_Expr>(0) : Node(1).NodeAs<G_Expr>(2 * k - 1); }
};

// "{" {Sentence} "}"
class G_Block : public GNode<G_Block> {
 public:
  static constexpr const char* kClassName = "G_Block";
  TResList& Statements() const { return Node(1); }
};

// "for" "(" LVal "in" Expr ")" Sentence
class G_Forin : public GNode<G_Forin> {
 public:
  static constexpr const char* kClassName = "G_Forin";
  G_LVal& Variable() const { return NodeAs<G_LVal>(2); }
  G_Expr& Collection() const { return NodeAs<G_Expr>(4); }
  TResList& Body() const { return Node(6); }
};

// "while" "(" Expr ")" Sentence
class G_While : public GNode<G_While> {
 public:
  static constexpr const char* kClassName = "G_While";
  G_Expr& Condition() const { return NodeAs<G_Expr>(2); }
  TResList& Body() const { return Node(4); }
};

// "for" "(" Expr ";" Expr ";" Expr ")" Sentence
class G_For : public GNode<G_For> {
 public:
  static constexpr const char* kClassName = "G_For";
  G_Expr& Init() const { return NodeAs<G_Expr>(2); }
  G_Expr& Condition() const { return NodeAs<G_Expr>(4); }
  G_Expr& Step() const { return NodeAs<G_Expr>(6); }
  TResList& Body() const { return Node(8); }
};

// "break" ";"
class G_Break : public GNode<G_Break> {
 public:
  static constexpr const char* kClassName = "G_Break";
  const TLexElem& Keyword() const { return Token(0); }
};

// "if" "(" Expr ")" Sentence ["else" Sentence]
class G_If : public GNode<G_If> {
 public:
  static constexpr const char* kClassName = "G_If";
  G_Expr& Condition() const { return NodeAs<G_Expr>(2); }
  TResList& Then() const { return Node(4); }
  bool HasElse() const { return !Node(5).Empty(); }
  TResList& Else() const { return Node(5).Node(1); }
};

// "return" [Expr] ";"
class G_Return : public GNode<G_Return> {
 public:
  static constexpr const char* kClassName = "G_Return";
  bool HasValue() const { return !Node(1).Empty(); }
  G_Expr& Value() const { return Node(1).NodeAs<G_Expr>(0); }
};

// ("function" | "constructor" | "destructor") "SYMBOL" "(" VArgList ")" VarBlock
class G_FuncDecl : public GNode<G_FuncDecl> {
 public:
  static constexpr const char* kClassName = "G_FuncDecl";
  const TLexElem& Keyword() const { return Token(0); }
  const TLexElem& Name() const { return Token(1); }
  G_VArgList& Params() const { return NodeAs<G_VArgList>(3); }
  G_VarBlock& Body() const { return NodeAs<G_VarBlock>(5); }
};

// "native" "SYMBOL" ";"
class G_NativeDecl : public GNode<G_NativeDecl> {
 public:
  static constexpr const char* kClassName = "G_NativeDecl";
  const TLexElem& Name() const { return Token(1); }
};

// ["SYMBOL" {"," "SYMBOL"}]
class G_VArgList : public GNode<G_VArgList> {
 public:
  static constexpr const char* kClassName = "G_VArgList";
  int NameCount() const { return Empty() ? 0 : 1 + Node(1).Count() / 2; }
  const TLexElem& NameAt(int k) const { return k == 0 ? Token(0) : Node(1).Token(2 * k - 1); }
};

// "{" {VarDecl} {Sentence} "}"
class G_VarBlock : public GNode<G_VarBlock> {
 public:
  static constexpr const char* kClassName = "G_VarBlock";
  int VarDeclCount() const { return Node(1).Count(); }
  G_VarDecl& VarDeclAt(int k) const { return Node(1).NodeAs<G_VarDecl>(k); }
  TResList& Statements() const { return Node(2); }
};

// "var" VArgList ";"
class G_VarDecl : public GNode<G_VarDecl> {
 public:
  static constexpr const char* kClassName = "G_VarDecl";
  G_VArgList& Names() const { return NodeAs<G_VArgList>(1); }
};

// Prototypes of the two alternation rules "Sentence" and "Una". An
// alternation yields the list of the alternative it chose, so lists of
// these classes never occur in a tree.
class G_Sentence : public TResList {
 public:
  static constexpr const char* kClassName = "G_Sentence";
  std::unique_ptr<TResultList> NewEmpty() const override { return std::make_unique<G_Sentence>(); }
  const char* ClassName() const override { return kClassName; }
};
class G_Una : public TResList {
 public:
  static constexpr const char* kClassName = "G_Una";
  std::unique_ptr<TResultList> NewEmpty() const override { return std::make_unique<G_Una>(); }
  const char* ClassName() const override { return kClassName; }
};

// True for the list of a comment statement or declaration (rule "Comment").
bool IsCommentNode(const TResList& node);

// The system's OnCreateList handler: "Program" ... "VarDecl" give the node
// class of that name, "Comment" a plain TResList, any other name a G_Err.
void CreateGrammarList(TCreateListArgs& args);

}  // namespace ruvel
