// Hash tables: hashes, bucket order, value versus identity keys,
// replacement, removal, iteration and destruction.
#include "natives_fixture.h"

#include "natives/hashtable.h"
#include "natives/native_table.h"

namespace ruvel::test {

namespace {
NativeHandler Handler(const char* cls, const char* name) {
  for (const NativeEntry& e : HashTableNatives()) {
    if (std::string(e.className) == cls && std::string(e.name) == name) return e.handler;
  }
  return nullptr;
}
}  // namespace

class HashTableTest : public NativesTest {
 protected:
  const Value kNone = MakeInt(-99);
  Value New(bool light) { return Call(Handler(light ? "LightHashTable" : "HashTable", "_n_init"), kNone); }
  Value Op(const char* name, std::initializer_list<Value> args) {
    return Call(Handler("AbstractHashTable", name), kNone, args);
  }
  std::vector<std::string> Keys(const Value& t) {
    std::vector<std::string> keys;
    Op("_n_startFind", {t});
    for (int guard = 0; guard < 1000 && Op("_n_hasNext", {t}).i == 1; ++guard) keys.push_back(ValueToText(Op("_n_nextKey", {t})));
    return keys;
  }
};

TEST_F(HashTableTest, HashesFollowTheFormulas) {
  EXPECT_EQ(TAbstractHashtable::IdentityHash(MakeInt(5)), 445811726u);
  EXPECT_EQ(TAbstractHashtable::BucketOf(445811726u), 13);
  THashtable t;
  // Sums of bytes: texts with the same bytes in another order collide.
  EXPECT_EQ(t.Hash(Str("apple")), 629508154u);
  EXPECT_EQ(t.Hash(Str("ab")), 1011593759u);
  EXPECT_EQ(t.Hash(Str("ba")), 1011593759u);
  // A light table hashes a string object by its handle, not its text.
  TLightHashtable light;
  Value s = Str("ab");
  EXPECT_EQ(light.Hash(s), TAbstractHashtable::IdentityHash(s));
  EXPECT_EQ(light.Hash(MakeInt(5)), 445811726u);
}

TEST_F(HashTableTest, IterationVisitsBucketsInOrderThenInsertionOrder) {
  Value t = New(false);
  for (const char* k : {"apple", "banana", "cherry", "date", "egg", "fig", "grape", "ab", "ba"}) {
    Op("_n_put", {t, Str(k), MakeInt(1)});
  }
  EXPECT_EQ(Op("_n_size", {t}).i, 9);
  EXPECT_EQ(Keys(t), (std::vector<std::string>{"banana", "date", "cherry", "apple", "fig", "grape", "egg", "ab", "ba"}));
  // Replacing a value keeps the entry's place.
  Op("_n_put", {t, Str("banana"), MakeInt(2)});
  EXPECT_EQ(Op("_n_get", {t, Str("banana")}).i, 2);
  EXPECT_EQ(Keys(t).front(), "banana");
  EXPECT_EQ(Op("_n_size", {t}).i, 9);
  // After the end the cursor stands nowhere.
  EXPECT_EQ(Op("_n_hasNext", {t}).i, 0);
  EXPECT_EQ(Op("_n_nextKey", {t}).tag, kNull);
  Op("_n_destroy", {t});
}

TEST_F(HashTableTest, ValueKeysAndIdentityKeys) {
  Value h = New(false);
  Value l = New(true);
  Value s1 = Str("key");
  Value s2 = Str("key");
  for (const Value& t : {h, l}) {
    Op("_n_put", {t, s1, MakeInt(1)});
    Op("_n_put", {t, s2, MakeInt(2)});
    Op("_n_put", {t, MakeInt(1), Str("int")});
    Op("_n_put", {t, MakeFloat(1.0f), Str("float")});
  }
  EXPECT_EQ(Op("_n_size", {h}).i, 2);
  EXPECT_EQ(Op("_n_size", {l}).i, 4);
  EXPECT_EQ(Op("_n_get", {h, Str("key")}).i, 2);
  EXPECT_EQ(Op("_n_get", {l, Str("key")}).tag, kNull);
  EXPECT_EQ(Op("_n_get", {l, s1}).i, 1);
  EXPECT_EQ(ValueToText(Op("_n_get", {h, MakeInt(1)})), "float");
  EXPECT_EQ(ValueToText(Op("_n_get", {l, MakeInt(1)})), "int");
  EXPECT_EQ(ValueToText(Op("_n_get", {l, MakeFloat(1.0f)})), "float");
  EXPECT_EQ(Op("_n_get", {h, MakeFloat(2.5f)}).tag, kNull);
  Op("_n_destroy", {h});
  Op("_n_destroy", {l});
}

TEST_F(HashTableTest, RemoveAndDestroyReleaseWhatTheTableHeld) {
  Value t = New(false);
  Value key = Str("k");
  Value val = Str("v");
  Op("_n_put", {t, key, val});
  Op("_n_put", {t, MakeInt(7), MakeInt(70)});
  EXPECT_EQ(key.obj->refcount, 2);
  EXPECT_EQ(val.obj->refcount, 2);
  // An absent key: null, nothing changes.
  EXPECT_EQ(Op("_n_remove", {t, Str("absent")}).tag, kNull);
  EXPECT_EQ(Op("_n_size", {t}).i, 2);
  Value removed = Op("_n_remove", {t, Str("k")});
  EXPECT_EQ(removed.obj, val.obj);
  EXPECT_EQ(key.obj->refcount, 1);
  EXPECT_EQ(val.obj->refcount, 2);  // held here and by the result
  EXPECT_EQ(Op("_n_size", {t}).i, 1);
  EXPECT_EQ(Op("_n_get", {t, key}).tag, kNull);
  Op("_n_put", {t, Str("again"), key});
  EXPECT_EQ(key.obj->refcount, 2);
  Op("_n_destroy", {t});
  EXPECT_EQ(key.obj->refcount, 1);
  // The stale table is refused by every native.
  for (const char* name : {"_n_get", "_n_put", "_n_remove", "_n_size", "_n_startFind", "_n_hasNext", "_n_nextKey",
                           "_n_destroy"}) {
    EXPECT_EQ(Op(name, {t, MakeInt(7), MakeInt(1)}).i, -99) << name;
    EXPECT_EQ(Op(name, {MakeInt(3), MakeInt(7), MakeInt(1)}).i, -99) << name;
  }
}

TEST_F(HashTableTest, RemovingDuringIterationKeepsTheCursorSafe) {
  Value t = New(true);
  for (int i = 0; i < 40; ++i) Op("_n_put", {t, MakeInt(i), MakeInt(i)});
  Op("_n_startFind", {t});
  int visited = 0;
  while (Op("_n_hasNext", {t}).i == 1 && visited < 100) {
    Value k = Op("_n_nextKey", {t});
    Op("_n_remove", {t, k});
    ++visited;
  }
  EXPECT_GT(visited, 0);
  EXPECT_LE(visited, 40);
  EXPECT_EQ(Op("_n_nextKey", {t}).tag, kNull);
  Op("_n_destroy", {t});
}

}  // namespace ruvel::test

