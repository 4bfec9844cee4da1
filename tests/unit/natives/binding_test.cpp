// Binding the registration tables to declared natives, by dotted name and
// by short name through the alias table.
#include "natives_fixture.h"

#include <set>

#include "platform/cp932.h"
#include "runtime/alias.h"
#include "natives/native_table.h"
#include "natives/natives_core.h"

namespace ruvel::test {

class BindingTest : public NativesTest {};

TEST_F(BindingTest, DeclaredNativesGetTheirHandlers) {
  // Declare every core native except one, which reports its absence.
  for (const NativeEntry& e : CoreNatives()) {
    TRTTI* cls = Aliases().Get(e.className);
    ASSERT_NE(cls, nullptr) << e.className;
    if (std::string(e.name) != "rnd") AddNative(cls, e.name, nullptr);
  }
  BindNatives(CoreNatives());
  for (const NativeEntry& e : CoreNatives()) {
    TRTTI* cls = Aliases().Get(e.className);
    TFunction* f = cls->FindMethodByName(e.name);
    if (std::string(e.name) == "rnd") {
      EXPECT_EQ(f, nullptr);
      continue;
    }
    ASSERT_NE(f, nullptr) << e.name;
    EXPECT_EQ(static_cast<TNativeFunction*>(f)->Handler, e.handler) << e.className << "." << e.name;
  }
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0], Utf8ToCp932("クラスclasses.lang.Objectのnative関数rndは未定義です"));
}

TEST_F(BindingTest, ShortNamesResolveThroughAliasesAndMissingClassesAreReportedOnce) {
  auto* classes = new TResourceList();
  classes->name = "classes";
  root->AddChild(classes);
  auto* cls = new TRTTI("LightHashTable", "/virtual/LightHashTable.ruvel");
  cls->Compiled = true;
  classes->AddChild(cls);
  auto* f = new TNativeFunction(cls, Intern("_n_init"), nullptr);
  cls->AddMethod(f);
  BindNatives(HashTableNatives());
  EXPECT_NE(f->Handler, nullptr);
  // AbstractHashTable and HashTable are missing: one message each.
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[0], Utf8ToCp932("クラスAbstractHashTableが見つかりません"));
  EXPECT_EQ(sink.shown[1], Utf8ToCp932("クラスHashTableが見つかりません"));
}

TEST_F(BindingTest, TablesNameEachNativeOnce) {
  for (auto* table : {&CoreNatives(), &ProcessNatives(), &HashTableNatives(), &SystemNatives()}) {
    std::set<std::string> names;
    for (const NativeEntry& e : *table) {
      EXPECT_NE(e.handler, nullptr);
      EXPECT_TRUE(names.insert(std::string(e.className) + "." + e.name).second) << e.name;
    }
  }
  // Array natives come first, so the array's "_x" can be looked up right after them.
  EXPECT_STREQ(CoreNatives().front().className, "classes.lang.Array");
  EXPECT_STREQ(CoreNatives().back().className, "classes.lang.String");
}

}  // namespace ruvel::test
