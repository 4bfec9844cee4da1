#include "pages/page_script.h"

#include <filesystem>
#include <fstream>
#include <memory>

#include "compiler/compile_driver.h"
#include "compiler/multi_eval.h"
#include "compiler/snippet.h"
#include "platform/regular_file.h"
#include "platform/paths.h"
#include "pages/page_hash.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "resources/resource_generator.h"
#include "resources/resource_global.h"
#include "resources/resource_markup.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "vm/gc.h"
#include "vm/host_registry.h"
#include "vm/interpreter.h"
#include "vm/process.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

bool IsNameChar(char c) {
  return c == '@' || c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

void VisitGenerator(TGenerator& g, int pass, TMultiEvaluator& batch) {
  TRTTI* cls = g.FindGeneratedClass();
  if (!cls) {
    if (pass == 0) {
      ShowMessage(g.name + J("のクラス") + g.className + J("はありません。オブジェクトの作成を中止します"));
    }
    return;
  }
  // An object that was never created gets no member statements either:
  // the first of them would end the whole page script.
  if (!cls->Compiled) {
    if (pass == 0) LogLine(g.className + J("はコンパイルされていないので、オブジェクトを生成できません"));
    return;
  }
  if (pass == 0) {
    batch.Add(g.name + "=new " + g.className + "();");
    return;
  }
  for (const std::string& entry : g.instList) {
    if (TGenerator::IsMemberOf(cls, TGenerator::EntryKey(entry))) batch.Add(g.name + "." + entry + ";");
  }
  batch.Add(g.name + ".setGenerator( getResource(\"" + FullName(&g) + "\").getTObject() );");
  batch.Add(g.name + ".onGenerate();");
  if (g.parent && g.parent == FindResource("usr.gen")) {
    batch.Add("if ($_design_mode==0) { appear(" + g.name + "); }" + "else $chars.add(" + g.name + ");");
    batch.Add("_n_refresh();");
  }
}

}  // namespace

std::string PageScriptFileName(const std::string& pageFile) {
  std::string rel = PathRelative(pageFile, ProgramDir());
  std::string cleaned;
  for (size_t i = 0; i < rel.size(); ++i) {
    if (rel.compare(i, 2, "..") == 0) {
      cleaned += '@';
      ++i;
    } else if (IsNameChar(rel[i])) {
      cleaned += rel[i];
    }
  }
  return "i116_" + cleaned + ".ruvel";
}

std::string PageScriptPath(const std::string& pageFile) {
  std::string dir = TempDir();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return dir + "/" + PageScriptFileName(pageFile);
}

void TGenIterator::Visit(TResource* node) {
  if (auto* g = dynamic_cast<TGenerator*>(node)) {
    VisitGenerator(*g, pass_, batch_);
  } else if (auto* global = dynamic_cast<TGlobalValue*>(node)) {
    if (pass_ == 0 && !global->initialText.empty()) batch_.Add(global->name + "=" + global->initialText + ";");
  }
}

void BuildPageScript(TResource* usr, int32_t hashCode, TMultiEvaluator& batch) {
  batch.Add("$_hashCode=" + std::to_string(hashCode) + ";");
  batch.Add("if (!$_design_mode) { for (p in $procs) p.kill();} $chars.clear();");
  if (!usr) return;
  for (int pass = 0; pass < 2; ++pass) {
    TGenIterator it(batch, pass);
    usr->Accept(it);
  }
}

int RunPageScript(const std::string& text, const std::string& file) {
  auto cls = std::make_unique<TRTTI>("eval", file);
  if (CompileClass(*cls, text, false) != 0 || !cls->Compiled) return kPageScriptNotCompiled;
  VMState& vm = VM();
  Instance* inst = NewInstance(cls.get());
  TProcess* p = nullptr;
  try {
    p = TProcess::Create(inst, nullptr, "");
  } catch (const ERuvel& e) {
    DestroyInstance(inst);
    ReportError(e.Message(), file, 0);
    return kPageScriptFailed;
  }
  const bool savedPreempted = vm.preempted;
  for (;;) {
    Run(p, kUnlimitedBudget);
    // The script may have freed its own process.
    if (!IsLiveHost(p)) {
      p = nullptr;
      break;
    }
    if (p->halted) break;
  }
  vm.preempted = savedPreempted;
  int state = kPageScriptFinished;
  if (p) {
    state = p->state == 2 ? kPageScriptFailed : kPageScriptFinished;
    TProcess::Free(p);
  }
  // An instance still referenced (stored in a global, say) keeps its class
  // alive, as snippet classes are kept.
  bool escaped = inst->refcount > 0;
  if (!escaped) DestroyInstance(inst);
  if (escaped || !cls->LiveInstances().empty()) EvalCache().kept.push_back(std::move(cls));
  return state;
}

// A cached page script begins with the integrity value of the page file
// it was built from; a page edited since (outside design mode too) no
// longer matches and its script is built again.
bool PageScriptMatches(const std::string& file, int32_t hashCode) {
  if (!IsRegularFile(file)) return false;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  // The statement is among the first lines, after the class header.
  for (int n = 0; n < 4 && std::getline(in, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("$_hashCode=", 0) == 0) return line == "$_hashCode=" + std::to_string(hashCode) + ";";
  }
  return false;
}

int GeneratePage(const std::string& pageFile) {
  TResource* usr = FindResource("usr");
  std::string page = pageFile;
  if (page.empty() && usr) page = usr->sourcePath;
  if (page.empty()) {
    TMultiEvaluator batch;
    BuildPageScript(usr, 0, batch);
    return RunPageScript(batch.Text(), std::string());
  }
  std::string file = PageScriptPath(page);
  int32_t hashCode = PageHashCode(page);
  if (!PathExists(file) || !PageScriptMatches(file, hashCode)) {
    LogLine(J("ページ再構築中"));
    TMultiEvaluator batch;
    BuildPageScript(usr, hashCode, batch);
    // The file is a cache that is never rebuilt while it exists, so it is
    // written whole or not at all; without it the script runs uncached.
    if (!WriteLinesAtomic(file, batch.Lines())) return RunPageScript(batch.Text(), std::string());
  }
  return RunPageScript(ReadMarkupText(file), file);
}

}  // namespace ruvel
