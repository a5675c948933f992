#pragma once
// Records, handles, constants and result codes of the video codec services (vfw.h declares the
// operations). The layouts are the classic little-endian ones, so a packed DIB or an ICINFO
// record can be handed over byte for byte. Nothing here tells what encodes the video.
#include <cstddef>
#include <cstdint>

// Four ASCII characters in one 32-bit value, the first one in the low byte.
constexpr std::uint32_t mmioFOURCC(char c0, char c1, char c2, char c3) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(c0)) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(c1)) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(c2)) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(c3)) << 24;
}

// Result of the AVI file operations: 0 success, negative failure (the AVIERR_ codes below).
using HRESULT = std::int32_t;
// Result of ICSendMessage and ICGetInfo.
using LRESULT = std::intptr_t;

// Opaque handles. A compressor handle is closed with ICClose; files and streams are reference
// counted and freed by their Release operation.
struct HIC__;
using HIC = HIC__*;
struct IAVIFile;
using PAVIFILE = IAVIFile*;
struct IAVIStream;
using PAVISTREAM = IAVIStream*;

// ---- packed device-independent bitmap ----
inline constexpr std::uint32_t BI_RGB = 0;

#pragma pack(push, 1)
// The 40-byte header in front of a packed DIB's colour table and pixel rows.
struct BITMAPINFOHEADER {
  std::uint32_t biSize;
  std::int32_t biWidth;
  std::int32_t biHeight;  // positive: bottom row first
  std::uint16_t biPlanes;
  std::uint16_t biBitCount;
  std::uint32_t biCompression;
  std::uint32_t biSizeImage;
  std::int32_t biXPelsPerMeter;
  std::int32_t biYPelsPerMeter;
  std::uint32_t biClrUsed;
  std::uint32_t biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RECT {
  std::int32_t left, top, right, bottom;
};

// ---- compression manager ----
inline constexpr std::uint32_t ICTYPE_VIDEO = mmioFOURCC('v', 'i', 'd', 'c');

// ICOpen modes. Compressors here compress only: decompression modes give no handle.
inline constexpr std::uint32_t ICMODE_COMPRESS = 1;
inline constexpr std::uint32_t ICMODE_DECOMPRESS = 2;
inline constexpr std::uint32_t ICMODE_FASTDECOMPRESS = 3;
inline constexpr std::uint32_t ICMODE_QUERY = 4;
inline constexpr std::uint32_t ICMODE_FASTCOMPRESS = 5;
inline constexpr std::uint32_t ICMODE_DRAW = 8;

// Messages of ICSendMessage.
inline constexpr std::uint32_t ICM_USER = 0x4000;
inline constexpr std::uint32_t ICM_RESERVED = 0x5000;
inline constexpr std::uint32_t ICM_COMPRESS_QUERY = ICM_USER + 6;  // 0x4006
inline constexpr std::uint32_t ICM_CONFIGURE = ICM_RESERVED + 10;  // 0x500A
inline constexpr std::uint32_t ICM_ABOUT = ICM_RESERVED + 11;      // 0x500B
// First parameter of ICM_ABOUT / ICM_CONFIGURE when only asking whether the dialog exists
// (the second parameter is then ICMF_ABOUT_QUERY / ICMF_CONFIGURE_QUERY).
inline constexpr std::uintptr_t ICMF_QUERY_WINDOW = static_cast<std::uintptr_t>(-1);
inline constexpr std::uintptr_t ICMF_ABOUT_QUERY = 1;
inline constexpr std::uintptr_t ICMF_CONFIGURE_QUERY = 1;

// Answers of ICSendMessage.
inline constexpr LRESULT ICERR_OK = 0;
inline constexpr LRESULT ICERR_UNSUPPORTED = -1;
inline constexpr LRESULT ICERR_BADFORMAT = -2;
inline constexpr LRESULT ICERR_MEMORY = -3;
inline constexpr LRESULT ICERR_INTERNAL = -4;
inline constexpr LRESULT ICERR_BADFLAGS = -5;
inline constexpr LRESULT ICERR_BADPARAM = -6;
inline constexpr LRESULT ICERR_BADSIZE = -7;
inline constexpr LRESULT ICERR_BADHANDLE = -8;
inline constexpr LRESULT ICERR_ERROR = -100;
inline constexpr LRESULT ICERR_BADBITDEPTH = -200;
inline constexpr LRESULT ICERR_BADIMAGESIZE = -201;

// ICINFO.dwFlags
inline constexpr std::uint32_t VIDCF_QUALITY = 0x0001;         // quality setting is honoured
inline constexpr std::uint32_t VIDCF_TEMPORAL = 0x0004;        // frames refer to earlier frames
inline constexpr std::uint32_t VIDCF_COMPRESSFRAMES = 0x0008;  // frames may be compressed one by one

// What the compression manager tells about one compressor. Strings are UTF-16, zero-terminated.
struct ICINFO {
  std::uint32_t dwSize;      // 568
  std::uint32_t fccType;     // ICTYPE_VIDEO
  std::uint32_t fccHandler;  // the compressor's FOURCC, e.g. "MSVC"
  std::uint32_t dwFlags;     // VIDCF_ flags
  std::uint32_t dwVersion;
  std::uint32_t dwVersionICM;
  char16_t szName[16];          // short name
  char16_t szDescription[128];  // what the user is shown
  char16_t szDriver[128];       // what stands behind the compressor
};
static_assert(sizeof(ICINFO) == 568);

// ---- AVI file services ----
inline constexpr std::uint32_t streamtypeVIDEO = mmioFOURCC('v', 'i', 'd', 's');

// AVIFileOpenA modes: only writing a new file (OF_WRITE | OF_CREATE) is offered.
inline constexpr std::uint32_t OF_READ = 0x0000;
inline constexpr std::uint32_t OF_WRITE = 0x0001;
inline constexpr std::uint32_t OF_CREATE = 0x1000;

// AVICOMPRESSOPTIONS.dwFlags
inline constexpr std::uint32_t AVICOMPRESSF_INTERLEAVE = 0x01;
inline constexpr std::uint32_t AVICOMPRESSF_DATARATE = 0x02;
inline constexpr std::uint32_t AVICOMPRESSF_KEYFRAMES = 0x04;
inline constexpr std::uint32_t AVICOMPRESSF_VALID = 0x08;

// Quality: 0..10000, or this for the compressor's own default.
inline constexpr std::uint32_t ICQUALITY_LOW = 0;
inline constexpr std::uint32_t ICQUALITY_HIGH = 10000;
inline constexpr std::uint32_t ICQUALITY_DEFAULT = 0xFFFFFFFFu;

// AVIStreamWrite flags.
inline constexpr std::uint32_t AVIIF_KEYFRAME = 0x10;

constexpr HRESULT MAKE_AVIERR(int error) {
  return static_cast<HRESULT>(0x80040000u | static_cast<std::uint32_t>(0x4000 + error));
}
inline constexpr HRESULT AVIERR_OK = 0;
inline constexpr HRESULT AVIERR_UNSUPPORTED = MAKE_AVIERR(101);
inline constexpr HRESULT AVIERR_BADFORMAT = MAKE_AVIERR(102);
inline constexpr HRESULT AVIERR_MEMORY = MAKE_AVIERR(103);
inline constexpr HRESULT AVIERR_INTERNAL = MAKE_AVIERR(104);
inline constexpr HRESULT AVIERR_BADFLAGS = MAKE_AVIERR(105);
inline constexpr HRESULT AVIERR_BADPARAM = MAKE_AVIERR(106);
inline constexpr HRESULT AVIERR_BADSIZE = MAKE_AVIERR(107);
inline constexpr HRESULT AVIERR_BADHANDLE = MAKE_AVIERR(108);
inline constexpr HRESULT AVIERR_FILEWRITE = MAKE_AVIERR(110);
inline constexpr HRESULT AVIERR_FILEOPEN = MAKE_AVIERR(111);
inline constexpr HRESULT AVIERR_COMPRESSOR = MAKE_AVIERR(112);
inline constexpr HRESULT AVIERR_NOCOMPRESSOR = MAKE_AVIERR(113);
inline constexpr HRESULT AVIERR_ERROR = MAKE_AVIERR(199);

// The header of one stream. For video: dwRate / dwScale frames per second, rcFrame the picture.
struct AVISTREAMINFOA {
  std::uint32_t fccType;  // streamtypeVIDEO
  std::uint32_t fccHandler;
  std::uint32_t dwFlags;
  std::uint32_t dwCaps;
  std::uint16_t wPriority;
  std::uint16_t wLanguage;
  std::uint32_t dwScale;
  std::uint32_t dwRate;
  std::uint32_t dwStart;
  std::uint32_t dwLength;
  std::uint32_t dwInitialFrames;
  std::uint32_t dwSuggestedBufferSize;
  std::uint32_t dwQuality;
  std::uint32_t dwSampleSize;
  RECT rcFrame;
  std::uint32_t dwEditCount;
  std::uint32_t dwFormatChangeCount;
  char szName[64];
};

// How a compressed stream compresses.
struct AVICOMPRESSOPTIONS {
  std::uint32_t fccType;          // streamtypeVIDEO
  std::uint32_t fccHandler;       // the compressor's FOURCC
  std::uint32_t dwKeyFrameEvery;  // a key frame at least every this many positions; 0: only the first
  std::uint32_t dwQuality;        // 0..10000 or ICQUALITY_DEFAULT
  std::uint32_t dwBytesPerSecond;
  std::uint32_t dwFlags;  // AVICOMPRESSF_ flags
  void* lpFormat;
  std::uint32_t cbFormat;
  void* lpParms;
  std::uint32_t cbParms;
  std::uint32_t dwInterleaveEvery;
};
using LPAVICOMPRESSOPTIONS = AVICOMPRESSOPTIONS*;

// CLSID of an AVI file handler; only "none" (a null pointer) is accepted.
struct CLSID;
