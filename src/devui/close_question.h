// The question an editor asks before closing with unsaved changes:
// 保存 / 破棄 / キャンセル, answered by the buttons or the keys S, D and Esc.
#pragma once
#include <functional>
#include <string>

namespace ruvel {

enum class TCloseAnswer { kNone, kSave, kDiscard, kCancel };

// Draws the question inside the current ImGui frame; ask opens it (and is
// cleared). path (CP932) names the changed file. 保存 runs save and, when
// that saved, close; 破棄 runs close. Returns the answer given in this
// frame, kNone while the question waits or is not shown.
TCloseAnswer AskSaveChanges(bool& ask, const std::string& path, const std::function<bool()>& save,
                            const std::function<void()>& close);

}  // namespace ruvel
