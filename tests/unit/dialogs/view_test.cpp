// The dialog windows on SDL's offscreen driver: events addressed to a
// dialog's window answer it, events of other windows are left alone.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "platform/cp932.h"
#include "platform/video.h"
#include "screen/dialog_view.h"
#include "screen/dialogs.h"
#include "screen/ranking.h"

namespace ruvel {
namespace {

class DialogViewTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(VideoInit(true, error)) << error;
  }
  static void TearDownTestSuite() { VideoQuit(); }

  void SetUp() override {
    Dialogs().input = TInputBoxModel();
    Dialogs().select = TSelectBoxModel();
    views = std::make_unique<TDialogViews>(Dialogs(), nullptr);
  }
  void TearDown() override { views.reset(); }

  // The id of the window that has just been shown for a dialog.
  SDL_Event Key(uint32_t window, SDL_Keycode key) {
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = SDL_KEYDOWN;
    e.key.windowID = window;
    e.key.keysym.sym = key;
    return e;
  }
  SDL_Event Click(uint32_t window, Uint32 type, int x, int y) {
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = type;
    e.button.windowID = window;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = x;
    e.button.y = y;
    return e;
  }
  // Finds the window of a dialog by trying ids until one is taken.
  uint32_t WindowOf(const std::function<bool()>& answered, SDL_Keycode key) {
    for (uint32_t id = 1; id < 64; ++id) {
      SDL_Event e = Key(id, key);
      if (views->HandleEvent(e) && answered()) return id;
    }
    return 0;
  }

  std::unique_ptr<TDialogViews> views;
};

TEST_F(DialogViewTest, InputWindowTakesTypedTextEnterAndTheCloseButton) {
  TInputBoxModel& m = Dialogs().input;
  m.Open(std::nullopt, std::nullopt, std::string("x"));
  Dialogs().showInput();
  EXPECT_FALSE(views->HandleEvent(Key(9999, SDLK_RETURN))) << "another window's key";
  EXPECT_EQ(m.Status(), 0);
  uint32_t id = WindowOf([&m] { return m.Status() != 0; }, SDLK_RETURN);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(m.Status(), 1);

  m.Open(std::nullopt, std::nullopt, std::nullopt);
  Dialogs().showInput();
  SDL_Event text;
  std::memset(&text, 0, sizeof text);
  text.type = SDL_TEXTINPUT;
  text.text.windowID = id;
  std::strcpy(text.text.text, "あa");
  EXPECT_TRUE(views->HandleEvent(text));
  EXPECT_EQ(m.Text(), "x" + Utf8ToCp932("あa"));
  EXPECT_TRUE(views->HandleEvent(Key(id, SDLK_BACKSPACE)));
  EXPECT_EQ(m.Text(), "x" + Utf8ToCp932("あ"));

  SDL_Event close;
  std::memset(&close, 0, sizeof close);
  close.type = SDL_WINDOWEVENT;
  close.window.windowID = id;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  EXPECT_TRUE(views->HandleEvent(close));
  EXPECT_EQ(m.Status(), 2);

  m.Open(std::nullopt, std::nullopt, std::nullopt);
  Dialogs().showInput();
  views->HandleEvent(Key(id, SDLK_ESCAPE));
  EXPECT_EQ(m.Status(), 2);
}

TEST_F(DialogViewTest, ChoiceWindowAnswersClicksAndMnemonics) {
  TSelectBoxModel& m = Dialogs().select;
  m.Open("msg", "cap", {J("はい(&Y)"), J("いいえ(&N)"), "null", "null"});
  Dialogs().showSelect();
  uint32_t id = WindowOf([&m] { return m.Status() != 0; }, SDLK_n);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(m.Status(), 2) << "N is the mnemonic of button 2";

  // Two buttons share the width of 335 below the message: the right half
  // is button 2, the left half button 1.
  m.Open("msg", "cap", {"a", "b", "null", "null"});
  Dialogs().showSelect();
  views->HandleEvent(Click(id, SDL_MOUSEBUTTONDOWN, 40, 111 - 12 - 13));
  views->HandleEvent(Click(id, SDL_MOUSEBUTTONUP, 300, 111 - 12 - 13));
  EXPECT_EQ(m.Status(), 0) << "released over another button";
  views->HandleEvent(Click(id, SDL_MOUSEBUTTONDOWN, 40, 111 - 12 - 13));
  views->HandleEvent(Click(id, SDL_MOUSEBUTTONUP, 40, 111 - 12 - 13));
  EXPECT_EQ(m.Status(), 1);

  m.Open("msg", "cap", {"a", "b", "null", "null"});
  Dialogs().showSelect();
  views->HandleEvent(Key(id, SDLK_ESCAPE));
  EXPECT_EQ(m.Status(), -1);
}

TEST_F(DialogViewTest, ViewsInstallAndRemoveTheirHooks) {
  EXPECT_TRUE(Dialogs().showInput);
  EXPECT_TRUE(Ranking().opener);
  views.reset();
  EXPECT_FALSE(Dialogs().showInput);
  EXPECT_FALSE(Dialogs().showSelect);
  EXPECT_FALSE(Ranking().opener);
}

}  // namespace
}  // namespace ruvel
