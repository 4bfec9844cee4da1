// Array natives on the host list: cells, counts, index errors, equality
// versus identity search, packing and use after free.
#include "natives_fixture.h"

#include "platform/cp932.h"
#include "platform/error.h"
#include "natives/natives_core.h"
#include "vm/value_list.h"

namespace ruvel::test {

class ArrayNativesTest : public NativesTest {
 protected:
  const Value kNone = MakeInt(-99);
  void SetUp() override {
    NativesTest::SetUp();
    list = Call(NativeArrayInit, kNone);
  }
  void TearDown() override {
    Call(NativeArrayFree, kNone, {list});
    NativesTest::TearDown();
  }
  TValueList* L() { return dynamic_cast<TValueList*>(list.host); }
  Value list;
};

TEST_F(ArrayNativesTest, CellsAreCountedReferences) {
  ASSERT_EQ(list.tag, kHost);
  ASSERT_NE(L(), nullptr);
  Value s = Str("x");
  long cells = VM().stats.liveValueCells;
  Call(NativeArrayAdd, kNone, {list, s});
  Call(NativeArrayAdd, kNone, {list, MakeInt(2)});
  Call(NativeArrayInsert, kNone, {list, MakeInt(0), MakeFloat(0.5f)});
  Call(NativeArrayInsert, kNone, {list, MakeInt(3), MakeNull()});  // at the end
  EXPECT_EQ(VM().stats.liveValueCells, cells + 4);
  EXPECT_EQ(s.obj->refcount, 2);
  Value size = Call(NativeArraySize, kNone, {list});
  EXPECT_EQ(size.tag, kFloat);
  EXPECT_EQ(size.f, 4.0f);
  EXPECT_EQ(Call(NativeArrayGet, kNone, {list, MakeInt(0)}).f, 0.5f);
  EXPECT_EQ(Call(NativeArrayGet, kNone, {list, MakeInt(1)}).obj, s.obj);
  EXPECT_EQ(s.obj->refcount, 3);  // the result slot holds one more

  Call(NativeArraySet, kNone, {list, MakeInt(1), MakeInt(9)});
  EXPECT_EQ(s.obj->refcount, 2);
  Call(NativeArraySet, kNone, {list, MakeInt(2), s});
  Value removed = Call(NativeArrayDelete, kNone, {list, MakeInt(2)});
  EXPECT_EQ(removed.obj, s.obj);
  EXPECT_EQ(s.obj->refcount, 3);  // s, the get result, the delete result
  EXPECT_EQ(VM().stats.liveValueCells, cells + 3);
  EXPECT_EQ(Call(NativeArraySize, kNone, {list}).f, 3.0f);
}

TEST_F(ArrayNativesTest, PositionsOutsideTheListRaiseTheIndexError) {
  Call(NativeArrayAdd, kNone, {list, MakeInt(1)});
  struct Case {
    NativeHandler h;
    std::vector<Value> args;
  };
  auto expectError = [&](NativeHandler h, std::initializer_list<Value> args, int32_t index) {
    try {
      Call(h, kNone, args);
      ADD_FAILURE() << "no error for " << index;
    } catch (const EVMError& e) {
      EXPECT_EQ(e.Message(), Utf8ToCp932("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")"));
    }
  };
  expectError(NativeArrayGet, {list, MakeInt(1)}, 1);
  expectError(NativeArrayGet, {list, MakeInt(-1)}, -1);
  expectError(NativeArraySet, {list, MakeInt(5), MakeInt(0)}, 5);
  expectError(NativeArrayDelete, {list, MakeInt(1)}, 1);
  expectError(NativeArrayInsert, {list, MakeInt(2), MakeInt(0)}, 2);
  expectError(NativeArrayInsert, {list, MakeInt(-1), MakeInt(0)}, -1);
  EXPECT_EQ(L()->cells.size(), 1u);
}

TEST_F(ArrayNativesTest, IndexOfComparesByValueLightIndexOfByIdentity) {
  Value one = Str("1");
  Call(NativeArrayAdd, kNone, {list, one});
  Call(NativeArrayAdd, kNone, {list, MakeInt(1)});
  Call(NativeArrayAdd, kNone, {list, MakeFloat(1.0f)});
  Value other = Str("1");  // equal text, another object
  auto find = [&](NativeHandler h, const Value& v) { return Call(h, kNone, {list, v}).i; };
  EXPECT_EQ(find(NativeArrayIndexOf, MakeInt(1)), 0);  // the string "1" equals 1
  EXPECT_EQ(find(NativeArrayLightIndexOf, MakeInt(1)), 1);
  EXPECT_EQ(find(NativeArrayIndexOf, MakeFloat(1.0f)), 0);
  EXPECT_EQ(find(NativeArrayLightIndexOf, MakeFloat(1.0f)), 2);
  EXPECT_EQ(find(NativeArrayIndexOf, other), 0);
  EXPECT_EQ(find(NativeArrayLightIndexOf, other), -1);
  EXPECT_EQ(find(NativeArrayLightIndexOf, one), 0);
  EXPECT_EQ(find(NativeArrayIndexOf, Str("2")), -1);
  EXPECT_EQ(find(NativeArrayLightIndexOf, MakeNull()), -1);
  // Null equals an unassigned value but is not identical to it.
  Call(NativeArrayAdd, kNone, {list, MakeUninit(Intern("zz"))});
  EXPECT_EQ(find(NativeArrayIndexOf, MakeNull()), 3);
  EXPECT_EQ(find(NativeArrayLightIndexOf, MakeNull()), -1);
}

TEST_F(ArrayNativesTest, PackRemovesEveryElementThatReadsAsZero) {
  Value s = Str("s");
  for (const Value& v : {MakeInt(1), MakeInt(0), MakeNull(), s, MakeFloat(0.5f), MakeInt(2), MakeError(3), s}) {
    Call(NativeArrayAdd, kNone, {list, v});
  }
  EXPECT_EQ(s.obj->refcount, 3);
  Call(NativeArrayPack, kNone, {list, MakeNull()});
  std::vector<std::string> texts;
  for (const Value& v : L()->cells) texts.push_back(ValueToText(v));
  EXPECT_EQ(texts, (std::vector<std::string>{"1", "s", "2", "s"}));
  EXPECT_EQ(s.obj->refcount, 3);
  Call(NativeArrayPack, kNone, {list});
  EXPECT_EQ(L()->cells.size(), 4u);
}

TEST_F(ArrayNativesTest, FreedListsAndWrongValuesAreIgnored) {
  Value other = Call(NativeArrayInit, kNone);
  Value s = Str("kept");
  Call(NativeArrayAdd, kNone, {other, s});
  long cells = VM().stats.liveValueCells;
  Call(NativeArrayFree, kNone, {other});
  EXPECT_EQ(s.obj->refcount, 1);
  EXPECT_EQ(VM().stats.liveValueCells, cells - 1);
  // Every native refuses the stale host value, and values of other kinds.
  for (const Value& bad : {other, MakeInt(4), MakeNull(), s, MakeHost(nullptr)}) {
    Call(NativeArrayAdd, kNone, {bad, MakeInt(1)});
    Call(NativeArrayInsert, kNone, {bad, MakeInt(0), MakeInt(1)});
    EXPECT_EQ(Call(NativeArrayGet, kNone, {bad, MakeInt(0)}).i, -99);
    Call(NativeArraySet, kNone, {bad, MakeInt(0), MakeInt(1)});
    EXPECT_EQ(Call(NativeArraySize, kNone, {bad}).i, -99);
    EXPECT_EQ(Call(NativeArrayDelete, kNone, {bad, MakeInt(0)}).i, -99);
    EXPECT_EQ(Call(NativeArrayIndexOf, kNone, {bad, MakeInt(0)}).i, -99);
    EXPECT_EQ(Call(NativeArrayLightIndexOf, kNone, {bad, MakeInt(0)}).i, -99);
    Call(NativeArrayPack, kNone, {bad});
    Call(NativeArrayFree, kNone, {bad});
  }
  // Too few arguments: nothing happens.
  Call(NativeArrayAdd, kNone, {list});
  Call(NativeArrayInsert, kNone, {list, MakeInt(0)});
  EXPECT_EQ(Call(NativeArrayGet, kNone, {list}).i, -99);
  EXPECT_EQ(L()->cells.size(), 0u);
}

}  // namespace ruvel::test
