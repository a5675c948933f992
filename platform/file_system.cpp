#include "file_system.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <system_error>

namespace platform {

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return FolderExists(path);
}

bool ForcePrivateDirectories(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(folder).parent_path(), error);
  ::mkdir(folder.c_str(), 0700);  // one that exists keeps its permissions: the user may have chosen them
  return FolderExists(path);
}

int CreateNewFile(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
}

std::string SystemErrorText(int error) { return std::generic_category().message(error); }

}  // namespace platform
