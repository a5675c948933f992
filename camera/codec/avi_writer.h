#pragma once
// One video stream into an AVI file, through libavformat's AVI muxer. Every frame is handed to
// the operating system as soon as it is written, so a writer that dies leaves a file that
// players still read up to its last frame.
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "camera/codec/vfw_types.h"

struct AVFormatContext;

namespace codec {

struct VideoStreamFormat {
  int codecId = 0;           // AVCodecID
  std::uint32_t fourcc = 0;  // stored as the stream's handler and the format's compression
  int width = 0, height = 0;
  int bitsPerCodedSample = 0;
  std::span<const std::uint8_t> codecPrivateData;
  int rate = 10, scale = 1;  // frames per second = rate / scale
  std::string name;          // stream name, may be empty
};

class AviWriter {
 public:
  // Creates the file where nothing stands under its name, never through a symbolic link and never
  // replacing anything; nullptr when it cannot be created.
  static std::unique_ptr<AviWriter> Create(const std::string& path);
  ~AviWriter();
  AviWriter(const AviWriter&) = delete;
  AviWriter& operator=(const AviWriter&) = delete;

  // Declares the stream and writes the file's header. Once.
  HRESULT StartVideoStream(const VideoStreamFormat& format);

  // Stores a coded frame at `position` (above the last one); skipped positions become empty
  // chunks. AVIERR_FILEWRITE when the bytes could not be written.
  HRESULT WriteFrame(std::int64_t position, std::span<const std::uint8_t> bytes, bool keyFrame);

  // Writes the index and the final header sizes and closes the file. Also done on destruction.
  HRESULT Finish();

  // Whether a frame (not just a header or an empty chunk) is stored in the file.
  bool FrameStored() const { return frameStored_; }
  // The system's or libavformat's words for the first failure to write the file ("No space left
  // on device", "File too large"...); empty while there was none. Any thread.
  std::string WriteFailure() const;
  // Removes the file this writer created, when the name still leads to that very file: not when
  // it was renamed away, replaced, or its name is now a link. True when it was removed.
  bool RemoveCreatedFile();

 private:
  AviWriter() = default;
  HRESULT WritePacket(std::int64_t position, std::span<const std::uint8_t> bytes, bool keyFrame);
  bool Flush();
  void NoteFailure(int averror);

  AVFormatContext* context_ = nullptr;
  int fd_ = -1;  // the file, held for cutting off a broken end
  std::string path_;
  dev_t device_ = 0;  // the created file's identity, to know it again under its name
  ino_t inode_ = 0;
  std::atomic<bool> frameStored_{false};  // written on the stream's coding thread
  mutable std::mutex failureLock_;
  std::string writeFailure_;  // guarded by failureLock_
  bool started_ = false;
  bool finished_ = false;
  std::int64_t lastPosition_ = -1;
  int rate_ = 10, scale_ = 1;
};

}  // namespace codec