namespace ruvel::test {

// The lookup index must give exactly what a scan of the key's bucket in
// order gives, whatever mix of integer, float and string keys was put,
// re-keyed ("5" found by 5) and removed.
TEST_F(HashTableTest, IndexedLookupsAgreeWithAScanOfTheBucket) {
  for (bool light : {false, true}) {
    THashtable byValue;
    TLightHashtable byIdentity;
    TAbstractHashtable& t = light ? static_cast<TAbstractHashtable&>(byIdentity) : byValue;
    std::vector<Value> keys;
    for (int i = -3; i < 40; ++i) keys.push_back(MakeInt(i * 37));
    for (int i = 0; i < 10; ++i) keys.push_back(MakeFloat(static_cast<float>(i * 37)));
    keys.push_back(MakeFloat(16777216.0f));
    keys.push_back(MakeInt(16777217));
    for (int i = 0; i < 12; ++i) keys.push_back(Str(std::to_string(i * 37)));
    keys.push_back(Str("ab"));
    keys.push_back(Str("ba"));
    uint32_t seed = 12345;
    auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 8; };
    auto scan = [&t](const Value& key) -> const TAbstractHashtable::Entry* {
      const auto& bucket = t.Bucket(TAbstractHashtable::BucketOf(t.Hash(key)));
      for (const auto& e : bucket) {
        if (t.KeyEquals(e.key, key)) return &e;
      }
      return nullptr;
    };
    for (int step = 0; step < 3000; ++step) {
      const Value& k = keys[next() % keys.size()];
      switch (next() % 3) {
        case 0:
          t.Put(k, MakeInt(step));
          ASSERT_NE(t.Find(k), nullptr);
          EXPECT_EQ(ValueToText(t.Find(k)->value), std::to_string(step));
          break;
        case 1: {
          Value removed = MakeNull();
          const bool had = scan(k) != nullptr;
          EXPECT_EQ(t.Remove(k, removed), had) << ValueToText(k);
          ValueSetNull(removed);
          break;
        }
        default:
          break;
      }
      for (const Value& probe : keys) {
        const TAbstractHashtable::Entry* want = scan(probe);
        ASSERT_EQ(t.Find(probe), want) << (light ? "light " : "") << ValueToText(probe) << " at step " << step;
      }
    }
  }
}

}  // namespace ruvel::test
