// Code listings of compiled constructs: members, locals and arguments,
// calls of each kind, constructors, control flow with its jump offsets,
// constants, globals, and the symbol information recorded with the code.
#include <algorithm>
#include <cmath>

#include "compiler/codegen_literal.h"
#include "compiler_fixture.h"
#include "resources/resource_global.h"
#include "resources/resource_tree.h"
#include "vm/opcodes.h"

namespace ruvel::test {

namespace {

std::string Sym(const std::string& name) { return std::to_string(Intern(name)); }

int CountWith(const std::vector<std::string>& lines, const std::string& part) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                        [&](const std::string& l) { return l.find(part) != std::string::npos; }));
}

}  // namespace

class CodegenTest : public CompilerTest {};

TEST_F(CodegenTest, MembersAreCreatedOnFirstUseAndReachedByIndex) {
  TRTTI* cls = MustCompile("T", "extends Object;\r\nscore = score + 1;\r\n");
  EXPECT_EQ(MemberIndex(cls, "score"), 0);
  EXPECT_EQ(Ops(*cls->ClassCode),
            "PushThis_SMemberValPtr 0; PushThis_SMemberValPtr 0; Push 1; Add; Subst; Pop; Push 0");
  // The target keeps a reference; the operand is fused with its Deref.
  EXPECT_EQ(cls->ClassCode->code[0], static_cast<uint32_t>(Op_PushThis_SMemberValPtr));
  EXPECT_EQ(cls->ClassCode->code[3], static_cast<uint32_t>(Op_PushThis_SMemberValPtr_Deref));

  // Inherited members keep their indices; "this." reaches them by index too.
  TRTTI* child = MustCompile("U", "extends t.T;\r\nlives = 3; this.score = lives;\r\n");
  EXPECT_EQ(MemberIndex(child, "score"), 0);
  EXPECT_EQ(MemberIndex(child, "lives"), 1);
  EXPECT_EQ(Ops(*child->ClassCode),
            "PushThis_SMemberValPtr 1; Push 3; Subst; Pop; PushThis_SMemberValPtr 0; PushThis_SMemberValPtr 1; "
            "Subst; Pop; Push 0");
  // Names differing only in letter case are one member.
  TRTTI* mixed = MustCompile("M", "Hp = 1; hP = 2;\r\n");
  EXPECT_EQ(mixed->Members.Count(), 1);
}

TEST_F(CodegenTest, DottedChainsDereferenceAllButTheAssignedElement) {
  TRTTI* cls = MustCompile("T", "a.b.c = 1;\r\nx = a.b.c;\r\n");
  EXPECT_EQ(Ops(*cls->ClassCode), "PushThis_SMemberValPtr 0; DMemberValPtr_Deref " + Sym("b") +
                                      "; DMemberValPtr c; Push 1; Subst; Pop; PushThis_SMemberValPtr 1; "
                                      "PushThis_SMemberValPtr 0; DMemberValPtr_Deref " +
                                      Sym("b") + "; DMemberValPtr_Deref " + Sym("c") + "; Subst; Pop; Push 0");
}

TEST_F(CodegenTest, PostfixIncrementIsCompoundAssignment) {
  TRTTI* inc = MustCompile("A", "x++; y--;\r\n");
  TRTTI* add = MustCompile("B", "x += 1; y -= 1;\r\n");
  EXPECT_EQ(inc->ClassCode->code, add->ClassCode->code);
  EXPECT_EQ(Ops(*inc->ClassCode),
            "PushThis_SMemberValPtr 0; Push 1; AddSubst; Pop; PushThis_SMemberValPtr 1; Push 1; SubSubst; Pop; Push 0");

  // Where the result is used it is the new value, not the reference (a
  // reference stored in a global would outlive the slot it points into).
  TRTTI* used = MustCompile("C", "r = x++; r = (y -= 2);\r\nfor (i = 0; i++ < 3; i++) s = i;\r\n");
  EXPECT_EQ(Ops(*used->ClassCode),
            "PushThis_SMemberValPtr 0; PushThis_SMemberValPtr 1; Push 1; AddSubst; Deref; Subst; Pop; "
            "PushThis_SMemberValPtr 0; PushThis_SMemberValPtr 2; Push 2; SubSubst; Deref; Subst; Pop; "
            "PushThis_SMemberValPtr 3; Push 0; Subst; Pop; PushThis_SMemberValPtr 3; Push 1; AddSubst; Deref; Push 3; "
            "LT; JumpZero84; PushThis_SMemberValPtr 4; PushThis_SMemberValPtr 3; Subst; Pop; PushThis_SMemberValPtr 3; "
            "Push 1; AddSubst; Pop; Jump-124; Push 0");
}

