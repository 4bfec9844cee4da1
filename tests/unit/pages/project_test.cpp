// The project manager: a project made for a directory without one, the page
// list kept in step with the ".cmml" files, parameters with their defaults
// and switches, the script natives and the recent pages.
#include <unistd.h>

#include "compiler/snippet.h"
#include "platform/paths.h"
#include "pages/page.h"
#include "pages/project.h"
#include "pages/recent_pages.h"
#include "pages_fixture.h"
#include "platform/cp932.h"
#include "resources/resource_global.h"
#include "resources/resource_tree.h"
#include "screen/host_state.h"
#include "vm/vm_state.h"

namespace ruvel::test {

namespace {

const char kEmptyPage[] = "<resourcelist name=\"usr\"></resourcelist>\n";

// name -> src of the page list's entries, in order.
std::vector<std::pair<std::string, std::string>> Pages() {
  std::vector<std::pair<std::string, std::string>> pages;
  TResourceList* list = PrjManager().PageList();
  if (!list) return pages;
  for (size_t i = 0; i < list->ChildCount(); ++i) {
    TResource* entry = list->ChildAt(i);
    if (entry->name.rfind("$page_", 0) == 0) pages.emplace_back(entry->name, entry->sourcePath);
  }
  return pages;
}

}  // namespace

TEST_F(PagesTest, ADirectoryWithoutProjectGetsOneListingEveryPage) {
  std::string a = Write("game/a.cmml", kEmptyPage);
  std::string b = Write("game/B.CMML", kEmptyPage);
  Write("game/notes.txt", "not a page");
  LoadPage(a);
  std::string file = Path("game/default.ruvelprj");
  EXPECT_EQ(PrjManager().projectFile, file);
  EXPECT_TRUE(PrjManager().justOpened);
  EXPECT_EQ(ReadLines(file), TPrjManager::NewProjectLines());
  EXPECT_EQ(Pages(), (std::vector<std::pair<std::string, std::string>>{{"$page_a", a}, {"$page_B", b}}));
  EXPECT_EQ(PrjManager().currentPageName, "$page_a");
  EXPECT_EQ(PrjManager().fileList, (std::vector<std::string>{"$$$project files", file}));
  EXPECT_TRUE(sink.shown.empty()) << ToUtf8(sink.shown.front());
  // The page list is written back as page elements.
  ASSERT_TRUE(SaveNode("project"));
  std::vector<std::string> saved = ReadLines(file);
  ASSERT_GE(saved.size(), 4u);
  EXPECT_EQ(saved[2], "  <page name=\"$page_a\" src=\"a.cmml\"/>");
  EXPECT_EQ(saved[3], "  <page name=\"$page_B\" src=\"B.CMML\"/>");
  // Another page of the same project keeps the project and notes itself.
  LoadPage(b);
  EXPECT_EQ(PrjManager().currentPageName, "$page_B");
}

TEST_F(PagesTest, ThePageListIsRebuiltFromTheCmmlFilesOfTheDirectory) {
  Write("game/default.ruvelprj",
        "<resourcelist name=\"project\">\n"
        " <resourcelist name=\"pages\">\n"
        "  <page name=\"$page_old\" src=\"old.cmml\"/>\n"
        " </resourcelist>\n"
        " <resourcelist name=\"params\"><param name=\"mainPage\" value=\"$page_x\"/></resourcelist>\n"
        "</resourcelist>\n");
  std::string x = Write("game/x.cmml", kEmptyPage);
  std::string x2 = Write("game/X_.cmml", kEmptyPage);
  std::string lower = Write("game/y.cmml", kEmptyPage);
  std::string upper = Write("game/Y.cmml", kEmptyPage);
  LoadPage(upper);
  // Names are made unique without regard to letter case (files in name
  // order, upper case first among equals).
  EXPECT_EQ(Pages(), (std::vector<std::pair<std::string, std::string>>{
                         {"$page_x", x}, {"$page_X_", x2}, {"$page_Y", upper}, {"$page_y_1", lower}}));
  EXPECT_EQ(PrjManager().currentPageName, "$page_Y");
  EXPECT_EQ(PrjManager().GetParam("mainPage"), "$page_x");
  EXPECT_EQ(FindResource("project.pages.$page_x")->sourcePath, x);

  // Without a "pages" list the project itself holds the entries; its
  // parameters and classes survive the rebuild.
  Write("other/default.ruvelprj",
        "<resourcelist name=\"project\">\n"
        " <resourcelist name=\"params\"><param name=\"title\" value=\"T\"/></resourcelist>\n"
        " <page name=\"$page_gone\" src=\"gone.cmml\"/>\n"
        "</resourcelist>\n");
  std::string z = Write("other/z.cmml", kEmptyPage);
  LoadPage(z);
  EXPECT_TRUE(sink.Logged("!?---"));
  EXPECT_EQ(PrjManager().PageListName(), "project");
  EXPECT_EQ(Pages(), (std::vector<std::pair<std::string, std::string>>{{"$page_z", z}}));
  EXPECT_EQ(PrjManager().GetParam("title"), "T");
  EXPECT_NE(FindList("project.classes"), nullptr);
}

TEST_F(PagesTest, ParametersGetTheirDefaultsAndSwitchesIgnoreLetterCase) {
  std::string file = Write("game/default.ruvelprj",
                           "<resourcelist name=\"project\">\n"
                           " <resourcelist name=\"pages\"></resourcelist>\n"
                           " <resourcelist name=\"params\">\n"
                           "  <param name=\"savedVersion\" value=\"2000\"/>\n"
                           "  <param name=\"DEACTIVATION_PAUSE\" value=\"1\"/>\n"
                           "  <param name=\"disable_pause\" value=\"true\"/>\n"
                           "  <param name=\"sound_stopOnPageLoad\" value=\"0\"/>\n"
                           " </resourcelist>\n"
                           "</resourcelist>\n");
  ASSERT_EQ(chdir(Path("game").c_str()), 0);
  PrjManager().LoadProject("default.ruvelprj");
  EXPECT_EQ(PrjManager().projectFile, file);
  TPrjManager& prj = PrjManager();
  EXPECT_EQ(prj.GetParam("savedVersion"), "1160");
  EXPECT_EQ(prj.GetParam("sound_stopOnPageLoad"), "0");
  std::string id = prj.GetParam("commentID");
  EXPECT_FALSE(id.empty());
  EXPECT_EQ(id.find_first_not_of("0123456789"), std::string::npos);
  EXPECT_TRUE(prj.Switches().deactivationPause);
  EXPECT_FALSE(prj.Switches().disablePause);  // only "1" switches on
  EXPECT_TRUE(prj.Switches().deactivationDisableKey);  // on when absent
  EXPECT_EQ(ProjectParam("deactivation_pause"), "1");
  EXPECT_EQ(ProjectParam("disable_pause"), "0");
  EXPECT_EQ(ProjectParam("deactivation_disablekey"), "1");
  EXPECT_EQ(ProjectParam("nothing"), "");

  // Scripts read and write parameters; setting a switch applies it.
  ASSERT_EQ(EvaluateSnippet("pm = new ProjectManager();\n"
                            "pm.set(\"title\", \"Game\");\n"
                            "pm.set(\"deactivation_disableKey\", 0);\n"
                            "$t = pm.get(\"TITLE\");\n"
                            "$m = pm.get(\"missing\");\n"
                            "$n = pm.currentPageName();\n",
                            true),
            0);
  EXPECT_EQ(ValueToText(*Global("$t")), "Game");
  EXPECT_EQ(ValueToText(*Global("$m")), "");
  EXPECT_EQ(Global("$n")->tag, kObject);
  EXPECT_FALSE(prj.Switches().deactivationDisableKey);

  // A second load keeps the identifier the project has.
  prj.SetParam("commentID", "77");
  ASSERT_TRUE(SaveNode("project"));
  prj.LoadProject(file);
  EXPECT_EQ(prj.GetParam("commentID"), "77");
  EXPECT_EQ(prj.GetParam("title"), "Game");
  // A file that does not exist is not loaded.
  prj.LoadProject("none.ruvelprj");
  EXPECT_EQ(prj.projectFile, file);
}

TEST_F(PagesTest, RecentPagesKeepTheNineNewestDirectoriesAndSkipUsr) {
  TRecentPages recent;
  for (int i = 0; i < 10; ++i) recent.Add(Path("d" + std::to_string(i) + "/p.cmml"));
  ASSERT_EQ(recent.Items().size(), 9u);
  EXPECT_EQ(recent.Items().front(), Path("d9/p.cmml"));
  EXPECT_EQ(recent.Items().back(), Path("d1/p.cmml"));
  // A page of a directory already listed replaces its entry at the front.
  recent.Add(Path("D5/q.cmml"));
  ASSERT_EQ(recent.Items().size(), 9u);
  EXPECT_EQ(recent.Items().front(), Path("D5/q.cmml"));
  for (const std::string& item : recent.Items()) EXPECT_NE(item, Path("d5/p.cmml"));
  recent.Add(Path("usr/main.cmml"));
  EXPECT_EQ(recent.Items().front(), Path("D5/q.cmml"));
}

}  // namespace ruvel::test
