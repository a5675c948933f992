// Still files checked by an independent reader (ImageMagick).
#include <gtest/gtest.h>

#include <QImage>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "app/bmp_file.h"
#include "app/still_files.h"
#include "app/still_image.h"
#include "tests/support/image_probe.h"
#include "tests/support/temp_folder.h"

namespace {

std::string TempFolder() { return testsupport::MakeTempFolder("vorlix-images"); }

// A 5 x 3 still at `bits`; pixel (x, y) counted from the top has colour Colour(x, y).
std::uint32_t Colour(int x, int y) { return ((x * 48) << 16) | ((y * 96) << 8) | ((x + y) * 24); }

app::StillImage MakeStill(int bits) {
  app::StillImage image;
  image.width = 5;
  image.height = 3;
  image.bitsPerPixel = bits;
  image.stride = (image.width * bits + 31) / 32 * 4;
  image.bits.assign(image.stride * image.height, 0);
  if (bits == 8) {
    for (int i = 0; i < 256; ++i) image.palette.push_back(static_cast<std::uint32_t>(i * 0x010101));
  }
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* row = image.bits.data() + (image.height - 1 - y) * image.stride;
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t c = Colour(x, y);
      const std::uint8_t r = c >> 16, g = c >> 8, b = c;
      if (bits == 32 || bits == 24) {
        const int bytes = bits / 8;
        row[bytes * x] = b;
        row[bytes * x + 1] = g;
        row[bytes * x + 2] = r;
      } else if (bits == 16) {
        const std::uint16_t v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        row[2 * x] = v & 0xff;
        row[2 * x + 1] = v >> 8;
      } else {
        row[x] = static_cast<std::uint8_t>(x * 50 + y);
      }
    }
  }
  return image;
}

std::uint32_t ExpectedRgb(int bits, int x, int y) {
  const std::uint32_t c = Colour(x, y);
  if (bits == 32 || bits == 24) return c;
  if (bits == 16) {
    auto widen = [](std::uint32_t v) {
      v = (v >> 3) & 31;
      return (v << 3) | (v >> 2);
    };
    return (widen(c >> 16) << 16) | (widen(c >> 8) << 8) | widen(c);
  }
  const std::uint32_t grey = static_cast<std::uint32_t>(x * 50 + y);
  return grey * 0x010101;
}

// Every pixel format the screen reader reports.
constexpr int kDisplayFormats[] = {32, 24, 16, 8};

TEST(BmpFile, ImageMagickReadsEveryDepthWithItsColours) {
  const std::string folder = TempFolder();
  for (int bits : kDisplayFormats) {
    SCOPED_TRACE(bits);
    const std::string path = folder + "/still" + std::to_string(bits) + ".bmp";
    ASSERT_TRUE(app::WriteStillToNewFile(path, MakeStill(bits)));
    // %z: bits per channel as ImageMagick stores; %[bmp:...] is not universal, so read the header too.
    std::ifstream in(path, std::ios::binary);
    std::string header(54, '\0');
    in.read(header.data(), 54);
    EXPECT_EQ(header.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(header[28]), bits);  // bits per pixel
    const std::uint32_t colours = static_cast<unsigned char>(header[46]) |
                                  (static_cast<unsigned char>(header[47]) << 8);
    EXPECT_EQ(colours, bits == 8 ? 256u : 0u);
    const testsupport::RgbImage read = testsupport::ReadImage(path);
    ASSERT_EQ(read.width, 5);
    ASSERT_EQ(read.height, 3);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) EXPECT_EQ(read.At(x, y), ExpectedRgb(bits, x, y)) << x << "," << y;
    }
  }
}

// The clipboard's image and the JPEG file show the still's colours at every display format (a
// format an output does not know would come out black or garbled).
TEST(StillOutputs, ClipboardImageAndJpegKeepTheColoursOfEveryDisplayFormat) {
  const std::string folder = TempFolder();
  for (int bits : kDisplayFormats) {
    SCOPED_TRACE(bits);
    const app::StillImage still = MakeStill(bits);
    const QImage clipboard = app::ToQImage(still);
    ASSERT_EQ(clipboard.size(), QSize(5, 3));
    double expectedSum = 0;
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(clipboard.pixel(x, y), 0xff000000u | ExpectedRgb(bits, x, y)) << x << "," << y;
        const std::uint32_t c = ExpectedRgb(bits, x, y);
        expectedSum += (c >> 16 & 0xff) + (c >> 8 & 0xff) + (c & 0xff);
      }
    }
    // JPEG is lossy: the image's mean colour is what survives exactly enough to compare.
    const std::string path = folder + "/still" + std::to_string(bits) + ".jpg";
    ASSERT_TRUE(app::WriteStillToNewFile(path, still));
    const testsupport::RgbImage read = testsupport::ReadImage(path);
    ASSERT_EQ(read.width, 5);
    ASSERT_EQ(read.height, 3);
    double readSum = 0;
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) {
        const std::uint32_t c = read.At(x, y);
        readSum += (c >> 16 & 0xff) + (c >> 8 & 0xff) + (c & 0xff);
      }
    }
    EXPECT_NEAR(readSum / 45, expectedSum / 45, 6.0);
  }
}

