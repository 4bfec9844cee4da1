// Number natives: the random sequence, degree tables, angle, rounding,
// parsing and the argument-count rule.
#include <cmath>

#include "natives_fixture.h"

#include "platform/error.h"
#include "natives/natives_core.h"

namespace ruvel::test {

class MathNativesTest : public NativesTest {
 protected:
  const Value kNone = MakeInt(-99);
  float F(NativeHandler h, std::initializer_list<Value> args) {
    Value r = Call(h, kNone, args);
    EXPECT_EQ(r.tag, kFloat);
    return r.f;
  }
  int32_t I(NativeHandler h, std::initializer_list<Value> args) {
    Value r = Call(h, kNone, args);
    EXPECT_EQ(r.tag, kInt);
    return r.i;
  }
};

TEST_F(MathNativesTest, RandomSequencesFollowTheGeneratorBitForBit) {
  // State after each step from the initial 0x075BD924.
  const uint32_t fromStart[] = {166620180, 586179908, 32842676, 1063758436, 80973908};
  for (uint32_t expected : fromStart) EXPECT_EQ(Random().Next(), expected);

  Call(NativeRandomize, kNone, {MakeInt(12345)});
  const int32_t hundred[] = {10, 93, 9, 89, 48, 87, 19, 65};
  for (int32_t expected : hundred) EXPECT_EQ(I(NativeRnd, {MakeInt(100)}), expected);

  // Only the low 24 bits of the seed count.
  Call(NativeRandomize, kNone, {MakeInt(-1)});
  EXPECT_EQ(Random().State(), 0x07a426dbu);
  EXPECT_FLOAT_EQ(F(NativeRnd, {}), 0.5962231298908591f);
  EXPECT_FLOAT_EQ(F(NativeRnd, {}), 0.5142021058127284f);
  Call(NativeRandomize, kNone, {MakeInt(0x1000000 - 1)});
  EXPECT_EQ(Random().State(), 0x07a426dbu);
}

TEST_F(MathNativesTest, RandomRanges) {
  bool seen[3] = {false, false, false};
  for (int k = 0; k < 300; ++k) {
    int32_t q = I(NativeRnd, {MakeInt(3)});
    ASSERT_TRUE(q >= 0 && q < 3) << q;
    seen[q] = true;
  }
  EXPECT_TRUE(seen[0] && seen[1] && seen[2]);
  EXPECT_EQ(I(NativeRnd, {MakeInt(0)}), 0);
  EXPECT_EQ(I(NativeRnd, {MakeInt(-4)}), 0);
  EXPECT_EQ(I(NativeRnd, {MakeInt(1)}), 0);
  // A float bound is taken as an integer.
  for (int k = 0; k < 50; ++k) EXPECT_LT(I(NativeRnd, {MakeFloat(2.9f)}), 2);
  // Bounds above 2^30 would divide by zero: every state is returned as is.
  for (int k = 0; k < 20; ++k) {
    int32_t q = I(NativeRnd, {MakeInt(0x7fffffff)});
    EXPECT_GE(q, 0);
    EXPECT_EQ(static_cast<uint32_t>(q), Random().State());
  }
  for (int k = 0; k < 1000; ++k) {
    float f = F(NativeRnd, {});
    ASSERT_TRUE(f >= 0.0f && f < 1.0f);
  }
}

TEST_F(MathNativesTest, DegreeTables) {
  EXPECT_EQ(F(NativeSin, {MakeInt(90)}), 1.0f);
  EXPECT_EQ(F(NativeSin, {MakeInt(-90)}), F(NativeSin, {MakeInt(270)}));
  EXPECT_EQ(F(NativeCos, {MakeInt(720)}), F(NativeCos, {MakeInt(0)}));
  EXPECT_EQ(F(NativeCos, {MakeInt(-360)}), 1.0f);
  EXPECT_NEAR(F(NativeSin, {MakeInt(30)}), 0.5f, 1e-6);
  // Whole degrees: 30.9 is read as 30.
  EXPECT_EQ(F(NativeSin, {MakeFloat(30.9f)}), F(NativeSin, {MakeInt(30)}));
  EXPECT_EQ(F(NativeCos, {MakeInt(-2147483647 - 1)}), F(NativeCos, {MakeInt(232)}));
  // A float that is no integer is logged with "!!" and leaves no result.
  Value r = Call(NativeSin, kNone, {MakeFloat(NAN)});
  EXPECT_EQ(r.i, -99);
  ASSERT_FALSE(sink.logged.empty());
  EXPECT_EQ(sink.logged.back().substr(0, 2), "!!");
}

TEST_F(MathNativesTest, AngleIsPiecewiseLinear) {
  auto angle = [&](float x, float y) { return F(NativeAngle, {MakeFloat(x), MakeFloat(y)}); };
  EXPECT_EQ(angle(1, 1), 45.0f);
  EXPECT_EQ(angle(0, 1), 90.0f);
  EXPECT_EQ(angle(-1, 0), 180.0f);
  EXPECT_EQ(angle(1, -1), -45.0f);
  EXPECT_EQ(angle(-1, -1), -135.0f);
  EXPECT_EQ(angle(0, 0), 0.0f);
  EXPECT_EQ(angle(2, 1), 22.5f);
  EXPECT_EQ(angle(1, 2), 67.5f);
  EXPECT_EQ(angle(-2, 1), 157.5f);
  EXPECT_EQ(F(NativeAngle, {MakeInt(3), MakeInt(0)}), 0.0f);
  EXPECT_EQ(Call(NativeAngle, kNone, {MakeInt(1)}).i, -99);
}

TEST_F(MathNativesTest, RoundingRootsAndDistances) {
  EXPECT_EQ(F(NativeFloor, {MakeFloat(-1.5f)}), -2.0f);
  EXPECT_EQ(F(NativeFloor, {MakeFloat(-2.0f)}), -2.0f);
  EXPECT_EQ(F(NativeFloor, {MakeFloat(2.7f)}), 2.0f);
  EXPECT_EQ(F(NativeFloor, {MakeInt(5)}), 5.0f);
  EXPECT_EQ(F(NativeFloor, {MakeFloat(-0.25f)}), -1.0f);
  EXPECT_EQ(I(NativeTrunc, {MakeFloat(-1.7f)}), -1);
  EXPECT_EQ(I(NativeTrunc, {MakeInt(16777217)}), 16777216);
  EXPECT_EQ(F(NativeSqrt, {MakeInt(9)}), 3.0f);
  EXPECT_EQ(Call(NativeSqrt, kNone, {MakeInt(-1)}).tag, kNull);
  EXPECT_EQ(F(NativeDist, {MakeInt(3), MakeInt(-4)}), 5.0f);
  // Text and null read as 0.
  EXPECT_EQ(F(NativeDist, {Str("abc"), MakeNull()}), 0.0f);
  EXPECT_THROW(Call(NativeTrunc, kNone, {MakeFloat(1e20f)}), EVMError);
}

TEST_F(MathNativesTest, ValueOfParsesNumbersOnly) {
  Value half = Call(NativeValueOf, kNone, {Str(".5")});
  EXPECT_EQ(half.tag, kFloat);
  EXPECT_EQ(half.f, 0.5f);
  EXPECT_EQ(I(NativeValueOf, {Str("-3")}), -3);
  EXPECT_EQ(F(NativeValueOf, {Str("-12.25")}), -12.25f);
  for (const char* text : {"1e3", "12.", "-", "", " 1", "1 ", "0x10", "--1", "99999999999"}) {
    EXPECT_EQ(Call(NativeValueOf, kNone, {Str(text)}).tag, kNull) << text;
  }
  // Any value is read through its text.
  EXPECT_EQ(I(NativeValueOf, {MakeInt(42)}), 42);
  EXPECT_EQ(Call(NativeValueOf, kNone, {MakeNull()}).tag, kNull);
}

TEST_F(MathNativesTest, MissingArgumentsLeaveTheReceiver) {
  for (NativeHandler h : {NativeSin, NativeCos, NativeDist, NativeTrunc, NativeFloor, NativeSqrt, NativeValueOf,
                          NativeRandomize, NativeIsInt, NativeIsFloat, NativeGetGlobal, NativeTObject}) {
    EXPECT_EQ(Call(h, kNone, {}).i, -99);
  }
  uint32_t state = Random().State();
  Call(NativeRandomize, kNone, {});
  EXPECT_EQ(Random().State(), state);
}

}  // namespace ruvel::test
