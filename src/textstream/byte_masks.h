// Bit masks of chosen bytes in blocks of input: the bytes that end the reformatter's tokens, where
// a tag's content stops, and the carriage returns and Ctrl-Z bytes that the text stream takes out.
// The only code that knows the target. With SSE2 (every x86-64 CPU, and WebAssembly SIMD through
// Emscripten's SSE2 headers, built with -msimd128 -msse2) sixteen bytes go at a time, and 32 on an
// x86-64 CPU found at run time to have AVX2; everywhere else, and when KESTROW_PORTABLE_SCAN is
// defined, 64-bit words go eight bytes at a time. All give the same answers; nothing outside this
// header tests the target.
//
// A mask covers one word of kMaskWidth bytes: bit i stands for byte i of the word, in memory order.

#ifndef KESTROW_TEXTSTREAM_BYTE_MASKS_H_
#define KESTROW_TEXTSTREAM_BYTE_MASKS_H_

#include <bit>
#include <cstddef>
#include <cstdint>

#if !defined(KESTROW_PORTABLE_SCAN) && (defined(__SSE2__) || defined(_M_X64))
#include <emmintrin.h>
#define KESTROW_SSE2_SCAN 1
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define KESTROW_AVX2_CLASSIFY 1
#endif
#else
#include "textstream/word_scan.h"
#endif

namespace kestrow {

constexpr std::size_t kMaskWidth = 64;

// The bytes of one word that end a token, by what the reformatter does with them.
struct WordMasks {
  std::uint64_t ends;   // space, full stop and line feed: the delimiters of move text
  std::uint64_t rares;  // "[" (a tag starts) and the zero byte (a token's text or the block ends)
};

#ifdef KESTROW_SSE2_SCAN

// Classifies the kMaskWidth bytes at `bytes`, which must be 16-byte aligned.
inline WordMasks classify_word(const unsigned char* bytes) {
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i stop = _mm_set1_epi8('.');
  const __m128i line_feed = _mm_set1_epi8('\n');
  const __m128i open = _mm_set1_epi8('[');
  const __m128i zero = _mm_setzero_si128();
  WordMasks masks{0, 0};
  for (std::size_t part = 0; part < kMaskWidth / 16; ++part) {
    const __m128i x = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
    const __m128i ends =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, space), _mm_cmpeq_epi8(x, stop)),
                     _mm_cmpeq_epi8(x, line_feed));
    const __m128i rares = _mm_or_si128(_mm_cmpeq_epi8(x, open), _mm_cmpeq_epi8(x, zero));
    masks.ends |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(ends)))
                  << (16 * part);
    masks.rares |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(rares)))
                   << (16 * part);
  }
  return masks;
}

// Returns the index of the first byte at `bytes` that is "]", a line feed or zero. There must be
// one, and 16 bytes must be readable from it on.
inline std::size_t find_tag_stop(const unsigned char* bytes) {
  const __m128i close = _mm_set1_epi8(']');
  const __m128i line_feed = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  for (std::size_t i = 0;; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const __m128i stops =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, close), _mm_cmpeq_epi8(x, line_feed)),
                     _mm_cmpeq_epi8(x, zero));
    if (const int marks = _mm_movemask_epi8(stops); marks != 0) {
      return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(marks)));
    }
  }
}

#else

namespace classify_detail {

constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// The eight bytes at `bytes` as a word whose lowest byte is the first in memory.
inline std::uint64_t load_in_memory_order(const unsigned char* bytes) {
  if constexpr (std::endian::native == std::endian::little) {
    return load_word(bytes);
  } else {
    std::uint64_t word = 0;
    for (unsigned i = 0; i < 8; ++i) word |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    return word;
  }
}

// The high bit of every byte of `lows` (bytes below 0x80) that differs from `value` (below 0x80),
// exactly: a byte's XOR with `value` is below 0x80, so adding 0x7F sets its high bit unless it was
// zero, and never carries into the next byte.
inline std::uint64_t differs(std::uint64_t lows, unsigned char value) {
  return (lows ^ (kByteOnes * value)) + kByteLows;
}

// Gathers the high bits of the eight bytes (every other bit clear) into the low eight bits, byte
// i to bit i. Bit 8i + 7 times bit 49 - 7j of the multiplier lands on bit 56 + i + 7(i - j): each
// pair on a bit of its own, so nothing carries, and only the pairs with i = j in the top byte.
inline std::uint64_t gather(std::uint64_t high_bits) {
  return (high_bits * 0x0002040810204081u) >> 56;
}

}  // namespace classify_detail

