// The dialog models and the dialog natives, driven without any window.
#include <gtest/gtest.h>

#include <vector>

#include "platform/cp932.h"
#include "screen/dialog_natives.h"
#include "screen/dialogs.h"

namespace ruvel {
namespace {

using namespace dialog_natives;

// Calls a native with non-object arguments laid out as the interpreter
// lays them out (argument k is k slots below the receiver) and returns the
// result slot.
Value Call(NativeHandler h, std::vector<Value> args) {
  std::vector<Value> slots(args.size() + 1, MakeNull());
  int32_t n = static_cast<int32_t>(args.size());
  for (int32_t k = 1; k <= n; ++k) slots[n - k] = args[k - 1];
  h(&slots[n], n, 0);
  return slots[n];
}

class DialogNativesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dialogs().input = TInputBoxModel();
    Dialogs().select = TSelectBoxModel();
    Dialogs().showInput = [this] { ++inputShown; };
    Dialogs().showSelect = [this] { ++selectShown; };
  }
  void TearDown() override {
    Dialogs().showInput = nullptr;
    Dialogs().showSelect = nullptr;
  }
  int inputShown = 0;
  int selectShown = 0;
};

TEST(InputBoxModel, StatusFollowsHowTheWindowWasClosed) {
  TInputBoxModel m;
  EXPECT_EQ(m.Caption(), J("入力"));
  EXPECT_EQ(m.Prompt(), J("文字を入力してください："));
  m.Open(std::nullopt, std::nullopt, std::string("abc"));
  EXPECT_TRUE(m.Visible());
  EXPECT_EQ(m.Status(), 0);
  m.Ok();
  EXPECT_EQ(m.Status(), 1);
  EXPECT_FALSE(m.Visible());
  m.Close();  // already closed: the answer stays
  EXPECT_EQ(m.Status(), 1);

  m.Open(std::nullopt, std::nullopt, std::nullopt);
  EXPECT_EQ(m.Status(), 0) << "reopening resets the status";
  m.Close();
  EXPECT_EQ(m.Status(), 2) << "the title-bar button cancels";
  EXPECT_EQ(m.Text(), "abc") << "the text survives a cancel";

  m.Open(std::nullopt, std::nullopt, std::nullopt);
  m.Cancel();
  EXPECT_EQ(m.Status(), 2);
  m.Ok();  // a closed dialog takes no answer
  EXPECT_EQ(m.Status(), 2);
}

TEST(InputBoxModel, EditingKeepsDoubleByteCharactersWhole) {
  TInputBoxModel m;
  m.Open(std::nullopt, std::nullopt, std::string("a"));
  m.Append(Utf8ToCp932("表ソ"));  // both trail bytes are 0x5C, an ASCII value
  m.Append("b");
  EXPECT_EQ(m.Text(), "a" + Utf8ToCp932("表ソ") + "b");
  m.Backspace();
  EXPECT_EQ(m.Text(), "a" + Utf8ToCp932("表ソ"));
  m.Backspace();
  EXPECT_EQ(m.Text(), "a" + Utf8ToCp932("表"));
  m.Backspace();
  m.Backspace();
  m.Backspace();  // empty: nothing to remove
  EXPECT_EQ(m.Text(), "");
  // "＝" is 0x81 0x81: its trail byte has a lead byte's value.
  m.Append(Utf8ToCp932("＝＝"));
  m.Backspace();
  EXPECT_EQ(m.Text(), Utf8ToCp932("＝"));
}

