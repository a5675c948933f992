#pragma once
// File-system questions and the one way this program creates output files.
#include <string>

namespace platform {

// True when something other than a folder exists under `path`.
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Creates the folder with all missing parents; false when it is not there afterwards.
bool ForceDirectories(const std::string& path);
// As ForceDirectories, but the folder itself, when this call creates it, is readable by its owner
// only: for folders that hold pictures of the screen. Parents get the usual permissions.
bool ForcePrivateDirectories(const std::string& path);

// Creates `path` only if nothing exists under that name (never replaces a file).
// Returns an open descriptor, or -1 with errno set (EEXIST when the name was taken).
int CreateNewFile(const std::string& path);

// The system's text for an errno value.
std::string SystemErrorText(int error);

}  // namespace platform
