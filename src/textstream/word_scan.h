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

// Marks (high bit set) bytes of `word` that equal `value`, for first_marked(): the first byte
// marked is the first byte that equals `value`, and no byte before it is marked; bytes after it
// may be marked wrongly. Two such results ORed together keep this for "equals either value".
inline std::uint64_t bytes_equal(std::uint64_t word, unsigned char value) {
  std::uint64_t x = word ^ (kByteOnes * value);
  if constexpr (std::endian::native == std::endian::little) {
    // Subtracting one from every byte borrows only through a zero byte, so below the first zero
    // byte of x nothing borrows and a byte comes out marked only if it is zero.
    return (x - kByteOnes) & ~x & ~kByteLows;
  } else {
    // In memory order the first byte is the top one, which the borrows above can reach: mark
    // exactly, without carries between bytes.
    return ~(((x & kByteLows) + kByteLows) | x | kByteLows);
  }
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
