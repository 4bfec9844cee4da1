// Arithmetic, comparison and conversion rules of the interpreter.
#include "vm_fixture.h"

#include "platform/cp932.h"
#include "vm/arith.h"

namespace ruvel::test {

class ArithmeticTest : public VMTest {
 protected:
  // Runs "push a; push b; op; ret".
  Value Binary(std::function<void(CodeBuilder&)> a, std::function<void(CodeBuilder&)> b, uint32_t op) {
    CodeBuilder c;
    a(c);
    b(c);
    c.Op(op).Op(Op_Ret);
    return RunCode(c);
  }
  static std::function<void(CodeBuilder&)> I(int32_t i) { return [i](CodeBuilder& c) { c.PushInt(i); }; }
  static std::function<void(CodeBuilder&)> F(float f) { return [f](CodeBuilder& c) { c.PushFloat(f); }; }
  static std::function<void(CodeBuilder&)> S(std::string s) { return [s](CodeBuilder& c) { c.PushString(s); }; }
  static std::function<void(CodeBuilder&)> N() { return [](CodeBuilder& c) { c.PushNull(); }; }
  std::string Text(const Value& v) { return ValueToText(v); }
};

TEST_F(ArithmeticTest, DivisionAndRemainderFollowTheLanguageRules) {
  Value v = Binary(I(7), I(2), Op_Div);
  EXPECT_EQ(v.tag, kFloat);
  EXPECT_FLOAT_EQ(v.f, 3.5f);
  v = Binary(I(6), I(3), Op_Div);
  EXPECT_EQ(v.tag, kInt);
  EXPECT_EQ(v.i, 2);
  EXPECT_EQ(Binary(I(7), I(2), Op_Mod).i, 1);
  EXPECT_EQ(Binary(I(-7), I(2), Op_Mod).i, -1);
  v = Binary(F(7.5f), I(2), Op_Mod);
  EXPECT_EQ(v.tag, kInt);
  EXPECT_EQ(v.i, 1);
  v = Binary(I(7), F(2.9f), Op_Mod);  // 7 mod trunc(2.9)
  EXPECT_EQ(v.tag, kInt);
  EXPECT_EQ(v.i, 1);
  // INT_MIN / -1 wraps instead of trapping.
  v = Binary(I(INT32_MIN), I(-1), Op_Div);
  EXPECT_EQ(v.tag, kInt);
  EXPECT_EQ(v.i, INT32_MIN);
  EXPECT_EQ(Binary(I(INT32_MIN), I(-1), Op_Mod).i, 0);
}

TEST_F(ArithmeticTest, IntegersWrapAroundAt32Bits) {
  EXPECT_EQ(Binary(I(INT32_MAX), I(1), Op_Add).i, INT32_MIN);
  EXPECT_EQ(Binary(I(INT32_MIN), I(1), Op_Sub).i, INT32_MAX);
  EXPECT_EQ(Binary(I(65536), I(65536), Op_Mul).i, 0);
  CodeBuilder c;
  c.PushInt(INT32_MIN).Op(Op_Neg).Op(Op_Ret);
  EXPECT_EQ(RunCode(c).i, INT32_MIN);
}

TEST_F(ArithmeticTest, MixedAndStringOperands) {
  EXPECT_EQ(Text(Binary(S("a"), I(1), Op_Add)), "a1");
  EXPECT_EQ(Text(Binary(I(1), S("a"), Op_Add)), "1a");
  EXPECT_EQ(Text(Binary(N(), I(5), Op_Add)), "5");
  EXPECT_EQ(Text(Binary(N(), I(5), Op_Sub)), "-5");
  EXPECT_EQ(Text(Binary(S("s"), N(), Op_Add)), "s");
  EXPECT_EQ(Text(Binary(F(0.5f), I(1), Op_Add)), "1.5");
  Value v = Binary(I(1), F(0.5f), Op_Mul);
  EXPECT_EQ(v.tag, kFloat);
  // Sub, Mul, Div with a string on the right leave the left unchanged.
  EXPECT_EQ(Text(Binary(I(9), S("x"), Op_Sub)), "9");
  EXPECT_EQ(Text(Binary(S("x"), I(2), Op_Mul)), "x");
  // The released string did not go negative or leak into the result.
  EXPECT_TRUE(sink.shown.empty());
}

TEST_F(ArithmeticTest, ComparisonsLeaveFloats) {
  Value v = Binary(I(1), I(2), Op_LT);
  EXPECT_EQ(v.tag, kFloat);
  EXPECT_EQ(v.f, 1.0f);
  EXPECT_EQ(Binary(S("b"), S("a"), Op_GT).f, 1.0f);
  EXPECT_EQ(Binary(S("a"), S("b"), Op_GT).f, 1.0f);
  EXPECT_EQ(Binary(S("a"), S("a"), Op_EQ).f, 1.0f);
  EXPECT_EQ(Binary(S("1"), I(1), Op_EQ).f, 1.0f);
  EXPECT_EQ(Binary(I(1), S("1"), Op_EQ).f, 0.0f);
  EXPECT_EQ(Binary(N(), N(), Op_EQ).f, 1.0f);
  EXPECT_EQ(Binary(N(), I(0), Op_EQ).f, 0.0f);
  EXPECT_EQ(Binary(I(2), F(2.0f), Op_GTE).f, 1.0f);
  EXPECT_EQ(Binary(F(1.5f), I(2), Op_LTE).f, 1.0f);
  EXPECT_EQ(Binary(I(3), I(3), Op_NEQ).f, 0.0f);
}

// Integer pairs compare as integers: neither a wrapped difference nor one
// rounded to a float may decide the order.
TEST_F(ArithmeticTest, IntegerComparisonsDoNotWrapOrRound) {
  struct Case {
    int32_t a, b;
    uint32_t op;
    float want;
  };
  const Case cases[] = {
      {INT32_MAX, -1, Op_GT, 1.0f},          {2000000000, -2000000000, Op_GT, 1.0f},
      {-2000000000, 2000000000, Op_LT, 1.0f}, {INT32_MIN, INT32_MAX, Op_LTE, 1.0f},
      {INT32_MIN, INT32_MAX, Op_GTE, 0.0f},   {INT32_MAX, INT32_MIN, Op_EQ, 0.0f},
      {16777217, 16777216, Op_NEQ, 1.0f},     {16777217, 16777216, Op_EQ, 0.0f},
      {16777217, 16777216, Op_GT, 1.0f},      {-5, -5, Op_GTE, 1.0f},
  };
  for (const Case& c : cases) {
    Value v = Binary(I(c.a), I(c.b), c.op);
    EXPECT_EQ(v.tag, kFloat);
    EXPECT_EQ(v.f, c.want) << c.a << " " << OpcodeName(c.op) << " " << c.b;
  }
  // The host comparison used by arrays and hash tables agrees in sign.
  EXPECT_GT(ValueCompare(MakeInt(INT32_MAX), MakeInt(-1)), 0.0f);
  EXPECT_LT(ValueCompare(MakeInt(-2000000000), MakeInt(2000000000)), 0.0f);
  EXPECT_NE(ValueCompare(MakeInt(16777217), MakeInt(16777216)), 0.0f);
  EXPECT_EQ(ValueCompare(MakeInt(7), MakeInt(7)), 0.0f);
}

TEST_F(ArithmeticTest, NotAndTruth) {
  CodeBuilder c;
  c.PushInt(0).Op(Op_Not).Op(Op_Ret);
  Value v = RunCode(c);
  EXPECT_EQ(v.tag, kInt);
  EXPECT_EQ(v.i, 1);
  CodeBuilder d;
  d.PushString("x").Op(Op_Not).Op(Op_Ret);
  EXPECT_EQ(RunCode(d).i, 0);
  EXPECT_FALSE(ValueIsTrue(MakeFloat(std::nanf(""))));
  EXPECT_FALSE(ValueIsTrue(MakeUninit(0)));
  EXPECT_TRUE(ValueIsTrue(MakeFloat(-0.5f)));
}

TEST_F(ArithmeticTest, FloatFaultsEndTheProcessWithTheirMessages) {
  struct Case {
    std::function<void(CodeBuilder&)> a, b;
    uint32_t op;
    const char* message;
  } cases[] = {
      {F(1.0f), F(0.0f), Op_Div, "0 による浮動小数点数除算"},
      {I(1), I(0), Op_Div, "ゼロによる除算"},
      {I(1), I(0), Op_Mod, "ゼロによる除算"},
      {F(3e38f), F(3e38f), Op_Add, "浮動小数点数のオーバーフロー"},
      {F(3e38f), F(10.0f), Op_Mul, "浮動小数点数のオーバーフロー"},
      {F(0.0f), F(0.0f), Op_Div, "不正な浮動小数点数演算命令"},
      {F(3e9f), I(2), Op_Mod, "不正な浮動小数点数演算命令"},
  };
  for (auto& k : cases) {
    sink.shown.clear();
    TProcess* p = nullptr;
    CodeBuilder c;
    k.a(c);
    k.b(c);
    c.Op(k.op).Op(Op_Ret);
    RunCode(c, 0, &p);
    ASSERT_EQ(sink.shown.size(), 1u) << k.message;
    EXPECT_EQ(sink.shown[0].substr(0, Utf8ToCp932(k.message).size()), Utf8ToCp932(k.message));
    EXPECT_EQ(p->state, 2);
    EXPECT_TRUE(p->halted);
    EXPECT_TRUE(p->released);
  }
  // Underflow is quiet.
  EXPECT_EQ(Binary(F(1e-30f), F(1e-30f), Op_Mul).f, 0.0f);
}

TEST_F(ArithmeticTest, AddSubstAndSubSubstOnVariables) {
  // local0 = 5; local0 += 2.5; local0 -= "x" (ignored); return local0
  CodeBuilder c;
  c.Op(Op_LocalValPtr, {0}).PushInt(5).Op(Op_Subst).Op(Op_Pop);
  c.Op(Op_LocalValPtr, {0}).PushFloat(2.5f).Op(Op_AddSubst).Op(Op_Pop);
  c.Op(Op_LocalValPtr, {0}).PushString("x").Op(Op_SubSubst).Op(Op_Pop);
  c.Op(Op_LocalValPtr_Deref, {0, 0}).Op(Op_Ret);
  TRTTI* cls = MakeClass("Acc", {}, objectClass);
  AddFunction(cls, FunctionKind::kNormal, "run", c, {}, {"a"});
  Instance* inst = cls->CreateInstance();
  TProcess* p = TProcess::Create(inst, nullptr, "run");
  processes.push_back(p);
  ruvel::Run(p, 0);
  ASSERT_NE(p->result, nullptr);
  EXPECT_EQ(p->result->tag, kFloat);
  EXPECT_FLOAT_EQ(p->result->f, 7.5f);
  // A variable that is null takes the right operand, not negated.
  CodeBuilder d;
  d.Op(Op_LocalValPtr, {0}).PushInt(4).Op(Op_SubSubst).Op(Op_Pop);
  d.Op(Op_LocalValPtr_Deref, {0, 0}).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kNormal, "run2", d, {}, {"a"});
  TProcess* q = TProcess::Create(inst, nullptr, "run2");
  processes.push_back(q);
  ruvel::Run(q, 0);
  EXPECT_EQ(q->result->i, 4);
}

