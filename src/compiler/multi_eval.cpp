#include "compiler/multi_eval.h"

#include <fstream>

#include "platform/cp932.h"
#include "platform/error.h"

namespace ruvel {

TMultiEvaluator::TMultiEvaluator() { lines_.push_back("extends Object; $_exec_checkPoint=-1;"); }

void TMultiEvaluator::Add(const std::string& snippet) {
  lines_.push_back(snippet + "\r\n$_exec_checkPoint=" + std::to_string(lines_.size()) + ";");
}

std::string TMultiEvaluator::Text() const {
  std::string text;
  for (const std::string& line : lines_) text += line + "\r\n";
  return text;
}

void TMultiEvaluator::SaveToFile(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::string text = Text();
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) throw EIOError(path + J("に書き込めません"));
}

}  // namespace ruvel
