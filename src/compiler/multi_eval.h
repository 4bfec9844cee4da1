// TMultiEvaluator: collects many snippets into one script text in which
// each snippet is followed by a checkpoint assignment, so that after a run
// "$_exec_checkPoint" tells how many snippets ran to completion.
#pragma once
#include <string>
#include <vector>

namespace ruvel {

class TMultiEvaluator {
 public:
  TMultiEvaluator();
  // Appends snippet + CR LF + "$_exec_checkPoint=" + n + ";" where n is
  // the number of lines held before (the first snippet gets 1).
  void Add(const std::string& snippet);
  // Writes the lines as a text file, each ended by CR LF. Raises EIOError
  // when the file cannot be written.
  void SaveToFile(const std::string& path) const;
  const std::vector<std::string>& Lines() const { return lines_; }
  // The lines joined as SaveToFile writes them.
  std::string Text() const;

 private:
  std::vector<std::string> lines_;
};

}  // namespace ruvel
