#pragma once
// What the configuration dialogs set: the chosen value of each entry's settings, kept in memory
// for the run and shared by every thread.
#include <string>
#include <utility>
#include <vector>

#include "camera/codec/compressor_table.h"

namespace codec {

// Index of the chosen choice of each of the entry's settings.
std::vector<int> SettingChoices(const CompressorEntry& entry);
// Out-of-range indexes are ignored.
void SetSettingChoices(const CompressorEntry& entry, const std::vector<int>& choices);
// The chosen values as option name and value.
std::vector<std::pair<std::string, std::string>> SettingValues(const CompressorEntry& entry);

}  // namespace codec
