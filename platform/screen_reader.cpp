#include "screen_reader.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/portal_screen.h"
#include "platform/screen_source.h"
#include "xcb_reply.h"

namespace platform {

struct ScreenReader::Impl {
  xcb_connection_t* connection = nullptr;
  xcb_window_t root = 0;
  bool shmAvailable = false;
  // One shared-memory segment, grown on demand and reused: attaching a segment per read costs
  // two round trips and a page-table rebuild.
  xcb_shm_seg_t segment = 0;
  int shmId = -1;
  std::uint8_t* shmAddress = nullptr;
  std::size_t shmSize = 0;
  std::mutex mutex;
  // Where the pixels come from on a Wayland session; null where the X server has them.
  std::unique_ptr<PortalScreen> portal;
  // The screen's size now; it changes when the display is resized. Guarded by `mutex`.
  int width = 0, height = 0;

  // The default colormap of palette displays, 0 on true-colour ones.
  xcb_colormap_t colormap = 0;
  int paletteEntries = 0;

  // The colormap's entries as 0x00RRGGBB; entries the server does not answer for are black.
  std::vector<std::uint32_t> QueryPalette() {
    const auto entries = static_cast<std::uint32_t>(paletteEntries);
    std::vector<std::uint32_t> palette(entries, 0);
    std::vector<std::uint32_t> pixels(entries);
    for (std::uint32_t i = 0; i < entries; ++i) pixels[i] = i;
    const auto reply = Owned(
        xcb_query_colors_reply(connection, xcb_query_colors(connection, colormap, entries, pixels.data()), nullptr));
    if (!reply) return palette;
    const xcb_rgb_t* colors = xcb_query_colors_colors(reply.get());
    const auto n = static_cast<std::size_t>(std::min(paletteEntries, xcb_query_colors_colors_length(reply.get())));
    for (std::size_t i = 0; i < n; ++i) {
      palette[i] = ((colors[i].red >> 8) << 16) | ((colors[i].green >> 8) << 8) | (colors[i].blue >> 8);
    }
    return palette;
  }

