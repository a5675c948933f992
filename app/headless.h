#pragma once
#include "app/command_line.h"

namespace app {

// Runs a command-line command without windows; returns the process's exit status.
int RunHeadless(const CommandLine& command, int argc, char** argv);

}  // namespace app
