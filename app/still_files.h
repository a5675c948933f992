#pragma once
// Writing stills to numbered files without ever replacing one.
#include <string>

#include "app/still_image.h"

namespace app {

enum class StillFileKind { Bmp, Jpeg, Unsupported };

// By the extension of the file name (from its last "."), in any letter case: ".bmp" or ".jpg".
StillFileKind KindOfStillFile(const std::string& path);

// Writes the still to `path` as its extension asks, creating the file only if no file is there.
// Returns false, writing nothing, when the name was taken meanwhile. Throws std::runtime_error
// "Cannot create file "<path>". <reason>" when the file cannot be created or written; a partly
// written file is removed.
bool WriteStillToNewFile(const std::string& path, const StillImage& image);

// Numbers `name` (NextFreeName) and writes the still there; when another program takes the
// chosen name between the numbering and the creation, it goes on to the next free name (a
// bounded number of times). A name held by something that is not a file (a folder, a dangling
// link) throws "Cannot create file ..." with the system's reason. Never writes through a link.
// Returns the name written. Unsupported extensions write nothing and return the numbered name.
std::string SaveStill(const std::string& name, const StillImage& image);

}  // namespace app
