// The compression manager: numbering, information, queries and dialogs of the compressor entries.
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "camera/codec/compressor_dialogs.h"
#include "camera/codec/compressor_table.h"
#include "camera/codec/dib_format.h"
#include "camera/codec/handle_registry.h"
#include "camera/codec/vfw.h"

struct HIC__ {
  const codec::CompressorEntry* entry;
};

namespace {

codec::HandleRegistry<HIC__> openCompressors;

// Handler codes below this are compressor numbers, not FOURCCs.
constexpr std::uint32_t kFirstFourcc = 256;

bool IsVideoType(std::uint32_t fccType) {
  // The type's letters are compared without case, as FOURCCs of types are.
  return fccType == ICTYPE_VIDEO || fccType == mmioFOURCC('V', 'I', 'D', 'C');
}

template <std::size_t N>
void CopyText(char16_t (&field)[N], const std::u16string& text) {
  const std::size_t count = std::min(text.size(), N - 1);
  std::copy_n(text.begin(), count, field);
  std::fill(field + count, field + N, u'\0');
}

void FillInfo(const codec::CompressorEntry& entry, ICINFO& info) {
  std::memset(&info, 0, sizeof info);
  info.dwSize = sizeof(ICINFO);
  info.fccType = ICTYPE_VIDEO;
  info.fccHandler = entry.fourcc;
  info.dwFlags = VIDCF_COMPRESSFRAMES | (entry.lossless ? 0 : VIDCF_QUALITY) | (entry.temporal ? VIDCF_TEMPORAL : 0);
  info.dwVersion = 1;
  info.dwVersionICM = 0x0104;
  std::u16string shortName;
  for (const char* p = entry.shortName; *p; ++p) shortName.push_back(static_cast<char16_t>(*p));
  CopyText(info.szName, shortName);
  CopyText(info.szDescription, entry.description);
  CopyText(info.szDriver, entry.driver);
}

const codec::CompressorEntry* FindEntry(std::uint32_t fccType, std::uint32_t fccHandler) {
  if (!IsVideoType(fccType)) return nullptr;
  const auto& installed = codec::InstalledCompressors();
  if (fccHandler < kFirstFourcc) return fccHandler < installed.size() ? &installed[fccHandler] : nullptr;
  return codec::FindInstalledCompressor(fccHandler);
}

LRESULT CompressQuery(const codec::CompressorEntry& entry, std::uintptr_t inputFormat) {
  // The caller hands a whole packed DIB: its header says how much format follows.
  const auto format =
      codec::ReadDibFormat(reinterpret_cast<const void*>(inputFormat), std::numeric_limits<std::size_t>::max());
  return format && codec::TakesFormat(entry, *format) ? ICERR_OK : ICERR_BADFORMAT;
}

// A window of all bits set only asks whether the dialog exists (the flag parameter says the same).
LRESULT Dialog(const codec::CompressorEntry& entry, std::uint32_t msg, std::uintptr_t window) {
  const bool hasDialog = msg == ICM_ABOUT || !entry.settings.empty();
  if (window == ICMF_QUERY_WINDOW) return hasDialog ? ICERR_OK : ICERR_UNSUPPORTED;
  if (!hasDialog) return ICERR_UNSUPPORTED;
  auto* parent = reinterpret_cast<QWidget*>(window);
  const bool shown = msg == ICM_ABOUT ? codec::ShowAboutBox(entry, parent)
                                      : codec::ShowConfigurationDialog(entry, parent);
  return shown ? ICERR_OK : ICERR_UNSUPPORTED;
}

}  // namespace

bool ICInfo(std::uint32_t fccType, std::uint32_t fccHandler, ICINFO* info) {
  const codec::CompressorEntry* entry = FindEntry(fccType, fccHandler);
  if (!entry || !info) return false;
  FillInfo(*entry, *info);
  return true;
}

HIC ICOpen(std::uint32_t fccType, std::uint32_t fccHandler, std::uint32_t mode) {
  if (mode != ICMODE_QUERY && mode != ICMODE_COMPRESS && mode != ICMODE_FASTCOMPRESS) return nullptr;
  if (fccHandler < kFirstFourcc) return nullptr;  // opened by FOURCC only
  const codec::CompressorEntry* entry = FindEntry(fccType, fccHandler);
  if (!entry) return nullptr;
  return openCompressors.Add(std::make_unique<HIC__>(HIC__{entry}));
}

LRESULT ICGetInfo(HIC hic, ICINFO* info, std::uint32_t size) {
  if (!openCompressors.Contains(hic) || !info) return 0;
  ICINFO full;
  FillInfo(*hic->entry, full);
  const std::size_t count = std::min<std::size_t>(size, sizeof full);
  std::memcpy(info, &full, count);
  return static_cast<LRESULT>(count);
}

LRESULT ICSendMessage(HIC hic, std::uint32_t msg, std::uintptr_t param1, std::uintptr_t /*param2*/) {
  if (!openCompressors.Contains(hic)) return ICERR_BADHANDLE;
  switch (msg) {
    case ICM_COMPRESS_QUERY: return CompressQuery(*hic->entry, param1);
    case ICM_ABOUT:
    case ICM_CONFIGURE: return Dialog(*hic->entry, msg, param1);
    default: return ICERR_UNSUPPORTED;
  }
}

LRESULT ICClose(HIC hic) { return openCompressors.Remove(hic) ? ICERR_OK : ICERR_BADHANDLE; }
