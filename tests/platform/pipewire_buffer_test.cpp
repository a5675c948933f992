// Which screen-cast buffers hold a whole new picture: hand-made buffers as PipeWire hands them
// over, with the chunk and the header a desktop fills in.
#include "platform/pipewire_buffer.h"

#include <gtest/gtest.h>
#include <spa/buffer/buffer.h>
#include <spa/buffer/meta.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace {

// A picture of 10 × 5 pixels, four bytes each, rows padded to 48 bytes, in 256 bytes of memory.
constexpr std::size_t kRowBytes = 40;
constexpr int kHeight = 5;
constexpr std::int32_t kStride = 48;
constexpr std::uint32_t kMemory = 256;
constexpr std::uint32_t kAllRows = kStride * kHeight;                // 240
constexpr std::uint32_t kLastRowUnpadded = kStride * 4 + kRowBytes;  // 232

struct Case {
  const char* name;
  std::uint32_t size = kAllRows;
  std::uint32_t offset = 0;
  std::int32_t stride = kStride;
  std::int32_t chunkFlags = SPA_CHUNK_FLAG_NONE;
  std::optional<std::uint32_t> headerFlags = std::nullopt;  // no header when empty
  bool mapped = true;
  // What comes out: the picture's place in the memory and its stride, or nothing.
  std::optional<std::size_t> pixelsAt = std::nullopt;
  std::size_t strideOut = kStride;
};

TEST(PipeWireBuffer, OnlyWholeUnspoiledPicturesAreTaken) {
  const Case cases[] = {
      {.name = "all rows, padded", .pixelsAt = 0},
      {.name = "the last row's padding left out", .size = kLastRowUnpadded, .pixelsAt = 0},
      {.name = "a header that says nothing is wrong", .headerFlags = SPA_META_HEADER_FLAG_DISCONT, .pixelsAt = 0},
      {.name = "rows after an offset", .offset = 16, .pixelsAt = 16},
      {.name = "no stride given: rows back to back",
       .size = kRowBytes * kHeight,
       .stride = 0,
       .pixelsAt = 0,
       .strideOut = kRowBytes},
      {.name = "empty chunk: nothing recorded", .size = 0},
      {.name = "one byte short", .size = kLastRowUnpadded - 1},
      {.name = "one row's worth", .size = kStride},
      {.name = "an offset that pushes the rows past the memory's end", .offset = kMemory - kLastRowUnpadded + 1},
      {.name = "an offset beyond the memory", .offset = kMemory + 8},
      {.name = "chunk marked corrupted", .chunkFlags = SPA_CHUNK_FLAG_CORRUPTED},
      {.name = "header marked corrupted", .headerFlags = SPA_META_HEADER_FLAG_CORRUPTED},
      {.name = "stride shorter than a row", .stride = kRowBytes - 4},
      {.name = "rows bottom-up", .stride = -kStride},
      {.name = "not mapped", .mapped = false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> memory(kMemory);
    spa_chunk chunk{};
    chunk.offset = c.offset;
    chunk.size = c.size;
    chunk.stride = c.stride;
    chunk.flags = c.chunkFlags;
    spa_data plane{};
    plane.type = SPA_DATA_MemPtr;
    plane.maxsize = kMemory;
    plane.data = c.mapped ? memory.data() : nullptr;
    plane.chunk = &chunk;
    spa_meta_header header{};
    spa_meta meta{};
    spa_buffer buffer{};
    buffer.n_datas = 1;
    buffer.datas = &plane;
    if (c.headerFlags) {
      header.flags = *c.headerFlags;
      meta.type = SPA_META_Header;
      meta.size = sizeof(header);
      meta.data = &header;
      buffer.n_metas = 1;
      buffer.metas = &meta;
    }

    platform::BufferPicture found;
    const bool taken = platform::FindBufferPicture(buffer, kRowBytes, kHeight, found);
    EXPECT_EQ(taken, c.pixelsAt.has_value());
    if (taken && c.pixelsAt) {
      EXPECT_EQ(found.pixels, memory.data() + *c.pixelsAt);
      EXPECT_EQ(found.stride, c.strideOut);
    }
  }
}

TEST(PipeWireBuffer, ABufferWithoutPlanesHoldsNoPicture) {
  spa_buffer buffer{};
  platform::BufferPicture found;
  EXPECT_FALSE(platform::FindBufferPicture(buffer, kRowBytes, kHeight, found));
}

}  // namespace
