// File names on Windows. Windows delivers arguments and names in UTF-16, which may hold unpaired
// surrogates; the rest of Kestrow carries names as zero-terminated bytes. WTF-8 joins the two: it
// is UTF-8 for every well-formed name and spells an unpaired surrogate as the three bytes UTF-8
// would give its code point, so a name goes to bytes and back unchanged. Before a name is opened
// it is also given the long form that lifts the old 260-character limit. Windows builds only.

#ifndef KESTROW_TEXTSTREAM_WINDOWS_PATH_H_
#define KESTROW_TEXTSTREAM_WINDOWS_PATH_H_

#include <cstddef>
#include <string>

namespace kestrow {

// A path of this many UTF-16 units or more is opened in its long form: the old limit is 260 with
// the terminating zero, and only 248 for a folder, which must leave room for a file name in it.
constexpr std::size_t kShortPathLimit = 248;

// Returns the WTF-8 bytes of the zero-terminated UTF-16 `wide`.
std::string wtf8_from_wide(const wchar_t* wide);

// Decodes the zero-terminated WTF-8 `bytes` into `wide`. Returns false, leaving `wide`
// unspecified, when they are not WTF-8 (a stray, truncated or overlong sequence).
bool wide_from_wtf8(const char* bytes, std::wstring* wide);

// Returns the form in which `path` is opened. A path shorter than kShortPathLimit that also
// resolves to one is kept as typed, so that relative paths and device names such as NUL and CON
// behave as they always have. A longer one is resolved to an absolute path (which turns "/" into
// "\" and takes out "." and "..") and prefixed with \\?\, or \\?\UNC\ for a network share; a path
// that is already in that form or in the NT form \??\, or names a device as \\.\, is kept as it
// is.
std::wstring long_path_form(const std::wstring& path);

// Turns the WTF-8 `path` into the UTF-16 name to open, in its long form where it needs one.
// Returns false when `path` is not WTF-8.
bool windows_path(const char* path, std::wstring* name);

}  // namespace kestrow

#endif  // KESTROW_TEXTSTREAM_WINDOWS_PATH_H_