TEST_F(CodegenTest, LocalsAndArgumentsComeBeforeMembersAndGlobals) {
  TRTTI* cls = MustCompile("T",
                           "function f(p, q) { var l; l = p; m = q; return l; }\r\n"
                           "function g() { return this; }\r\n");
  EXPECT_EQ(Ops(MethodCode(cls, "f")),
            "LocalValPtr 0; ArgValPtr_Deref 0; Subst; Pop; PushThis_SMemberValPtr 0; ArgValPtr_Deref 1; Subst; Pop; "
            "LocalValPtr_Deref 0; Ret; PushThis; Ret");
  auto* f = static_cast<TNormalFunction*>(cls->FindMethodByName("f"));
  EXPECT_EQ(f->Params, (std::vector<std::string>{"p", "q"}));
  EXPECT_EQ(f->Locals, (std::vector<std::string>{"l"}));
  // "this" alone is a value; a method without return returns this.
  EXPECT_EQ(Ops(MethodCode(cls, "g")), "PushThis; Ret; PushThis; Ret");
}

TEST_F(CodegenTest, CallsOfEachKind) {
  TRTTI* cls = MustCompile("T",
                           "extends Object;\r\n"
                           "native n;\r\n"
                           "function f(a) { return a; }\r\n"
                           "function g() { f(1); n(2); this.f(3); o.h(4, 5); suspend(); }\r\n");
  const std::string f = std::to_string(cls->MethodIndex("f"));
  // Object's four natives and constructor come first, then n, f, g.
  EXPECT_EQ(cls->MethodIndex("n"), 5);
  EXPECT_EQ(f, "6");
  EXPECT_EQ(Ops(MethodCode(cls, "g")),
            "PushThis; Push 1; SCall 1," + f + "; Pop; PushThis; Push 2; NativeCall 1,n; Pop; PushThis; Push 3; SCall 1," +
                f + "; Pop; PushThis_SMemberValPtr 0; Push 4; Push 5; DCall 2,h; Pop; PushThis; NativeCall 0,suspend; "
                "Pop; PushThis; Ret");
  std::vector<std::string> symbols = MethodCode(cls, "g").SymbolListing();
  EXPECT_EQ(CountWith(symbols, "op=Op_SCall"), 2);
  EXPECT_EQ(CountWith(symbols, "op=Op_NativeCall"), 2);
  EXPECT_EQ(CountWith(symbols, "op=Op_DCall ,addr=136 ,info=h"), 1);
  EXPECT_EQ(CountWith(symbols, "op=Op_SMemberValPtr ,addr=100 ,info=o"), 1);
}

TEST_F(CodegenTest, SuperCallsReachTheParentsFunctions) {
  TRTTI* base = MustCompile("Base",
                            "extends Object;\r\n"
                            "constructor Base(v) { val = v; }\r\n"
                            "function f() { return val; }\r\n");
  TRTTI* derived = MustCompile("Derived",
                               "extends t.Base;\r\n"
                               "constructor Derived() { super(5); }\r\n"
                               "function f() { return super.f() + 1; }\r\n");
  EXPECT_EQ(Ops(MethodCode(derived, "Derived")), "PushThis; Push 5; SuperCall 1,Base; Pop; PushThis; Ret");
  EXPECT_EQ(Ops(MethodCode(derived, "f")), "PushThis; SuperCall 0,f; Push 1; Add; Ret; PushThis; Ret");
  // The override keeps the inherited index; static calls rely on it.
  EXPECT_EQ(derived->MethodIndex("f"), base->MethodIndex("f"));
  EXPECT_NE(derived->FindMethodByName("f"), base->FindMethodByName("f"));
  // The super call names the parent's function by handle.
  const TCompiledInfo& code = MethodCode(derived, "f");
  EXPECT_EQ(code.code[3], base->FindMethodByName("f")->handle);
  EXPECT_EQ(MethodCode(derived, "Derived").SymbolListing()[1], "op=Op_SuperCall ,addr=16 ,info=constructor");
}

TEST_F(CodegenTest, NativesAreAppendedAndNeverReplaceInheritedMethods) {
  TRTTI* base = MustCompile("Base", "function f() { return 1; }\r\n");
  TRTTI* derived = MustCompile("D", "extends t.Base;\r\nnative f;\r\nfunction g() { f(); }\r\n");
  int32_t inherited = base->MethodIndex("f");
  EXPECT_EQ(derived->MethodIndex("f"), inherited);
  EXPECT_EQ(derived->FindMethodByName("f"), base->FindMethodByName("f"));
  ASSERT_EQ(derived->Methods.size(), base->Methods.size() + 2);
  EXPECT_EQ(derived->Methods[base->Methods.size()]->Kind(), FunctionKind::kNative);
  // A call by name still finds the inherited function first.
  EXPECT_EQ(Ops(MethodCode(derived, "g")), "PushThis; SCall 0," + std::to_string(inherited) + "; Pop; PushThis; Ret");
}

