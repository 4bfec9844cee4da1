#include "runtime/startup.h"

#include <cstring>

#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/keys.h"
#include "platform/message_sink.h"
#include "runtime/modules.h"
#include "resources/resource_pattern.h"
#include "resources/resource_loader.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

// The classes in the order their natives are bound.
const char* const kRegistrationOrder[] = {
    "classes.lang.Array", "classes.lang.Object", "classes.lang.String", "classes.lang.Process",
    "classes.scr.Sprite", "classes.game.Char",  "Page",                "ProjectManager",
    "Window",             "classes.lang.CMML",   "classes.customres.CustomResource",
    "BuiltInResource",    "BinWriter",           "BinReader",           "ResourceReader",
    "ResourceWriter",     "SoundEffect",         "BGM",                 "MediaPlayer",
    "JoyStick",           "Panel",               "AbstractHashTable",   "LightHashTable",
    "HashTable",          "InputBox",            "SelectBox",           "Ranking",
    "System",             "FileReader",          "FileWriter",          "MouseManager",
    "classes.lang.Boot",
};

std::vector<const std::vector<NativeEntry>& (*)()>& Tables() {
  static std::vector<const std::vector<NativeEntry>& (*)()> tables = {CoreNatives, ProcessNatives, HashTableNatives,
                                                                      SystemNatives};
  return tables;
}

bool SameClass(const char* a, const char* b) { return EqualsNoCase(a, b); }

}  // namespace

void RegisterNativeTable(const std::vector<NativeEntry>& (*table)()) {
  for (auto t : Tables()) {
    if (t == table) return;
  }
  Tables().push_back(table);
}

std::vector<NativeEntry> OrderedNatives() {
  std::vector<NativeEntry> all;
  for (auto t : Tables()) {
    const auto& entries = t();
    all.insert(all.end(), entries.begin(), entries.end());
  }
  std::vector<NativeEntry> ordered;
  std::vector<char> used(all.size(), 0);
  for (const char* cls : kRegistrationOrder) {
    for (size_t i = 0; i < all.size(); ++i) {
      if (!used[i] && SameClass(all[i].className, cls)) {
        ordered.push_back(all[i]);
        used[i] = 1;
      }
    }
  }
  for (size_t i = 0; i < all.size(); ++i) {
    if (!used[i]) ordered.push_back(all[i]);
  }
  return ordered;
}

void StartScriptWorld(const std::string& programDir) {
  LogLine("Welcome to Ruvel System Ver 1.16");
  LogLine("");
  LogLine("Starting System..");
  LogLine("Loading Enviroment Values");
  SetBaseDir(programDir);
  LogLine("Loading Modules..");
  LogLine("Loading Kernel Resources..");
  SetRoot(LoadResourceFile(programDir + "/Kernel/resource.ruvelres"));
  VMState& vm = VM();
  vm.objectClass = FindClass("classes.lang.Object");
  vm.stringClass = FindClass("classes.lang.String");
  vm.arrayClass = FindClass("classes.lang.Array");
  if (!vm.objectClass || !vm.stringClass || !vm.arrayClass) {
    throw ERuvel(J("カーネルにclasses.lang.Object、String、Arrayのいずれかがありません"));
  }
  // "$KEY_" + every key name ($KEY_LEFT, $KEY_Z, $KEY_F1) holds its code for
  // getkey; the names come from the same table as those of --input.
  ForEachKeyName([](const std::string& name, int vk) {
    if (Value* slot = ScratchGlobal("$KEY_" + name)) ValueSetInt(*slot, vk);
  });
  LogLine("Compiling Kernel Resources..");
  vm.root->Initialize();
  LogLine("Setting Native Interfaces..");
  BindNatives(OrderedNatives());
  vm.arrayXIndex = vm.arrayClass->Members.IndexOf(Intern("_x"));
  vm.current = nullptr;
  // Pattern lists: the kernel's sheets, then the page's (when both exist).
  if (PatternHooks().startupStep) PatternHooks().startupStep();
  MountModules(programDir);
  InitializeModules();
  LogLine("Ready");
}

}  // namespace ruvel
