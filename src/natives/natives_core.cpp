// The registration table of the core library. Natives of these classes
// that belong to other subsystems (keys, drawing, files, sound, pages,
// generators) are registered by their own modules.
#include "natives/natives_core.h"

#include "natives/native_table.h"
#include "natives/natives_process.h"
#include "vm/gc.h"

namespace ruvel {

const std::vector<NativeEntry>& CoreNatives() {
  static const bool fastForms = (RegisterArrayFastNatives(), true);
  (void)fastForms;
  static const char* const kArray = "classes.lang.Array";
  static const char* const kObject = "classes.lang.Object";
  static const char* const kString = "classes.lang.String";
  static const std::vector<NativeEntry> table = {
      {kArray, "native_add", NativeArrayAdd},
      {kArray, "_n_insert", NativeArrayInsert},
      {kArray, "native_init", NativeArrayInit},
      {kArray, "native_get", NativeArrayGet},
      {kArray, "native_set", NativeArraySet},
      {kArray, "native_size", NativeArraySize},
      {kArray, "native_free", NativeArrayFree},
      {kArray, "native_delete", NativeArrayDelete},
      {kArray, "native_indexof", NativeArrayIndexOf},
      {kArray, "native_lightindexof", NativeArrayLightIndexOf},
      {kArray, "_n_pack", NativeArrayPack},

      {kObject, "print", NativePrint},
      {kObject, "suspend", NativeSuspend},
      {kObject, "currentProcess", NativeCurrentProcess},
      {kObject, "getGlobal", NativeGetGlobal},
      {kObject, "setGlobal", NativeSetGlobal},
      {kObject, "_getClassName", NativeGetClassName},
      {kObject, "_newInstance", NativeNewInstance},
      {kObject, "_n_clearAllValues", NativeClearAllValues},
      {kObject, "TObject", NativeTObject},
      {kObject, "native_is", NativeIs},
      {kObject, "native_gc_mark", NativeGcMark},
      {kObject, "_n_refcount", NativeRefcount},
      {kObject, "_n_objhandle", NativeObjHandle},
      {kObject, "breakExec", NativeBreakExec},
      {kObject, "currentFunc", NativeCurrentFunc},
      {kObject, "_n_errorValue", NativeErrorValue},
      {kObject, "getTime", NativeGetTime},
      {kObject, "_n_randomize", NativeRandomize},
      {kObject, "rnd", NativeRnd},
      {kObject, "sin", NativeSin},
      {kObject, "cos", NativeCos},
      {kObject, "angle", NativeAngle},
      {kObject, "dist", NativeDist},
      {kObject, "trunc", NativeTrunc},
      {kObject, "floor", NativeFloor},
      {kObject, "sqrt", NativeSqrt},
      {kObject, "valueOf", NativeValueOf},
      {kObject, "rgb", NativeRgb},
      {kObject, "_n_initResource", NativeInitResource},
      {kObject, "_n_getResource", NativeGetResource},
      {kObject, "_inspect", NativeInspect},
      {kObject, "_dynamicInspect", NativeInspect},
      {kObject, "_n_getValueByIndex", NativeGetValueByIndex},
      {kObject, "_n_setValueByIndex", NativeSetValueByIndex},
      {kObject, "_n_getValueCount", NativeGetValueCount},
      {kObject, "_n_getValueName", NativeGetValueName},
      {kObject, "_n_getValueIndex", NativeGetValueIndex},
      {kObject, "isInt", NativeIsInt},
      {kObject, "isFloat", NativeIsFloat},

      {kString, "_free_body", NativeStringFreeBody},
      {kString, "native_init", NativeStringInit},
      {kString, "native_strcat", NativeStringCat},
      {kString, "native_substring", NativeSubstring},
      {kString, "_n_wsubstring", NativeWSubstring},
      {kString, "native_length", NativeStringLength},
      {kString, "_n_wlength", NativeWLength},
      {kString, "native_charAt", NativeCharAt},
      {kString, "_n_split", NativeSplit},
  };
  return table;
}

}  // namespace ruvel
