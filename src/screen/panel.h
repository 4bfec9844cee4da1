// Script panels: off-screen surfaces that a script creates with the "Panel"
// natives, draws into at once and shows as a map sprite. A panel reaches
// scripts as a host value; the registry of live panels lets every native
// refuse a value whose panel was already freed.
#pragma once
#include <cstddef>
#include <memory>

#include "vm/value.h"

namespace ruvel {

class TSurface;

class TPanelSurface : public TObject {
 public:
  explicit TPanelSurface(std::shared_ptr<TSurface> s);
  ~TPanelSurface() override;
  TPanelSurface(const TPanelSurface&) = delete;
  TPanelSurface& operator=(const TPanelSurface&) = delete;
  const char* TypeName() const override { return "TPanelSurface"; }

  // Shared with map sprites still in the sprite list.
  std::shared_ptr<TSurface> surface;
};

// The panel of a host value when it is a live panel; else none.
TPanelSurface* LivePanel(const Value& v);
size_t LivePanelCount();
// Frees every panel still alive (before the renderer goes).
void FreeAllPanels();

}  // namespace ruvel
