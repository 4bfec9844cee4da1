// The pattern resource (TCPat): a script global ("$pat_...") and the sheet
// file whose patterns it registers. Its markup is an empty element
// `cpattern` with name and src. Registering the sheet is the screen
// module's work: it installs PatternHooks() (screen/patterns.h), and until
// it does a pattern resource only counts as prepared, as a global does
// before the snippet evaluator exists.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace ruvel {

class TSGML;
class TCPat;

// Owner: one process-wide instance (resource_pattern.cpp), filled by the
// pattern module.
struct TPatternHooks {
  // Registers the resource's sheet and counts it in the pass's counters.
  std::function<void(TCPat& pat, TInitContext& ctx)> prepare;
  // The resource is being freed; whatever refers to it must forget it.
  std::function<void(TCPat& pat)> released;
  // The start-up step after the kernel is prepared and its natives bound:
  // records the kernel's pattern count and rebuilds the pattern list.
  std::function<void()> startupStep;
};
TPatternHooks& PatternHooks();

class TCPat : public TResource {
 public:
  // name and src (resolved against base) of a `cpattern` element.
  TCPat(const TSGML& element, const std::string& base);
  TCPat(const std::string& globalName, const std::string& src);
  ~TCPat() override;
  const char* TypeName() const override { return "TCPat"; }

  void PrepareStep(TInitContext& ctx) override;
  // <cpattern name=".." src=".."/> with src relative to the base directory.
  void WriteMarkup(std::vector<std::string>& lines, const std::string& indent) override;
};

}  // namespace ruvel
