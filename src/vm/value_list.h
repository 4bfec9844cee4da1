// TValueList: the host list of value cells behind a script array (held in
// the array's "_x" member). Cells are counted references.
#pragma once
#include <vector>

#include "vm/value.h"

namespace ruvel {

class TValueList : public TObject {
 public:
  TValueList();
  ~TValueList() override;
  TValueList(const TValueList&) = delete;
  TValueList& operator=(const TValueList&) = delete;
  const char* TypeName() const override { return "TList"; }
  static constexpr HostKind kHostKind = HostKind::kValueList;

  // Cells hold retained values; use ValueAssign to change them.
  std::vector<Value> cells;
  // Appends a retained copy of v (the live-cell count follows the list).
  void Add(const Value& v);
  void Insert(size_t index, const Value& v);
  // Releases the cell and removes it.
  void Delete(size_t index);
  // Releases every cell.
  void Clear();
};

}  // namespace ruvel
