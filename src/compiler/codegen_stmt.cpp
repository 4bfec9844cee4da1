// Statements: expression statements with their position marks, blocks,
// the three loops with their break lists, "if", "break" and "return".
#include "compiler/codegen.h"

namespace ruvel {

namespace {

// A loop's own break list for the life of the loop's generation; the
// enclosing loop's list is put back afterwards.
class LoopScope {
 public:
  explicit LoopScope(TContext& c) : c_(c), outer_(c.breaks) { c.breaks = &mine_; }
  ~LoopScope() { c_.breaks = outer_; }
  LoopScope(const LoopScope&) = delete;
  LoopScope& operator=(const LoopScope&) = delete;
  // Lands every pending break on end.
  void PatchBreaks(TProgWriter& w, int32_t end) {
    for (int32_t at : mine_) w.PatchJump(at, end);
  }

 private:
  TContext& c_;
  std::vector<int32_t>* outer_;
  std::vector<int32_t> mine_;
};

// The node of expr that leaves a reference on the stack when its value is
// not used: expr itself with "+=" or "-=", or a lone "x++" / "x--".
const TResList* ReferenceLeavingNode(G_Expr& expr) {
  if (expr.HasAssignment()) return &expr;
  G_RVal& rval = expr.Value();
  if (rval.PairCount()) return nullptr;
  auto* orEx = dynamic_cast<G_OrEx*>(&rval.First());
  if (!orEx || orEx->PairCount()) return nullptr;
  auto* andEx = dynamic_cast<G_AndEx*>(&orEx->First());
  if (!andEx || andEx->PairCount()) return nullptr;
  auto* isEx = dynamic_cast<G_IsEx*>(&andEx->First());
  if (!isEx || isEx->HasIs() || isEx->Operand().PairCount()) return nullptr;
  auto* asEx = dynamic_cast<G_ASEx*>(&isEx->Operand().First());
  if (!asEx || asEx->PairCount()) return nullptr;
  auto* mdEx = dynamic_cast<G_MDEx*>(&asEx->First());
  if (!mdEx || mdEx->HasPrefix()) return nullptr;
  auto* inc = dynamic_cast<G_IncEx*>(&mdEx->Operand());
  return inc && inc->HasSuffix() ? inc : nullptr;
}

}  // namespace

void TContext::GenerateDiscarded(G_Expr& expr) {
  discarded = ReferenceLeavingNode(expr);
  expr.Generate(*this);
  discarded = nullptr;
  W().Op(Op_Pop);
}

int32_t TContext::Visit(G_ExprS& node) {
  lvalue = false;
  currentPosition = node.Semicolon().Start();
  W().Mark(currentPosition);
  GenerateDiscarded(node.Expression());
  return 0;
}

int32_t TContext::Visit(G_Block& node) {
  GenerateAll(node.Statements());
  return 0;
}

int32_t TContext::Visit(G_While& node) {
  LoopScope loop(*this);
  int32_t start = W().Position();
  node.Condition().Generate(*this);
  int32_t exit = W().Jump(Op_JumpZero, 0);
  node.Body().Generate(*this);
  W().Jump(Op_Jump, start - W().Position());
  int32_t end = W().Position();
  W().PatchJump(exit, end);
  loop.PatchBreaks(W(), end);
  W().SeekEnd();
  return 0;
}

int32_t TContext::Visit(G_For& node) {
  LoopScope loop(*this);
  GenerateDiscarded(node.Init());
  int32_t start = W().Position();
  node.Condition().Generate(*this);
  int32_t exit = W().Jump(Op_JumpZero, 0);
  // The step stands before the body in the text but runs after it.
  node.Body().Generate(*this);
  GenerateDiscarded(node.Step());
  W().Jump(Op_Jump, start - W().Position());
  int32_t end = W().Position();
  W().PatchJump(exit, end);
  loop.PatchBreaks(W(), end);
  W().SeekEnd();
  return 0;
}

int32_t TContext::Visit(G_Forin& node) {
  LoopScope loop(*this);
  bool saved = lvalue;
  lvalue = true;
  node.Variable().Generate(*this);
  lvalue = saved;
  node.Collection().Generate(*this);
  W().Op(Op_InitForIn);
  int32_t top = W().Jump(Op_DoForIn, 0);
  node.Body().Generate(*this);
  W().Jump(Op_Jump, top - W().Position());
  int32_t end = W().Position();
  W().PatchJump(top, end);
  loop.PatchBreaks(W(), end);
  W().SeekEnd();
  // Breaks land here too, so the loop slots are always cleared.
  W().Op(Op_ClearForIn);
  return 0;
}

int32_t TContext::Visit(G_If& node) {
  node.Condition().Generate(*this);
  int32_t skipThen = W().Jump(Op_JumpZero, 0);
  node.Then().Generate(*this);
  int32_t skipElse = W().Jump(Op_Jump, 0);
  W().PatchJump(skipThen, W().Position());
  if (node.HasElse()) node.Else().Generate(*this);
  W().PatchJump(skipElse, W().Position());
  return 0;
}

int32_t TContext::Visit(G_Break&) {
  // Outside any loop a break compiles to nothing.
  if (breaks) breaks->push_back(W().Jump(Op_Jump, 0));
  return 0;
}

int32_t TContext::Visit(G_Return& node) {
  if (node.HasValue()) node.Value().Generate(*this);
  else W().Op(Op_PushThis);
  W().Op(Op_Ret);
  return 0;
}

}  // namespace ruvel
