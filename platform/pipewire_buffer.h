#pragma once
// Whether a buffer of a screen cast holds a whole new picture. Desktops also send buffers that
// hold none: an empty chunk when nothing was recorded (only the pointer moved), or one marked
// corrupted; taken as pictures, they would pass for a fresh screen.
#include <cstddef>
#include <cstdint>

struct spa_buffer;

namespace platform {

struct BufferPicture {
  const std::uint8_t* pixels = nullptr;  // the first row
  std::size_t stride = 0;                // bytes from one row to the next
};

// Finds the picture of `height` rows of `rowBytes` each in `buffer`'s first plane (mapped). False
// when that plane holds no whole picture: not mapped, marked corrupted by its chunk or by the
// buffer's header, a stride shorter than a row, or fewer valid bytes than the rows take. Pure: any
// thread may call it.
bool FindBufferPicture(const spa_buffer& buffer, std::size_t rowBytes, int height, BufferPicture& out);

}  // namespace platform
