#pragma once
// The video codec services the camera calls: a compression manager that lists, queries,
// configures and opens the installed video compressors, and AVI file services that write one
// compressed video stream into an AVI file. The records and codes are in vfw_types.h.
//
// Thread use: every operation may be called from any thread, but one compressor handle, file or
// stream is used by one thread at a time. The About and configuration dialogs are Qt dialogs;
// they are always shown on the application's UI thread (a caller on another thread waits).
#include <cstdint>
#include <string>

#include "camera/codec/vfw_types.h"

// High 16 bits: the version, major in the high byte (0x010A = 1.10).
std::uint32_t VideoForWindowsVersion();

// ---- compression manager ----

// Compressor number `fccHandler` (0, 1, ...) of type `fccType` (ICTYPE_VIDEO), in the table's
// order, or the compressor whose FOURCC is `fccHandler` (any value of 256 and up). Fills the
// whole record and answers true; false when there is no such compressor.
bool ICInfo(std::uint32_t fccType, std::uint32_t fccHandler, ICINFO* info);

// Opens the compressor with that type and FOURCC (letters compared without case) in ICMODE_QUERY
// or ICMODE_COMPRESS / ICMODE_FASTCOMPRESS. Returns a handle, or nullptr when there is no such
// compressor or the mode is a decompression mode.
HIC ICOpen(std::uint32_t fccType, std::uint32_t fccHandler, std::uint32_t mode);

// Copies min(size, 568) bytes of the compressor's ICINFO record; returns the bytes copied,
// 0 for a bad handle or record.
LRESULT ICGetInfo(HIC hic, ICINFO* info, std::uint32_t size);

// Messages:
//  ICM_COMPRESS_QUERY  param1: pointer to a packed DIB's format (BITMAPINFOHEADER followed by
//                      its colour table), param2: output format, ignored (pass 0).
//                      ICERR_OK when the compressor takes frames of that format: uncompressed
//                      (BI_RGB), bottom-up, 8 (with 256 colours), 16 (5-5-5), 24 or 32 bits per
//                      pixel, and a size the compressor can code; ICERR_BADFORMAT otherwise.
//  ICM_ABOUT           param1 ICMF_QUERY_WINDOW, param2 ICMF_ABOUT_QUERY: ICERR_OK when the
//                      compressor has an About box (every one has).
//                      param1 the parent window, param2 0: shows the About box, modal over the
//                      parent, and returns ICERR_OK once it is closed.
//  ICM_CONFIGURE       the same for the configuration dialog; only compressors with settings
//                      worth changing have one (ICERR_UNSUPPORTED otherwise). What the user
//                      sets there holds for this compressor until the program ends.
// The parent window is a QWidget* passed as its integer value
// (reinterpret_cast<std::uintptr_t>(widget)); 0 gives a dialog without a parent.
// Any other message: ICERR_UNSUPPORTED. A bad handle: ICERR_BADHANDLE.
LRESULT ICSendMessage(HIC hic, std::uint32_t msg, std::uintptr_t param1, std::uintptr_t param2);

// Closes a handle from ICOpen. ICERR_OK, or ICERR_BADHANDLE.
LRESULT ICClose(HIC hic);

// ---- AVI file services ----

// Bracket the use of the AVI operations; they hold no state that outlives the objects.
void AVIFileInit();
void AVIFileExit();

// Creates the file where nothing stands under its name, never through a symbolic link and never
// replacing anything. `mode` must be OF_WRITE | OF_CREATE and `handler` nullptr. Fails with
// AVIERR_FILEOPEN when the file cannot be created (a folder that does not exist, a name already
// taken); *file is then nullptr.
HRESULT AVIFileOpenA(PAVIFILE* file, const char* fileName, std::uint32_t mode, const CLSID* handler);

// Adds the file's video stream: info->fccType streamtypeVIDEO, dwRate / dwScale frames per
// second (both above 0), szName an optional stream name. One stream per file.
HRESULT AVIFileCreateStreamA(PAVIFILE file, PAVISTREAM* stream, const AVISTREAMINFOA* info);

