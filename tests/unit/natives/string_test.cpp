// String natives on byte and two-byte (CP932) text, bodies and splitting.
#include "natives_fixture.h"

#include "platform/cp932.h"
#include "natives/natives_core.h"
#include "vm/tfstring.h"
#include "vm/value_list.h"

namespace ruvel::test {

class StringNativesTest : public NativesTest {
 protected:
  std::string Sub(NativeHandler h, const std::string& text, std::initializer_list<Value> args) {
    Value r = Call(h, Str(text), args);
    EXPECT_TRUE(r.tag == kObject && IsStringObject(r.obj));
    return ValueToText(r);
  }
  // The texts of an array's cells.
  std::vector<std::string> Cells(const Value& array) {
    std::vector<std::string> out;
    if (array.tag != kObject || !array.obj) return out;
    auto* list = dynamic_cast<TValueList*>(array.obj->members()[VM().arrayXIndex].host);
    if (!list) return out;
    for (const Value& v : list->cells) out.push_back(ValueToText(v));
    return out;
  }
  void FreeArray(const Value& array) { delete dynamic_cast<TValueList*>(array.obj->members()[0].host); }
  std::vector<std::string> Split(const std::string& text, std::initializer_list<Value> args) {
    Value r = Call(NativeSplit, Str(text), args);
    std::vector<std::string> cells = Cells(r);
    EXPECT_TRUE(r.tag == kObject && r.obj->cls == arrayClass);
    if (r.tag == kObject) FreeArray(r);
    return cells;
  }
  const std::string kAiu = Utf8ToCp932("あいう");  // three two-byte characters
};

TEST_F(StringNativesTest, ByteSubstrings) {
  EXPECT_EQ(Sub(NativeSubstring, "abcdef", {MakeInt(0), MakeInt(3)}), "abc");
  EXPECT_EQ(Sub(NativeSubstring, "abcdef", {MakeInt(-2), MakeInt(3)}), "abcde");
  EXPECT_EQ(Sub(NativeSubstring, "abcdef", {MakeInt(4)}), "ef");
  EXPECT_EQ(Sub(NativeSubstring, "abcdef", {MakeInt(-3)}), "abcdef");
  EXPECT_EQ(Sub(NativeSubstring, "abcdef", {MakeInt(6)}), "");
  EXPECT_EQ(Sub(NativeSubstring, "abcdef", {MakeInt(3), MakeInt(2)}), "");
  EXPECT_EQ(Sub(NativeSubstring, "abcdef", {MakeInt(2), MakeInt(100)}), "cdef");
  EXPECT_EQ(Sub(NativeSubstring, "abcdef", {MakeInt(-2147483647 - 1), MakeInt(2147483647)}), "abcdef");
  EXPECT_EQ(Sub(NativeSubstring, "abcdef", {MakeFloat(1.9f), Str("4")}), "");  // an object reads as 1
  // Bytes split a two-byte character.
  EXPECT_EQ(Sub(NativeSubstring, kAiu, {MakeInt(1), MakeInt(3)}), kAiu.substr(1, 2));
}

TEST_F(StringNativesTest, CharacterSubstringsAndLengths) {
  EXPECT_EQ(Sub(NativeWSubstring, kAiu, {MakeInt(1), MakeInt(2)}), Utf8ToCp932("い"));
  EXPECT_EQ(Sub(NativeWSubstring, kAiu, {MakeInt(1)}), Utf8ToCp932("いう"));
  EXPECT_EQ(Sub(NativeWSubstring, kAiu, {MakeInt(-1), MakeInt(1)}), Utf8ToCp932("あい"));
  EXPECT_EQ(Sub(NativeWSubstring, kAiu, {MakeInt(3)}), "");
  EXPECT_EQ(Call(NativeStringLength, Str(kAiu)).i, 6);
  EXPECT_EQ(Call(NativeWLength, Str(kAiu)).i, 3);
  // One double-byte character and one half-width katakana byte.
  std::string mixed = Utf8ToCp932("あｱ");
  ASSERT_EQ(mixed.size(), 3u);
  EXPECT_EQ(Call(NativeWLength, Str(mixed)).i, 2);
  EXPECT_EQ(Sub(NativeWSubstring, mixed, {MakeInt(1)}), Utf8ToCp932("ｱ"));
  // 0x80 and 0xFD-0xFF also start two-byte characters; a lead byte at the
  // end counts as a character of its own.
  std::string odd = std::string("a\x80xb\xff", 5);
  EXPECT_EQ(Call(NativeWLength, Str(odd)).i, 4);
  EXPECT_EQ(Sub(NativeWSubstring, odd, {MakeInt(3)}), "\xff");
  EXPECT_EQ(Sub(NativeWSubstring, odd, {MakeInt(1), MakeInt(2)}), "\x80x");
  EXPECT_EQ(Call(NativeWLength, Str("")).i, 0);
}

TEST_F(StringNativesTest, CharCodesConcatenationAndInit) {
  EXPECT_EQ(Call(NativeCharAt, Str(kAiu), {MakeInt(0)}).i, 0x82);
  EXPECT_EQ(Call(NativeCharAt, Str("abc"), {MakeInt(2)}).i, 'c');
  // Outside the text nothing is returned: the receiver stays.
  EXPECT_EQ(ValueToText(Call(NativeCharAt, Str("abc"), {MakeInt(3)})), "abc");
  EXPECT_EQ(ValueToText(Call(NativeCharAt, Str("abc"), {MakeInt(-1)})), "abc");
  EXPECT_EQ(ValueToText(Call(NativeStringCat, Str("ab"), {MakeInt(1)})), "ab1");
  EXPECT_EQ(ValueToText(Call(NativeStringCat, Str("ab"), {MakeNull()})), "abnull");
  Value s = MakeObject(stringClass->CreateInstance());
  Retain(s);
  held.push_back(s);
  Value r = Call(NativeStringInit, s, {MakeInt(0x141)});
  EXPECT_EQ(r.obj, s.obj);
  EXPECT_EQ(ValueToText(s), "A");
}

TEST_F(StringNativesTest, FreeBodyFreesOnlyTheOwnBodyOnce) {
  Value s = Str("text");
  Value body = s.obj->members()[0];
  long strings = VM().stats.liveTfStrings;
  Call(NativeStringFreeBody, s, {body});
  EXPECT_EQ(VM().stats.liveTfStrings, strings - 1);
  EXPECT_EQ(s.obj->members()[0].tag, kNull);
  EXPECT_EQ(ValueToText(s), "");
  // The kept host value is stale now: a second call does nothing.
  Call(NativeStringFreeBody, s, {body});
  EXPECT_EQ(VM().stats.liveTfStrings, strings - 1);
  // Another string's body is not freed through this receiver.
  Value t = Str("other");
  Call(NativeStringFreeBody, Str("x"), {t.obj->members()[0]});
  EXPECT_EQ(ValueToText(t), "other");
  Call(NativeStringFreeBody, Str("x"), {MakeInt(1)});
}

TEST_F(StringNativesTest, SplitThroughTheRegularExpressionWrapper) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Split("a,b,,c", {}), (V{"a", "b", "", "c"}));
  EXPECT_EQ(Split("a,b,,c", {MakeNull()}), (V{"a", "b", "", "c"}));
  EXPECT_EQ(Split("a,b,,c", {Str("")}), (V{"a", "b", "", "c"}));
  EXPECT_EQ(Split("a,b,,c", {Str(","), MakeInt(2)}), (V{"a", "b,,c"}));
  // Only the first non-word character is escaped: "." is literal.
  EXPECT_EQ(Split("1.2.3", {Str(".")}), (V{"1", "2", "3"}));
  EXPECT_EQ(Split("x--y", {Str("--")}), (V{"x", "y"}));
  EXPECT_EQ(Split("oneANDtwo", {Str("AND")}), (V{"one", "two"}));
  EXPECT_EQ(Split(Utf8ToCp932("春、夏、秋"), {Str(Utf8ToCp932("、"))}),
            (V{Utf8ToCp932("春"), Utf8ToCp932("夏"), Utf8ToCp932("秋")}));
  EXPECT_EQ(Split("", {}), V{});
  EXPECT_EQ(Split("a,b,,", {}), (V{"a", "b"}));
}

