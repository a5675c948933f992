// The layer rule, read from the sources: every folder of the program includes only its own folder
// and those the table below lets it reach, so that the codec services never learn about the camera
// and the camera never learns about the windows. Only the program's folders are read (not tests/,
// bench/); docs/architecture.md shows the same table.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Layer {
  std::string folder;
  std::vector<std::string> mayInclude;  // folders (their own files, not their subfolders) or single files
};

// From the ground up. A folder may always include its own files.
const std::vector<Layer> kLayers = {
    {"platform", {}},                                                           // the ground floor: nothing of ours
    {"widgets", {}},                                                            // beside platform: Qt only
    {"camera/codec/msvc1", {}},                                                 // our Video 1 encoder: plain C++
    {"camera/codec/zmbv", {}},                                                  // our ZMBV encoder: plain C++ and zlib
    {"camera/codec", {"camera/codec/msvc1", "camera/codec/zmbv", "platform"}},  // no window, no camera
    {"camera", {"camera/codec", "platform"}},                                   // the main window only as a QWidget*
    {"windows",
     {"camera", "camera/codec", "platform", "widgets", "app/ScreenUnit.h"}},  // the main window's global instance
    {"app", {"windows", "camera", "camera/codec", "platform", "widgets"}},
};

// Includes that break the rule today and are to be mended in the program, as {file, include}.
// Each entry is a debt: the test fails once an entry is no longer needed, so that it goes too.
const std::set<std::pair<std::string, std::string>> kKnownExceptions = {};

const fs::path kRoot = VORLIX_SOURCE_DIR;

// Headers CMake makes in the build folder (from cmake/*.h.in), open to every layer.
const std::set<std::string> kGenerated = {"vorlix_version.h"};

const Layer* LayerOf(const std::string& folder) {
  for (const Layer& layer : kLayers)
    if (layer.folder == folder) return &layer;
  return nullptr;
}

bool MayInclude(const Layer& from, const std::string& included) {
  const std::string folder = fs::path(included).parent_path().string();
  if (folder == from.folder) return true;
  return std::any_of(from.mayInclude.begin(), from.mayInclude.end(),
                     [&](const std::string& allowed) { return allowed == folder || allowed == included; });
}

struct Include {
  std::string file;  // relative to the source root
  int line;
  std::string text;      // as written
  std::string resolved;  // relative to the source root; empty when it names no file of the tree
};

// Quoted includes are looked up beside the including file first, then from the source root, as
// the compiler does with our one include directory; bracketed ones only from the root.
std::vector<Include> ReadIncludes(const fs::path& file) {
  static const std::regex directive(R"(^\s*#\s*include\s*([<"])([^">]+)[">])");
  std::vector<Include> includes;
  std::ifstream in(file);
  std::string text;
  const std::string relative = file.lexically_relative(kRoot).string();
  for (int line = 1; std::getline(in, text); ++line) {
    std::smatch m;
    if (!std::regex_search(text, m, directive)) continue;
    const std::string name = m[2];
    std::string resolved;
    if (m[1] == "\"" && fs::is_regular_file(file.parent_path() / name))
      resolved = (file.parent_path() / name).lexically_normal().lexically_relative(kRoot).string();
    else if (fs::is_regular_file(kRoot / name)) resolved = fs::path(name).lexically_normal().string();
    else if (m[1] == "<" || name.ends_with(".moc") || kGenerated.contains(name))
      continue;  // a system or library header, or moc's or CMake's output in the build folder
    includes.push_back({relative, line, name, resolved});
  }
  return includes;
}

std::vector<fs::path> ProgramSources() {
  std::vector<fs::path> files;
  for (const char* top : {"app", "windows", "camera", "platform", "widgets"})
    for (const auto& entry : fs::recursive_directory_iterator(kRoot / top))
      if (entry.is_regular_file() && (entry.path().extension() == ".cpp" || entry.path().extension() == ".h"))
        files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(LayerRule, NoFolderIncludesOneItMayNotReach) {
  std::string offences;
  std::set<std::pair<std::string, std::string>> excusesUsed;
  std::set<std::string> foldersSeen;
  int checked = 0;
  for (const fs::path& file : ProgramSources()) {
    const std::string folder = file.parent_path().lexically_relative(kRoot).string();
    const Layer* layer = LayerOf(folder);
    if (!layer) {
      offences += file.lexically_relative(kRoot).string() + ": folder " + folder + " has no place in the layers\n";
      continue;
    }
    foldersSeen.insert(folder);
    for (const Include& include : ReadIncludes(file)) {
      ++checked;
      if (!include.resolved.empty() && MayInclude(*layer, include.resolved)) continue;
      if (kKnownExceptions.contains({include.file, include.resolved})) {
        excusesUsed.insert({include.file, include.resolved});
        continue;
      }
      offences += include.file + ":" + std::to_string(include.line) + ": includes " + include.text +
                  (include.resolved.empty() ? " (no such file in the tree)\n" : "\n");
    }
  }
  EXPECT_TRUE(offences.empty()) << "includes against the layer rule (docs/architecture.md):\n" << offences;
  for (const auto& excuse : kKnownExceptions)
    EXPECT_TRUE(excusesUsed.contains(excuse))
        << excuse.first << " no longer includes " << excuse.second << ": drop it from kKnownExceptions";
  // A rule that read nothing would pass: every layer has sources, and they include something.
  EXPECT_EQ(foldersSeen.size(), kLayers.size());
  EXPECT_GT(checked, 100);
}

// The rule's own parts, on names rather than files.
TEST(LayerRule, TableAnswersAsDrawn) {
  struct Case {
    const char* from;
    const char* included;
    bool allowed;
  };
  const Case cases[] = {
      {"camera", "camera/codec/vfw.h", true},
      {"camera", "camera/codec/msvc1/msvc1_encoder.h", false},  // only through the codec services
      {"camera", "windows/ScrUnit.h", false},
      {"camera", "app/ScreenUnit.h", false},
      {"camera/codec", "camera/scrcam.h", false},
      {"camera/codec", "platform/clock.h", true},
      {"platform", "widgets/gradient.h", false},
      {"widgets", "platform/clock.h", false},
      {"windows", "app/ScreenUnit.h", true},
      {"windows", "app/still_files.h", false},
      {"app", "windows/ScrUnit.h", true},
      {"app", "camera/codec/msvc1/msvc1_encoder.h", false},
      {"app", "tests/support/process.h", false},
  };
  for (const Case& c : cases) {
    const Layer* layer = LayerOf(c.from);
    ASSERT_NE(layer, nullptr) << c.from;
    EXPECT_EQ(MayInclude(*layer, c.included), c.allowed) << c.from << " -> " << c.included;
  }
}

}  // namespace
