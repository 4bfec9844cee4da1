#include "resources/resource_global.h"
#include "runtime/rtti.h"
#include "tree_fixture.h"
#include "vm/tfstring.h"

namespace ruvel::test {

namespace {

// A compiled class with the given members under the root.
TRTTI* AddClass(TResourceList* root, const std::string& name, std::vector<std::string> members = {}) {
  auto* cls = new TRTTI(name, "");
  for (auto& m : members) cls->MemberIndexOrAdd(m);
  cls->Compiled = true;
  root->AddChild(cls);
  return cls;
}

}  // namespace

TEST_F(TreeTest, GlobalsWriteTheirCurrentValue) {
  TResourceList* root = EmptyRoot();
  TRTTI* str = AddClass(root, "String", {"_body"});
  VM().stringClass = str;
  TGlobalValue g("$v", "7");
  auto line = [&] { return Markup(&g).at(0); };
  // Never assigned: the text it was read with is kept.
  EXPECT_EQ(line(), "<globalvalue name=\"$v\" value=\"7\"/>");
  ValueSetFloat(g.value, 1.5f);
  EXPECT_EQ(line(), "<globalvalue name=\"$v\" value=\"\"/>");
  EXPECT_EQ(g.initialText, "");
  ValueSetInt(g.value, -42);
  EXPECT_EQ(line(), "<globalvalue name=\"$v\" value=\"-42\"/>");
  ValueSetNull(g.value);
  EXPECT_EQ(line(), "<globalvalue name=\"$v\" value=\"\"/>");
  // A string is quoted; quotes, "<", ">" and "%" inside are escaped so the
  // element stays readable.
  ValueSetString(g.value, "say \"hi\" <3 100%");
  EXPECT_EQ(line(), "<globalvalue name=\"$v\" value=\"%22say %22hi%22 %3c3 100%25%22\"/>");
  auto copy = g.Clone();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(static_cast<TGlobalValue*>(copy.get())->initialText, "\"say \"hi\" <3 100%\"");
  Instance* s = g.value.obj;
  delete ValueAsHost(s->members()[0]);
  ValueSetNull(g.value);
  VM().stringClass = nullptr;
}

TEST_F(TreeTest, PreparingGlobalsEvaluatesTheirInitialText) {
  TResourceList* root = EmptyRoot();
  Write("g.ruvelres",
        "<resourcelist name=\"g\"><globalvalue name=\"$a\" value=\"1\"><globalvalue name=\"$b\" value=\"\">"
        "<globalvalue name=\"$c\" value=\"&quot;t&quot;\"></resourcelist>");
  root->AddChild(LoadResourceFile("g.ruvelres").release());
  TResource* g = FindResource("g");
  TInitContext ctx;
  g->PrepareStep(ctx);  // no evaluator yet: all done, nothing run
  EXPECT_EQ(ctx.Done, 3);
  std::vector<std::string> run;
  VM().evaluateSnippet = [&](const std::string& s) {
    run.push_back(s);
    return 0;
  };
  g->Initialize();
  EXPECT_EQ(run, (std::vector<std::string>{"$a=1;", "$c=&quot;t&quot;;"}));
}

TEST_F(TreeTest, ScriptObjectsAreMadeOnceAndToldWhenTheirNodeGoes) {
  TResourceList* root = EmptyRoot();
  TRTTI* builtIn = AddClass(root, "BuiltInResource");
  auto* node = new TResourceList();
  node->name = "n";
  root->AddChild(node);
  EXPECT_EQ(node->ScriptObject()->tag, kNull);  // no evaluator: nothing made

  std::vector<std::string> run;
  std::vector<Value> argument;
  Instance* made = nullptr;
  int result = 0;
  VM().evaluateSnippet = [&](const std::string& s) {
    run.push_back(s);
    argument.push_back(*FindResource("$_1")->ValuePtr());
    if (result == 0 && s == "$_2=new BuiltInResource($_1);") {
      made = builtIn->CreateInstance();
      ValueSetObject(*FindResource("$_2")->ValuePtr(), made);
    }
    return result;
  };
  // A failed snippet leaves the node without an object, even though "$_2"
  // still holds something.
  ValueSetInt(*FindResource("$_2")->ValuePtr(), 5);
  result = 1;
  EXPECT_EQ(node->ScriptObject()->tag, kNull);
  result = 0;
  Value* obj = node->ScriptObject();
  ASSERT_EQ(obj->tag, kObject);
  EXPECT_EQ(obj->obj, made);
  ASSERT_EQ(argument.size(), 2u);
  EXPECT_EQ(argument[1].tag, kHost);
  EXPECT_EQ(argument[1].host, node);
  EXPECT_EQ(FindResource("$_1")->ValuePtr()->tag, kInt);  // not left pointing at the node
  EXPECT_EQ(node->ScriptObject(), obj);
  EXPECT_EQ(run.size(), 2u);  // made once
  EXPECT_EQ(made->refcount, 2);  // "$_2" and the node

  root->Remove(node);
  ASSERT_EQ(run.size(), 3u);
  EXPECT_EQ(run.back(), "$_1.onDestroy();");
  EXPECT_EQ(argument.back().tag, kObject);
  EXPECT_EQ(argument.back().obj, made);
  EXPECT_EQ(made->refcount, 1);  // only "$_2" holds it now
}

}  // namespace ruvel::test
