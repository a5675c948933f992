#pragma once
// Fresh folders for tests, removed with everything in them when the test program ends (kept when
// the environment has KEEP, for a look after a failure).
#include <string>

namespace testsupport {

// A new empty folder /tmp/PREFIX-XXXXXX; throws std::runtime_error when none can be made.
std::string MakeTempFolder(const std::string& prefix);

}  // namespace testsupport