TEST_F(CodegenTest, NewAndIsNameTheClass) {
  TRTTI* cls = MustCompile("T", "o = new classes.lang.Array();\r\nr = o is Array;\r\n");
  const std::string array = "Array@" + std::to_string(arrayClass->handle);
  EXPECT_EQ(Ops(*cls->ClassCode), "PushThis_SMemberValPtr 0; Push 0; Constructor 0," + array +
                                      "; Subst; Pop; PushThis_SMemberValPtr 1; PushThis_SMemberValPtr 0; Is " + array +
                                      "; Subst; Pop; Push 0");
  std::vector<std::string> symbols = cls->ClassCode->SymbolListing();
  EXPECT_EQ(CountWith(symbols, "op=Op_Constructor ,addr=24 ,info=classes.lang.Array"), 1);
  EXPECT_EQ(CountWith(symbols, "op=Op_Is ,addr=72 ,info=classes.lang.Array"), 1);
  // The placeholder is a float 0.0.
  EXPECT_EQ(cls->ClassCode->code[4], static_cast<uint32_t>(kFloat));
}

TEST_F(CodegenTest, WhileWithIfAndBreak) {
  TRTTI* cls = MustCompile("T", "while (i < 3) { i += 1; if (i == 2) break; }\r\n");
  EXPECT_EQ(Ops(*cls->ClassCode),
            "PushThis_SMemberValPtr 0; Push 3; LT; JumpZero104; PushThis_SMemberValPtr 0; Push 1; AddSubst; Pop; "
            "PushThis_SMemberValPtr 0; Push 2; EQ; JumpZero24; Jump24; Jump8; Jump-128; Push 0");
  EXPECT_NO_THROW(cls->ClassCode->EnsureVerified(0));
}

TEST_F(CodegenTest, ForRunsTheStepAfterTheBody) {
  TRTTI* cls = MustCompile("T", "for (i = 0; i < 2; i++) s += i;\r\n");
  EXPECT_EQ(Ops(*cls->ClassCode),
            "PushThis_SMemberValPtr 0; Push 0; Subst; Pop; PushThis_SMemberValPtr 0; Push 2; LT; JumpZero84; "
            "PushThis_SMemberValPtr 1; PushThis_SMemberValPtr 0; AddSubst; Pop; PushThis_SMemberValPtr 0; Push 1; "
            "AddSubst; Pop; Jump-108; Push 0");
  EXPECT_NO_THROW(cls->ClassCode->EnsureVerified(0));
}

TEST_F(CodegenTest, ForInBreaksLandOnClearForIn) {
  TRTTI* cls = MustCompile("T", "for (x in a) { if (x) break; s += x; }\r\n");
  EXPECT_EQ(Ops(*cls->ClassCode),
            "PushThis_SMemberValPtr 0; PushThis_SMemberValPtr 1; InitForin; DoForin92; PushThis_SMemberValPtr 0; "
            "JumpZero24; Jump60; Jump8; PushThis_SMemberValPtr 2; PushThis_SMemberValPtr 0; AddSubst; Pop; Jump-84; "
            "ClearForin; Push 0");
  EXPECT_NO_THROW(cls->ClassCode->EnsureVerified(0));
}

TEST_F(CodegenTest, BreaksBindToTheInnermostLoopAndVanishOutsideLoops) {
  TRTTI* outside = MustCompile("A", "break;\r\nx = 1;\r\n");
  TRTTI* plain = MustCompile("B", "x = 1;\r\n");
  EXPECT_EQ(outside->ClassCode->code, plain->ClassCode->code);

  TRTTI* nested = MustCompile("C", "while (1) { while (2) break; break; }\r\n");
  // 0 Push 1; 12 JumpZero; 20 Push 2; 32 JumpZero; 40 Jump (inner break);
  // 48 Jump back; 56 Jump (outer break); 64 Jump back; 72 end.
  EXPECT_EQ(Ops(*nested->ClassCode),
            "Push 1; JumpZero60; Push 2; JumpZero24; Jump16; Jump-28; Jump16; Jump-64; Push 0");
}

