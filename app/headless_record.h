#pragma once
// The command line's recording commands, run by the camera the windows use.
#include "app/command_line.h"

namespace app {

// Prints the compressor catalogue, one "FOURCC description" line per entry; exit status.
int ListCodecs(int argc, char** argv);

// Records the screen (or the command's region) for the command's seconds into a numbered AVI
// file, then prints frames written, slots dropped and the file name; exit status: 0 recorded,
// 1 failed, 2 bad arguments (a FOURCC not in the catalogue). SIGINT, SIGTERM and SIGHUP end
// the recording early, with the file complete.
int RecordFromCommandLine(const CommandLine& command, int argc, char** argv);

}  // namespace app
