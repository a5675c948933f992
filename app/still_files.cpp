#include "still_files.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "app/bmp_file.h"
#include "app/jpeg_file.h"
#include "app/output_naming.h"
#include "platform/file_system.h"

namespace app {
namespace {

// How many times a name taken between the numbering and the creation moves the still on to the
// next free name before the attempt is given up: a race lost that often is no race but a fault.
constexpr int kTakenNamesToSkip = 100;

std::runtime_error CannotCreate(const std::string& path, int error) {
  return std::runtime_error("Cannot create file \"" + path + "\". " + platform::SystemErrorText(error));
}

}  // namespace

StillFileKind KindOfStillFile(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return StillFileKind::Unsupported;
  }
  std::string extension = path.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".bmp") return StillFileKind::Bmp;
  if (extension == ".jpg") return StillFileKind::Jpeg;
  return StillFileKind::Unsupported;
}

bool WriteStillToNewFile(const std::string& path, const StillImage& image) {
  const StillFileKind kind = KindOfStillFile(path);
  if (kind == StillFileKind::Unsupported) return true;
  // Encode first: a failing encoder leaves no empty file behind.
  const std::vector<std::uint8_t> bytes = kind == StillFileKind::Bmp ? EncodeBmp(image) : EncodeJpeg(image);

  const int fd = platform::CreateNewFile(path);
  if (fd < 0) {
    if (errno == EEXIST) return false;
    throw CannotCreate(path, errno);
  }
  std::size_t written = 0;
  int error = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    written += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    ::unlink(path.c_str());  // a truncated image is no capture
    throw CannotCreate(path, error);
  }
  return true;
}

std::string SaveStill(const std::string& name, const StillImage& image) {
  std::string target = NextFreeName(name);
  for (int skipped = 0; !WriteStillToNewFile(target, image); ++skipped) {
    // Taken by a file meanwhile: the numbering moves past it. Taken by what the numbering does not
    // count as a file (a folder, a dangling link), the name can never be created: numbering again
    // would give it back for ever.
    if (!platform::FileExists(target) || skipped == kTakenNamesToSkip) throw CannotCreate(target, EEXIST);
    target = NextFreeName(target);
  }
  return target;
}

}  // namespace app
