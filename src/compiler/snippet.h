// Snippet evaluation and script globals for the host: a piece of script
// text is compiled as a throw-away class (eval0, eval1, ...) and run at
// once; globals ("$name") are read and written through their value slots.
//
// Owner of the snippet state: TEvalCache (EvalCache()), which keeps the
// counter of snippet classes made so far.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace ruvel {

class TRTTI;

// The snippet compiler's state. The table from snippet text to class is
// what the debugger lists; snippets are not cached, so it stays empty.
class TEvalCache : public TResource {
 public:
  const char* TypeName() const override { return "TEvalCache"; }

  int32_t counter = 0;     // snippet classes made so far
  int32_t lastResult = 0;  // result of the last compilation
  std::map<std::string, TRTTI*> table;
  // Snippet classes whose instance was still referenced after the run
  // (stored in a global, say): freeing them would leave that reference
  // pointing at freed memory, so they live on here.
  std::vector<std::unique_ptr<TRTTI>> kept;
};
TEvalCache& EvalCache();

// Compiles text as a class without source path and runs its top-level code
// to the end. Returns 0 when it finished, 2 when a run-time error ended it
// and 1 when it did not compile (errors are shown when report is set).
int EvaluateSnippet(const std::string& text, bool report);

// The value slot of the global named name when name begins with "$" and
// the resource tree has it (a "$" name unknown so far is created in
// "usrglobal"); none otherwise.
Value* GlobalValuePtr(const std::string& name);
// Copies value into the global's slot (the old value is released, the new
// one retained); does nothing when there is no such global.
void SetGlobal(const std::string& name, const Value& value);

// Evaluates "extends Object; $_tmp_valueOf=" + expression + ";" and
// returns the slot of "$_tmp_valueOf".
Value* SnippetValue(const std::string& expression);

}  // namespace ruvel
