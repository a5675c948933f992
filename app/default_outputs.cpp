#include "app/default_outputs.h"

#include <cstdlib>

namespace app {

std::string DefaultOutputFolder() {
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/Temp Vorlix/";
}

}  // namespace app
