// Eight bytes at a time: finding the first byte of a 64-bit word that equals one of a few values.
// A word is loaded from memory with memcpy, so "first" means first in memory on every platform.

#ifndef KESTROW_TEXTSTREAM_WORD_SCAN_H_
#define KESTROW_TEXTSTREAM_WORD_SCAN_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kestrow {

constexpr std::uint64_t kByteOnes = 0x0101010101010101u;
constexpr std::uint64_t kByteLows = 0x7F7F7F7F7F7F7F7Fu;

// Loads eight bytes from `bytes`, which need not be aligned.
inline std::uint64_t load_word(const void* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof(word));
  return word;
}

// Marks (high bit set) exactly the bytes of `word` that equal `value`.
inline std::uint64_t bytes_equal(std::uint64_t word, unsigned char value) {
  std::uint64_t x = word ^ (kByteOnes * value);
  return ~(((x & kByteLows) + kByteLows) | x | kByteLows);
}

// The index of the first byte that `marks` (non-zero) marks.
inline std::size_t first_marked(std::uint64_t marks) {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<std::size_t>(std::countr_zero(marks)) / 8;
  } else {
    return static_cast<std::size_t>(std::countl_zero(marks)) / 8;
  }
}

}  // namespace kestrow

#endif  // KESTROW_TEXTSTREAM_WORD_SCAN_H_
