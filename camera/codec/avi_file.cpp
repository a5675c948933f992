// The AVI file services: reference-counted files and streams over AviWriter, and the compressed
// stream that runs each written frame through a compressor entry's encoder.
#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "camera/codec/avi_writer.h"
#include "camera/codec/compressor_settings.h"
#include "camera/codec/compressor_table.h"
#include "camera/codec/dib_format.h"
#include "camera/codec/encoding_pipeline.h"
#include "camera/codec/handle_registry.h"
#include "camera/codec/vfw.h"

struct IAVIFile {
  std::atomic<std::uint32_t> references{1};
  std::unique_ptr<codec::AviWriter> writer;
  bool hasStream = false;
  IAVIStream* writing = nullptr;  // the compressed stream storing frames here, while it lives
};

struct IAVIStream {
  std::atomic<std::uint32_t> references{1};
  IAVIFile* file = nullptr;      // holds a reference
  IAVIStream* source = nullptr;  // compressed streams: holds a reference
  AVISTREAMINFOA info{};
  // Compressed streams only:
  const codec::CompressorEntry* compressor = nullptr;
  AVICOMPRESSOPTIONS options{};
  std::unique_ptr<codec::FrameEncoder> encoder;
  std::unique_ptr<codec::EncodingPipeline> pipeline;  // after the encoder: goes first
  codec::DibFormat format;
  std::int64_t lastPosition = -1;
  std::int64_t lastDemandedKey = -1;  // position of the last key frame the schedule asked for
};

namespace {

codec::HandleRegistry<IAVIFile> liveFiles;
codec::HandleRegistry<IAVIStream> liveStreams;

constexpr int kDefaultQuality = 7500;

void AddReference(IAVIFile* file) { file->references.fetch_add(1); }
void AddReference(IAVIStream* stream) { stream->references.fetch_add(1); }

std::uint32_t DropReference(IAVIFile* file) {
  const std::uint32_t left = file->references.fetch_sub(1) - 1;
  if (left == 0) liveFiles.Remove(file);  // the writer completes the file
  return left;
}

std::uint32_t DropReference(IAVIStream* stream) {
  const std::uint32_t left = stream->references.fetch_sub(1) - 1;
  if (left == 0) {
    IAVIFile* file = stream->file;
    IAVIStream* source = stream->source;
    if (file && file->writing == stream) file->writing = nullptr;
    liveStreams.Remove(stream);  // its frames in flight are stored first
    if (source) DropReference(source);
    if (file) DropReference(file);
  }
  return left;
}

int QualityOf(const AVICOMPRESSOPTIONS& options) {
  if (options.dwQuality == ICQUALITY_DEFAULT) return kDefaultQuality;
  return static_cast<int>(std::min<std::uint32_t>(options.dwQuality, ICQUALITY_HIGH));
}

// Key frames keep a schedule of their own: the first frame, then the first frame at least
// dwKeyFrameEvery positions after the last one asked for. Key frames an encoder makes of its own
// accord do not move the schedule.
bool KeyFrameDue(const IAVIStream& stream, std::int64_t position) {
  if (stream.lastDemandedKey < 0) return true;
  const std::uint32_t every = stream.options.dwKeyFrameEvery;
  return every > 0 && position - stream.lastDemandedKey >= every;
}

}  // namespace

void AVIFileInit() {}
void AVIFileExit() {}

HRESULT AVIFileOpenA(PAVIFILE* file, const char* fileName, std::uint32_t mode, const CLSID* handler) {
  if (!file) return AVIERR_BADPARAM;
  *file = nullptr;
  if (!fileName || handler) return AVIERR_BADPARAM;
  if (mode != (OF_WRITE | OF_CREATE)) return AVIERR_BADFLAGS;
  auto writer = codec::AviWriter::Create(fileName);
  if (!writer) return AVIERR_FILEOPEN;
  auto opened = std::make_unique<IAVIFile>();
  opened->writer = std::move(writer);
  *file = liveFiles.Add(std::move(opened));
  return AVIERR_OK;
}

HRESULT AVIFileCreateStreamA(PAVIFILE file, PAVISTREAM* stream, const AVISTREAMINFOA* info) {
  if (!stream) return AVIERR_BADPARAM;
  *stream = nullptr;
  if (!liveFiles.Contains(file)) return AVIERR_BADHANDLE;
  if (!info || info->fccType != streamtypeVIDEO) return AVIERR_UNSUPPORTED;
  if (info->dwRate == 0 || info->dwScale == 0 || info->dwRate > 0x7FFFFFFF || info->dwScale > 0x7FFFFFFF)
    return AVIERR_BADPARAM;
  if (file->hasStream) return AVIERR_UNSUPPORTED;  // one video stream per file
  file->hasStream = true;
  auto created = std::make_unique<IAVIStream>();
  created->info = *info;
  created->file = file;
  AddReference(file);
  *stream = liveStreams.Add(std::move(created));
  return AVIERR_OK;
}

HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source, const AVICOMPRESSOPTIONS* options,
                                const CLSID* handler) {
  if (!compressed) return AVIERR_BADPARAM;
  *compressed = nullptr;
  if (!liveStreams.Contains(source) || source->compressor) return AVIERR_BADHANDLE;
  if (!options || handler) return AVIERR_BADPARAM;
  if (options->fccType != 0 && options->fccType != streamtypeVIDEO) return AVIERR_UNSUPPORTED;
  const codec::CompressorEntry* entry = codec::FindInstalledCompressor(options->fccHandler);
  if (!entry) return AVIERR_NOCOMPRESSOR;
  auto created = std::make_unique<IAVIStream>();
  created->info = source->info;
  created->info.fccHandler = entry->fourcc;
  created->file = source->file;
  AddReference(created->file);
  created->source = source;
  AddReference(source);
  created->compressor = entry;
  created->options = *options;
  *compressed = liveStreams.Add(std::move(created));
  return AVIERR_OK;
}

