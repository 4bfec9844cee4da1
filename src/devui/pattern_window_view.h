// Draws the pattern registration window "キャラクタパターン" in the
// current ImGui context, with its own file dialog for the sheet.
#pragma once

namespace ruvel {

class TFileBrowser;
class TPatternWindow;

// Returns true when the user asked to add the picked sheet (the caller
// runs TPatternWindow::Add outside the drawing).
bool DrawPatternWindow(TPatternWindow& window, TFileBrowser& browser);

}  // namespace ruvel
