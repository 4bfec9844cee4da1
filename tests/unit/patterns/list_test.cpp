// The pattern list: global numbers across sheets, lookups and truncation.
#include "screen/pattern_list.h"
#include "sheet_helpers.h"

namespace ruvel::test {
namespace {

// A cut sheet with n 6 x 6 frames in a row.
std::shared_ptr<TPatRects> SheetOf(int n) {
  TPixelImage img = Sheet(8 * n + 4, 10);
  for (int i = 0; i < n; ++i) Frame(img, 1 + 8 * i, 1, 6, 6, kBlack);
  auto sheet = std::make_shared<TPatRects>(img, CutSheet(img), 0);
  EXPECT_EQ(sheet->Count(), n);
  return sheet;
}

TEST(PatternList, NumbersRunAcrossSheetsAndSkipEmptyOnes) {
  TPatternList list;
  auto a = SheetOf(3);
  auto empty = SheetOf(0);
  auto c = SheetOf(2);
  list.Append(a);
  list.Append(empty);
  list.Append(c);
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.FirstNumber(2), 3);
  size_t sheet = 99;
  int32_t index = 99;
  ASSERT_TRUE(list.Find(3, sheet, index));
  EXPECT_EQ(sheet, 2u);
  EXPECT_EQ(index, 0);
  ASSERT_TRUE(list.Find(2, sheet, index));
  EXPECT_EQ(sheet, 0u);
  EXPECT_EQ(index, 2);
  ASSERT_TRUE(list.Find(4, sheet, index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find(5, sheet, index));
  EXPECT_FALSE(list.Find(-1, sheet, index));
  EXPECT_FALSE(TPatternList().Find(0, sheet, index));
}

TEST(PatternList, TruncationDropsTheSheetHoldingTheNumberAndAllAfter) {
  TPatternList list;
  list.Append(SheetOf(2));  // kernel: 0..1
  list.Append(SheetOf(1));  // kernel: 2
  list.Append(SheetOf(2));  // page: 3..4
  list.Append(SheetOf(1));  // page: 5
  list.Truncate(3);
  EXPECT_EQ(list.SheetCount(), 2u);
  EXPECT_EQ(list.Count(), 3);

  // A number inside a sheet removes that whole sheet.
  list.Truncate(1);
  EXPECT_EQ(list.SheetCount(), 0u);

  list.Append(nullptr);  // a missing sheet still takes its place, empty
  list.Append(SheetOf(2));
  list.Truncate(7);  // not found: nothing goes
  list.Truncate(-1);
  EXPECT_EQ(list.SheetCount(), 2u);
  EXPECT_EQ(list.Count(), 2);
  // Sheets without patterns at the cut go with it, so truncating at the
  // current count drops a trailing empty sheet and truncating at 0 empties
  // the list.
  list.Append(SheetOf(0));
  list.Truncate(2);
  EXPECT_EQ(list.SheetCount(), 2u);
  list.Append(SheetOf(0));
  list.Append(SheetOf(0));
  list.Append(SheetOf(3));
  list.Truncate(0);
  EXPECT_EQ(list.SheetCount(), 0u);
}

}  // namespace
}  // namespace ruvel::test