TEST_F(CodegenTest, ShortCircuitChainsAndElse) {
  TRTTI* cls = MustCompile("T", "if (a && b || c) x = 1; else x = 2;\r\nreturn;\r\n");
  EXPECT_EQ(Ops(*cls->ClassCode),
            "PushThis_SMemberValPtr 0; Jump_And24; PushThis_SMemberValPtr 1; Jump_Or24; PushThis_SMemberValPtr 2; "
            "JumpZero48; PushThis_SMemberValPtr 3; Push 1; Subst; Pop; Jump40; PushThis_SMemberValPtr 3; Push 2; "
            "Subst; Pop; PushThis; Ret; Push 0");
  TRTTI* chain = MustCompile("U", "r = a || b || c;\r\n");
  // Every Jump_Or lands at the end of the whole chain.
  EXPECT_EQ(Ops(*chain->ClassCode),
            "PushThis_SMemberValPtr 0; PushThis_SMemberValPtr 1; Jump_Or48; PushThis_SMemberValPtr 2; Jump_Or24; "
            "PushThis_SMemberValPtr 3; Subst; Pop; Push 0");
}

TEST_F(CodegenTest, OperatorsAndConstants) {
  TRTTI* cls = MustCompile("T",
                           "r = 1 - 2 - 3 * 4 % 5 / 6;\r\n"
                           "r = a < b == c != d >= e <= f > g;\r\n"
                           "r = -a + !b;\r\n"
                           "r = null; r = 1.5; r = 0.1; r = 2147483647;\r\n");
  EXPECT_EQ(Ops(*cls->ClassCode),
            "PushThis_SMemberValPtr 0; Push 1; Push 2; Sub; Push 3; Push 4; Mul; Push 5; Mod; Push 6; Div; Sub; "
            "Subst; Pop; "
            "PushThis_SMemberValPtr 0; PushThis_SMemberValPtr 1; PushThis_SMemberValPtr 2; LT; "
            "PushThis_SMemberValPtr 3; EQ; PushThis_SMemberValPtr 4; NEQ; PushThis_SMemberValPtr 5; GTE; "
            "PushThis_SMemberValPtr 6; LTE; PushThis_SMemberValPtr 7; GT; Subst; Pop; "
            "PushThis_SMemberValPtr 0; PushThis_SMemberValPtr 1; Neg; PushThis_SMemberValPtr 2; Not; Add; Subst; "
            "Pop; "
            "PushThis_SMemberValPtr 0; Push null; Subst; Pop; PushThis_SMemberValPtr 0; Push 1.5; Subst; Pop; "
            "PushThis_SMemberValPtr 0; Push 0.100000001490116; Subst; Pop; PushThis_SMemberValPtr 0; "
            "Push 2147483647; Subst; Pop; Push 0");
}

TEST_F(CodegenTest, StringLiteralsAreDecodedAndPadded) {
  TRTTI* cls = MustCompile("T", "r = \"a\\\"b\\n\"; r = \"abcd\"; r = \"\";\r\n");
  EXPECT_EQ(Ops(*cls->ClassCode),
            "PushThis_SMemberValPtr 0; PushString a\"b\n; Subst; Pop; PushThis_SMemberValPtr 0; PushString abcd; Subst; "
            "Pop; PushThis_SMemberValPtr 0; PushString ; Subst; Pop; Push 0");
  const auto& code = cls->ClassCode->code;
  // "a\"b\n" is 4 bytes: L = 8; "abcd": L = 8; "": L = 4.
  EXPECT_EQ(code[3], static_cast<uint32_t>(Op_PushString));
  EXPECT_EQ(code[4], 8u);
  EXPECT_EQ(code[13], 8u);
  EXPECT_EQ(code[22], 4u);
  EXPECT_EQ(code[23], 0u);
}

TEST(CodegenLiteral, EscapesRespectTwoByteCharacters) {
  EXPECT_EQ(DecodeStringLiteral("a\\\"b"), "a\"b");
  EXPECT_EQ(DecodeStringLiteral("\\n\\r\\t\\\\\\q"), "\n\r\t\\q");
  // 0x95 0x5C is one character whose second byte is a backslash.
  EXPECT_EQ(DecodeStringLiteral("\x95\\n"), "\x95\\n");
  EXPECT_EQ(DecodeStringLiteral("\x95\\\\n"), "\x95\\\n");
  // A single-byte katakana (0xB1) does not start a two-byte character.
  EXPECT_EQ(DecodeStringLiteral("\xB1\\n"), "\xB1\n");
  EXPECT_EQ(DecodeStringLiteral("\xE0\\\xFC\\\\t"), "\xE0\\\xFC\\\t");

  EXPECT_EQ(ParseIntLiteral("2147483647"), 2147483647);
  EXPECT_FALSE(ParseIntLiteral("2147483648").has_value());
  EXPECT_FLOAT_EQ(ParseFloatLiteral("2.5"), 2.5f);
  EXPECT_FLOAT_EQ(ParseFloatLiteral("3."), 3.0f);
  EXPECT_TRUE(std::isinf(ParseFloatLiteral("1" + std::string(60, '0') + ".0")));
  EXPECT_EQ(ParseFloatLiteral("0." + std::string(60, '0') + "1"), 0.0f);
}

