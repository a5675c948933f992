// The compressor catalogue: the installed compressors that take a frame of this screen.
#include <cstdint>

#include "camera/scrcam.h"

namespace {

// Opens catalogue entry `info` for questions; 0 when it cannot be opened.
HIC OpenForQuery(const ICINFO& info) { return ICOpen(info.fccType, info.fccHandler, ICMODE_QUERY); }

// Asks catalogue entry `index` to show one of its dialogs over `ownerWindow`.
void ShowCompressorDialog(const TScreenCam& camera, std::uint8_t index, std::uint32_t message, QWidget* ownerWindow) {
  if (index >= camera.CompressorCount) return;
  HIC hic = OpenForQuery(camera.Compressors[index]);
  if (!hic) return;
  ICSendMessage(hic, message, reinterpret_cast<std::uintptr_t>(ownerWindow), 0);
  ICClose(hic);
}

}  // namespace

void TScreenCam::RefreshCompressors() {
  PackedDib testFrame = CaptureFrame(0, 0, 320, 200);
  CompressorCount = 0;
  // Without a frame no compressor can be asked: the catalogue stays empty.
  if (!testFrame) return;
  for (std::uint32_t number = 0; number < MaxCompressors; ++number) {
    ICINFO& slot = Compressors[CompressorCount];
    if (!ICInfo(ICTYPE_VIDEO, number, &slot)) continue;
    HIC hic = OpenForQuery(slot);
    if (!hic) continue;
    if (ICSendMessage(hic, ICM_COMPRESS_QUERY, reinterpret_cast<std::uintptr_t>(testFrame), 0) == ICERR_OK) {
      ICGetInfo(hic, &slot, sizeof(ICINFO));
      ++CompressorCount;
    }
    ICClose(hic);
  }
  FreeFrame(testFrame);
}

void TScreenCam::ShowCompressorAbout(std::uint8_t index, QWidget* ownerWindow) {
  ShowCompressorDialog(*this, index, ICM_ABOUT, ownerWindow);
}

void TScreenCam::ShowCompressorConfig(std::uint8_t index, QWidget* ownerWindow) {
  ShowCompressorDialog(*this, index, ICM_CONFIGURE, ownerWindow);
}

void TScreenCam::QueryCompressorDialogs(std::uint8_t index, bool& hasAbout, bool& hasConfig) {
  hasAbout = false;
  hasConfig = false;
  if (index >= CompressorCount) return;
  HIC hic = OpenForQuery(Compressors[index]);
  if (!hic) return;
  hasAbout = ICSendMessage(hic, ICM_ABOUT, ICMF_QUERY_WINDOW, ICMF_ABOUT_QUERY) == ICERR_OK;
  hasConfig = ICSendMessage(hic, ICM_CONFIGURE, ICMF_QUERY_WINDOW, ICMF_CONFIGURE_QUERY) == ICERR_OK;
  ICClose(hic);
}
