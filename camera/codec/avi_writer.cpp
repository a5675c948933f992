#include "camera/codec/avi_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include "platform/file_system.h"

namespace codec {

std::unique_ptr<AviWriter> AviWriter::Create(const std::string& path) {
  std::unique_ptr<AviWriter> writer(new AviWriter);
  if (avformat_alloc_output_context2(&writer->context_, nullptr, "avi", nullptr) < 0) return nullptr;
  // Created here, only where nothing stands under the name and never through a link; libavformat
  // then opens this very file through our descriptor, so the name is not looked up a second time.
  writer->fd_ = platform::CreateNewFile(path);
  if (writer->fd_ < 0) return nullptr;
  writer->path_ = path;
  struct stat created {};
  if (::fstat(writer->fd_, &created) == 0) {
    writer->device_ = created.st_dev;
    writer->inode_ = created.st_ino;
  }
  const std::string url = "file:/proc/self/fd/" + std::to_string(writer->fd_);
  if (avio_open(&writer->context_->pb, url.c_str(), AVIO_FLAG_WRITE) < 0) {
    const int error = errno;
    writer->RemoveCreatedFile();  // ours, and still empty
    errno = error;
    return nullptr;
  }
  return writer;
}

AviWriter::~AviWriter() {
  Finish();
  if (fd_ >= 0) ::close(fd_);
}

HRESULT AviWriter::StartVideoStream(const VideoStreamFormat& format) {
  if (started_ || finished_) return AVIERR_UNSUPPORTED;
  AVStream* stream = avformat_new_stream(context_, nullptr);
  if (!stream) return AVIERR_MEMORY;
  AVCodecParameters* parameters = stream->codecpar;
  parameters->codec_type = AVMEDIA_TYPE_VIDEO;
  parameters->codec_id = static_cast<AVCodecID>(format.codecId);
  parameters->codec_tag = format.fourcc;
  parameters->width = format.width;
  parameters->height = format.height;
  parameters->bits_per_coded_sample = format.bitsPerCodedSample;
  if (!format.codecPrivateData.empty()) {
    const std::size_t size = format.codecPrivateData.size();
    parameters->extradata = static_cast<std::uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!parameters->extradata) return AVIERR_MEMORY;
    std::memcpy(parameters->extradata, format.codecPrivateData.data(), size);
    parameters->extradata_size = static_cast<int>(size);
  }
  stream->time_base = AVRational{format.scale, format.rate};
  stream->avg_frame_rate = AVRational{format.rate, format.scale};
  if (!format.name.empty()) av_dict_set(&stream->metadata, "title", format.name.c_str(), 0);
  rate_ = format.rate;
  scale_ = format.scale;

  if (avformat_write_header(context_, nullptr) < 0) return Flush() ? AVIERR_BADFORMAT : AVIERR_FILEWRITE;
  started_ = true;
  return Flush() ? AVIERR_OK : AVIERR_FILEWRITE;
}

HRESULT AviWriter::WriteFrame(std::int64_t position, std::span<const std::uint8_t> bytes, bool keyFrame) {
  if (!started_ || finished_) return AVIERR_UNSUPPORTED;
  if (position <= lastPosition_) return AVIERR_BADPARAM;
  // The muxer fills gaps between packets with empty chunks, but not a gap before the first one.
  if (lastPosition_ < 0 && position > 0) {
    const HRESULT result = WritePacket(0, {}, false);
    if (result != AVIERR_OK) return result;
  }
  const HRESULT result = WritePacket(position, bytes, keyFrame);
  if (result == AVIERR_OK) frameStored_ = true;
  return result;
}

HRESULT AviWriter::WritePacket(std::int64_t position, std::span<const std::uint8_t> bytes, bool keyFrame) {
  AVStream* stream = context_->streams[0];
  AVPacket* packet = av_packet_alloc();
  if (!packet) return AVIERR_MEMORY;
  packet->data = const_cast<std::uint8_t*>(bytes.data());
  packet->size = static_cast<int>(bytes.size());
  packet->stream_index = 0;
  packet->pts = packet->dts = av_rescale_q(position, AVRational{scale_, rate_}, stream->time_base);
  packet->duration = av_rescale_q(1, AVRational{scale_, rate_}, stream->time_base);
  if (keyFrame) packet->flags |= AV_PKT_FLAG_KEY;
  // Everything before this packet is on disk: where the file ends now.
  const std::int64_t completeSize = avio_tell(context_->pb);
  const int result = av_write_frame(context_, packet);
  av_packet_free(&packet);
  // Flushed whatever the muxer said, so that a failed write of the bytes is seen here.
  const bool flushed = Flush();
  if (!flushed) {
    // A full disk or a size limit cut the chunk short: without its broken end the file still
    // plays cleanly up to the last whole frame.
    // When even that fails, the broken end stays; players stop at it.
    if (completeSize >= 0) static_cast<void>(::ftruncate(fd_, completeSize));
    return AVIERR_FILEWRITE;
  }
  if (result < 0) {
    NoteFailure(result);
    return AVIERR_ERROR;
  }
  lastPosition_ = position;
  return AVIERR_OK;
}

bool AviWriter::Flush() {
  avio_flush(context_->pb);
  if (context_->pb->error >= 0) return true;
  NoteFailure(context_->pb->error);
  return false;
}

void AviWriter::NoteFailure(int averror) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(averror, text, sizeof text);
  const std::lock_guard<std::mutex> guard(failureLock_);
  // The first failure is the cause; later ones follow from it.
  if (writeFailure_.empty()) writeFailure_ = text;
}

std::string AviWriter::WriteFailure() const {
  const std::lock_guard<std::mutex> guard(failureLock_);
  return writeFailure_;
}

bool AviWriter::RemoveCreatedFile() {
  if (path_.empty()) return false;
  struct stat now {};
  // The name as it is now, not where a link there would lead.
  if (::lstat(path_.c_str(), &now) != 0 || !S_ISREG(now.st_mode)) return false;
  if (now.st_dev != device_ || now.st_ino != inode_) return false;
  if (::unlink(path_.c_str()) != 0) return false;
  path_.clear();
  return true;
}

HRESULT AviWriter::Finish() {
  if (finished_ || !context_) return AVIERR_OK;
  finished_ = true;
  HRESULT result = AVIERR_OK;
  if (started_ && context_->pb) {
    if (const int written = av_write_trailer(context_); written < 0) {
      NoteFailure(written);
      result = AVIERR_FILEWRITE;
    }
    if (!Flush()) result = AVIERR_FILEWRITE;
  }
  if (context_->pb) {
    if (const int closed = avio_closep(&context_->pb); closed < 0) {
      NoteFailure(closed);
      result = AVIERR_FILEWRITE;
    }
  }
  avformat_free_context(context_);
  context_ = nullptr;
  return result;
}

}  // namespace codec
