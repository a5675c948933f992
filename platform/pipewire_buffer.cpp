#include "platform/pipewire_buffer.h"

#include <spa/buffer/buffer.h>
#include <spa/buffer/meta.h>

namespace platform {

bool FindBufferPicture(const spa_buffer& buffer, std::size_t rowBytes, int height, BufferPicture& out) {
  if (rowBytes == 0 || height <= 0 || buffer.n_datas < 1 || !buffer.datas) return false;
  const spa_data& plane = buffer.datas[0];
  if (!plane.data || !plane.chunk) return false;
  const spa_chunk& chunk = *plane.chunk;
  if ((chunk.flags & static_cast<std::int32_t>(SPA_CHUNK_FLAG_CORRUPTED)) != 0) return false;
  const auto* header =
      static_cast<const spa_meta_header*>(spa_buffer_find_meta_data(&buffer, SPA_META_Header, sizeof(spa_meta_header)));
  if (header && (header->flags & SPA_META_HEADER_FLAG_CORRUPTED) != 0) return false;
  // No stride given means rows back to back; a negative one (rows bottom-up) is not offered to us.
  if (chunk.stride < 0) return false;
  const std::size_t stride = chunk.stride > 0 ? static_cast<std::size_t>(chunk.stride) : rowBytes;
  if (stride < rowBytes) return false;
  // The bytes the rows are read from; the last row's padding need not be there. An empty chunk is
  // the desktop's "nothing new", and a short one holds part of a picture at most.
  const std::size_t extent = stride * static_cast<std::size_t>(height - 1) + rowBytes;
  if (chunk.size < extent) return false;
  if (chunk.offset > plane.maxsize || extent > plane.maxsize - chunk.offset) return false;
  out.pixels = static_cast<const std::uint8_t*>(plane.data) + chunk.offset;
  out.stride = stride;
  return true;
}

}  // namespace platform