TEST(SelectBoxModel, ButtonsThreeAndFourHiddenForNullAndStatuses) {
  TSelectBoxModel m;
  EXPECT_EQ(m.Caption(), J("確認"));
  m.Open("msg", "cap", {"a", "b", "null", "null"});
  EXPECT_EQ(m.ShownCount(), 2);
  EXPECT_FALSE(m.ButtonShown(3));
  EXPECT_FALSE(m.ButtonShown(4));
  m.Choose(3);  // hidden: ignored
  m.Choose(0);
  m.Choose(5);
  EXPECT_EQ(m.Status(), 0);
  m.Close();
  EXPECT_EQ(m.Status(), -1);

  m.Open("msg", "cap", {"a", "b", "c", "null"});
  EXPECT_EQ(m.ShownCount(), 3);
  EXPECT_EQ(m.Status(), 0);
  m.Choose(3);
  EXPECT_EQ(m.Status(), 3);
  m.Close();  // answered: stays 3
  EXPECT_EQ(m.Status(), 3);

  m.Open("msg", "cap", {"null", "null", "c", "d"});
  EXPECT_TRUE(m.ButtonShown(1)) << "only buttons 3 and 4 can be hidden";
  m.Choose(4);
  EXPECT_EQ(m.Status(), 4);
}

TEST(StripMnemonic, DropsTheAmpersandAndNamesTheLetter) {
  char m = 0;
  EXPECT_EQ(StripMnemonic(J("はい(&Y)"), m), J("はい(Y)"));
  EXPECT_EQ(m, 'Y');
  EXPECT_EQ(StripMnemonic("a&&b&c", m), "a&bc");
  EXPECT_EQ(m, 'C');
  EXPECT_EQ(StripMnemonic("plain&", m), "plain&");
  EXPECT_EQ(m, 0);
}

TEST_F(DialogNativesTest, InputOpenKeepsTextsForNullArguments) {
  Call(InputOpen, {MakeInt(7), MakeNull(), MakeFloat(1.5f)});
  EXPECT_EQ(inputShown, 1);
  EXPECT_EQ(Dialogs().input.Caption(), "7");
  EXPECT_EQ(Dialogs().input.Prompt(), J("文字を入力してください：")) << "null keeps the prompt";
  EXPECT_EQ(Dialogs().input.Text(), "1.5");
  Dialogs().input.Ok();
  EXPECT_EQ(ValueToInt(Call(InputGetStatus, {})), 1);

  Call(InputOpen, {MakeNull(), MakeInt(3), MakeNull()});
  EXPECT_EQ(Dialogs().input.Caption(), "7");
  EXPECT_EQ(Dialogs().input.Prompt(), "3");
  EXPECT_EQ(Dialogs().input.Text(), "1.5");
  EXPECT_EQ(ValueToInt(Call(InputGetStatus, {})), 0);
  Call(InputOpen, {});  // no arguments: everything kept, shown again
  EXPECT_EQ(inputShown, 3);
  EXPECT_EQ(Dialogs().input.Caption(), "7");
}

TEST_F(DialogNativesTest, SelectOpenNeedsSixArgumentsAndNullHidesButtons) {
  Call(SelectOpen, {MakeInt(1), MakeInt(2), MakeInt(3), MakeInt(4), MakeInt(5)});
  EXPECT_EQ(selectShown, 0);
  EXPECT_FALSE(Dialogs().select.Visible());
  EXPECT_EQ(Dialogs().select.Caption(), J("確認"));

  Call(SelectOpen, {MakeInt(1), MakeInt(2), MakeInt(3), MakeInt(4), MakeNull(), MakeNull()});
  EXPECT_EQ(selectShown, 1);
  EXPECT_EQ(Dialogs().select.Message(), "1");
  EXPECT_EQ(Dialogs().select.Caption(), "2");
  EXPECT_EQ(Dialogs().select.ButtonText(3), "null");
  EXPECT_EQ(Dialogs().select.ShownCount(), 2);
  EXPECT_EQ(ValueToInt(Call(SelectGetStatus, {})), 0);
  Dialogs().select.Close();
  EXPECT_EQ(ValueToInt(Call(SelectGetStatus, {})), -1);
}

TEST(DialogNativesHeadless, WithoutAViewTheStatusStaysOpen) {
  Dialogs().input = TInputBoxModel();
  Dialogs().showInput = nullptr;
  Call(InputOpen, {MakeNull(), MakeNull(), MakeNull()});
  EXPECT_EQ(ValueToInt(Call(InputGetStatus, {})), 0);
}

}  // namespace
}  // namespace ruvel