TEST_F(CodegenTest, GlobalsArePushedAsSlotReferences) {
  TRTTI* cls = MustCompile("T", "function f() { return $g + $G; }\r\n$g = 3;\r\ny = $g;\r\n");
  auto* g = FindResource("$g");
  ASSERT_NE(g, nullptr);
  const uint32_t handle = static_cast<TGlobalValue*>(g)->handle;
  const auto& code = cls->ClassCode->code;
  // $g = 3: Push with tag reference and the slot handle, then Subst.
  EXPECT_EQ(code[0], static_cast<uint32_t>(Op_Push));
  EXPECT_EQ(code[1], static_cast<uint32_t>(kRef));
  EXPECT_EQ(code[2], handle);
  EXPECT_EQ(code[6], static_cast<uint32_t>(Op_Subst));
  // y = $g: the read is fused into Push_Deref (which the listing cannot show).
  EXPECT_EQ(code[11], static_cast<uint32_t>(Op_Push_Deref));
  EXPECT_EQ(code[13], handle);
  EXPECT_EQ(Ops(*cls->ClassCode), "Push [" + J("変数") + "$g]; Push 3; Subst; Pop; PushThis_SMemberValPtr 0; !");

  // Two reads of one global make one entry with two addresses.
  std::vector<std::string> symbols = MethodCode(cls, "f").SymbolListing();
  EXPECT_EQ(symbols[0], "op=Op_Push ,addr=0 ,info=$g");
  EXPECT_EQ(symbols[1], "op=Op_Push ,addr=16 ,info=$g");
  EXPECT_EQ(symbols.size(), 2u);
}

TEST_F(CodegenTest, PositionMarksMapCodeBackToStatements) {
  TRTTI* cls = MustCompile("T", "function f() { g(); }\r\nfunction g() { }\r\nx = 1;\r\ny = 2;\r\n");
  const TCompiledInfo& code = *cls->ClassCode;
  ASSERT_EQ(code.symbols.points.size(), 2u);
  EXPECT_EQ(code.symbols.points[0], std::make_pair(std::string("46"), 0));
  EXPECT_EQ(code.symbols.points[1], std::make_pair(std::string("54"), 32));
  EXPECT_EQ(code.PositionOf(0), "none");
  EXPECT_EQ(code.PositionOf(32), "t.T,46");
  EXPECT_EQ(code.PositionOf(36), "t.T,54");
  // A call marks its own address with the statement's position.
  const TCompiledInfo& f = MethodCode(cls, "f");
  ASSERT_EQ(f.symbols.points.size(), 2u);
  EXPECT_EQ(f.symbols.points[1], std::make_pair(std::string("18"), 4));
  // No statements, no points.
  EXPECT_TRUE(MethodCode(cls, "g").symbols.points.empty());
  EXPECT_EQ(MethodCode(cls, "g").PositionOf(4), "none");
}

TEST_F(CodegenTest, CommentsAndEmptySourcesCompile) {
  TRTTI* comments = MustCompile("C", "// only a comment\r\n/* and\r\n another */\r\n");
  EXPECT_EQ(Ops(*comments->ClassCode), "Push 0");
  EXPECT_EQ(comments->Parent, nullptr);
  TRTTI* extendsOnly = MustCompile("E", "extends Object;");
  EXPECT_EQ(extendsOnly->Parent, objectClass);
  EXPECT_EQ(extendsOnly->Methods.size(), objectClass->Methods.size());
}

TEST_F(CodegenTest, ADuplicateDeclarationReplacesTheFirst) {
  const long before = VM().stats.liveFunctions;
  TRTTI* cls = MustCompile("T", "function f(a) { return 1; }\r\nfunction f(b, c) { return 2; }\r\n");
  EXPECT_EQ(VM().stats.liveFunctions, before + 1);
  auto* f = static_cast<TNormalFunction*>(cls->FindMethodByName("f"));
  EXPECT_EQ(f->Params, (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(Ops(*f->Code), "Push 2; Ret; PushThis; Ret");
}

}  // namespace ruvel::test
