// The code generator: TContext walks the parse tree of one class source and
// fills the class record with its methods, member names and compiled code
// (one TCompiledInfo per method body and one for the class's top-level
// code). Each grammar node's Generate calls the Visit for its class; the
// Visits are split by concern over codegen_program.cpp (class and
// declarations), codegen_stmt.cpp (statements), codegen_expr.cpp
// (operators and constants) and codegen_chain.cpp (dotted names and calls).
// Errors are raised as ECmpError whose message starts with the class name
// and ":".
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compiler/codegen_writer.h"
#include "compiler/grammar_nodes.h"

namespace ruvel {

class TNormalFunction;
class TResource;
class TRTTI;

// What a dotted chain has on the stack while its elements are generated.
enum ChainState : int {
  kChainResource = 0,  // a global resource has been reached, nothing pushed
  kChainValue = 1,     // a value or reference is on the stack
  kChainStart = 2,     // at the first element
  kChainSuper = 3,     // after "super"
  kChainThis = 4,      // "this" has been pushed
};

class TContext : public GrammarVisitor {
 public:
  TContext(TResource* root, TRTTI& cls, std::string source);

  // Compilation state, named as the generator's steps use it.
  std::unique_ptr<TProgWriter> writer;
  TResource* root;
  TRTTI* cls;
  TNormalFunction* function = nullptr;  // none at class level
  bool lvalue = false;                  // the expression must leave a reference
  int chain = kChainStart;
  TResource* resolved = nullptr;  // result of the last dotted-name lookup
  int pass = 1;                   // 1 declare methods, 2 compile bodies
  std::string dotted;             // text of the last dotted-name lookup
  std::string source;
  int32_t currentPosition = 0;           // offset of the statement being compiled
  int32_t superStart = 0;                // offset of the first element of the current chain
  std::vector<int32_t>* breaks = nullptr;  // pending breaks of the innermost loop
  // The compound assignment or postfix increment whose result a statement
  // throws away; every other one leaves its value instead of a reference.
  const TResList* discarded = nullptr;

  // Raises ECmpError(class name + ":" + text).
  [[noreturn]] void Fail(const std::string& text) const;

  int32_t Visit(G_Program& node) override;
  int32_t Visit(G_Extends& node) override;
  int32_t Visit(G_ExprS& node) override;
  int32_t Visit(G_Expr& node) override;
  int32_t Visit(G_RVal& node) override;
  int32_t Visit(G_OrEx& node) override;
  int32_t Visit(G_AndEx& node) override;
  int32_t Visit(G_IsEx& node) override;
  int32_t Visit(G_CompEx& node) override;
  int32_t Visit(G_ASEx& node) override;
  int32_t Visit(G_MDEx& node) override;
  int32_t Visit(G_IncEx& node) override;
  int32_t Visit(G_NewObj& node) override;
  int32_t Visit(G_Par& node) override;
  int32_t Visit(G_Const& node) override;
  int32_t Visit(G_LVal& node) override;
  int32_t Visit(G_LValE& node) override;
  int32_t Visit(G_ResourceVal& node) override;
  int32_t Visit(G_ArgList& node) override;
  int32_t Visit(G_Block& node) override;
  int32_t Visit(G_Forin& node) override;
  int32_t Visit(G_While& node) override;
  int32_t Visit(G_For& node) override;
  int32_t Visit(G_Break& node) override;
  int32_t Visit(G_If& node) override;
  int32_t Visit(G_Return& node) override;
  int32_t Visit(G_FuncDecl& node) override;
  int32_t Visit(G_NativeDecl& node) override;
  int32_t Visit(G_VArgList& node) override;
  int32_t Visit(G_VarBlock& node) override;
  int32_t Visit(G_VarDecl& node) override;

 private:
  TProgWriter& W() { return *writer; }
  // Generates every statement (or declaration) of a group.
  void GenerateAll(TResList& group);
  // "||" and "&&" chains: Jump_Or / Jump_And after every operand but the last.
  void ShortCircuit(G_BinaryChain& node, Opcode jump);
  // Operand, then operand and operator for each pair, left to right.
  void LeftToRight(G_BinaryChain& node);
  // The element of a dotted chain without and with a call.
  void ChainName(const std::string& name);
  void ChainCall(G_LValE& node, const std::string& name);
  int32_t Arguments(G_LValE& node);
  // Generates an expression whose value the statement pops.
  void GenerateDiscarded(G_Expr& expr);
};

// Compiles the parse tree of a class source into cls (both declaration
// passes, the bodies, the class code, fusion). The class is Compiled
// afterwards unless its parent is not compiled yet.
void GenerateClass(TResList& tree, TContext& context);

}  // namespace ruvel
