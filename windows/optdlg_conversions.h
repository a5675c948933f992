#pragma once
// Conversions between the camera's recording settings and the options dialog's track bars.
namespace optdlg {

constexpr int kQualityMax = 100;
constexpr int kPlaybackMax = 1000;

int QualityPositionFromQuality(int quality, int max = kQualityMax);
int QualityFromPosition(int position, int max = kQualityMax);
int PlaybackPositionFromFps(int framesPerSecond, int max = kPlaybackMax);
int FpsFromPlaybackPosition(int position, int max = kPlaybackMax);

}  // namespace optdlg
