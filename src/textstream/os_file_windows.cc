// Windows files: Win32 handles in binary mode, so that the text rules of text_stream.cc are the
// only ones applied and Windows and POSIX builds behave alike byte for byte. Paths arrive in WTF-8
// and are opened through the wide calls, in their long form where they need it, so that every
// name Windows allows opens, in any script and of any length.

#include <windows.h>

#include <cstring>
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

// What identifies a file: its volume and its ID there. `full` tells the 128-bit ID from the
// 64-bit index of older systems, so that the two kinds are never compared.
struct FileIdentity {
  bool full;
  ULONGLONG volume;
  BYTE id[16];

  bool operator==(const FileIdentity& other) const {
    return full == other.full && volume == other.volume &&
           std::memcmp(id, other.id, sizeof id) == 0;
  }
};

// Reads the identity of `file`: the volume serial number and 128-bit file ID where the system
// gives them (the 64-bit index is not unique on ReFS), else the 32-bit serial and 64-bit index.
bool identify(HANDLE file, FileIdentity* identity) {
  *identity = FileIdentity{};
  FILE_ID_INFO info;
  if (GetFileInformationByHandleEx(file, FileIdInfo, &info, sizeof info)) {
    identity->full = true;
    identity->volume = info.VolumeSerialNumber;
    std::memcpy(identity->id, info.FileId.Identifier, sizeof identity->id);
    return true;
  }
  BY_HANDLE_FILE_INFORMATION old;
  if (!GetFileInformationByHandle(file, &old)) return false;
  identity->volume = old.dwVolumeSerialNumber;
  std::memcpy(identity->id, &old.nFileIndexLow, sizeof old.nFileIndexLow);
  std::memcpy(identity->id + 4, &old.nFileIndexHigh, sizeof old.nFileIndexHigh);
  return true;
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
  std::wstring name;
  if (!windows_path(path, &name)) return false;
  // An existing file is opened as it is and then emptied: creating over it (CREATE_ALWAYS) or
  // truncating it as it opens (TRUNCATE_EXISTING) is refused for a hidden or system file unless
  // those attributes are asked for again. A file that appears between the open and the create is
  // opened again; the count of tries only keeps a file that comes and goes from looping forever.
  for (int tries = 0; tries < 8; ++tries) {
    HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      // Devices and pipes (NUL, CON, \\.\pipe\...) have no length to cut.
      if (GetFileType(h) == FILE_TYPE_DISK && !SetEndOfFile(h)) {
        CloseHandle(h);
        return false;
      }
      *file = reinterpret_cast<OsFile>(h);
      return true;
    }
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    h = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      *file = reinterpret_cast<OsFile>(h);
      return true;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  return false;
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
  // Windows names one file in many ways (case, short names, slashes, links); the volume and the
  // file's ID identify it whatever the spelling.
  if (GetFileType(to_handle(file)) != FILE_TYPE_DISK) return false;
  HANDLE other = open_path(path, 0, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (other == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  FileIdentity a;
  FileIdentity b;
  bool same = GetFileType(other) == FILE_TYPE_DISK && GetFileInformationByHandle(other, &info) &&
              !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
              identify(to_handle(file), &a) && identify(other, &b) && a == b;
  CloseHandle(other);
  return same;
}

OsFile os_hold_against_writing(OsFile file) {
  if (GetFileType(to_handle(file)) != FILE_TYPE_DISK) return kNoHold;
  // Read access, so that the share mode counts; sharing read access only, so that no open for
  // writing can be had while this handle lives, whatever path it comes through.
  HANDLE hold = ReOpenFile(to_handle(file), GENERIC_READ, FILE_SHARE_READ, 0);
  if (hold == INVALID_HANDLE_VALUE) return kNoHold;
  return reinterpret_cast<OsFile>(hold);
}

void os_release_hold(OsFile hold) {
  if (hold != kNoHold) CloseHandle(to_handle(hold));
}

}  // namespace kestrow
