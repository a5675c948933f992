#include "tests/windows/region_fixture.h"

#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/ScreenUnit.h"
#include "app/startup.h"
#include "tests/support/x_session.h"
#include "tests/windows/ui_wait.h"
#include "tests/windows/x_window_state.h"
#include "widgets/image_button.h"
#include "windows/ScrUnit.h"

using windowstest::PumpUntil;

void RegionWindowTest::ClickRegionButton() { ScreenForm->bt_Region->click(); }

void RegionWindowTest::ShowRegion() {
  if (!ScreenForm->bt_Region->Pressed()) ClickRegionButton();
  ASSERT_TRUE(PumpUntil([] {
    return ScrForm->isVisible() && ScrForm->windowHandle()->isExposed() &&
           windowstest::ServerGeometry(ScrForm->winId()).topLeft() == ScrForm->pos();
  }));
  windowstest::Pump(200);
}

void RegionWindowTest::Pointer(const std::string& arguments) {
  testsupport::Xdotool(arguments);
  windowstest::Pump(150);
}

QPoint RegionWindowTest::OnScreen(int x, int y) const {
  return windowstest::ServerGeometry(ScrForm->winId()).topLeft() + QPoint(x, y);
}

std::string RegionWindowTest::MessageLog() const {
  std::ifstream in(home_ + "/messages.log");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