TEST_F(StringNativesTest, SplitHandsTheListToTheArrayClassWhenSnippetsRun) {
  TGlobalValue* g1 = AddGlobal("$_1");
  TGlobalValue* g2 = AddGlobal("$_2");
  std::string seen;
  // Stands in for the compiler: builds the array as the snippet would.
  VM().evaluateSnippet = [&](const std::string& statements) {
    seen = statements;
    Instance* arr = arrayClass->CreateInstance();
    arr->members()[0] = g1->value;
    ValueAssign(g2->value, MakeObject(arr));
    return 0;
  };
  Value r = Call(NativeSplit, Str("p q"), {Str(" ")});
  VM().evaluateSnippet = nullptr;
  EXPECT_EQ(seen, "$_2=new Array();$_2._setBody($_1);");
  EXPECT_EQ(r.obj, g2->value.obj);
  EXPECT_EQ(Cells(r), (std::vector<std::string>{"p", "q"}));
  FreeArray(r);
  // An evaluator that cannot compile leaves the direct way.
  VM().evaluateSnippet = [](const std::string&) { return 1; };
  Value d = Call(NativeSplit, Str("1,2"));
  VM().evaluateSnippet = nullptr;
  EXPECT_EQ(Cells(d), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(g1->value.tag, kNull);
  FreeArray(d);
}

TEST_F(StringNativesTest, NonStringReceiversReadThroughTheirText) {
  EXPECT_EQ(Call(NativeStringLength, MakeInt(1234)).i, 4);
  EXPECT_EQ(Call(NativeWLength, MakeNull()).i, 4);  // "null"
  // A string whose body was never set is empty.
  Instance* bare = stringClass->CreateInstance();
  Value v = MakeObject(bare);
  Retain(v);
  held.push_back(v);
  EXPECT_EQ(Call(NativeStringLength, v).i, 0);
  // init on something without a body does nothing.
  EXPECT_EQ(Call(NativeStringInit, MakeInt(3), {MakeInt(65)}).i, 3);
  for (NativeHandler h : {NativeSubstring, NativeWSubstring, NativeCharAt, NativeStringCat, NativeStringInit,
                          NativeStringFreeBody}) {
    EXPECT_EQ(ValueToText(Call(h, Str("keep"), {})), "keep");
  }
}

}  // namespace ruvel::test
