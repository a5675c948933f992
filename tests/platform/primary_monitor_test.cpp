// Which monitor stands for the whole screen, from what RandR lists.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "platform/primary_monitor.h"

namespace platform {
std::ostream& operator<<(std::ostream& out, const MonitorRect& r) {
  return out << r.left << "," << r.top << " " << r.width << "x" << r.height;
}
}  // namespace platform

namespace {

using platform::Monitor;
using platform::MonitorRect;

constexpr int kWidth = 2048, kHeight = 768;
const MonitorRect kScreen{0, 0, kWidth, kHeight};
const MonitorRect kLeft{0, 0, 1024, 768};
const MonitorRect kRight{1024, 0, 1024, 768};

TEST(ChoosePrimaryMonitor, PrimaryElseTheFirstListedElseTheWholeScreen) {
  struct Case {
    const char* what;
    std::vector<Monitor> monitors;
    MonitorRect expected;
  };
  const Case cases[] = {
      {"no monitors (RandR before 1.5)", {}, kScreen},
      {"one monitor, not flagged primary", {{kScreen, false}}, kScreen},
      {"primary away from the origin", {{kLeft, false}, {kRight, true}}, kRight},
      {"primary listed first", {{kRight, true}, {kLeft, false}}, kRight},
      {"no primary: the first listed", {{kRight, false}, {kLeft, false}}, kRight},
      {"primary reaching past the screen is cut", {{{1024, -10, 2000, 900}, true}}, kRight},
      {"primary wholly off the screen", {{{3000, 0, 800, 600}, true}}, kScreen},
      {"primary without pixels: the first with some", {{{1024, 0, 0, 768}, true}, {kLeft, false}}, kLeft},
      {"off the screen is passed over", {{{-2048, 0, 1024, 768}, false}, {kLeft, false}}, kLeft},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::ChoosePrimaryMonitor(c.monitors, kWidth, kHeight), c.expected) << c.what;
}

}  // namespace
