// Linking of compiled code read from a class file: every operand that names
// a run-time object (global value slot, member, method, function, class) is
// rewritten from the symbol information, by name, into this run's handles.
#pragma once
#include "vm/compiled_info.h"

namespace ruvel {

class TRTTI;

// Sets info's class to cls and rewrites each recorded operand. Raises
// ECmpError with the name of what is missing ("値$gが見つかりません",
// "変数..", "メソッド..", "メソッドsuper...", "nativeメソッド..",
// "クラス..が見つかりません"); a recorded address outside the code raises
// "クラスファイル" + class name + "は壊れています。" (EIOError).
void LinkCompiledInfo(TCompiledInfo& info, TRTTI* cls);

}  // namespace ruvel
