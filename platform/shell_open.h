#pragma once
// Opens a document or a URL with the program the desktop associates with it (xdg-utils), and
// answers in the manner of the Win32 shell: a value above 32 is success, a smaller one says why not.
#include <QString>

namespace platform {

namespace shell_result {
constexpr int kOutOfResources = 0;  // the opener could not be started
constexpr int kFileNotFound = 2;    // ERROR_FILE_NOT_FOUND
constexpr int kPathNotFound = 3;    // ERROR_PATH_NOT_FOUND: the folder is missing too
constexpr int kAccessDenied = 5;    // SE_ERR_ACCESSDENIED: the file cannot be read
constexpr int kNoAssociation = 31;  // SE_ERR_NOASSOC: no program handles this kind of file or URL
constexpr int kOpened = 42;         // any value above 32 means the opener was started
}  // namespace shell_result

// Opens `target`: an absolute file path, a file:// URL, or a URL with another scheme (https:, mailto:).
//
// A file must exist and be readable; its type is the one xdg-mime reports, and it counts as
// associated when `xdg-mime query default <type>` names a program. A URL counts as associated when
// its scheme has a default program, or, for web URLs, when the desktop has a browser to fall back on.
// Without xdg-utils nothing can be associated.
//
// All checks run before anything is launched, so a refused target starts no program and shows
// nothing. The opener (xdg-open) is started detached: this call never waits for the program it
// starts, and no child process is left behind to be reaped.
int ShellOpen(const QString& target);

}  // namespace platform
