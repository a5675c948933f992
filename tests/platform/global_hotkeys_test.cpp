// Global hotkeys follow their keys when the keymap changes, as a new keyboard layout or a tool that
// injects keys makes it change.
#include "platform/global_hotkeys.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <regex>
#include <string>

#include "tests/support/process.h"

namespace {

constexpr unsigned kF1 = 0xffbe;  // XK_F1

// The key codes that make F1 now, from the server's keymap.
std::string KeycodesOfF1() {
  const std::string table = testsupport::Run("xmodmap -pke").output;
  std::string codes;
  const std::regex line(R"(keycode\s+(\d+) = F1( |$))");
  for (auto it = std::sregex_iterator(table.begin(), table.end(), line); it != std::sregex_iterator(); ++it)
    codes += (*it)[1].str() + " ";
  return codes;
}

TEST(GlobalHotkeys, FollowTheirKeyToAnotherKeycode) {
  platform::GlobalHotkeys hotkeys;
  ASSERT_TRUE(hotkeys.Register(1, platform::GlobalHotkeys::Control | platform::GlobalHotkeys::Shift, kF1));
  int presses = 0;
  QObject::connect(&hotkeys, &platform::GlobalHotkeys::HotKey, [&](int id) { presses += id == 1; });

  // F1 leaves its key for a spare one.
  const std::string before = KeycodesOfF1();
  ASSERT_FALSE(before.empty());
  std::string remap = "xmodmap";
  for (std::size_t start = 0, end; (end = before.find(' ', start)) != std::string::npos; start = end + 1)
    remap += " -e 'keycode " + before.substr(start, end - start) + " = NoSymbol'";
  remap += " -e 'keycode 250 = F1'";
  ASSERT_EQ(testsupport::Run(remap).exitCode, 0);
  ASSERT_EQ(KeycodesOfF1(), "250 ");

  // xdotool presses whichever key makes F1 now. Until the program has taken in the new keymap the
  // press reaches nobody, so it is repeated until one arrives.
  const bool arrived = testsupport::WaitUntil(
      [&] {
        QCoreApplication::processEvents();
        if (presses > 0) return true;
        testsupport::Run("xdotool key ctrl+shift+F1");
        QCoreApplication::processEvents();
        return presses > 0;
      },
      testsupport::kPatience);
  EXPECT_TRUE(arrived) << "Ctrl+Shift+F1 on its new key never reached the hotkey";
}

}  // namespace
