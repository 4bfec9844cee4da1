// Reclamation: destructors on reuse and on collection, cycles through the
// check pass and the normal pass, check-mode lines, gc_mark hooks, deep
// chains, the reset of all objects, handles and the statistics line.
#include "natives_fixture.h"

#include <pthread.h>

#include "natives/natives_core.h"
#include "vm/value_list.h"

namespace ruvel::test {

class GcTest : public NativesTest {
 protected:
  const Value kNone = MakeInt(-99);
  // A process standing for the root process (its stack holds nothing).
  void MakeRootProcess() {
    TRTTI* cls = MakeClass("Boot", {}, objectClass);
    CodeBuilder c;
    c.PushInt(0).Op(Op_Ret);
    cls->ClassCode = c.Finish(cls);
    VM().rootProcess = TProcess::Create(cls->CreateInstance(), nullptr, "");
  }
};

TEST_F(GcTest, DestructorRunsWhenAnUnreferencedRecordIsReused) {
  TRTTI* cls = MakeCountingClass("Thing", {"v"});
  Value a = MakeObject(cls->CreateInstance());
  Retain(a);
  uint32_t handle = a.obj->handle;
  Release(a);  // refcount 0: unreferenced, not yet destroyed
  EXPECT_EQ(destructorRuns, 0);
  Instance* b = cls->CreateInstance();
  EXPECT_EQ(destructorRuns, 1);
  EXPECT_EQ(b->handle, handle);
  EXPECT_EQ(b->members()[0].tag, kUninit);
}

TEST_F(GcTest, CycleSurvivesTheCheckPassAndGoesInTheNormalPass) {
  MakeRootProcess();
  TRTTI* cls = MakeCountingClass("Node", {"other"});
  Instance* a = cls->CreateInstance();
  Value holdA = MakeObject(a);
  Retain(holdA);  // so that b does not reuse a's record
  Instance* b = cls->CreateInstance();
  ValueAssign(a->members()[0], MakeObject(b));
  ValueAssign(b->members()[0], MakeObject(a));
  Release(holdA);
  ASSERT_NE(a, b);
  ASSERT_EQ(a->refcount, 1);
  ASSERT_EQ(b->refcount, 1);

  Collect(true);
  // The counts agree with the paths found: nothing listed, nothing freed.
  EXPECT_TRUE(Collector().objectList.empty());
  EXPECT_EQ(a->refcount, 1);
  EXPECT_EQ(a->marks, 0);
  EXPECT_EQ(destructorRuns, 0);

  long live = VM().stats.liveInstances;
  ASSERT_TRUE(CollectFromDebugger());
  EXPECT_EQ(destructorRuns, 2);
  EXPECT_EQ(a->refcount, -1);
  EXPECT_EQ(b->refcount, -1);
  EXPECT_EQ(VM().stats.liveInstances, live - 2);
  EXPECT_FALSE(VM().checkMode);
  for (const std::string& line : sink.logged) EXPECT_EQ(line.find("Decref failed"), std::string::npos) << line;
  // Both records are free for the next instances.
  Instance* c = cls->CreateInstance();
  EXPECT_TRUE(c == a || c == b);
  EXPECT_EQ(destructorRuns, 2);
}

TEST_F(GcTest, DebuggerCollectionNeedsARootProcess) {
  TRTTI* cls = MakeCountingClass("Lonely");
  cls->CreateInstance();
  EXPECT_FALSE(CollectFromDebugger());
  EXPECT_EQ(destructorRuns, 0);
}

TEST_F(GcTest, CheckModeListsCountsBelowThePathsFound) {
  TRTTI* holderClass = MakeClass("Holder", {"a", "b", "c"}, objectClass);
  TRTTI* target = MakeClass("Target", {}, objectClass);
  TGlobalValue* g = AddGlobal("$holder");
  Instance* holder = holderClass->CreateInstance();
  ValueAssign(g->value, MakeObject(holder));
  Instance* t = target->CreateInstance();
  for (int i = 0; i < 3; ++i) ValueAssign(holder->members()[i], MakeObject(t));
  t->refcount = 2;  // one count lost somewhere
  int shown = 0;
  Collector().showDebugger = [&] { ++shown; };
  Collector().objectList.push_back("old line");
  VM().checkMode = true;
  CollectFromMenu();
  ASSERT_EQ(Collector().objectList.size(), 1u);
  EXPECT_EQ(Collector().objectList[0], "Target@" + std::to_string(target->handle) + ":r=3,f=2," + std::to_string(t->handle));
  EXPECT_EQ(shown, 1);
  // Nothing is destroyed in check mode, and the marks are cleared.
  EXPECT_EQ(t->refcount, 2);
  EXPECT_EQ(t->marks, 0);
  EXPECT_EQ(holder->refcount, 1);
  t->refcount = 3;
  // The sweep logs each class it visits.
  bool logged = false;
  for (const std::string& line : sink.logged) logged |= line == "sweeping Target";
  EXPECT_TRUE(logged);
}

namespace {
// gc_mark helper: marks every cell of the list given as argument 1.
void MarkCells(Value* self, int32_t argc, int32_t) {
  if (argc < 1 || self[-1].tag != kHost) return;
  auto* list = dynamic_cast<TValueList*>(self[-1].host);
  if (!list) return;
  for (Value& v : list->cells) {
    Value arg[2] = {v, MakeNull()};
    NativeGcMark(&arg[1], 1, 0);
  }
}
}  // namespace

TEST_F(GcTest, ArrayCellsSurviveOnlyThroughGcMark) {
  TRTTI* item = MakeCountingClass("Item");
  TGlobalValue* g = AddGlobal("$list");
  Value arr = Call(NativeArrayInit, kNone);
  Instance* array = arrayClass->CreateInstance();
  array->members()[0] = arr;
  ValueAssign(g->value, MakeObject(array));
  Value itemValue = MakeObject(item->CreateInstance());
  Call(NativeArrayAdd, kNone, {arr, itemValue});
  ASSERT_EQ(itemValue.obj->refcount, 1);

  // Without a gc_mark method the cell is invisible: the item goes.
  Collect(false);
  EXPECT_EQ(destructorRuns, 1);
  EXPECT_EQ(itemValue.obj->refcount, -1);
  // The dangling cell is dropped without touching the count again.
  static_cast<TValueList*>(arr.host)->cells.clear();
  VM().stats.liveValueCells -= 1;

  // With gc_mark marking the cells it stays.
  TNativeFunction* mark = AddNative(arrayClass, "markCells", MarkCells);
  CodeBuilder c;
  c.Op(Op_PushThis).Op(Op_PushThis_SMemberValPtr_Deref, {0, 0, 0}).Op(Op_NativeCall, {1, mark->handle}).Op(Op_Ret);
  AddFunction(arrayClass, FunctionKind::kNormal, "gc_mark", c);
  Value second = MakeObject(item->CreateInstance());
  Call(NativeArrayAdd, kNone, {arr, second});
  Collect(false);
  EXPECT_EQ(second.obj->refcount, 1);
  EXPECT_EQ(destructorRuns, 1);
  EXPECT_EQ(VM().stepBudget, kUnlimitedBudget);
  Call(NativeArrayFree, kNone, {arr});
  array->members()[0] = MakeNull();
}

TEST_F(GcTest, LongChainsAreMarkedWithoutDeepRecursion) {
  TRTTI* cls = MakeClass("Link", {"next"}, objectClass);
  TGlobalValue* g = AddGlobal("$head");
  const int n = 20000;
  Instance* head = cls->CreateInstance();
  ValueAssign(g->value, MakeObject(head));
  Instance* cur = head;
  for (int i = 1; i < n; ++i) {
    Instance* next = cls->CreateInstance();
    ValueAssign(cur->members()[0], MakeObject(next));
    cur = next;
  }
  long live = VM().stats.liveInstances;
  // Marking runs on a thread with a small stack: a recursion per link
  // would overflow it.
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 128 * 1024);
  pthread_t thread;
  auto body = [](void*) -> void* {
    Collect(false);
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, body, nullptr), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  EXPECT_EQ(VM().stats.liveInstances, live);
  EXPECT_EQ(cur->refcount, 1);
  // Unhooking the head lets the whole chain go in one pass.
  ValueSetNull(g->value);
  Collect(false);
  EXPECT_EQ(VM().stats.liveInstances, live - n);
}

