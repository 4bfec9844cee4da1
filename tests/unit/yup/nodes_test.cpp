#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "yup_test_util.h"

namespace ruvel {
namespace {

template <class T>
T& As(TResList& node) {
  return dynamic_cast<T&>(node);
}

// The "is" level of an expression whose outer levels hold no operator.
G_IsEx& IsLevel(G_Expr& expr) {
  return As<G_IsEx>(As<G_AndEx>(As<G_OrEx>(expr.Value().First()).First()).First());
}

// The operand under an expression whose levels hold no operator.
TResList& Operand(G_Expr& expr) {
  return As<G_MDEx>(As<G_ASEx>(IsLevel(expr).Operand().First()).First()).Operand();
}

const char kClass[] =
    "extends a.B;\n"
    "native n;\n"
    "function f(p, q) { var i, j; for (i = 0; i < p; i++) { if (i == q) break; else j += i; } return j; }\n"
    "x = f(1, 2);\n"
    "for (k in list) print(k);\n"
    "while (1) { return; }\n"
    "a.b.c = -new a.B();\n"
    "y - z + 1;\n";

TEST(YupNodes, AccessorsReachEveryPartTheGeneratorNeeds) {
  auto parsed = yup_test::Parse(kClass);
  ASSERT_NE(parsed.tree, nullptr);
  auto& program = dynamic_cast<G_Program&>(*parsed.tree);
  ASSERT_TRUE(program.Extends().HasParent());
  EXPECT_EQ(program.Extends().ParentName().DottedName(), "a.B");
  EXPECT_EQ(program.Extends().ParentName().NameCount(), 2);
  EXPECT_EQ(program.Extends().ParentName().NameAt(1).Text(), "B");

  ASSERT_EQ(program.Declarations().Count(), 2);
  EXPECT_EQ(program.Declarations().NodeAs<G_NativeDecl>(0).Name().Text(), "n");
  auto& f = program.Declarations().NodeAs<G_FuncDecl>(1);
  EXPECT_EQ(f.Keyword().Text(), "function");
  EXPECT_EQ(f.Name().Text(), "f");
  ASSERT_EQ(f.Params().NameCount(), 2);
  EXPECT_EQ(f.Params().NameAt(0).Text(), "p");
  EXPECT_EQ(f.Params().NameAt(1).Text(), "q");
  ASSERT_EQ(f.Body().VarDeclCount(), 1);
  EXPECT_EQ(f.Body().VarDeclAt(0).Names().NameCount(), 2);
  EXPECT_EQ(f.Body().VarDeclAt(0).Names().NameAt(1).Text(), "j");
  ASSERT_EQ(f.Body().Statements().Count(), 2);

  auto& loop = f.Body().Statements().NodeAs<G_For>(0);
  EXPECT_TRUE(loop.Init().HasAssignment());
  EXPECT_EQ(loop.Init().Target().Element(0).Name().Text(), "i");
  auto& cond = As<G_AndEx>(As<G_OrEx>(loop.Condition().Value().First()).First());
  ASSERT_EQ(cond.PairCount(), 1);
  EXPECT_EQ(cond.OperatorAt(0).Text(), "<");
  auto& step = dynamic_cast<G_IncEx&>(Operand(loop.Step()));
  EXPECT_TRUE(step.HasSuffix());
  EXPECT_EQ(step.Suffix().Text(), "++");
  auto& body = dynamic_cast<G_Block&>(loop.Body());
  auto& if_node = body.Statements().NodeAs<G_If>(0);
  EXPECT_TRUE(dynamic_cast<G_Break*>(&if_node.Then()) != nullptr);
  ASSERT_TRUE(if_node.HasElse());
  auto& else_expr = dynamic_cast<G_ExprS&>(if_node.Else()).Expression();
  EXPECT_EQ(else_expr.Operator().Text(), "+=");
  auto& ret = f.Body().Statements().NodeAs<G_Return>(1);
  ASSERT_TRUE(ret.HasValue());
  EXPECT_EQ(dynamic_cast<G_IncEx&>(Operand(ret.Value())).Target().Element(0).Name().Text(), "j");

  TResList& statements = program.Statements();
  ASSERT_EQ(statements.Count(), 5);
  auto& assign = statements.NodeAs<G_ExprS>(0);
  EXPECT_EQ(assign.Semicolon().Start(), static_cast<int32_t>(std::string(kClass).find("x = f(1, 2)") + 11));
  auto& call = dynamic_cast<G_IncEx&>(Operand(assign.Expression())).Target();
  ASSERT_EQ(call.ElementCount(), 1);
  ASSERT_TRUE(call.Element(0).HasCall());
  ASSERT_EQ(call.Element(0).Args().ArgCount(), 2);
  auto& two = dynamic_cast<G_Const&>(Operand(call.Element(0).Args().Arg(1)));
  EXPECT_EQ(two.Value().Text(), "2");

  auto& forin = statements.NodeAs<G_Forin>(1);
  EXPECT_EQ(forin.Variable().Element(0).Name().Text(), "k");
  EXPECT_TRUE(dynamic_cast<G_ExprS*>(&forin.Body()) != nullptr);
  auto& list_operand = dynamic_cast<G_IncEx&>(Operand(forin.Collection()));
  EXPECT_EQ(list_operand.Target().Element(0).Name().Text(), "list");

  auto& loop2 = statements.NodeAs<G_While>(2);
  EXPECT_EQ(dynamic_cast<G_Const&>(Operand(loop2.Condition())).Value().Kind(), "NUM");
  auto& inner = dynamic_cast<G_Block&>(loop2.Body()).Statements().NodeAs<G_Return>(0);
  EXPECT_FALSE(inner.HasValue());

  auto& member = statements.NodeAs<G_ExprS>(3).Expression();
  ASSERT_EQ(member.Target().ElementCount(), 3);
  EXPECT_EQ(member.Target().Element(2).Name().Text(), "c");
  EXPECT_FALSE(member.Target().Element(1).HasCall());
  auto& negated = IsLevel(member);
  EXPECT_FALSE(negated.HasIs());
  auto& md = dynamic_cast<G_MDEx&>(dynamic_cast<G_ASEx&>(negated.Operand().First()).First());
  ASSERT_TRUE(md.HasPrefix());
  EXPECT_EQ(md.Prefix().Text(), "-");
  auto& made = dynamic_cast<G_NewObj&>(md.Operand());
  EXPECT_EQ(made.Class().DottedName(), "a.B");
  EXPECT_EQ(made.Args().ArgCount(), 0);

  auto& sum = IsLevel(statements.NodeAs<G_ExprS>(4).Expression()).Operand();
  ASSERT_EQ(sum.PairCount(), 2);
  EXPECT_EQ(sum.OperatorAt(0).Text(), "-");
  EXPECT_EQ(sum.OperatorAt(1).Text(), "+");
  EXPECT_TRUE(dynamic_cast<G_ASEx*>(&sum.OperandAt(1)) != nullptr);
}

TEST(YupNodes, AccessorsOnAWrongShapeRaiseCompileErrors) {
  G_While empty;
  EXPECT_THROW(empty.Condition(), ECmpError);
  auto parsed = yup_test::Parse("a;");
  ASSERT_NE(parsed.tree, nullptr);
  auto& program = dynamic_cast<G_Program&>(*parsed.tree);
  // Item 0 of ExprS is an Expr, not a Block; item 1 is a token, not a node.
  EXPECT_THROW(program.Statements().NodeAs<G_Block>(0), ECmpError);
  EXPECT_THROW(program.Statements().Node(0).Node(1), ECmpError);
  EXPECT_THROW(program.Statements().Node(0).Token(0), ECmpError);
  EXPECT_THROW(program.Statements().Node(5), ECmpError);
  G_Extends none;
  EXPECT_FALSE(none.HasParent());
}

// Records which Visit overload each node reaches.
class WhichVisitor : public GrammarVisitor {
 public:
#define YUP_VISIT(T) \
  int32_t Visit(T&) override { return Index(#T); }
  YUP_VISIT(G_Program) YUP_VISIT(G_Extends) YUP_VISIT(G_ExprS) YUP_VISIT(G_Expr) YUP_VISIT(G_RVal)
  YUP_VISIT(G_OrEx) YUP_VISIT(G_AndEx) YUP_VISIT(G_IsEx) YUP_VISIT(G_CompEx) YUP_VISIT(G_ASEx)
  YUP_VISIT(G_MDEx) YUP_VISIT(G_IncEx) YUP_VISIT(G_NewObj) YUP_VISIT(G_Par) YUP_VISIT(G_Const)
  YUP_VISIT(G_LVal) YUP_VISIT(G_LValE) YUP_VISIT(G_ResourceVal) YUP_VISIT(G_ArgList) YUP_VISIT(G_Block)
  YUP_VISIT(G_Forin) YUP_VISIT(G_While) YUP_VISIT(G_For) YUP_VISIT(G_Break) YUP_VISIT(G_If)
  YUP_VISIT(G_Return) YUP_VISIT(G_FuncDecl) YUP_VISIT(G_NativeDecl) YUP_VISIT(G_VArgList)
  YUP_VISIT(G_VarBlock) YUP_VISIT(G_VarDecl)
#undef YUP_VISIT

  int32_t Index(const std::string& name) {
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return static_cast<int32_t>(i + 1);
    names.push_back(name);
    return static_cast<int32_t>(names.size());
  }
  std::vector<std::string> names;
};

void CheckDispatch(TResultList& list, WhichVisitor& visitor, std::vector<std::string>& seen) {
  auto* node = dynamic_cast<TResList*>(&list);
  ASSERT_NE(node, nullptr);
  int32_t which = node->Generate(visitor);
  std::string name = node->ClassName();
  if (name == "G_Err" || name == "TResList") {
    EXPECT_EQ(which, 0) << name;
  } else {
    ASSERT_GT(which, 0) << name;
    EXPECT_EQ(visitor.names[which - 1], name);
    seen.push_back(name);
  }
  for (int i = 0; i < list.Count(); ++i)
    if (TResultList* child = list.ListItem(i)) CheckDispatch(*child, visitor, seen);
}

TEST(YupNodes, GenerateDispatchesToTheVisitOfTheNodeClass) {
  auto tokens = ScriptParser().Tokenize(std::string(kClass) + "a = (b is c) && d || e; // note\n");
  TParseTree tree = ScriptParser().Parse(*tokens);
  ASSERT_NE(tree, nullptr);
  WhichVisitor visitor;
  std::vector<std::string> seen;
  CheckDispatch(*tree, visitor, seen);
  // Every class that occurs in trees was reached at least once.
  EXPECT_EQ(visitor.names.size(), 31u);
}

}  // namespace
}  // namespace ruvel
