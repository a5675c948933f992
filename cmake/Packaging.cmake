# The Debian package, made by `cpack -G DEB` (scripts/package.sh): what the install rules put
# under /usr, with the runtime libraries it needs found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vorlix developers")
set(CPACK_PACKAGE_CONTACT "Vorlix developers <dev@vorlix.org>")
# MIT; the package carries the terms in /usr/share/doc/vorlix/copyright (packaging/copyright).
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://vorlix.org)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The desktop's xcb platform plugin, which the library dependencies do not name.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Help opens the manual with xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# CPack indents the lines after the first and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "small, fast screen capture: stills and region recordings
Vorlix takes stills of the whole screen or of a region marked with a
movable, resizable, see-through frame, and sends them to the clipboard or to
BMP and JPEG files whose names are numbered so that nothing is overwritten.

It records the marked region into AVI files through a chosen video
compressor at 1 to 50 frames per second, with or without the mouse cursor.
Global hotkeys (Ctrl+Shift+F1, Ctrl+Shift+F2) take stills in the background.")
include(CPack)
