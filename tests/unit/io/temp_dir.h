// A scratch directory for one test, removed with everything in it.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace ruvel::test {

class TempDir {
 public:
  TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "ruvel_io_XXXXXX").string();
    path_ = mkdtemp(templ.data()) ? templ : "";
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

  void MakeDir(const std::string& rel) const { std::filesystem::create_directories(*this / rel); }
  void WriteFile(const std::string& rel, const std::string& data) const {
    std::ofstream(*this / rel, std::ios::binary) << data;
  }
  std::string ReadFile(const std::string& rel) const {
    std::ifstream in(*this / rel, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::string path_;
};

}  // namespace ruvel::test