TEST_F(GcTest, GcMarkMethodsCanMarkFurtherObjectsDeeplyNested) {
  // Every Deep object marks its "next" from its gc_mark method, so each
  // step of the chain is a nested process.
  TRTTI* cls = MakeClass("Deep", {"next"}, objectClass);
  TNativeFunction* gcMark = AddNative(cls, "native_gc_mark", NativeGcMark);
  CodeBuilder c;
  c.Op(Op_PushThis).Op(Op_PushThis_SMemberValPtr_Deref, {0, 0, 0}).Op(Op_NativeCall, {1, gcMark->handle}).Op(Op_Ret);
  AddFunction(cls, FunctionKind::kNormal, "gc_mark", c);
  TGlobalValue* g = AddGlobal("$deep");
  const int n = 300;
  std::vector<Instance*> all;
  Instance* head = cls->CreateInstance();
  all.push_back(head);
  ValueAssign(g->value, MakeObject(head));
  for (int i = 1; i < n; ++i) {
    Instance* next = cls->CreateInstance();
    ValueAssign(all.back()->members()[0], MakeObject(next));
    all.push_back(next);
  }
  Collect(true);
  // Past the head every object is reached three times (pool walk, its
  // holder's member, its holder's gc_mark) while counted once.
  ASSERT_EQ(Collector().objectList.size(), static_cast<size_t>(n - 1));
  EXPECT_EQ(Collector().objectList.back(),
            "Deep@" + std::to_string(cls->handle) + ":r=2,f=1," + std::to_string(all.back()->handle));
  for (Instance* r : all) EXPECT_EQ(r->marks, 0);
  Collect(false);
  for (Instance* r : all) EXPECT_EQ(r->refcount, 1);
  EXPECT_TRUE(sink.shown.empty());
}