// Classifies the kMaskWidth bytes at `bytes`, which must be 16-byte aligned. Every byte sought is
// below 0x80: a byte is one of them when its high bit is clear and differs() leaves its high bit
// clear for that value. The masks are built for the bytes that are none of them, and inverted once.
inline WordMasks classify_word(const unsigned char* bytes) {
  using namespace classify_detail;
  std::uint64_t other_than_ends = 0;
  std::uint64_t other_than_rares = 0;
  for (std::size_t part = 0; part < kMaskWidth / 8; ++part) {
    const std::uint64_t word = load_in_memory_order(bytes + 8 * part);
    const std::uint64_t lows = word & kByteLows;
    const std::uint64_t not_ends =
        ((differs(lows, ' ') & differs(lows, '.') & differs(lows, '\n')) | word) & kHighBits;
    const std::uint64_t not_rares = ((differs(lows, '[') & differs(lows, 0)) | word) & kHighBits;
    other_than_ends |= gather(not_ends) << (8 * part);
    other_than_rares |= gather(not_rares) << (8 * part);
  }
  return WordMasks{~other_than_ends, ~other_than_rares};
}

// Returns the index of the first byte at `bytes` that is "]", a line feed or zero. There must be
// one, and 16 bytes must be readable from it on.
inline std::size_t find_tag_stop(const unsigned char* bytes) {
  for (std::size_t i = 0;; i += 8) {
    const std::uint64_t word = load_word(bytes + i);
    if (const std::uint64_t marks =
            bytes_equal(word, ']') | bytes_equal(word, '\n') | bytes_equal(word, 0);
        marks != 0) {
      return i + first_marked(marks);
    }
  }
}

#endif

#ifdef KESTROW_AVX2_CLASSIFY

// classify_word() 32 bytes at a time, for CPUs with AVX2 (`bytes` 32-byte aligned).
__attribute__((target("avx2"))) inline WordMasks classify_word_avx2(const unsigned char* bytes) {
  const __m256i space = _mm256_set1_epi8(' ');
  const __m256i stop = _mm256_set1_epi8('.');
  const __m256i line_feed = _mm256_set1_epi8('\n');
  const __m256i open = _mm256_set1_epi8('[');
  const __m256i zero = _mm256_setzero_si256();
  WordMasks masks{0, 0};
  for (std::size_t part = 0; part < kMaskWidth / 32; ++part) {
    const __m256i x = _mm256_load_si256(reinterpret_cast<const __m256i*>(bytes + 32 * part));
    const __m256i ends =
        _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(x, space), _mm256_cmpeq_epi8(x, stop)),
                        _mm256_cmpeq_epi8(x, line_feed));
    const __m256i rares = _mm256_or_si256(_mm256_cmpeq_epi8(x, open), _mm256_cmpeq_epi8(x, zero));
    masks.ends |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm256_movemask_epi8(ends)))
                  << (32 * part);
    masks.rares |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm256_movemask_epi8(rares)))
                   << (32 * part);
  }
  return masks;
}

__attribute__((target("avx2"))) inline void classify_block_avx2(const unsigned char* bytes,
                                                                std::size_t length,
                                                                WordMasks* masks) {
  for (std::size_t word = 0; word <= length / kMaskWidth; ++word) {
    masks[word] = classify_word_avx2(bytes + word * kMaskWidth);
  }
}

