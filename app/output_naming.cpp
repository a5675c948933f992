#include "output_naming.h"

#include <cctype>
#include <optional>

#include "platform/file_system.h"

namespace app {
namespace {

// Reads three characters as a signed decimal number: leading spaces, then an optional sign, then
// digits only. Anything else (hexadecimal "x12", letters) is no number.
std::optional<int> ParseCounter(const std::string& three) {
  std::size_t i = 0;
  while (i < three.size() && three[i] == ' ') ++i;
  bool negative = false;
  if (i < three.size() && (three[i] == '+' || three[i] == '-')) {
    negative = three[i] == '-';
    ++i;
  }
  if (i == three.size()) return std::nullopt;
  int value = 0;
  for (; i < three.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(three[i]))) return std::nullopt;
    value = value * 10 + (three[i] - '0');
  }
  return negative ? -value : value;
}

std::string FirstNumberedForm(const std::string& fileName) { return "001_" + fileName; }

}  // namespace

std::string NextNumberedFileName(const std::string& fileName) {
  if (fileName.size() < 3 || !std::isdigit(static_cast<unsigned char>(fileName[2]))) {
    return FirstNumberedForm(fileName);
  }
  const std::optional<int> counter = ParseCounter(fileName.substr(0, 3));
  // A name like "ab1.bmp" looks numbered but holds no counter: it is numbered like any other name.
  if (!counter) return FirstNumberedForm(fileName);
  const int n = *counter;
  const char* zeroFill = (n >= 0 && n <= 8) ? "00" : (n >= 9 && n <= 98) ? "0" : "";
  return zeroFill + std::to_string(n + 1) + fileName.substr(3);
}

std::string NextFreeName(const std::string& name, const FileExistsTest& exists) {
  std::string candidate = name;
  while (exists(candidate)) {
    const std::size_t slash = candidate.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : candidate.substr(0, slash + 1);
    const std::string fileName = slash == std::string::npos ? candidate : candidate.substr(slash + 1);
    candidate = folder + NextNumberedFileName(fileName);
  }
  return candidate;
}

std::string NextFreeName(const std::string& name) { return NextFreeName(name, platform::FileExists); }

}  // namespace app
