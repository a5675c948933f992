#pragma once
// Where Help finds the manual: beside the executable (a build folder), else in the documentation
// folder of the prefix the executable is installed under.
#include <QString>

namespace app {

inline constexpr const char* kManualName = "vorlix_help.pdf";

// The manual for an executable in `executableFolder`: the first of the two places that holds it,
// else the place beside the executable (opening a missing manual passes silently).
QString ManualPath(const QString& executableFolder);

}  // namespace app
