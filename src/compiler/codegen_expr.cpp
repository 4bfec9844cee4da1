// Expressions: assignment, the operator levels, "is", prefix and postfix
// operators, constants, "new", dotted resource names and argument lists.
#include "compiler/codegen.h"
#include "compiler/codegen_literal.h"
#include "platform/cp932.h"
#include "resources/resource.h"
#include "runtime/rtti.h"

namespace ruvel {

int32_t TContext::Visit(G_Expr& node) {
  if (!node.HasAssignment()) {
    node.Value().Generate(*this);
    return 0;
  }
  bool saved = lvalue;
  lvalue = true;
  node.Target().Generate(*this);
  lvalue = saved;
  node.Value().Generate(*this);
  const std::string op = node.Operator().Text();
  W().Operator(op);
  // "+=" and "-=" leave the reference; a value that is used must not be
  // one, or it could outlive the slot it points into.
  if (op != "=" && &node != discarded) W().Op(Op_Deref);
  return 0;
}

void TContext::ShortCircuit(G_BinaryChain& node, Opcode jump) {
  node.First().Generate(*this);
  std::vector<int32_t> jumps;
  for (int k = 0; k < node.PairCount(); ++k) {
    jumps.push_back(W().Jump(jump, 0));
    node.OperandAt(k).Generate(*this);
  }
  int32_t end = W().Position();
  for (int32_t at : jumps) W().PatchJump(at, end);
}

void TContext::LeftToRight(G_BinaryChain& node) {
  node.First().Generate(*this);
  for (int k = 0; k < node.PairCount(); ++k) {
    node.OperandAt(k).Generate(*this);
    W().Operator(node.OperatorAt(k).Text());
  }
}

int32_t TContext::Visit(G_RVal& node) {
  ShortCircuit(node, Op_Jump_Or);
  return 0;
}

int32_t TContext::Visit(G_OrEx& node) {
  ShortCircuit(node, Op_Jump_And);
  return 0;
}

int32_t TContext::Visit(G_AndEx& node) {
  LeftToRight(node);
  return 0;
}

int32_t TContext::Visit(G_CompEx& node) {
  LeftToRight(node);
  return 0;
}

int32_t TContext::Visit(G_ASEx& node) {
  LeftToRight(node);
  return 0;
}

int32_t TContext::Visit(G_IsEx& node) {
  node.Operand().Generate(*this);
  if (!node.HasIs()) return 0;
  node.TargetClass().Generate(*this);
  auto* target = dynamic_cast<TRTTI*>(resolved);
  if (!target) Fail(J("isの後ろがクラスでありません"));
  W().Is(*target);
  return 0;
}

int32_t TContext::Visit(G_MDEx& node) {
  node.Operand().Generate(*this);
  if (node.HasPrefix()) W().Op(node.Prefix().Text() == "-" ? Op_Neg : Op_Not);
  return 0;
}

int32_t TContext::Visit(G_IncEx& node) {
  bool saved = lvalue;
  if (!node.HasSuffix()) {
    lvalue = false;
    node.Target().Generate(*this);
    lvalue = saved;
    return 0;
  }
  // x++ is x += 1; its result is the new value.
  lvalue = true;
  node.Target().Generate(*this);
  W().PushInt(1);
  W().Op(node.Suffix().Text() == "++" ? Op_AddSubst : Op_SubSubst);
  if (&node != discarded) W().Op(Op_Deref);
  lvalue = saved;
  return 0;
}

int32_t TContext::Visit(G_Par& node) {
  node.Inner().Generate(*this);
  return 0;
}

int32_t TContext::Visit(G_Const& node) {
  const TLexElem& token = node.Value();
  const std::string text = token.Text();
  if (token.Is("null")) {
    W().PushNull();
  } else if (token.Is("STRING")) {
    std::string_view body(text);
    if (body.size() >= 2) body = body.substr(1, body.size() - 2);
    W().PushString(DecodeStringLiteral(body));
  } else if (text.find('.') != std::string::npos) {
    W().PushFloat(ParseFloatLiteral(text));
  } else {
    std::optional<int32_t> n = ParseIntLiteral(text);
    if (!n) Fail("'" + text + "' is not a valid integer value");
    W().PushInt(*n);
  }
  return 0;
}

int32_t TContext::Visit(G_NewObj& node) {
  // The receiver slot that the constructor fills.
  W().PushFloat(0.0f);
  int32_t argc = node.Args().Generate(*this);
  node.Class().Generate(*this);
  if (!resolved) Fail(dotted + J("は定義されていません"));
  auto* target = dynamic_cast<TRTTI*>(resolved);
  if (!target) Fail(dotted + "(" + resolved->TypeName() + ")" + J("はクラスではありません"));
  W().Construct(argc, *target);
  return 0;
}

int32_t TContext::Visit(G_ResourceVal& node) {
  dotted = node.DottedName();
  resolved = root ? root->Resolve(dotted) : nullptr;
  return 0;
}

int32_t TContext::Visit(G_ArgList& node) {
  // Arguments are values even inside an assignment target.
  bool saved = lvalue;
  lvalue = false;
  int32_t n = node.ArgCount();
  for (int k = 0; k < n; ++k) node.Arg(k).Generate(*this);
  lvalue = saved;
  return n;
}

}  // namespace ruvel