// True when the CPU running the program has AVX2 (and the system keeps its registers): a test of
// what the runtime found at startup, cheap enough for every block.
inline bool has_avx2() { return __builtin_cpu_supports("avx2"); }

#endif

// The carriage returns and Ctrl-Z bytes of one word.
struct LineEndMasks {
  std::uint64_t carriage_returns;
  std::uint64_t ctrl_zs;
};

#ifdef KESTROW_SSE2_SCAN

// True when the `words` words at `bytes` (any alignment) may hold a CR or a Ctrl-Z: when one of
// them is a byte from 0x0C to 0x1F. Those bytes, and no others, come to at most 0x13 once XORed
// with 0x1C; adding 0x6C with saturation then leaves their top bit clear, and every other byte's
// set. The words are ANDed together; four instructions for sixteen bytes.
inline bool may_hold_line_ends(const unsigned char* bytes, std::size_t words) {
  const __m128i fold = _mm_set1_epi8(0x1C);
  const __m128i lift = _mm_set1_epi8(0x6C);
  __m128i all = _mm_set1_epi8(-1);
  for (std::size_t word = 0; word < words; ++word) {
    for (std::size_t part = 0; part < kMaskWidth / 16; ++part) {
      const __m128i x =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + word * kMaskWidth + 16 * part));
      all = _mm_and_si128(all, _mm_adds_epu8(_mm_xor_si128(x, fold), lift));
    }
  }
  return _mm_movemask_epi8(all) != 0xFFFF;
}

// The carriage returns and Ctrl-Z bytes of the word at `bytes` (any alignment). Ctrl-Z bytes are
// rare: they are marked one by one only in a word that has one.
inline LineEndMasks mark_line_end_word(const unsigned char* bytes) {
  const __m128i carriage_return = _mm_set1_epi8('\r');
  const __m128i ctrl_z = _mm_set1_epi8(0x1A);
  LineEndMasks marks{0, 0};
  __m128i any_ctrl_z = _mm_setzero_si128();
  for (std::size_t part = 0; part < kMaskWidth / 16; ++part) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
    marks.carriage_returns |= static_cast<std::uint64_t>(static_cast<unsigned>(
                                  _mm_movemask_epi8(_mm_cmpeq_epi8(x, carriage_return))))
                              << (16 * part);
    any_ctrl_z = _mm_or_si128(any_ctrl_z, _mm_cmpeq_epi8(x, ctrl_z));
  }
  if (_mm_movemask_epi8(any_ctrl_z) != 0) {
    for (std::size_t part = 0; part < kMaskWidth / 16; ++part) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
      marks.ctrl_zs |= static_cast<std::uint64_t>(
                           static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, ctrl_z))))
                       << (16 * part);
    }
  }
  return marks;
}

#endif

#ifdef KESTROW_AVX2_CLASSIFY

// may_hold_line_ends() 32 bytes at a time, for CPUs with AVX2.
__attribute__((target("avx2"))) inline bool may_hold_line_ends_avx2(const unsigned char* bytes,
                                                                    std::size_t words) {
  const __m256i fold = _mm256_set1_epi8(0x1C);
  const __m256i lift = _mm256_set1_epi8(0x6C);
  __m256i all = _mm256_set1_epi8(-1);
  for (std::size_t word = 0; word < words; ++word) {
    for (std::size_t part = 0; part < kMaskWidth / 32; ++part) {
      const __m256i x = _mm256_loadu_si256(
          reinterpret_cast<const __m256i*>(bytes + word * kMaskWidth + 32 * part));
      all = _mm256_and_si256(all, _mm256_adds_epu8(_mm256_xor_si256(x, fold), lift));
    }
  }
  return _mm256_movemask_epi8(all) != -1;
}