TEST(BmpFile, SizesFollowTheRowPadding) {
  const std::vector<std::uint8_t> bmp = app::EncodeBmp(MakeStill(16));
  // 5 pixels of 2 bytes pad to 12 bytes a row.
  EXPECT_EQ(bmp.size(), 14u + 40u + 12u * 3u);
  EXPECT_EQ(bmp[10], 54);  // pixel data offset
  EXPECT_EQ(bmp[34], 36);  // pixel data size
}

TEST(JpegFile, BaselineQuality90InColour) {
  const std::string path = TempFolder() + "/still.JPG";  // the extension's case does not matter
  ASSERT_TRUE(app::WriteStillToNewFile(path, MakeStill(32)));
  EXPECT_EQ(testsupport::Identify(path, "%m %Q %[interlace] %[colorspace] %w %h"), "JPEG 90 None sRGB 5 3");
}

TEST(StillFiles, ExtensionDecidesAndOtherNamesWriteNothing) {
  struct Case {
    const char* name;
    app::StillFileKind kind;
  };
  const Case cases[] = {{"a.bmp", app::StillFileKind::Bmp},
                        {"SHOT.BMP", app::StillFileKind::Bmp},
                        {"x.JPG", app::StillFileKind::Jpeg},
                        {"x.jpeg", app::StillFileKind::Unsupported},
                        {"x.png", app::StillFileKind::Unsupported},
                        {"noext", app::StillFileKind::Unsupported},
                        {"dir.bmp/noext", app::StillFileKind::Unsupported}};
  for (const Case& c : cases) EXPECT_EQ(app::KindOfStillFile(c.name), c.kind) << c.name;
  const std::string path = TempFolder() + "/x.png";
  EXPECT_TRUE(app::WriteStillToNewFile(path, MakeStill(32)));
  EXPECT_NE(access(path.c_str(), F_OK), 0);
}

TEST(StillFiles, ATakenNameIsNeverOverwritten) {
  const std::string folder = TempFolder();
  const std::string taken = folder + "/shot.bmp";
  { std::ofstream(taken) << "someone else's"; }
  // The name was free when numbered but is taken by the time of the write.
  EXPECT_FALSE(app::WriteStillToNewFile(taken, MakeStill(32)));
  std::ifstream in(taken);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str(), "someone else's");
  EXPECT_EQ(app::SaveStill(taken, MakeStill(32)), folder + "/001_shot.bmp");
}

// What may already stand under the names of a still's sequence: the still ends in a file under a
// free name or in "Cannot create file", never hangs, never writes through a link, never
// overwrites.
TEST(StillFiles, OddTargetsEndInAFreeNameOrAClearMessage) {
  namespace fs = std::filesystem;
  using Make = std::function<void(const std::string& folder)>;
  const auto file = [](const std::string& path) { std::ofstream(path) << "someone else's"; };
  struct Case {
    const char* what;
    Make make;
    const char* written;  // the file name written, or "" for the message
    const char* refused;  // the name the message reports
  };
  const Case cases[] = {
      {"a folder under the next numbered name",
       [&](const std::string& f) {
         file(f + "/shot.bmp");
         fs::create_directory(f + "/001_shot.bmp");
       },
       "", "001_shot.bmp"},
      {"a dangling link", [](const std::string& f) { fs::create_symlink(f + "/elsewhere.bmp", f + "/shot.bmp"); }, "",
       "shot.bmp"},
      {"a link to a file",
       [&](const std::string& f) {
         file(f + "/target");
         fs::create_symlink(f + "/target", f + "/shot.bmp");
       },
       "001_shot.bmp", ""},
      {"a chain of files, links and a FIFO",
       [&](const std::string& f) {
         file(f + "/shot.bmp");
         file(f + "/target");
         fs::create_symlink(f + "/target", f + "/001_shot.bmp");
         ASSERT_EQ(mkfifo((f + "/002_shot.bmp").c_str(), 0644), 0);
         file(f + "/003_shot.bmp");
       },
       "004_shot.bmp", ""},
      {"a file without write permission",
       [&](const std::string& f) {
         file(f + "/shot.bmp");
         fs::permissions(f + "/shot.bmp", fs::perms::owner_read);
       },
       "001_shot.bmp", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string folder = TempFolder();
    c.make(folder);
    std::string written, message;
    try {
      written = app::SaveStill(folder + "/shot.bmp", MakeStill(32));
    } catch (const std::runtime_error& error) {
      message = error.what();
    }
    if (*c.written) {
      EXPECT_EQ(written, folder + "/" + c.written) << message;
      EXPECT_EQ(testsupport::Identify(written, "%m %w %h"), "BMP3 5 3");
    } else {
      EXPECT_EQ(message, "Cannot create file \"" + folder + "/" + c.refused + "\". File exists") << written;
    }
    EXPECT_FALSE(fs::exists(folder + "/elsewhere.bmp")) << "nothing written through a link";
    if (fs::exists(folder + "/target")) {
      std::ifstream in(folder + "/target");
      std::stringstream content;
      content << in.rdbuf();
      EXPECT_EQ(content.str(), "someone else's");
    }
    fs::remove_all(folder);
  }
}

TEST(StillFiles, FailuresNameTheFileAndLeaveNothingBehind) {
  const std::string missing = TempFolder() + "/no such folder/x.bmp";
  try {
    app::WriteStillToNewFile(missing, MakeStill(32));
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot create file \"" + missing + "\". No such file or directory");
  }
}

}  // namespace
