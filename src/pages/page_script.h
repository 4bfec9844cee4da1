// The page script: one script built from all generators and globals of the
// loaded page ("usr") that creates every placed object, assigns its
// members, hands it its generator and makes it appear. It is written once
// per page to a file in "Temp" (built with two passes of TGenIterator into
// a TMultiEvaluator, so a checkpoint global tells how far it ran), then
// compiled as the class "eval" and run to completion by the native
// "generate" of "classes.lang.Boot".
#pragma once
#include <cstdint>
#include <string>

#include "resources/resource.h"

namespace ruvel {

class TMultiEvaluator;

// "i116_" + the page file's path relative to the program directory with
// every ".." turned into "@" and every character other than "@", ASCII
// letters, digits and "_" dropped, + ".ruvel".
std::string PageScriptFileName(const std::string& pageFile);
// That name in the program directory's "Temp" (created when missing).
std::string PageScriptPath(const std::string& pageFile);

// Adds the statements of one node to the batch. Pass 0 creates the
// objects and sets the page's globals; pass 1 assigns members and places
// the objects, so member values may refer to objects created later.
class TGenIterator : public TResourceIterator {
 public:
  TGenIterator(TMultiEvaluator& batch, int pass) : batch_(batch), pass_(pass) {}
  void Visit(TResource* node) override;

 private:
  TMultiEvaluator& batch_;
  int pass_;
};

// The two fixed statements ("$_hashCode=" + hash, then the clean-up of the
// previous page's processes and characters) and both passes over usr.
void BuildPageScript(TResource* usr, int32_t hashCode, TMultiEvaluator& batch);

// Results of RunPageScript, as snippet evaluation gives them.
enum : int { kPageScriptFinished = 0, kPageScriptNotCompiled = 1, kPageScriptFailed = 2 };

// Compiles text as the class "eval" with source path file (empty: none)
// without an error dialog and runs its code on a new instance until it
// halts; the frame loop's preempted flag is kept.
int RunPageScript(const std::string& text, const std::string& file);

// The work of "generate" for the page file (empty: the file "usr" was read
// from): builds the page script file when it does not exist, then runs it.
// A page without any file has its script built and run without a cache.
int GeneratePage(const std::string& pageFile);

}  // namespace ruvel
