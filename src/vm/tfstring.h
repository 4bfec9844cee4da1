// TfString: the host string object carried by every script string, with a
// live count for the statistics line.
#pragma once
#include <string>

#include "vm/value.h"

namespace ruvel {

class TfString : public TObject {
 public:
  explicit TfString(std::string t);
  ~TfString() override;
  TfString(const TfString&) = delete;
  TfString& operator=(const TfString&) = delete;
  const char* TypeName() const override { return "TfString"; }
  static long LiveCount();

  std::string text;
};

}  // namespace ruvel
