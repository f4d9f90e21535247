// The operating system's files, reduced to what the text streams need: open, read a block, write
// a block, close, tell whether a path names the file already open, and hold an open file against
// being opened for writing. Every function works on raw bytes (binary mode); line-end and Ctrl-Z
// rules live in text_stream.cc, never here.
// os_file_posix.cc and os_file_windows.cc each implement this interface for one platform.
// A path is a zero-terminated string of bytes: on POSIX the name as it is, whatever its bytes; on
// Windows the UTF-16 name in WTF-8 (see windows_path.h).

#ifndef KESTROW_TEXTSTREAM_OS_FILE_H_
#define KESTROW_TEXTSTREAM_OS_FILE_H_

#include <cstddef>
#include <cstdint>

namespace kestrow {

// An open file: a descriptor on POSIX, a HANDLE on Windows.
using OsFile = std::intptr_t;

// Opens an existing file for reading. Fails, returning false, for a path that cannot be opened
// and for a directory.
bool os_open_for_reading(const char* path, OsFile* file);

// Opens a file for writing, creating it or truncating it to zero length. An existing file keeps
// its attributes (on Windows, hidden and system files included).
bool os_open_for_writing(const char* path, OsFile* file);

// Reads up to `size` bytes into `data`. Returns the count read, 0 at the end of the file, or -1
// when the read failed.
std::ptrdiff_t os_read(OsFile file, unsigned char* data, std::size_t size);

// Writes all `size` bytes of `data`; returns false when any of them could not be written.
bool os_write(OsFile file, const unsigned char* data, std::size_t size);

// Closes the file; returns false when the system reports an error on closing.
bool os_close(OsFile file);

// True when `path` names an existing regular file that is the same file as the open `file`,
// whatever spelling or link leads to it. Pipes and devices are never the same file.
bool os_is_same_file(OsFile file, const char* path);

// No hold: what os_hold_against_writing returns where it has none to give.
constexpr OsFile kNoHold = -1;

// Holds the open `file` against being opened for writing, through any path, until
// os_release_hold: on Windows a second handle that shares read access only, which makes every
// open of the file for writing fail. Returns kNoHold where the system has no such hold (POSIX),
// for pipes and devices, and when another program has the file open for writing.
OsFile os_hold_against_writing(OsFile file);

// Ends a hold that os_hold_against_writing returned; does nothing for kNoHold.
void os_release_hold(OsFile hold);

}  // namespace kestrow

#endif  // KESTROW_TEXTSTREAM_OS_FILE_H_
