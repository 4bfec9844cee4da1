// Draws the source-level panes (devui/source_panes.h) into the current
// ImGui window: run buttons, the source with its margin of breakpoints,
// processes and call stack, variables and watches.
#pragma once

namespace ruvel {

class TSourcePanes;

void DrawSourcePanes(TSourcePanes& panes);

}  // namespace ruvel
