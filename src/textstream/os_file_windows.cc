// Windows files: Win32 handles in binary mode, so that the text rules of text_stream.cc are the
// only ones applied and Windows and POSIX builds behave alike byte for byte. Paths arrive in WTF-8
// and are opened through the wide calls, in their long form where they need it, so that every
// name Windows allows opens, in any script and of any length.

#include <windows.h>

#include <string>

#include "textstream/os_file.h"
#include "textstream/windows_path.h"

namespace kestrow {

namespace {

HANDLE to_handle(OsFile file) { return reinterpret_cast<HANDLE>(file); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Largest block handed to one ReadFile or WriteFile call.
constexpr std::size_t kMaxBlock = 1u << 30;

// Opens the WTF-8 `path` by its Windows name; INVALID_HANDLE_VALUE when it has none or fails.
HANDLE open_path(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  std::wstring name;
  if (!windows_path(path, &name)) return INVALID_HANDLE_VALUE;
  return CreateFileW(name.c_str(), access, share, nullptr, disposition, flags, nullptr);
}

}  // namespace

bool os_open_for_reading(const char* path, OsFile* file) {
  // Without FILE_FLAG_BACKUP_SEMANTICS a directory cannot be opened, which is what we want.
  HANDLE h = open_path(path, GENERIC_READ, kShareAll, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  if (h == INVALID_HANDLE_VALUE) return false;
  *file = reinterpret_cast<OsFile>(h);
  return true;
}

bool os_open_for_writing(const char* path, OsFile* file) {
  HANDLE h = open_path(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (h == INVALID_HANDLE_VALUE) return false;
  *file = reinterpret_cast<OsFile>(h);
  return true;
}

std::ptrdiff_t os_read(OsFile file, unsigned char* data, std::size_t size) {
  DWORD got = 0;
  DWORD want = static_cast<DWORD>(size < kMaxBlock ? size : kMaxBlock);
  if (!ReadFile(to_handle(file), data, want, &got, nullptr)) {
    // The writing end of a pipe was closed: that is the end of the input, not a failure.
    return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
  }
  return static_cast<std::ptrdiff_t>(got);
}

bool os_write(OsFile file, const unsigned char* data, std::size_t size) {
  while (size > 0) {
    DWORD done = 0;
    DWORD want = static_cast<DWORD>(size < kMaxBlock ? size : kMaxBlock);
    if (!WriteFile(to_handle(file), data, want, &done, nullptr) || done == 0) return false;
    data += done;
    size -= done;
  }
  return true;
}

bool os_close(OsFile file) { return CloseHandle(to_handle(file)) != 0; }

bool os_is_same_file(OsFile file, const char* path) {
  // Windows names one file in many ways (case, short names, slashes, links); the volume serial
  // number and file index identify it whatever the spelling.
  if (GetFileType(to_handle(file)) != FILE_TYPE_DISK) return false;
  HANDLE other = open_path(path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (other == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a;
  BY_HANDLE_FILE_INFORMATION b;
  bool same =
      GetFileType(other) == FILE_TYPE_DISK && GetFileInformationByHandle(to_handle(file), &a) &&
      GetFileInformationByHandle(other, &b) && !(b.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
      a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
      a.nFileIndexLow == b.nFileIndexLow;
  CloseHandle(other);
  return same;
}

}  // namespace kestrow