HRESULT AVIStreamSetFormat(PAVISTREAM stream, std::int32_t position, const void* format, std::int32_t formatSize) {
  if (!liveStreams.Contains(stream)) return AVIERR_BADHANDLE;
  // Uncompressed streams are not written here; the format of a stream is fixed once set.
  if (!stream->compressor || stream->encoder) return AVIERR_UNSUPPORTED;
  if (position != 0 || !format || formatSize < 0) return AVIERR_BADPARAM;
  const auto dib = codec::ReadDibFormat(format, static_cast<std::size_t>(formatSize));
  if (!dib || !codec::TakesFormat(*stream->compressor, *dib)) return AVIERR_BADFORMAT;

  codec::EncoderSetup setup;
  setup.input = *dib;
  setup.quality = QualityOf(stream->options);
  setup.rate = static_cast<int>(stream->info.dwRate);
  setup.scale = static_cast<int>(stream->info.dwScale);
  setup.settings = codec::SettingValues(*stream->compressor);
  auto encoder = stream->compressor->makeEncoder(*stream->compressor, setup);
  if (!encoder) return AVIERR_BADFORMAT;

  codec::VideoStreamFormat streamFormat;
  streamFormat.codecId = stream->compressor->codecId;
  streamFormat.fourcc = stream->compressor->fourcc;
  streamFormat.width = dib->width;
  streamFormat.height = dib->height;
  streamFormat.bitsPerCodedSample = encoder->BitsPerCodedSample();
  streamFormat.codecPrivateData = encoder->CodecPrivateData();
  streamFormat.rate = setup.rate;
  streamFormat.scale = setup.scale;
  streamFormat.name.assign(stream->info.szName, strnlen(stream->info.szName, sizeof stream->info.szName));
  const HRESULT result = stream->file->writer->StartVideoStream(streamFormat);
  if (result != AVIERR_OK) return result;
  stream->encoder = std::move(encoder);
  stream->pipeline = std::make_unique<codec::EncodingPipeline>(*stream->encoder, *stream->file->writer);
  stream->file->writing = stream;
  stream->format = *dib;
  return AVIERR_OK;
}

HRESULT AVIStreamWrite(PAVISTREAM stream, std::int32_t start, std::int32_t samples, const void* buffer,
                       std::int32_t bufferSize, std::uint32_t /*flags*/, std::int32_t* samplesWritten,
                       std::int32_t* bytesWritten) {
  if (samplesWritten) *samplesWritten = 0;
  if (bytesWritten) *bytesWritten = 0;
  if (!liveStreams.Contains(stream)) return AVIERR_BADHANDLE;
  if (!stream->encoder) return AVIERR_UNSUPPORTED;  // no format set, or not a compressed stream
  const std::int64_t position = start == -1 ? stream->lastPosition + 1 : start;
  if (samples != 1 || !buffer || position < 0 || position <= stream->lastPosition) return AVIERR_BADPARAM;
  if (bufferSize < 0 || static_cast<std::size_t>(bufferSize) < stream->format.ImageSize()) return AVIERR_BADSIZE;

  const bool key = KeyFrameDue(*stream, position);
  HRESULT result = stream->pipeline->Write(position, key, static_cast<const std::uint8_t*>(buffer));
  std::size_t codedBytes = 0;
  if (result == AVIERR_OK && bytesWritten) result = stream->pipeline->Drain(&codedBytes);
  if (result != AVIERR_OK) return result;
  stream->lastPosition = position;
  if (key) stream->lastDemandedKey = position;
  if (samplesWritten) *samplesWritten = 1;
  if (bytesWritten) *bytesWritten = static_cast<std::int32_t>(codedBytes);
  return AVIERR_OK;
}

HRESULT AVIStreamEndStreaming(PAVISTREAM stream) {
  if (!liveStreams.Contains(stream)) return AVIERR_BADHANDLE;
  return stream->pipeline ? stream->pipeline->Drain() : AVIERR_OK;
}

std::uint32_t AVIStreamRelease(PAVISTREAM stream) {
  if (!liveStreams.Contains(stream)) return 0;
  return DropReference(stream);
}

std::uint32_t AVIFileRelease(PAVIFILE file) {
  if (!liveFiles.Contains(file)) return 0;
  return DropReference(file);
}

HRESULT AVIFileFinish(PAVIFILE file) {
  if (!liveFiles.Contains(file)) return AVIERR_BADHANDLE;
  // The frames in flight first; their failures are the stream's to report.
  if (file->writing) file->writing->pipeline->Drain();
  return file->writer->Finish();
}

HRESULT AVIFileRemoveIfEmpty(PAVIFILE file) {
  if (!liveFiles.Contains(file)) return AVIERR_BADHANDLE;
  // A frame still in flight may yet be stored.
  if (file->writing) file->writing->pipeline->Drain();
  static_cast<void>(file->writer->Finish());
  if (file->writer->FrameStored()) return AVIERR_ERROR;
  return file->writer->RemoveCreatedFile() ? AVIERR_OK : AVIERR_ERROR;
}

std::string AVIFileWriteFailure(PAVIFILE file) {
  if (!liveFiles.Contains(file)) return {};
  return file->writer->WriteFailure();
}

HRESULT AVISaveOptionsFree(int /*streams*/, LPAVICOMPRESSOPTIONS* /*options*/) { return AVIERR_OK; }
