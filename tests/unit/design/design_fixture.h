// Design-mode tests: a headless main window and screen wired as the shell
// wires them, a program directory with a copy of the real kernel, and the
// program's own start-up path run with `--design` on a page copied into a
// scratch folder. The mouse handlers of the screen are called directly.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "platform/window.h"
#include "screen/main_screen.h"
#include "vm/value.h"

namespace ruvel::test {

class CaptureSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  void Log(const std::string& text) override { logged.push_back(text); }
  // True when a shown message (UTF-8) contains the fragment.
  bool Shown(const std::string& utf8Fragment) const;
  std::vector<std::string> shown;
  std::vector<std::string> logged;
};

class DesignTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Copies the bundled game's folder into this test's folder; returns the
  // copy of the named page.
  std::string CopyBundledPage(const std::string& page);
  // Writes text into this test's folder; returns the full path.
  std::string Write(const std::string& rel, const std::string& text) const;
  // A page of Box objects (a 20 x 20 square around x, y); each entry is the
  // attribute text of one generator after className.
  std::string WriteBoxPage(const std::vector<std::string>& generators);
  static std::string ReadFile(const std::string& path);
  // A file of the source tree (the kernel, the bundled game).
  static std::string SourceFile(const std::string& rel);

  // The start-up path as `ruvel [--design] FILE` runs it.
  void StartUp(const std::string& file, bool design);
  // Frees the script world (the window and screen stay).
  void ShutDownWorld();

  // Mouse events in window coordinates, left button.
  void Press(int x, int y) { screen->MouseDown(x, y, true, false); }
  void DragTo(int x, int y) { screen->MouseMove(x, y, true, false); }
  void Release(int x, int y) { screen->MouseUp(x, y, true, false); }

  // The object held by a global; none when it holds something else.
  static Instance* Object(const std::string& global);
  // A member of the object held by a global, as an integer (-99999 when
  // missing).
  static int MemberInt(const std::string& global, const std::string& member);
  static int GlobalIntValue(const std::string& global);

  static std::string home;  // program directory shared by the suite
  std::string dir;          // this test's folder
  std::unique_ptr<TWindow> window;
  std::unique_ptr<TScreen> screen;
  CaptureSink sink;
  std::vector<std::string> errors;  // run-time and compile errors

 private:
  MessageSink* oldSink_ = nullptr;
  std::string oldCwd_;
  bool worldUp_ = false;
};

}  // namespace ruvel::test
