#include "scrcam.h"

#include "platform/screen_reader.h"

TScreenCam::TScreenCam(QWidget* owner) : Owner(owner) {
  // The screen is read once: later mode changes are not followed.
  const platform::ScreenReader& screen = platform::ScreenReader::Instance();
  ScreenBitsPerPixel = screen.BitsPerPixel();
  ScreenWidth = screen.Info().width;
  ScreenHeight = screen.Info().height;
}

TScreenCam::~TScreenCam() = default;

void TScreenCam::StartRecording(QWidget*, const QString&) {}

void TScreenCam::StopRecording() { Recording = false; }
