// TPageFileEnum: a visitor of the resource tree that collects the files the
// visited nodes come from (their source paths), in visiting order, each
// once. The start-up lists the whole tree's files with it, the project
// manager those of the project.
#pragma once
#include <string>
#include <vector>

#include "resources/resource.h"

namespace ruvel {

class TPageFileEnum : public TResourceIterator {
 public:
  void Visit(TResource* node) override;
  const std::vector<std::string>& Files() const { return files_; }

 private:
  std::vector<std::string> files_;
};

// The files of the subtree at node (none: an empty list).
std::vector<std::string> ListResourceFiles(TResource* node);

}  // namespace ruvel
