#include "textstream/windows_path.h"

#include <windows.h>

#include <cstdint>

namespace kestrow {

namespace {

bool is_lead_surrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_trail_surrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void append_code_point(std::string* bytes, std::uint32_t c) {
  if (c < 0x80) {
    *bytes += static_cast<char>(c);
  } else if (c < 0x800) {
    *bytes += static_cast<char>(0xC0 | (c >> 6));
    *bytes += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *bytes += static_cast<char>(0xE0 | (c >> 12));
    *bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *bytes += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *bytes += static_cast<char>(0xF0 | (c >> 18));
    *bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *bytes += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void append_unit(std::wstring* wide, std::uint32_t unit) { *wide += static_cast<wchar_t>(unit); }

bool starts_with(const std::wstring& text, const wchar_t* start) {
  return text.compare(0, std::char_traits<wchar_t>::length(start), start) == 0;
}

// True for a path that Windows takes without any rewriting, in its Win32 form (\\?\) or its NT
// form (\??\), or that names a device (\\.\).
bool is_verbatim_or_device(const std::wstring& path) {
  return starts_with(path, L"\\\\?\\") || starts_with(path, L"\\??\\") ||
         starts_with(path, L"\\\\.\\");
}

// The absolute form of `path`, or an empty string when Windows cannot resolve it.
std::wstring full_path(const std::wstring& path) {
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::wstring();
  std::wstring full(size, L'\0');
  DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  if (length == 0 || length >= size) return std::wstring();
  full.resize(length);
  return full;
}

}  // namespace

std::string wtf8_from_wide(const wchar_t* wide) {
  std::string bytes;
  for (std::size_t i = 0; wide[i] != L'\0'; ++i) {
    auto unit = static_cast<std::uint32_t>(static_cast<std::uint16_t>(wide[i]));
    auto next = static_cast<std::uint32_t>(static_cast<std::uint16_t>(wide[i + 1]));
    if (is_lead_surrogate(unit) && is_trail_surrogate(next)) {
      append_code_point(&bytes, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
      ++i;
    } else {
      append_code_point(&bytes, unit);  // an unpaired surrogate too, as its own three bytes
    }
  }
  return bytes;
}

bool wide_from_wtf8(const char* bytes, std::wstring* wide) {
  wide->clear();
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  while (*b != 0) {
    std::uint32_t c = *b;
    int more = 0;
    std::uint32_t least = 0;  // the smallest code point that needs this many bytes
    if (c < 0x80) {
      more = 0;
    } else if ((c & 0xE0) == 0xC0) {
      more = 1;
      least = 0x80;
      c &= 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      more = 2;
      least = 0x800;
      c &= 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      more = 3;
      least = 0x10000;
      c &= 0x07;
    } else {
      return false;  // a continuation byte without a lead, or no lead byte of UTF-8 at all
    }
    ++b;
    for (int k = 0; k < more; ++k, ++b) {
      if ((*b & 0xC0) != 0x80) return false;  // the zero that ends the text stops here too
      c = (c << 6) | (*b & 0x3Fu);
    }
    if (c < least || c > 0x10FFFF) return false;
    if (c >= 0x10000) {
      append_unit(wide, 0xD800 + ((c - 0x10000) >> 10));
      append_unit(wide, 0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      append_unit(wide, c);
    }
  }
  return true;
}

std::wstring long_path_form(const std::wstring& path) {
  if (is_verbatim_or_device(path)) return path;
  std::wstring full = full_path(path);
  if (full.empty()) return path;  // let opening it fail as typed
  if (path.size() < kShortPathLimit && full.size() < kShortPathLimit) return path;
  if (is_verbatim_or_device(full)) return full;
  if (starts_with(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

bool windows_path(const char* path, std::wstring* name) {
  std::wstring wide;
  if (!wide_from_wtf8(path, &wide)) return false;
  *name = long_path_form(wide);
  return true;
}

}  // namespace kestrow