__attribute__((target("avx2"))) inline LineEndMasks mark_line_ends_avx2(const unsigned char* bytes,
                                                                        std::size_t words,
                                                                        bool check_first,
                                                                        LineEndMasks* masks) {
  LineEndMasks any{0, 0};
  if (check_first && !may_hold_line_ends_avx2(bytes, words)) return any;
  const __m256i carriage_return = _mm256_set1_epi8('\r');
  const __m256i ctrl_z = _mm256_set1_epi8(0x1A);
  __m256i any_ctrl_z = _mm256_setzero_si256();
  for (std::size_t word = 0; word < words; ++word) {
    LineEndMasks marks{0, 0};
    for (std::size_t part = 0; part < kMaskWidth / 32; ++part) {
      const __m256i x = _mm256_loadu_si256(
          reinterpret_cast<const __m256i*>(bytes + word * kMaskWidth + 32 * part));
      marks.carriage_returns |= static_cast<std::uint64_t>(static_cast<unsigned>(
                                    _mm256_movemask_epi8(_mm256_cmpeq_epi8(x, carriage_return))))
                                << (32 * part);
      any_ctrl_z = _mm256_or_si256(any_ctrl_z, _mm256_cmpeq_epi8(x, ctrl_z));
    }
    masks[word] = marks;
    any.carriage_returns |= marks.carriage_returns;
  }
  if (_mm256_movemask_epi8(any_ctrl_z) == 0) return any;
  // A Ctrl-Z, rare: the words are marked again for it.
  for (std::size_t word = 0; word < words; ++word) {
    for (std::size_t part = 0; part < kMaskWidth / 32; ++part) {
      const __m256i x = _mm256_loadu_si256(
          reinterpret_cast<const __m256i*>(bytes + word * kMaskWidth + 32 * part));
      masks[word].ctrl_zs |= static_cast<std::uint64_t>(static_cast<unsigned>(
                                 _mm256_movemask_epi8(_mm256_cmpeq_epi8(x, ctrl_z))))
                             << (32 * part);
    }
    any.ctrl_zs |= masks[word].ctrl_zs;
  }
  return any;
}

#endif

// Marks the carriage returns and Ctrl-Z bytes of the `words` words at `bytes` (any alignment)
// into masks[0] to masks[words - 1], and returns true, with *any the OR of those masks; when *any
// is zero the masks may be left unset. With `check_first` the words are first
// checked as a whole for the bytes near them, so that a block of a file with bare line feeds is
// marked at the cost of that check; a caller that has just seen CRs passes false. Without SIMD it
// marks nothing and returns false: searching for each with memchr costs less there.
inline bool mark_line_ends(const unsigned char* bytes, std::size_t words, bool check_first,
                           LineEndMasks* masks, LineEndMasks* any) {
#ifdef KESTROW_AVX2_CLASSIFY
  if (has_avx2()) {
    *any = mark_line_ends_avx2(bytes, words, check_first, masks);
    return true;
  }
#endif
#ifdef KESTROW_SSE2_SCAN
  *any = LineEndMasks{0, 0};
  if (check_first && !may_hold_line_ends(bytes, words)) return true;
  for (std::size_t word = 0; word < words; ++word) {
    masks[word] = mark_line_end_word(bytes + word * kMaskWidth);
    any->carriage_returns |= masks[word].carriage_returns;
    any->ctrl_zs |= masks[word].ctrl_zs;
  }
  return true;
#else
  (void)bytes;
  (void)words;
  (void)check_first;
  (void)masks;
  (void)any;
  return false;
#endif
}

// Classifies the `length` bytes at `bytes` (64-byte aligned) and the byte after them: into
// masks[0] to masks[length / kMaskWidth], reading whole words past the end. On a CPU with AVX2,
// 32 bytes go at a time.
inline void classify_block(const unsigned char* bytes, std::size_t length, WordMasks* masks) {
#ifdef KESTROW_AVX2_CLASSIFY
  if (has_avx2()) {
    classify_block_avx2(bytes, length, masks);
    return;
  }
#endif
  for (std::size_t word = 0; word <= length / kMaskWidth; ++word) {
    masks[word] = classify_word(bytes + word * kMaskWidth);
  }
}

}  // namespace kestrow

#endif  // KESTROW_TEXTSTREAM_BYTE_MASKS_H_
