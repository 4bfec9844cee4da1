// The input-script format: key names, what a line turns into, and that a
// written event reads back as the same event.
#include <gtest/gtest.h>

#include "shell/input_script.h"

namespace ruvel {
namespace {

TEST(InputScript, KeyNamesAndCodes) {
  EXPECT_EQ(ParseKeyName("z"), 'Z');
  EXPECT_EQ(ParseKeyName("7"), '7') << "a lone digit is the digit key";
  EXPECT_EQ(ParseKeyName("#7"), 7);
  EXPECT_EQ(ParseKeyName("#48"), '0');
  EXPECT_EQ(ParseKeyName("#0"), 0);
  EXPECT_EQ(ParseKeyName("#"), 0);
  EXPECT_EQ(ParseKeyName("55"), '7');
  EXPECT_EQ(ParseKeyName("Return"), 0x0D);
  EXPECT_EQ(ParseKeyName("f12"), 0x7B);
  EXPECT_EQ(ParseKeyName("CONTROL"), 0x11);
  EXPECT_EQ(ParseKeyName("0"), '0');
  EXPECT_EQ(ParseKeyName("256"), 0);
  EXPECT_EQ(ParseKeyName("F13"), 0);
  EXPECT_EQ(KeyName(0x25), "LEFT");
  EXPECT_EQ(KeyName('Q'), "Q");
  EXPECT_EQ(KeyName(0xA0), "#160");
  EXPECT_EQ(KeyName('5'), "5");
}

TEST(InputScript, LinesBecomeEventsAndReadBack) {
  std::vector<TInputEvent> events = ParseInputScript(
      "# comment\n"
      "  \n"
      "0 down space   # trailing comment\n"
      "0 MOVE -3 400\n"
      "12 press right 5 6\r\n"
      "12 release left 7 8\n"
      "40 up 160\n"
      "41 down #9 # tab\n"
      "42 down 0\n",
      "x.txt");
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(events[0].kind, TInputKind::kKeyDown);
  EXPECT_EQ(events[0].key, 0x20);
  EXPECT_EQ(events[1].kind, TInputKind::kMove);
  EXPECT_EQ(events[1].x, -3);
  EXPECT_EQ(events[1].y, 400);
  EXPECT_EQ(events[2].frame, 12);
  EXPECT_TRUE(events[2].right);
  EXPECT_FALSE(events[3].right);
  EXPECT_EQ(events[4].key, 160);
  EXPECT_EQ(events[5].key, 9);
  EXPECT_EQ(events[6].key, '0');

  std::string written;
  for (const TInputEvent& e : events) written += FormatInputEvent(e) + "\n";
  EXPECT_EQ(written,
            "0 down SPACE\n0 move -3 400\n12 press right 5 6\n12 release left 7 8\n40 up #160\n41 down #9\n"
            "42 down 0\n");
  std::vector<TInputEvent> again = ParseInputScript(written, "y.txt");
  ASSERT_EQ(again.size(), events.size());
  for (size_t i = 0; i < again.size(); ++i) EXPECT_EQ(FormatInputEvent(again[i]), FormatInputEvent(events[i]));
}

TEST(InputScript, AnEmptyFileHasNoEvents) {
  EXPECT_TRUE(ParseInputScript("", "e.txt").empty());
  EXPECT_TRUE(ParseInputScript("# only a comment", "e.txt").empty());
  EXPECT_THROW(ParseInputScript("-1 down A\n", "e.txt"), EInputScript);
  EXPECT_THROW(ParseInputScript("1 move 1 2 3\n", "e.txt"), EInputScript);
  EXPECT_THROW(ParseInputScript("1 move 1 9999999\n", "e.txt"), EInputScript);
}

}  // namespace
}  // namespace ruvel