TEST_F(GcTest, ResetDestroysEveryObjectAndDropsGlobals) {
  MakeRootProcess();
  TRTTI* cls = MakeCountingClass("Piece", {"peer"});
  TGlobalValue* g = AddGlobal("$piece");
  Instance* a = cls->CreateInstance();
  ValueAssign(g->value, MakeObject(a));
  Instance* b = cls->CreateInstance();
  ValueAssign(a->members()[0], MakeObject(b));
  TValueList hostThing;
  TGlobalValue* h = AddGlobal("$host");
  ValueSetHost(h->value, &hostThing);
  long processes = VM().stats.liveProcesses;
  ResetScriptObjects();
  EXPECT_EQ(VM().rootProcess, nullptr);
  EXPECT_EQ(VM().stats.liveProcesses, processes - 1);
  EXPECT_EQ(g->value.tag, kNull);
  EXPECT_EQ(h->value.tag, kNull);
  EXPECT_EQ(destructorRuns, 2);
  EXPECT_EQ(a->refcount, -1);
  EXPECT_EQ(b->refcount, -1);
}

TEST_F(GcTest, HandlesAndRefcountsOfLiveRecordsOnly) {
  TRTTI* cls = MakeClass("Counted", {}, objectClass);
  Value obj = MakeObject(cls->CreateInstance());
  Retain(obj);
  Retain(obj);
  held.push_back(obj);
  held.push_back(obj);
  Value h = Call(NativeObjHandle, kNone, {obj});
  ASSERT_EQ(h.tag, kInt);
  EXPECT_EQ(static_cast<uint32_t>(h.i), obj.obj->handle);
  EXPECT_EQ(Call(NativeRefcount, kNone, {h}).i, 2);
  EXPECT_EQ(Call(NativeObjHandle, kNone, {MakeInt(5)}).i, 0);
  EXPECT_EQ(Call(NativeObjHandle, kNone, {MakeNull()}).i, 0);
  // Numbers that are no handle of a live record read 0.
  EXPECT_EQ(Call(NativeRefcount, kNone, {MakeInt(0)}).i, 0);
  EXPECT_EQ(Call(NativeRefcount, kNone, {MakeInt(-7)}).i, 0);
  EXPECT_EQ(Call(NativeRefcount, kNone, {MakeInt(0x7fffffff)}).i, 0);
  Instance* freed = cls->CreateInstance();
  DestroyInstance(freed);
  EXPECT_EQ(Call(NativeRefcount, kNone, {MakeInt(static_cast<int32_t>(freed->handle))}).i, 0);
  EXPECT_EQ(Call(NativeRefcount, kNone, {}).i, -99);
}

TEST_F(GcTest, StatisticsLineSpacing) {
  VMStats saved = VM().stats;
  VM().stats.liveBlocks = 12;
  VM().stats.liveTokens = 3;
  VM().stats.liveResultLists = 4;
  VM().stats.liveStacks = 5;
  VM().stats.liveProcesses = 6;
  VM().stats.liveValueCells = 7;
  VM().stats.liveTfStrings = 8;
  VM().stats.liveFunctions = 9;
  std::string text = StatisticsText();
  VM().stats = saved;
  EXPECT_EQ(text, "// GC=12 gar=3 resgar=4 stk=5 prc=6list=7/7// tfstr=8 func=9");
}

}  // namespace ruvel::test
