#include "tests/support/temp_folder.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace testsupport {
namespace {

class MadeFolders {
 public:
  ~MadeFolders() {
    if (std::getenv("KEEP")) return;
    std::error_code ignored;
    for (const std::string& folder : folders_) std::filesystem::remove_all(folder, ignored);
  }
  void Add(const std::string& folder) {
    std::lock_guard<std::mutex> guard(lock_);
    folders_.push_back(folder);
  }

 private:
  std::mutex lock_;
  std::vector<std::string> folders_;
};

MadeFolders& Made() {
  static MadeFolders made;
  return made;
}

}  // namespace

std::string MakeTempFolder(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder like " + pattern);
  Made().Add(pattern);
  return pattern;
}

}  // namespace testsupport
