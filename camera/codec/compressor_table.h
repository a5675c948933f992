#pragma once
// The installed compressors: a fixed table of entries, each a FOURCC, an encoder and its rules.
// An entry is installed when what encodes it is present in this build; compressor numbers follow
// the table's order, "MSVC" first.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "camera/codec/dib_format.h"
#include "camera/codec/frame_encoder.h"

namespace codec {

struct LibavRecipe;  // libav_frame_encoder.h
struct CompressorEntry;
using EncoderFactory = std::unique_ptr<FrameEncoder> (*)(const CompressorEntry& entry, const EncoderSetup& setup);

// One setting of an entry's configuration dialog: a list of choices for one encoder option.
struct Choice {
  const char* text;
  const char* value;
};
struct ChoiceSetting {
  const char* label;
  const char* option;  // encoder option name
  std::vector<Choice> choices;
  int defaultChoice = 0;
  const char* explanation = "";  // what the choice trades, in a sentence
};

// Sizes an encoder codes: both sides multiples of these, none above maxSide.
struct SizeRule {
  int widthMultiple = 1;
  int heightMultiple = 1;
  int maxSide = kMaxFrameSide;
  bool Accepts(int width, int height) const {
    return width >= 1 && height >= 1 && width <= maxSide && height <= maxSide && width % widthMultiple == 0 &&
           height % heightMultiple == 0;
  }
};

struct CompressorEntry {
  std::uint32_t fourcc = 0;
  const char* shortName = "";  // libavcodec's name of the encoder
  int codecId = 0;             // the codec the AVI file declares (an AVCodecID)
  bool lossless = false;
  bool temporal = false;  // frames may refer to earlier frames
  SizeRule sizes;
  std::vector<ChoiceSetting> settings;
  EncoderFactory makeEncoder = nullptr;
  // How the libavcodec backend drives the encoder; such an entry is installed when the linked
  // libavcodec has the encoder.
  const LibavRecipe* recipe = nullptr;
  // What the user chooses by: what the codec is and what it is good for, short enough for the
  // options dialog's list. ASCII.
  const char* ownDescription = nullptr;
  // Encoders of our own (no recipe): their own name; libavcodec's are named by its long name.
  const char* ownEncoderName = nullptr;
  // Set when the table is built:
  std::u16string description;  // ownDescription, or the encoder's name without one
  std::u16string encoderName;  // the encoder's own name, for its About box
  std::u16string driver;       // what encodes, with its version
};

// The installed entries, in compressor-number order. Built once, on first use; an entry keeps its
// address for the whole run.
const std::deque<CompressorEntry>& InstalledCompressors();
// Installs an encoder of the program's own after the table's entries, for the rest of the run, as
// a program may install a compressor of its own; it gets the next compressor number. Call it on
// the UI thread while no recording runs and no compressor is open.
void InstallCompressor(CompressorEntry entry);
// The installed entry with that FOURCC (letters compared without case), or nullptr.
const CompressorEntry* FindInstalledCompressor(std::uint32_t fourcc);
// Whether the entry takes frames of that format.
bool TakesFormat(const CompressorEntry& entry, const DibFormat& format);
// The FOURCC as text.
std::string FourccText(std::uint32_t fourcc);

}  // namespace codec
