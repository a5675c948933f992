#include "camera/recording_settings.h"

#include "platform/round.h"

namespace recording {

std::int32_t FrameIntervalMsFromFps(std::int32_t framesPerSecond) {
  return platform::RoundHalfEven(1000.0 / framesPerSecond);
}

}  // namespace recording
