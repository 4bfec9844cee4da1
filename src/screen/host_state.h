// The mode flags that the shell, the screen and the pages share (starting,
// started, halted, design mode, the drawing frame, the application being
// active) and the project-parameter lookup. Owner: HostState(), one
// process-wide instance defined in host_state.cpp.
#pragma once
#include <functional>
#include <string>

namespace ruvel {

struct THostState {
  // Set for the last update step of a frame and for single design-mode
  // steps; sprite natives record only while it is set.
  bool drawingFrame = true;
  bool starting = false;  // the start-up path is running
  bool started = false;   // the start-up path has finished
  bool halted = true;     // no page with a runnable "Boot" class is loaded
  bool designMode = false;
  bool appActive = true;  // the main window has the input focus
  // Project parameters by name; installed by the project manager. Until
  // then every parameter is empty.
  std::function<std::string(const std::string& name)> projectParam;
};

THostState& HostState();
// The project parameter's text, empty when unknown.
std::string ProjectParam(const std::string& name);

}  // namespace ruvel
