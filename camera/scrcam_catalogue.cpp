// The compressor catalogue: the installed compressors that take a frame of this screen.
#include <cstdint>

#include "camera/codec/open_compressor.h"
#include "camera/scrcam.h"
#include "camera/scrcam_held_frame.h"

namespace {

// Catalogue entry `info`, opened for questions.
codec::TOpenCompressor OpenForQuery(const ICINFO& info) { return {info.fccType, info.fccHandler, ICMODE_QUERY}; }

// Asks catalogue entry `index` to show one of its dialogs over `ownerWindow`.
void ShowCompressorDialog(const TScreenCam& camera, std::uint8_t index, std::uint32_t message, QWidget* ownerWindow) {
  if (index >= camera.CompressorCount) return;
  if (const codec::TOpenCompressor compressor = OpenForQuery(camera.Compressors[index]); compressor) {
    compressor.Send(message, reinterpret_cast<std::uintptr_t>(ownerWindow), 0);
  }
}

}  // namespace

void TScreenCam::RefreshCompressors() {
  THeldFrame testFrame;
  testFrame.Reset(CaptureFrame(0, 0, 320, 200));
  CompressorCount = 0;
  // Without a frame no compressor can be asked: the catalogue stays empty.
  if (!testFrame.Get()) return;
  for (std::uint32_t number = 0; number < MaxCompressors; ++number) {
    ICINFO& slot = Compressors[CompressorCount];
    if (!ICInfo(ICTYPE_VIDEO, number, &slot)) continue;
    const codec::TOpenCompressor compressor = OpenForQuery(slot);
    if (compressor &&
        compressor.Send(ICM_COMPRESS_QUERY, reinterpret_cast<std::uintptr_t>(testFrame.Get()), 0) == ICERR_OK) {
      ICGetInfo(compressor.Get(), &slot, sizeof(ICINFO));
      ++CompressorCount;
    }
  }
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
  const codec::TOpenCompressor compressor = OpenForQuery(Compressors[index]);
  if (!compressor) return;
  hasAbout = compressor.Send(ICM_ABOUT, ICMF_QUERY_WINDOW, ICMF_ABOUT_QUERY) == ICERR_OK;
  hasConfig = compressor.Send(ICM_CONFIGURE, ICMF_QUERY_WINDOW, ICMF_CONFIGURE_QUERY) == ICERR_OK;
}