// A stream that compresses what is written to it with the compressor options->fccHandler and
// stores it in `source`. dwKeyFrameEvery N: a key frame at the first position and then at every
// position at least N past the last key frame (N 0: only the first); dwQuality 0..10000 or
// ICQUALITY_DEFAULT. `handler` must be nullptr. AVIERR_NOCOMPRESSOR for an unknown compressor.
HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source, const AVICOMPRESSOPTIONS* options,
                                const CLSID* handler);

// Sets the format of the frames that will be written: a BITMAPINFOHEADER and its colour table,
// `formatSize` bytes. Only on a compressed stream, once, at position 0. AVIERR_BADFORMAT when the
// compressor does not take that format; AVIERR_FILEWRITE when the file cannot be written.
HRESULT AVIStreamSetFormat(PAVISTREAM stream, std::int32_t position, const void* format, std::int32_t formatSize);

// Compresses one frame (`samples` 1; `buffer` the pixel rows of the format set, at least
// biSizeImage bytes) and stores it at stream position `start` (-1: the position after the last
// one). Positions must grow; positions skipped since the last write are stored as empty chunks,
// so a frame at position n plays at n * dwScale / dwRate seconds.
// The call returns once the compressor has taken the frame (`buffer` is free again); the frame
// is coded and stored on a thread of the stream's meanwhile, and is on disk by the next write's
// return, AVIStreamEndStreaming or AVIFileFinish. A caller that asks for `bytesWritten` waits
// for the frame to be stored. AVIERR_FILEWRITE when the file cannot be written (disk full...),
// AVIERR_COMPRESSOR when the compressor fails — for this frame or, found since, an earlier one;
// no frame is stored after a failure. AVIERR_BADPARAM / AVIERR_BADSIZE for bad arguments.
// `flags`, `samplesWritten` and `bytesWritten` may be 0 / nullptr.
HRESULT AVIStreamWrite(PAVISTREAM stream, std::int32_t start, std::int32_t samples, const void* buffer,
                       std::int32_t bufferSize, std::uint32_t flags, std::int32_t* samplesWritten,
                       std::int32_t* bytesWritten);

// Waits until every frame written to the stream is on disk; the failure of any of them, as
// AVIStreamWrite would report it, else AVIERR_OK (also for a stream that takes no frames).
HRESULT AVIStreamEndStreaming(PAVISTREAM stream);

// Drop one reference; return the references left. A stream holds its file (and a compressed
// stream its source stream), so the order of releases does not matter: the file is complete
// (index and header sizes written) when the last reference to it is gone.
std::uint32_t AVIStreamRelease(PAVISTREAM stream);
std::uint32_t AVIFileRelease(PAVIFILE file);

// Completes the file now (index and header sizes written, file closed) and says whether that
// worked: the releases cannot, and a file whose end could not be written is not a finished
// recording. Frames still being written are stored first. AVIERR_FILEWRITE when the end could
// not be written, AVIERR_BADHANDLE for a handle that is not open. Writes after it fail; the
// references are still to be released. Once.
HRESULT AVIFileFinish(PAVIFILE file);

// Removes the file AVIFileOpenA created when no frame is stored in it, after completing it as
// AVIFileFinish does: an attempt that failed before its first frame then leaves nothing behind,
// and its name is free again. Only that very file goes; when its name now leads elsewhere (the
// file was renamed or replaced, or the name is a link) nothing is removed. AVIERR_OK when it
// was removed, AVIERR_ERROR when it was kept, AVIERR_BADHANDLE for a handle that is not open.
HRESULT AVIFileRemoveIfEmpty(PAVIFILE file);

// The system's words for the first failure to write the file ("No space left on device", "File
// too large"...), or "" while there was none; "" for a handle that is not open.
std::string AVIFileWriteFailure(PAVIFILE file);

// Options built here never own memory (lpFormat and lpParms stay empty), so there is nothing
// to free; pointers a caller set are its own and are left alone. Returns AVIERR_OK.
HRESULT AVISaveOptionsFree(int streams, LPAVICOMPRESSOPTIONS* options);