  // Asks the server for the root window's size; true when it differs from what was known.
  bool RefreshSize() {
    const auto geometry = Owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, root), nullptr));
    if (!geometry) return false;
    const bool changed = geometry->width != width || geometry->height != height;
    width = geometry->width;
    height = geometry->height;
    return changed;
  }

  // Takes in what the server reported since the last read: a resized root window (the events
  // come without a round trip) and the errors of failed reads, which nobody else collects.
  void DrainEvents() {
    while (const auto event = Owned(xcb_poll_for_event(connection))) {
      if ((event->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY) {
        const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event.get());
        if (configure->window == root) {
          width = configure->width;
          height = configure->height;
        }
      }
    }
  }

  enum class ReadResult { Done, Failed, Resized };

  // Zeroes the bytes of the destination rectangle that a read of the visible part (columns
  // [left, right) of rows [top, bottom), all relative to the rectangle) does not write, row
  // padding included.
  static void ClearUncovered(std::uint8_t* dstBottomRow, std::size_t dstStride, int rectHeight, int dibBits,
                             long long left, long long right, long long top, long long bottom) {
    const std::size_t pixelBytes = static_cast<std::size_t>(dibBits / 8);
    for (int row = 0; row < rectHeight; ++row) {  // row counted from the top
      std::uint8_t* line = dstBottomRow + static_cast<std::size_t>(rectHeight - 1 - row) * dstStride;
      if (row < top || row >= bottom || left >= right) {
        std::memset(line, 0, dstStride);
        continue;
      }
      std::memset(line, 0, static_cast<std::size_t>(left) * pixelBytes);
      const std::size_t end = static_cast<std::size_t>(right) * pixelBytes;
      std::memset(line + end, 0, dstStride - end);
    }
  }

  // Reads the part of the rectangle that lies on the screen as last known.
  ReadResult ReadClipped(int x, int y, int rectWidth, int rectHeight, int dibBits, std::uint8_t* dstBottomRow,
                         std::size_t dstStride, const ScreenInfo& info, bool clearUncovered) {
    // The visible part, in 64 bits against overflow.
    const long long left = std::max<long long>(x, 0);
    const long long top = std::max<long long>(y, 0);
    const long long right = std::min<long long>(static_cast<long long>(x) + rectWidth, width);
    const long long bottom = std::min<long long>(static_cast<long long>(y) + rectHeight, height);
    if (clearUncovered) {
      ClearUncovered(dstBottomRow, dstStride, rectHeight, dibBits, left - x, right - x, top - y, bottom - y);
    }
    if (left >= right || top >= bottom) return ReadResult::Done;  // wholly off screen: all black
    const int w = static_cast<int>(right - left);
    const int h = static_cast<int>(bottom - top);

    // Where the visible part lands in the destination: the DIB's row 0 is the rectangle's bottom line.
    const int rowsBelow = static_cast<int>(static_cast<long long>(y) + rectHeight - bottom);
    std::uint8_t* dst = dstBottomRow + static_cast<std::size_t>(rowsBelow) * dstStride +
                        static_cast<std::size_t>(left - x) * static_cast<std::size_t>(dibBits / 8);
    xcb_connection_t* c = connection;
    const std::size_t srcStride = DibStride(w, static_cast<unsigned>(info.format.bitsPerPixel));
    const std::uint32_t* palette = info.palette.empty() ? nullptr : info.palette.data();

    if (shmAvailable) {
      switch (ReadThroughSharedMemory(left, top, w, h, srcStride, info, dibBits, dst, dstStride, palette)) {
        case ReadResult::Done: return ReadResult::Done;
        case ReadResult::Resized: return ReadResult::Resized;
        case ReadResult::Failed: break;  // plain reads below
      }
    }

    // Plain reads, in bands so that no request exceeds the server's maximum length.
    const std::size_t maxBytes = std::max<std::size_t>(xcb_get_maximum_request_length(c) * 4u, 1u << 20) / 2;
    const int bandRows = std::max<int>(1, static_cast<int>(maxBytes / std::max<std::size_t>(srcStride, 1)));
    for (int band = 0; band < h; band += bandRows) {
      const int rows = std::min(bandRows, h - band);
      const auto reply =
          Owned(xcb_get_image_reply(c,
                                    xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<int16_t>(left),
                                                  static_cast<int16_t>(top + band), static_cast<uint16_t>(w),
                                                  static_cast<uint16_t>(rows), ~0u),
                                    nullptr));
      if (!reply) return ReadResult::Failed;
      const std::size_t bytes = static_cast<std::size_t>(xcb_get_image_data_length(reply.get()));
      const std::size_t stride = bytes / static_cast<std::size_t>(rows);
      // Band `band` (from the top) lands above the rows of the bands below it.
      std::uint8_t* bandBottom = dst + static_cast<std::size_t>(h - band - rows) * dstStride;
      ConvertToDibRows(xcb_get_image_data(reply.get()), stride, info.format, w, rows, dibBits, bandBottom, dstStride,
                       palette, info.palette.size());
    }
    return ReadResult::Done;
  }

  // Shared-memory reads of a large rectangle go in bands, a few in flight at once: the server
  // copies the next bands while this thread converts the last one, and each band is converted
  // while it is still in the cache. One whole-screen request followed by one conversion pass
  // takes about twice as long.
  static constexpr std::size_t kBandBytes = 768 * 1024;
  static constexpr int kBandsInFlight = 3;

  ReadResult ReadThroughSharedMemory(long long left, long long top, int w, int h, std::size_t srcStride,
                                     const ScreenInfo& info, int dibBits, std::uint8_t* dst, std::size_t dstStride,
                                     const std::uint32_t* palette) {
    const int bandRows = std::clamp<int>(static_cast<int>(kBandBytes / std::max<std::size_t>(srcStride, 1)), 1, h);
    const int bands = (h + bandRows - 1) / bandRows;
    const int slots = std::min(bands, kBandsInFlight);
    const std::size_t slotBytes = srcStride * static_cast<std::size_t>(bandRows);
    if (!EnsureSegment(slotBytes * static_cast<std::size_t>(slots)))
      return ReadResult::Failed;  // plain reads, this time
    xcb_connection_t* c = connection;
    xcb_shm_get_image_cookie_t cookies[kBandsInFlight];  // by slot
    const auto slotOffset = [&](int band) { return slotBytes * static_cast<std::size_t>(band % slots); };
    const auto request = [&](int band) {
      const int rows = std::min(bandRows, h - band * bandRows);
      cookies[band % slots] = xcb_shm_get_image(c, root, static_cast<int16_t>(left),
                                                static_cast<int16_t>(top + band * bandRows), static_cast<uint16_t>(w),
                                                static_cast<uint16_t>(rows), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment,
                                                static_cast<std::uint32_t>(slotOffset(band)));
    };
    for (int band = 0; band < slots; ++band) request(band);
    xcb_flush(c);
    for (int band = 0; band < bands; ++band) {
      // The reply says only that the band has arrived; the pixels are in the segment.
      if (!Owned(xcb_shm_get_image_reply(c, cookies[band % slots], nullptr))) {
        for (int later = band + 1; later < std::min(bands, band + slots); ++later)
          xcb_discard_reply(c, cookies[later % slots].sequence);
        // The screen may have shrunk under the read: only a failure at the right size gives up
        // shared memory for good.
        if (RefreshSize()) return ReadResult::Resized;
        shmAvailable = false;
        return ReadResult::Failed;
      }
      const int rows = std::min(bandRows, h - band * bandRows);
      // Band `band` (from the top) lands above the rows of the bands below it.
      std::uint8_t* bandBottom = dst + static_cast<std::size_t>(h - band * bandRows - rows) * dstStride;
      ConvertToDibRows(shmAddress + slotOffset(band), srcStride, info.format, w, rows, dibBits, bandBottom, dstStride,
                       palette, info.palette.size());
      // Its slot is free again: the band that goes there next may be read now.
      if (band + slots < bands) {
        request(band + slots);
        xcb_flush(c);
      }
    }
    return ReadResult::Done;
  }

  void ReleaseSegment() {
    if (shmAddress) {
      xcb_shm_detach(connection, segment);
      xcb_flush(connection);
      shmdt(shmAddress);
      shmAddress = nullptr;
      shmSize = 0;
    }
  }

  bool EnsureSegment(std::size_t bytes) {
    if (shmAddress && shmSize >= bytes) return true;
    ReleaseSegment();
    shmId = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (shmId < 0) return false;
    void* address = shmat(shmId, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
      shmctl(shmId, IPC_RMID, nullptr);
      return false;
    }
    segment = xcb_generate_id(connection);
    const auto error =
        Owned(xcb_request_check(connection,
                                xcb_shm_attach_checked(connection, segment, static_cast<std::uint32_t>(shmId), 0)));
    // Marked for removal now: the segment goes away with its last attachment, even after a crash.
    shmctl(shmId, IPC_RMID, nullptr);
    if (error) {
      shmdt(address);
      return false;
    }
    shmAddress = static_cast<std::uint8_t*>(address);
    shmSize = bytes;
    return true;
  }

  ~Impl() {
    if (connection) {
      ReleaseSegment();
      xcb_disconnect(connection);
    }
  }
};

