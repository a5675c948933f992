#include "optdlg_conversions.h"

#include "platform/round.h"

namespace optdlg {

using platform::RoundHalfEven;

int QualityPositionFromQuality(int quality, int max) { return RoundHalfEven(double(quality) * max / 10000); }

int QualityFromPosition(int position, int max) { return RoundHalfEven(double(position) * 10000 / max); }

// No "+ 1" here, so that reading the position back gives the same rate for 1..50 fps.
int PlaybackPositionFromFps(int framesPerSecond, int max) {
  return RoundHalfEven(double(framesPerSecond - 1) * (max - 1) / 49);
}

int FpsFromPlaybackPosition(int position, int max) { return RoundHalfEven(double(position - 1) * 49 / (max - 1) + 1); }

}  // namespace optdlg
