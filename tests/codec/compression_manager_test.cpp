// The compression manager: which compressors are installed, what they tell about themselves,
// which frames they take, which dialogs they have.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "tests/codec/codec_test_support.h"
#include "tests/support/process.h"

namespace codectest {
namespace {

const std::uint32_t kMsvc = mmioFOURCC('M', 'S', 'V', 'C');

std::string Narrow(const char16_t* text) {
  std::string out;
  for (; *text; ++text) out.push_back(static_cast<char>(*text));
  return out;
}

// What ffmpeg, linked to the same libavcodec, says about an encoder: empty when it has none.
std::string EncoderLongName(const std::string& encoder) {
  const auto run = testsupport::Run("ffmpeg -hide_banner -h encoder=" + encoder + " 2>/dev/null");
  const std::string prefix = "Encoder " + encoder + " [";
  const std::size_t at = run.output.find(prefix);
  if (at == std::string::npos) return {};
  const std::size_t end = run.output.find("]:", at);
  return run.output.substr(at + prefix.size(), end - at - prefix.size());
}

TEST(CompressionManager, VersionIsAtLeastOneTen) { EXPECT_GE(VideoForWindowsVersion() >> 16, 0x010Au); }

// Installed: MSVC (our own encoder) always, first; then every table entry whose encoder ffmpeg
// has, in table order; numbers beyond the last one answer false.
TEST(CompressionManager, NumbersTheInstalledEntriesInTableOrder) {
  std::vector<std::uint32_t> expected;
  for (std::uint32_t fourcc : AllFourccs())
    if (fourcc == kMsvc || !EncoderLongName(EncoderName(fourcc)).empty()) expected.push_back(fourcc);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(expected.front(), kMsvc);

  std::vector<std::uint32_t> numbered;
  ICINFO info;
  for (std::uint32_t number = 0; number < 32; ++number) {
    if (!ICInfo(ICTYPE_VIDEO, number, &info)) {
      EXPECT_GE(number, expected.size());
      continue;
    }
    EXPECT_LT(number, expected.size());
    EXPECT_EQ(info.fccType, ICTYPE_VIDEO);
    numbered.push_back(info.fccHandler);
  }
  EXPECT_EQ(numbered, expected);
  EXPECT_FALSE(ICInfo(streamtypeVIDEO, 0, &info));  // no compressors of another type
}

// ICINFO: 568 bytes, a description of our own, from ICInfo and ICGetInfo alike.
TEST(CompressionManager, InformationNamesEachCompressor) {
  ASSERT_FALSE(InstalledFourccs().empty()) << "a loop over no compressor checks nothing";
  std::set<std::string> descriptions;
  for (std::uint32_t fourcc : InstalledFourccs()) {
    SCOPED_TRACE(Text(fourcc));
    HIC hic = ICOpen(ICTYPE_VIDEO, fourcc, ICMODE_QUERY);
    ASSERT_NE(hic, nullptr);
    ICINFO info;
    std::memset(&info, 0xAB, sizeof info);
    EXPECT_EQ(ICGetInfo(hic, &info, sizeof info), 568);
    EXPECT_EQ(info.dwSize, 568u);
    EXPECT_EQ(info.fccType, ICTYPE_VIDEO);
    EXPECT_EQ(info.fccHandler, fourcc);
    // A description of its own, not the encoder's long name: what the user chooses by.
    EXPECT_FALSE(Narrow(info.szDescription).empty());
    EXPECT_NE(Narrow(info.szDescription), EncoderLongName(EncoderName(fourcc)));
    EXPECT_TRUE(descriptions.insert(Narrow(info.szDescription)).second) << "one description per compressor";
    EXPECT_EQ(Narrow(info.szName), EncoderName(fourcc));
    EXPECT_EQ((info.dwFlags & VIDCF_QUALITY) != 0, !IsLossless(fourcc));
    ICINFO byNumber;
    ASSERT_TRUE(ICInfo(ICTYPE_VIDEO, fourcc, &byNumber));
    EXPECT_EQ(std::memcmp(&info, &byNumber, sizeof info), 0);
    // A short record takes only what fits.
    ICINFO partial;
    std::memset(&partial, 0xCD, sizeof partial);
    EXPECT_EQ(ICGetInfo(hic, &partial, 12), 12);
    EXPECT_EQ(partial.fccHandler, fourcc);
    EXPECT_EQ(partial.dwFlags, 0xCDCDCDCDu);
    EXPECT_EQ(ICClose(hic), ICERR_OK);
  }
}

TEST(CompressionManager, OpensByFourccForCompressionOnly) {
  HIC query = ICOpen(ICTYPE_VIDEO, mmioFOURCC('m', 's', 'v', 'c'), ICMODE_QUERY);  // letters without case
  EXPECT_NE(query, nullptr);
  HIC compress = ICOpen(ICTYPE_VIDEO, kMsvc, ICMODE_COMPRESS);
  EXPECT_NE(compress, nullptr);
  EXPECT_EQ(ICOpen(ICTYPE_VIDEO, kMsvc, ICMODE_DECOMPRESS), nullptr);
  EXPECT_EQ(ICOpen(ICTYPE_VIDEO, mmioFOURCC('I', 'V', '5', '0'), ICMODE_QUERY), nullptr);
  EXPECT_EQ(ICOpen(streamtypeVIDEO, kMsvc, ICMODE_QUERY), nullptr);
  EXPECT_EQ(ICClose(query), ICERR_OK);
  EXPECT_EQ(ICClose(compress), ICERR_OK);
  // A closed handle is refused, not followed.
  EXPECT_EQ(ICClose(query), ICERR_BADHANDLE);
  EXPECT_EQ(ICSendMessage(query, ICM_ABOUT, ICMF_QUERY_WINDOW, ICMF_ABOUT_QUERY), ICERR_BADHANDLE);
  ICINFO info;
  EXPECT_EQ(ICGetInfo(query, &info, sizeof info), 0);
}

LRESULT Query(std::uint32_t fourcc, const PackedDib& frame) {
  HIC hic = ICOpen(ICTYPE_VIDEO, fourcc, ICMODE_QUERY);
  if (!hic) return ICERR_BADHANDLE;
  const LRESULT answer =
      ICSendMessage(hic, ICM_COMPRESS_QUERY, reinterpret_cast<std::uintptr_t>(frame.bytes.data()), 0);
  ICClose(hic);
  return answer;
}

TEST(CompressionManager, MsvcTakesTheTestFrameAtThirtyTwoAndSixteenBitsButNotAnOddWidth) {
  EXPECT_EQ(Query(kMsvc, ScreenDib(320, 200, 32, 0)), ICERR_OK);
  EXPECT_EQ(Query(kMsvc, ScreenDib(320, 200, 16, 0)), ICERR_OK);
  EXPECT_EQ(Query(kMsvc, ScreenDib(320, 200, 8, 0)), ICERR_OK);
  EXPECT_EQ(Query(kMsvc, ScreenDib(101, 200, 32, 0)), ICERR_BADFORMAT);
  EXPECT_EQ(Query(kMsvc, ScreenDib(320, 102, 32, 0)), ICERR_BADFORMAT);
}

// Formats no compressor takes, whatever their size.
TEST(CompressionManager, RefusesFormatsOtherThanUncompressedBottomUpRows) {
  struct Case {
    const char* what;
    int bits;
    void (*change)(BITMAPINFOHEADER&);
  };
  const Case cases[] = {
      {"4 bits per pixel", 4, [](BITMAPINFOHEADER&) {}},
      {"1 bit per pixel", 1, [](BITMAPINFOHEADER&) {}},
      {"bit fields", 16, [](BITMAPINFOHEADER& h) { h.biCompression = 3; }},
      {"top-down rows", 32, [](BITMAPINFOHEADER& h) { h.biHeight = -h.biHeight; }},
      {"two planes", 32, [](BITMAPINFOHEADER& h) { h.biPlanes = 2; }},
      {"short header", 32, [](BITMAPINFOHEADER& h) { h.biSize = 12; }},
      {"no pixels", 32, [](BITMAPINFOHEADER& h) { h.biWidth = 0; }},
      {"wider than any screen", 32, [](BITMAPINFOHEADER& h) { h.biWidth = 40000; }},
  };
  ASSERT_FALSE(InstalledFourccs().empty()) << "a loop over no compressor checks nothing";
  for (std::uint32_t fourcc : InstalledFourccs())
    for (const Case& c : cases) {
      PackedDib frame = ScreenDib(320, 200, c.bits, 0);
      c.change(*reinterpret_cast<BITMAPINFOHEADER*>(frame.bytes.data()));
      EXPECT_EQ(Query(fourcc, frame), ICERR_BADFORMAT) << Text(fourcc) << ": " << c.what;
    }
  HIC hic = ICOpen(ICTYPE_VIDEO, kMsvc, ICMODE_QUERY);
  EXPECT_EQ(ICSendMessage(hic, ICM_COMPRESS_QUERY, 0, 0), ICERR_BADFORMAT);  // no format at all
  EXPECT_EQ(ICSendMessage(hic, 0x4001, 0, 0), ICERR_UNSUPPORTED);            // a message not offered
  ICClose(hic);
}

// Every entry has an About box; the entries with settings worth changing have a configuration
// dialog. Asking does not show anything.
TEST(CompressionManager, AnswersWhichDialogsExist) {
  const std::vector<std::string> configurable = {"ZMBV", "H264", "ULRG", "HFYU", "FFV1", "MPNG"};
  ASSERT_FALSE(InstalledFourccs().empty()) << "a loop over no compressor checks nothing";
  for (std::uint32_t fourcc : InstalledFourccs()) {
    SCOPED_TRACE(Text(fourcc));
    HIC hic = ICOpen(ICTYPE_VIDEO, fourcc, ICMODE_QUERY);
    ASSERT_NE(hic, nullptr);
    EXPECT_EQ(ICSendMessage(hic, ICM_ABOUT, ICMF_QUERY_WINDOW, ICMF_ABOUT_QUERY), ICERR_OK);
    const bool hasConfig = std::find(configurable.begin(), configurable.end(), Text(fourcc)) != configurable.end();
    EXPECT_EQ(ICSendMessage(hic, ICM_CONFIGURE, ICMF_QUERY_WINDOW, ICMF_CONFIGURE_QUERY),
              hasConfig ? ICERR_OK : ICERR_UNSUPPORTED);
    ICClose(hic);
  }
}

// Without a QApplication no dialog can be shown, and the answer says so.
TEST(CompressionManager, ShowingADialogWithoutAnApplicationFails) {
  HIC hic = ICOpen(ICTYPE_VIDEO, kMsvc, ICMODE_QUERY);
  EXPECT_EQ(ICSendMessage(hic, ICM_ABOUT, 0, 0), ICERR_UNSUPPORTED);
  EXPECT_EQ(ICSendMessage(hic, ICM_CONFIGURE, 0, 0), ICERR_UNSUPPORTED);  // MSVC has no settings
  ICClose(hic);
}

}  // namespace
}  // namespace codectest
