#pragma once
// A recording's settings as every front end gives them to the camera: their defaults, their
// ranges and the frame interval of a frame rate, written once for the windows and the command
// line alike.
#include <cstdint>

namespace recording {

constexpr std::int32_t kDefaultFramesPerSecond = 10;
constexpr std::int32_t kMinFramesPerSecond = 1;
constexpr std::int32_t kMaxFramesPerSecond = 50;
constexpr std::int32_t kDefaultQuality = 6550;  // of 0..10000
constexpr std::int32_t kMaxQuality = 10000;
constexpr std::int32_t kDefaultKeyFrameEvery = 5;

// The time between two frames at `framesPerSecond`, in whole milliseconds, halves rounded to even.
std::int32_t FrameIntervalMsFromFps(std::int32_t framesPerSecond);

}  // namespace recording
