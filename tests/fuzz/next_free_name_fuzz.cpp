// Fuzz target: NextFreeName on arbitrary names and arbitrary sets of existing files.
// Input: names separated by NUL bytes; the first is the current name, the rest exist.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "app/output_naming.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::set<std::string> existing;
  std::string name;
  std::size_t start = 0;
  bool first = true;
  while (start <= text.size()) {
    std::size_t end = text.find('\0', start);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(start, end - start);
    if (first) name = part;
    else existing.insert(part);
    first = false;
    start = end + 1;
  }
  std::size_t looks = 0;
  const std::string result = app::NextFreeName(name, [&](const std::string& candidate) {
    // Every look must be at a new name: k taken names cost at most k + 1 looks.
    if (++looks > existing.size() + 1) std::abort();
    return existing.count(candidate) != 0;
  });
  if (existing.count(result)) std::abort();
  // The folder never changes.
  const std::size_t slash = name.rfind('/');
  if (slash != std::string::npos && result.compare(0, slash + 1, name, 0, slash + 1) != 0) std::abort();
  return 0;
}
