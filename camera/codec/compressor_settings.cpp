#include "camera/codec/compressor_settings.h"

#include <map>
#include <mutex>

namespace codec {
namespace {

std::mutex settingsMutex;
std::map<std::uint32_t, std::vector<int>> chosen;  // by FOURCC; missing: the defaults

std::vector<int> ChoicesLocked(const CompressorEntry& entry) {
  auto it = chosen.find(entry.fourcc);
  if (it != chosen.end()) return it->second;
  std::vector<int> defaults;
  for (const ChoiceSetting& setting : entry.settings) defaults.push_back(setting.defaultChoice);
  return defaults;
}

}  // namespace

std::vector<int> SettingChoices(const CompressorEntry& entry) {
  std::lock_guard lock(settingsMutex);
  return ChoicesLocked(entry);
}

void SetSettingChoices(const CompressorEntry& entry, const std::vector<int>& choices) {
  std::lock_guard lock(settingsMutex);
  std::vector<int> current = ChoicesLocked(entry);
  for (std::size_t i = 0; i < current.size() && i < choices.size(); ++i) {
    const int count = static_cast<int>(entry.settings[i].choices.size());
    if (choices[i] >= 0 && choices[i] < count) current[i] = choices[i];
  }
  chosen[entry.fourcc] = current;
}

std::vector<std::pair<std::string, std::string>> SettingValues(const CompressorEntry& entry) {
  const std::vector<int> choices = SettingChoices(entry);
  std::vector<std::pair<std::string, std::string>> values;
  for (std::size_t i = 0; i < entry.settings.size(); ++i) {
    const ChoiceSetting& setting = entry.settings[i];
    values.emplace_back(setting.option, setting.choices[static_cast<std::size_t>(choices[i])].value);
  }
  return values;
}

}  // namespace codec
