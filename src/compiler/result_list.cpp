#include "compiler/result_list.h"

#include "compiler/yup_stats.h"
#include "platform/cp932.h"
#include "platform/error.h"

namespace ruvel {

TResultList::TResultList() { yup_stats::ResultListCreated(); }
TResultList::~TResultList() { yup_stats::ResultListDestroyed(); }

std::unique_ptr<TResultList> TResultList::NewEmpty() const { return std::make_unique<TResultList>(); }

const TLexElem* TResultList::TokenItem(int i) const {
  if (i < 0 || i >= Count()) return nullptr;
  return items_[i].list ? nullptr : items_[i].token;
}

TResultList* TResultList::ListItem(int i) const {
  if (i < 0 || i >= Count()) return nullptr;
  return items_[i].list.get();
}

void TResultList::AddToken(const TLexElem* token) {
  TResultItem item;
  item.token = token;
  items_.push_back(std::move(item));
}

void TResultList::AddList(std::unique_ptr<TResultList> list) {
  TResultItem item;
  item.list = std::move(list);
  items_.push_back(std::move(item));
}

void TResultList::Add(TResultItem item) { items_.push_back(std::move(item)); }

void TResultList::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  items_.erase(items_.begin() + i);
}

TResultItem TResultList::PopBack() {
  TResultItem item = std::move(items_.back());
  items_.pop_back();
  return item;
}

std::unique_ptr<TResultList> TResList::NewEmpty() const { return std::make_unique<TResList>(); }

int32_t TResList::Generate(GrammarVisitor&) { return 0; }

TResList* TResList::NodeAt(int i) const { return dynamic_cast<TResList*>(ListItem(i)); }

TResList& TResList::Node(int i) const {
  TResList* node = NodeAt(i);
  if (!node) ShapeError(i);
  return *node;
}

const TLexElem& TResList::Token(int i) const {
  const TLexElem* token = TokenItem(i);
  if (!token) ShapeError(i);
  return *token;
}

void TResList::ShapeError(int i) const {
  throw ECmpError(J("構文木の形が不正です:") + ClassName() + "[" + std::to_string(i) + "]");
}

}  // namespace ruvel
