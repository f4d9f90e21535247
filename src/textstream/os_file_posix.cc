// POSIX files: plain descriptors, with every read and write retried on interruption.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "textstream/os_file.h"

namespace kestrow {

bool os_open_for_reading(const char* path, OsFile* file) {
  int fd;
  do {
    fd = ::open(path, O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  // Opening a directory succeeds here and only its reads fail: refuse it now, like Windows does.
  struct stat info;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return false;
  }
  *file = fd;
  return true;
}

bool os_open_for_writing(const char* path, OsFile* file) {
  int fd;
  do {
    fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  *file = fd;
  return true;
}

std::ptrdiff_t os_read(OsFile file, unsigned char* data, std::size_t size) {
  ssize_t n;
  do {
    n = ::read(static_cast<int>(file), data, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

bool os_write(OsFile file, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(static_cast<int>(file), data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool os_close(OsFile file) {
  // A close interrupted by a signal has still released the descriptor on Linux: never retry it.
  return ::close(static_cast<int>(file)) == 0 || errno == EINTR;
}

bool os_is_same_file(OsFile file, const char* path) {
  struct stat open_info;
  struct stat path_info;
  if (::fstat(static_cast<int>(file), &open_info) != 0) return false;
  if (::stat(path, &path_info) != 0) return false;
  return S_ISREG(open_info.st_mode) && S_ISREG(path_info.st_mode) &&
         open_info.st_dev == path_info.st_dev && open_info.st_ino == path_info.st_ino;
}

// Locks on POSIX are advisory: nothing keeps another open from writing, so the device and inode
// numbers above are the whole guard.
OsFile os_hold_against_writing(OsFile) { return kNoHold; }

void os_release_hold(OsFile) {}

}  // namespace kestrow
