// Markup documents held by scripts: handles live exactly as long as their
// document, and only the root's handle frees it.
#include <gtest/gtest.h>

#include "runtime/cmml.h"
#include "vm/host_registry.h"

namespace ruvel::test {

TEST(CmmlStore, HandlesDieWithTheirDocumentAndOnlyTheRootFreesIt) {
  TCmmlStore store;
  TCmmlElement* root = store.Create(TSGML::ReadFull("<a><b/><c/></a>"));
  TCmmlElement* other = store.Create(ReadCmmlItem("x k=\"%2522\""));
  EXPECT_EQ(other->Element().Tag(), "x");
  EXPECT_EQ(other->Element().GetAttr("k"), "\"");
  TCmmlDocument* doc = root->Document();
  TCmmlElement* b = doc->HandleOf(root->Element().Child(0));
  EXPECT_EQ(doc->HandleOf(root->Element().Child(0)), b);
  EXPECT_EQ(b->Element().Tag(), "b");
  EXPECT_EQ(LiveCmmlElement(MakeHost(b)), b);

  EXPECT_FALSE(store.Free(b));
  EXPECT_EQ(store.Count(), 2u);
  EXPECT_TRUE(store.Free(root));
  EXPECT_EQ(store.Count(), 1u);
  EXPECT_FALSE(IsLiveHost(b));
  EXPECT_EQ(LiveCmmlElement(MakeHost(b)), nullptr);
  EXPECT_EQ(LiveCmmlElement(MakeHost(root)), nullptr);
  // A freed handle frees nothing again; the other document stays.
  EXPECT_FALSE(store.Free(root));
  EXPECT_EQ(LiveCmmlElement(MakeHost(other)), other);
  store.Clear();
  EXPECT_FALSE(IsLiveHost(other));
}

}  // namespace ruvel::test
