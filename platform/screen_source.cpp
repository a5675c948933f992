#include "platform/screen_source.h"

#include <atomic>
#include <cstdlib>

namespace platform {
namespace {

std::atomic<ScreenSource> inUse{ScreenSource::X11};

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::optional<ScreenSource> ParseScreenSource(const std::string& name) {
  if (name == "x11") return ScreenSource::X11;
  if (name == "portal") return ScreenSource::Portal;
  return std::nullopt;
}

bool IsWaylandSession() {
  return !Environment("WAYLAND_DISPLAY").empty() || Environment("XDG_SESSION_TYPE") == "wayland";
}

ScreenSource ChooseScreenSource(std::optional<ScreenSource> forced) {
  if (forced) return *forced;
  if (const auto fromEnvironment = ParseScreenSource(Environment("VORLIX_SCREEN_SOURCE"))) return *fromEnvironment;
  return IsWaylandSession() ? ScreenSource::Portal : ScreenSource::X11;
}

void UseScreenSource(ScreenSource source) { inUse.store(source); }
ScreenSource ScreenSourceInUse() { return inUse.load(); }

}  // namespace platform
