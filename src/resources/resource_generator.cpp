#include "resources/resource_generator.h"

#include <utility>

#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "runtime/function.h"
#include "resources/resource_markup.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "resources/sgml.h"
#include "vm/host_registry.h"
#include "vm/symbols.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

constexpr std::string_view kConstPrefix = "const_";
constexpr std::string_view kInstPrefix = "inst_";
const char kSnippetHead[] = "extends classes.lang.Object;\r\n";

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Runs script statements through the snippet evaluator; 1 (not compiled)
// while none is installed.
int Evaluate(const std::string& text) {
  if (!VM().evaluateSnippet) return 1;
  return VM().evaluateSnippet(text);
}

}  // namespace

TGenerator::TGenerator(const TSGML& element, const std::string& base) {
  name = element.GetAttr("name");
  sourcePath = ResolveSource(element.GetAttr("src"), base);
  className = element.GetAttr("classname");
  for (size_t i = 0; i < element.AttrCount(); ++i) {
    const std::string& attr = element.AttrName(i);
    const std::string& value = element.AttrValue(i);
    if (StartsWith(attr, kConstPrefix)) {
      constList.push_back(attr.substr(kConstPrefix.size()) + "=" + value);
    } else if (StartsWith(attr, kInstPrefix)) {
      instList.push_back(attr.substr(kInstPrefix.size()) + "=" + value);
    }
  }
  // Scripts hold this node as a host value (setGenerator); the attribute
  // setters check it is still alive before they touch it.
  RegisterHost(this);
}

TGenerator::~TGenerator() {
  UnregisterHost(this);
  // The object placed by this generator must not keep a host reference to
  // a freed node. Only an existing global is looked at: resolving the name
  // would create it.
  TResourceList* globals = UserGlobals();
  if (name.empty() || !globals) return;
  TResource* global = globals->Child(name);
  Value* v = global ? global->ValuePtr() : nullptr;
  if (!v || v->tag != kObject || !v->obj || v->obj->refcount < 0) return;
  int32_t cache = 0;
  Value* member = FindMemberSlot(v->obj, kSymGenerator, cache);
  if (!member) return;
  if (member->tag == kHost && member->host == this) {
    ValueSetNull(*member);
    LogLine("TGenerator.Destroy :" + name + " matched.");
  } else {
    LogLine("TGenerator.Destroy : " + name + " UNmatched.");
  }
}

std::string_view TGenerator::EntryKey(std::string_view entry) { return entry.substr(0, entry.find('=')); }

const std::string* TGenerator::EntryValue(const std::vector<std::string>& list, std::string_view key) {
  for (const std::string& entry : list) {
    if (entry.find('=') != std::string::npos && EqualsNoCase(EntryKey(entry), key)) return &entry;
  }
  return nullptr;
}

void TGenerator::SetInstAttr(std::string_view key, const std::string& text) {
  for (size_t i = 0; i < instList.size(); ++i) {
    if (EqualsNoCase(EntryKey(instList[i]), key)) {
      instList.erase(instList.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  if (!text.empty()) instList.push_back(std::string(key) + "=" + text);
}

TRTTI* TGenerator::FindGeneratedClass() const { return className.empty() ? nullptr : FindClass(className); }

bool TGenerator::IsMemberOf(const TRTTI* cls, std::string_view key) {
  if (!cls) return false;
  // A name never interned cannot be a member; looking it up must not
  // intern it.
  int32_t id = Symbols().Find(key);
  return id >= 0 && cls->Members.IndexOf(id) >= 0;
}

void TGenerator::PrepareStep(TInitContext& ctx) {
  if (state == kReady) {
    state = kClassMissing;
    TRTTI* cls = FindGeneratedClass();
    if (!cls) {
      ShowMessage(J("クラス") + className + J("はありません。オブジェクトの作成を中止します"));
    } else if (!cls->Compiled) {
      throw ERuvel(className + J("はコンパイルされていないので、オブジェクトを生成できません"));
    } else {
      state = kFailed;
      // Constructor arguments by parameter name; null for a missing one.
      std::string args;
      if (auto* ctor = dynamic_cast<TNormalFunction*>(cls->ConstructorOf())) {
        for (size_t i = 0; i < ctor->Params.size(); ++i) {
          if (i > 0) args += ",";
          const std::string* entry = EntryValue(constList, ctor->Params[i]);
          args += entry ? entry->substr(entry->find('=') + 1) : std::string("null");
        }
      }
      std::string text = kSnippetHead + name + "=new " + className + "(" + args + ");" + "\r\n";
      if (Evaluate(text) == 0) state = kCreated;
    }
  } else if (state == kCreated) {
    Value* tmp = ScratchGlobal("$_tmp_gen");
    if (tmp) ValueSetHost(*tmp, this);
    bool ok = false;
    if (TRTTI* cls = FindGeneratedClass()) {
      std::string text = kSnippetHead;
      for (const std::string& entry : instList) {
        if (IsMemberOf(cls, EntryKey(entry))) text += name + "." + entry + ";" + "\r\n";
      }
      text += name + ".setGenerator($_tmp_gen);" + "\r\n";
      text += name + ".onGenerate();" + "\r\n";
      ok = Evaluate(text) == 0;
    }
    // The global must not keep a pointer that outlives this node.
    if ((tmp = ScratchGlobal("$_tmp_gen"))) ValueSetInt(*tmp, 0);
    state = ok ? kReady : kFailed;
  }
  switch (state) {
    case kReady:
      ++ctx.Done;
      break;
    case kCreated:
      ++ctx.Pending;
      break;
    default:
      ++ctx.Failed;
      break;
  }
}

std::string TGenerator::MarkupText(const std::string& indent) const {
  std::vector<std::pair<std::string, std::string>> pairs;
  pairs.emplace_back("className", className);
  pairs.emplace_back("name", name);
  if (!sourcePath.empty()) pairs.emplace_back("src", RelativeSource(sourcePath));
  auto addEntries = [&pairs](const std::vector<std::string>& list, std::string_view prefix) {
    for (const std::string& entry : list) {
      size_t eq = entry.find('=');
      std::string key = entry.substr(0, eq);
      std::string value = eq == std::string::npos ? std::string() : entry.substr(eq + 1);
      pairs.emplace_back(std::string(prefix) + key, value);
    }
  };
  addEntries(instList, kInstPrefix);
  addEntries(constList, kConstPrefix);
  TMarkupAttrs attrs;
  for (const auto& [n, v] : pairs) attrs.emplace_back(n, v);
  return MarkupLine(indent, "generator", attrs, "/>");
}

void TGenerator::WriteMarkup(std::vector<std::string>& lines, const std::string& indent) {
  // The object may write its state back through the attribute setters.
  if (!name.empty() && VM().root) Evaluate("if (" + name + ") " + name + ".onSaveToGen();");
  lines.push_back(MarkupText(indent));
}

}  // namespace ruvel
