#pragma once
// The numbering that keeps outputs from overwriting each other: "x.bmp" -> "001_x.bmp" -> "002_x.bmp" ...
#include <functional>
#include <string>

namespace app {

using FileExistsTest = std::function<bool(const std::string&)>;

// Returns `name` when no file exists under it, else the first free name of its sequence.
// The folder (everything up to the last "/") and everything after the counter stay unchanged.
std::string NextFreeName(const std::string& name);
std::string NextFreeName(const std::string& name, const FileExistsTest& exists);

// One step of the sequence, for a file name without its folder.
std::string NextNumberedFileName(const std::string& fileName);

}  // namespace app
