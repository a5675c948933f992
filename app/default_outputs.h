#pragma once
// Where captures go until the user chooses other names: the same for the windows and the
// commands that take a still without them.
#include <string>

namespace app {

// "$HOME/Temp Vorlix/", with its final slash.
std::string DefaultOutputFolder();
inline constexpr const char* kDefaultImageName = "My screenshot.bmp";
inline constexpr const char* kDefaultVideoName = "My video.avi";

}  // namespace app
