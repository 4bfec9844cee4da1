// Swapping a running class's code for a new version of its source (live
// reload). The source is compiled into a scratch record first; when its
// parent and its methods (names, kinds, parameters) still include the
// running class's, the new code is linked against the running class and installed
// in place, so that live objects keep their members and their processes
// go on:
// - a method whose code is the same but for source positions keeps its
//   block, which takes the new positions; frames in it run on;
// - a changed method gets the new block; frames still in its old block
//   restart it from its start in the new code at their next suspend()
//   (vm/frame_restart.h), with the same receiver and arguments;
// - new or removed members rebuild the member records of every live
//   object of the class and of its subclasses by name (a new member starts
//   null, a removed one is released), and the subclasses' code, which
//   addresses members by index, is linked again. Records are made with
//   spare slots while live reload is on; a record without room for the new
//   members makes the swap incompatible (the page is reloaded).
// - a method added takes a new place at the end of the class's method
//   table (or the place of the parent's method it now overrides); the
//   subclasses' tables are rebuilt on it and their code, which calls
//   methods of its own object by index, is linked again.
// Code still running with member or method indices that moved is
// restarted before it runs on, not at its next suspend(). A new parent, a
// method removed (frames and other code may still call it) or a native
// added or removed cannot be swapped: the page is reloaded. Class code is
// replaced for new objects; processes running it finish it in the old code.
#pragma once
#include <string>

namespace ruvel {

class TRTTI;

enum class HotSwapResult {
  kSwapped,       // the new code runs from the next call on
  kIncompatible,  // another parent, a method removed...: reload the page
  kCompileError,  // the error was shown; the old code keeps running
};

struct THotSwapOutcome {
  std::string why;       // the first difference of an incompatible version
  int objects = 0;       // objects whose process restarts or whose members changed
  bool membersMoved = false;
};

// Compiles source (CP932, CR LF lines, as ReadClassSource gives it) for
// cls and installs it when compatible. A swapped class's class file is
// written anew.
HotSwapResult HotSwapClass(TRTTI& cls, const std::string& source, THotSwapOutcome& outcome);
HotSwapResult HotSwapClass(TRTTI& cls, const std::string& source, std::string& why);

}  // namespace ruvel
