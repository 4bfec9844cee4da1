#include "compiler/method_tables.h"

#include "runtime/function.h"
#include "runtime/rtti.h"

namespace ruvel {

namespace {

int32_t IndexByName(const std::vector<TFunction*>& table, int32_t nameId) {
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i]->NameId == nameId) return static_cast<int32_t>(i);
  }
  return -1;
}

// A parent's table with a class's own methods put over it, in their order.
std::vector<TFunction*> Derived(const std::vector<TFunction*>& parent, const std::vector<TFunction*>& own) {
  std::vector<TFunction*> table = parent;
  for (TFunction* f : own) {
    int32_t i = IndexByName(table, f->NameId);
    if (i >= 0) table[i] = f;
    else table.push_back(f);
  }
  return table;
}

}  // namespace

TMethodTables::TMethodTables(std::vector<TRTTI*> family) : family_(std::move(family)) {
  for (TRTTI* c : family_) before_.push_back(c->Methods);
}

void TMethodTables::Try(TRTTI& fresh) {
  fresh_ = &fresh;
  TRTTI& cls = *family_[0];
  std::vector<TFunction*> table = before_[0];
  for (TFunction* f : fresh.Methods) {
    if (f->Owner != &fresh) continue;  // inherited: the running table has it
    int32_t i = IndexByName(table, f->NameId);
    if (i < 0) table.push_back(f);
    else if (table[i]->Owner != &cls) table[i] = f;  // now overrides the parent's
    // the class's own methods keep their entries; their code is swapped
  }
  cls.Methods = table;
  for (size_t k = 1; k < family_.size(); ++k) {
    TRTTI* sub = family_[k];
    std::vector<TFunction*> own;
    for (TFunction* f : before_[k]) {
      if (f->Owner == sub) own.push_back(f);
    }
    sub->Methods = Derived(sub->Parent->Methods, own);
  }
}

void TMethodTables::Undo() {
  for (size_t k = 0; k < family_.size(); ++k) family_[k]->Methods = before_[k];
}

void TMethodTables::Commit() {
  // A method that leaves a table is still in its owner's (or in the
  // running frames' hands): counts only go down, nothing is freed here.
  for (size_t k = 0; k < family_.size(); ++k) {
    TRTTI* c = family_[k];
    for (TFunction* f : c->Methods) ++f->RefCount;
    for (TFunction* f : before_[k]) --f->RefCount;
    c->CachedConstructor = c->CachedDestructor = nullptr;
  }
  for (TFunction* f : family_[0]->Methods) {
    if (f->Owner == fresh_) f->Owner = family_[0];
  }
}

bool TMethodTables::Changed() const {
  for (size_t k = 0; k < family_.size(); ++k) {
    if (family_[k]->Methods != before_[k]) return true;
  }
  return false;
}

}  // namespace ruvel