ScreenReader& ScreenReader::Instance() {
  static ScreenReader* reader = new ScreenReader();  // lives to the end of the process
  return *reader;
}

ScreenReader::ScreenReader() : impl_(std::make_unique<Impl>()) {
  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return;
  }
  impl_->connection = c;
  const xcb_setup_t* setup = xcb_get_setup(c);
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
  for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
  xcb_screen_t* screen = it.data;
  impl_->root = screen->root;
  info_.width = screen->width_in_pixels;
  info_.height = screen->height_in_pixels;
  impl_->width = info_.width;
  impl_->height = info_.height;
  // Size changes of the display arrive as the root window's configure events.
  const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, impl_->root, XCB_CW_EVENT_MASK, &events);
  info_.format.depth = screen->root_depth;

  for (xcb_format_iterator_t f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f)) {
    if (f.data->depth == screen->root_depth) info_.format.bitsPerPixel = f.data->bits_per_pixel;
  }
  for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d)) {
    for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
      if (v.data->visual_id != screen->root_visual) continue;
      if (v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR || v.data->_class == XCB_VISUAL_CLASS_DIRECT_COLOR) {
        info_.format.redMask = v.data->red_mask;
        info_.format.greenMask = v.data->green_mask;
        info_.format.blueMask = v.data->blue_mask;
      }
    }
  }
  if (info_.format.IsIndexed()) {
    impl_->colormap = screen->default_colormap;
    impl_->paletteEntries = 1 << std::min(info_.format.depth, 8);
    info_.palette = impl_->QueryPalette();
  }

  if (ScreenSourceInUse() == ScreenSource::Portal) impl_->portal = std::make_unique<PortalScreen>(c, impl_->root);
  const auto shm = Owned(xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr));
  impl_->shmAvailable = shm != nullptr && std::getenv("VORLIX_NO_SHM") == nullptr;
}

// Here, where Impl is complete.
ScreenReader::~ScreenReader() = default;

bool ScreenReader::Connected() const { return impl_->connection != nullptr; }

void ScreenReader::BeginCapture() {
  if (impl_->portal) impl_->portal->AskAgain();
}

std::vector<std::uint32_t> ScreenReader::CurrentPalette() {
  if (!impl_->connection || impl_->paletteEntries == 0) return {};
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->QueryPalette();
}

bool ScreenReader::ReadDib(int x, int y, int width, int height, int dibBits, std::uint8_t* dstBottomRow,
                           std::size_t dstStride, bool clearUncovered, bool freshPicture) {
  if (!impl_->connection || width <= 0 || height <= 0) return false;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->DrainEvents();
  if (impl_->portal) {
    return impl_->portal->ReadDib(x, y, width, height, dibBits, dstBottomRow, dstStride, clearUncovered, freshPicture,
                                  impl_->width, impl_->height);
  }
  // A read over the screen's edge fails; when it failed because the screen has changed size
  // (xrandr), the read is clipped to the new size and tried again.
  for (int attempt = 0; attempt < 2; ++attempt) {
    switch (impl_->ReadClipped(x, y, width, height, dibBits, dstBottomRow, dstStride, info_, clearUncovered)) {
      case Impl::ReadResult::Done: return true;
      case Impl::ReadResult::Resized: break;
      case Impl::ReadResult::Failed:
        if (!impl_->RefreshSize()) return false;
        break;
    }
  }
  return false;
}

}  // namespace platform
