#pragma once
// The AVI file of one recording attempt: the file, its video stream and the compressed stream
// in front of it, opened one after the other and released in the order the clean-up needs.
#include <QString>
#include <cstdint>

#include "camera/codec/vfw.h"

class TAviRecordingFile {
 public:
  TAviRecordingFile() = default;
  // An attempt left without Close did not end the ordinary way: it counts as failed.
  ~TAviRecordingFile() { static_cast<void>(Close(true)); }
  TAviRecordingFile(const TAviRecordingFile&) = delete;
  TAviRecordingFile& operator=(const TAviRecordingFile&) = delete;

  // Creates the file (only where nothing stands under its name, never through a link), its stream
  // and the compressed stream, and sets the frames' format (a BITMAPINFOHEADER and its colour
  // table). Each step runs only when every earlier one succeeded; the answer is the first failure,
  // or AVIERR_OK.
  HRESULT Open(const QString& fileName, const AVISTREAMINFOA& header, const AVICOMPRESSOPTIONS& options,
               const void* format, std::int32_t formatSize);
  // The system's words for why the file could not be created or written (e.g. "File too large");
  // empty when nothing failed or the system gave no reason. Complete once Close has run.
  const QString& FailureReason() const { return failureReason_; }
  // Hands one frame's pixel rows over for storing at stream position `position`; returns once
  // they are taken. A failure of an earlier frame may be the answer.
  HRESULT Write(std::int32_t position, const void* pixels, std::int32_t size);
  // Waits until every frame handed over is stored; the failure of any, or AVIERR_OK.
  HRESULT EndWrites();
  // Completes the file, frees the options, releases the file, the stream and the compressed
  // stream (each one that was obtained) and ends the AVI services. Runs once. When the attempt
  // failed (`attemptFailed`, or the file's end cannot be written) and no frame is stored, the
  // file this attempt created is removed, so that a repeat can take its name; a file that
  // someone else has put under the name meanwhile stays. The answer says whether the file's end
  // (index and header sizes) was written: AVIERR_OK, also when nothing was opened, or the
  // failure.
  HRESULT Close(bool attemptFailed);

 private:
  bool opened_ = false;
  QString failureReason_;
  AVICOMPRESSOPTIONS options_{};
  PAVIFILE file_ = nullptr;
  PAVISTREAM stream_ = nullptr;
  PAVISTREAM compressed_ = nullptr;
};