TEST(ValueText, FormsOfEveryTag) {
  EXPECT_EQ(ValueToText(MakeFloat(0.5f)), "0.5");
  EXPECT_EQ(ValueToText(MakeFloat(0.1f)), "0.100000001490116");
  EXPECT_EQ(ValueToText(MakeFloat(1e20f)), "1.00000002004088E20");
  EXPECT_EQ(ValueToText(MakeFloat(3.0f)), "3");
  EXPECT_EQ(ValueToText(MakeInt(-3)), "-3");
  EXPECT_EQ(ValueToText(MakeNull()), "null");
  EXPECT_EQ(ValueToText(MakeError(5)), "Error #5");
  EXPECT_EQ(ValueToText(MakeUninit(Intern("score"))), Utf8ToCp932("変数score"));
  Value target = MakeInt(4);
  EXPECT_EQ(ValueToText(MakeRef(&target)), "[4]");
  EXPECT_EQ(ValueToLiteral(MakeUninit(0)), "");
  EXPECT_EQ(ValueToLiteral(MakeInt(12)), "12");
  EXPECT_EQ(ValueToInt(MakeFloat(-2.7f)), -2);
  EXPECT_EQ(ValueToInt(MakeUninit(0)), 0);
  EXPECT_EQ(ValueCompare(MakeNull(), MakeUninit(1)), 0.0f);
}

}  // namespace ruvel::test
