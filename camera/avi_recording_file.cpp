#include "camera/avi_recording_file.h"

#include <QFile>
#include <cerrno>

#include "platform/file_system.h"

HRESULT TAviRecordingFile::Open(const QString& fileName, const AVISTREAMINFOA& header,
                                const AVICOMPRESSOPTIONS& options, const void* format, std::int32_t formatSize) {
  opened_ = true;
  options_ = options;
  AVIFileInit();
  HRESULT result = AVIFileOpenA(&file_, QFile::encodeName(fileName).constData(), OF_WRITE | OF_CREATE, nullptr);
  if (result == AVIERR_FILEOPEN) failureReason_ = QString::fromStdString(platform::SystemErrorText(errno));
  if (result == AVIERR_OK) result = AVIFileCreateStreamA(file_, &stream_, &header);
  if (result == AVIERR_OK) result = AVIMakeCompressedStream(&compressed_, stream_, &options_, nullptr);
  if (result == AVIERR_OK) result = AVIStreamSetFormat(compressed_, 0, format, formatSize);
  return result;
}

HRESULT TAviRecordingFile::Write(std::int32_t position, const void* pixels, std::int32_t size) {
  return AVIStreamWrite(compressed_, position, 1, pixels, size, 0, nullptr, nullptr);
}

HRESULT TAviRecordingFile::EndWrites() { return compressed_ ? AVIStreamEndStreaming(compressed_) : AVIERR_OK; }

HRESULT TAviRecordingFile::Close(bool attemptFailed) {
  if (!opened_) return AVIERR_OK;
  opened_ = false;
  // Finished before the releases, which cannot tell whether the file's end was written.
  const HRESULT finished = file_ ? AVIFileFinish(file_) : AVIERR_OK;
  if (file_) {
    if (failureReason_.isEmpty()) failureReason_ = QString::fromStdString(AVIFileWriteFailure(file_));
    if (attemptFailed || finished != AVIERR_OK) static_cast<void>(AVIFileRemoveIfEmpty(file_));
  }
  LPAVICOMPRESSOPTIONS options = &options_;
  AVISaveOptionsFree(1, &options);
  if (file_) AVIFileRelease(file_);
  if (stream_) AVIStreamRelease(stream_);
  if (compressed_) AVIStreamRelease(compressed_);
  file_ = nullptr;
  stream_ = nullptr;
  compressed_ = nullptr;
  AVIFileExit();
  return finished;
}
