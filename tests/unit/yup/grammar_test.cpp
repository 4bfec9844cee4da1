#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "platform/error.h"
#include "yup_test_util.h"

namespace ruvel {
namespace {

using yup_test::Compact;
using yup_test::Statement;

TEST(YupGrammar, FullTreeOfAnAssignment) {
  auto p = yup_test::Parse("x = 1;");
  ASSERT_NE(p.tree, nullptr);
  EXPECT_EQ(PrintTree(*p.tree),
            "(G_Program (G_Extends) (G_Err) (G_Err (G_ExprS (G_Expr (G_Err (G_LVal (G_LValE x (G_Err)) (G_Err)) =) "
            "(G_RVal (G_OrEx (G_AndEx (G_IsEx (G_CompEx (G_ASEx (G_MDEx (G_Err) (G_Const 1)) (G_Err)) (G_Err)) "
            "(G_Err)) (G_Err)) (G_Err)) (G_Err))) ;)))");
}

TEST(YupGrammar, ProgramStructure) {
  EXPECT_EQ(Compact(""), "(Program (Extends) [] [])");
  // Comments are removed before parsing: a text of comments is empty.
  EXPECT_EQ(Compact("// a\n/* b */"), "(Program (Extends) [] [])");
  EXPECT_EQ(Compact("extends classes.lang.Object;"),
            "(Program (Extends extends (ResourceVal classes [. lang . Object]) ;) [] [])");
  EXPECT_EQ(Compact("extends Object; native f; function g() { } a;"),
            "(Program (Extends extends Object ;) [(NativeDecl native f ;) "
            "(FuncDecl function g ( (VArgList) ) (VarBlock { [] [] }))] [(ExprS a ;)])");
  // A declaration after the first statement is a syntax error.
  EXPECT_EQ(Compact("a; native f;"), "FAIL");
  // "extends" must come first.
  EXPECT_EQ(Compact("native f; extends A;"), "FAIL");
}

TEST(YupGrammar, CommentsLeftInTheTokenListAreStatementsAndDeclarations) {
  auto tokens = ScriptParser().Tokenize("// d\nnative f; /* s */ a;");
  TParseTree tree = ScriptParser().Parse(*tokens);
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(PrintCompact(*tree), "(Program (Extends) [(TResList // d) (NativeDecl native f ;) (TResList /* s */)] [(ExprS a ;)])");
  auto& program = dynamic_cast<G_Program&>(*tree);
  EXPECT_TRUE(IsCommentNode(program.Declarations().Node(0)));
  EXPECT_FALSE(IsCommentNode(program.Declarations().Node(1)));
}

TEST(YupGrammar, Declarations) {
  EXPECT_EQ(Compact("function f(a, b) { var x, y; var z; x = a; return x; }"),
            "(Program (Extends) [(FuncDecl function f ( (VArgList a [, b]) ) (VarBlock { "
            "[(VarDecl var (VArgList x [, y]) ;) (VarDecl var (VArgList z []) ;)] "
            "[(ExprS (Expr [x =] a) ;) (Return return [x] ;)] }))] [])");
  EXPECT_EQ(Compact("constructor new1() { } destructor del(x) { }"),
            "(Program (Extends) [(FuncDecl constructor new1 ( (VArgList) ) (VarBlock { [] [] })) "
            "(FuncDecl destructor del ( (VArgList x []) ) (VarBlock { [] [] }))] [])");
  // "var" after a statement, a declaration without a name, a trailing comma.
  EXPECT_EQ(Compact("function f() { a; var x; }"), "FAIL");
  EXPECT_EQ(Compact("function () { }"), "FAIL");
  EXPECT_EQ(Compact("function f(a,) { }"), "FAIL");
  EXPECT_EQ(Compact("function f() { var; }"), "(Program (Extends) [(FuncDecl function f ( (VArgList) ) "
                                              "(VarBlock { [(VarDecl var (VArgList) ;)] [] }))] [])");
  EXPECT_EQ(Compact("native f"), "FAIL");
}

TEST(YupGrammar, Statements) {
  EXPECT_EQ(Statement("{ a; { } }"), "(Block { [(ExprS a ;) (Block { [] })] })");
  EXPECT_EQ(Statement("while (a) b;"), "(While while ( a ) (ExprS b ;))");
  EXPECT_EQ(Statement("for (i = 0; i < n; i++) s;"),
            "(For for ( (Expr [i =] 0) ; (AndEx i [< n]) ; (IncEx i [++]) ) (ExprS s ;))");
  // The three-part loop is tried first; when it fails the "in" loop matches.
  EXPECT_EQ(Statement("for (x in list) s;"), "(Forin for ( x in list ) (ExprS s ;))");
  EXPECT_EQ(Statement("for (a.b in f(1)) { }"),
            "(Forin for ( (LVal a [. b]) in (LValE f [( (ArgList 1 []) )]) ) (Block { [] }))");
  EXPECT_EQ(Statement("if (a) b;"), "(If if ( a ) (ExprS b ;) [])");
  EXPECT_EQ(Statement("if (a) b; else c;"), "(If if ( a ) (ExprS b ;) [else (ExprS c ;)])");
  // A dangling else belongs to the nearest if.
  EXPECT_EQ(Statement("if (a) if (b) s1; else s2;"),
            "(If if ( a ) (If if ( b ) (ExprS s1 ;) [else (ExprS s2 ;)]) [])");
  EXPECT_EQ(Statement("return;"), "(Return return [] ;)");
  EXPECT_EQ(Statement("return a + 1;"), "(Return return [(CompEx a [+ 1])] ;)");
  EXPECT_EQ(Statement("break;"), "(Break break ;)");
  EXPECT_EQ(Statement("x++;"), "(ExprS (IncEx x [++]) ;)");
  EXPECT_EQ(Statement("x -= 2;"), "(ExprS (Expr [x -=] 2) ;)");
}

TEST(YupGrammar, WhatTheLanguageDoesNotHave) {
  for (const char* text : {";", "a = b = c;", "++x;", "- -x;", "a *= 2;", "a /= 2;", "a %= 2;", "fork a;",
                           "a | b;", "a & b;", "+a;", "a", "{ a;", "if (a) else b;", "for (;;) a;",
                           "while a; b;", "x = 1 y = 2;", "a[1];", "a.;", ".a;", "f(,);", "new A;",
                           "a is 1;", "a is b is c;", "1 = a;", "a.1;"}) {
    EXPECT_EQ(Compact(text), "FAIL") << text;
  }
  // Character literals do not exist, but the quote is dropped by the lexer.
  EXPECT_EQ(Statement("x = 'c';"), "(ExprS (Expr [x =] c) ;)");
  // A call is an LVal, so it takes "++" syntactically (code generation rejects it).
  EXPECT_EQ(Statement("f()++;"), "(ExprS (IncEx (LValE f [( (ArgList) )]) [++]) ;)");
  // "continue" is just a symbol.
  EXPECT_EQ(Statement("continue;"), "(ExprS continue ;)");
}

TEST(YupGrammar, OperatorPrecedenceAndAssociativity) {
  EXPECT_EQ(Statement("a + b * c;"), "(ExprS (CompEx a [+ (ASEx b [* c])]) ;)");
  EXPECT_EQ(Statement("a * b + c;"), "(ExprS (CompEx (ASEx a [* b]) [+ c]) ;)");
  EXPECT_EQ(Statement("a - b - c;"), "(ExprS (CompEx a [- b - c]) ;)");
  EXPECT_EQ(Statement("a / b % c * d;"), "(ExprS (ASEx a [/ b % c * d]) ;)");
  EXPECT_EQ(Statement("a || b && c;"), "(ExprS (RVal a [|| (OrEx b [&& c])]) ;)");
  EXPECT_EQ(Statement("a && b || c;"), "(ExprS (RVal (OrEx a [&& b]) [|| c]) ;)");
  EXPECT_EQ(Statement("a == b && c != d;"), "(ExprS (OrEx (AndEx a [== b]) [&& (AndEx c [!= d])]) ;)");
  // Comparisons chain left to right at one level.
  EXPECT_EQ(Statement("a < b < c;"), "(ExprS (AndEx a [< b < c]) ;)");
  EXPECT_EQ(Statement("a >= b + 1;"), "(ExprS (AndEx a [>= (CompEx b [+ 1])]) ;)");
  // "is" binds tighter than comparison and looser than addition.
  EXPECT_EQ(Statement("a + b is c.D == e;"),
            "(ExprS (AndEx (IsEx (CompEx a [+ b]) [is (ResourceVal c [. D])]) [== e]) ;)");
  // Prefix operators apply to one operand; postfix only after an LVal.
  EXPECT_EQ(Statement("-a * !b;"), "(ExprS (ASEx (MDEx [-] a) [* (MDEx [!] b)]) ;)");
  EXPECT_EQ(Statement("-(-x);"), "(ExprS (MDEx [-] (Par ( (MDEx [-] x) ))) ;)");
  EXPECT_EQ(Statement("-x++;"), "(ExprS (MDEx [-] (IncEx x [++])) ;)");
  EXPECT_EQ(Statement("a = (b = c);"), "(ExprS (Expr [a =] (Par ( (Expr [b =] c) ))) ;)");
  EXPECT_EQ(Statement("a += b || c;"), "(ExprS (Expr [a +=] (RVal b [|| c])) ;)");
  EXPECT_EQ(Statement("(a + b) * c;"), "(ExprS (ASEx (Par ( (CompEx a [+ b]) )) [* c]) ;)");
}

TEST(YupGrammar, OperandsCallsAndMemberChains) {
  EXPECT_EQ(Statement("f(1, \"s\", null, 2.5);"),
            "(ExprS (LValE f [( (ArgList 1 [, \"s\" , null , 2.5]) )]) ;)");
  EXPECT_EQ(Statement("a.f().g = 1;"),
            "(ExprS (Expr [(LVal a [. (LValE f [( (ArgList) )]) . g]) =] 1) ;)");
  EXPECT_EQ(Statement("super.constructor(x);"),
            "(ExprS (LVal super [. (LValE constructor [( (ArgList x []) )])]) ;)");
  EXPECT_EQ(Statement("this.x;"), "(ExprS (LVal this [. x]) ;)");
  EXPECT_EQ(Statement("$g = new classes.A(1);"),
            "(ExprS (Expr [$g =] (NewObj new (ResourceVal classes [. A]) ( (ArgList 1 []) ))) ;)");
  EXPECT_EQ(Statement("f(g(h()));"),
            "(ExprS (LValE f [( (ArgList (LValE g [( (ArgList (LValE h [( (ArgList) )]) []) )]) []) )]) ;)");
  std::string name = Utf8ToCp932("変数");
  EXPECT_EQ(Statement(name + " = \"" + Utf8ToCp932("表示") + "\";"),
            "(ExprS (Expr [" + name + " =] \"" + Utf8ToCp932("表示") + "\") ;)");
}

TEST(YupGrammar, SyntaxErrorReportsTheLastConsumedToken) {
  struct Case {
    const char* text;
    const char* at;  // text from the reported offset on
  };
  for (Case c : {Case{"x = 1;\ny = = 2;", "= = 2;"}, Case{"function f() { x = 1 }", "1 }"},
                 Case{"a; b c;", "b c;"}, Case{"if (a) { b; ", "; "}, Case{"a = b = c;", "b = c;"},
                 Case{"extends A; native;", "native;"}}) {
    auto p = yup_test::Parse(c.text);
    EXPECT_EQ(p.tree, nullptr) << c.text;
    EXPECT_EQ(std::string(c.text).substr(p.tokens->LastConsumedStart()), c.at) << c.text;
  }
  // Nothing consumed at all: offset 0.
  auto p = yup_test::Parse("  }");
  EXPECT_EQ(p.tree, nullptr);
  EXPECT_FALSE(p.tokens->HasConsumed());
  EXPECT_EQ(p.tokens->LastConsumedStart(), 0);
  // A complete program followed by a stray token fails as well.
  auto left = yup_test::Parse("a; }");
  EXPECT_EQ(left.tree, nullptr);
  EXPECT_EQ(ScriptParser().LastFailure(), ParseFailure::TokensLeft);
}

TEST(YupGrammar, ParsingTheSameTokensTwiceGivesTheSameTree) {
  auto tokens = ScriptParser().Tokenize("function f(a) { return a * 2; } f(3);");
  TParseTree first = ScriptParser().Parse(*tokens);
  TParseTree second = ScriptParser().Parse(*tokens);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(PrintTree(*first), PrintTree(*second));
}

}  // namespace
}  // namespace ruvel
