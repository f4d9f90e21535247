// The token reader: the only code that reads the input's characters. One call reads characters
// until one of a set of delimiters, a length limit or the end of the input, and tells which of
// these ended the token. It keeps nothing between calls. The common case, a token that ends
// within the bytes the stream has ready, is inline; everything else goes to read_token_general().

#ifndef KESTROW_REFORMAT_READ_TOKEN_H_
#define KESTROW_REFORMAT_READ_TOKEN_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "textstream/text_stream.h"

namespace kestrow {

// The size of every token buffer: a token holds at most kTokenSize - 1 characters and its zero.
constexpr int kTokenSize = 512;

// What one call of read_token did.
enum ReaderStatus {
  AtEnd = -1,    // the end-of-file indicator was already up: nothing read, nothing stored
  Complete = 0,  // a delimiter (stored in *delimiter) or the end of the input (0) ended the token
  Overflow = 1,  // max_length characters read and none was a delimiter; *delimiter untouched
};

// What a character is to the reader: part of the token, a delimiter, or the zero byte (part of
// the token too, but the end of its text).
enum CharKind : unsigned char { kPlain = 0, kDelimiter = 1, kZeroByte = 2 };

// A set of delimiter characters: as a table, kind[c] for every character c, and as a list.
struct DelimiterSet {
  unsigned char kind[256];
  int count;        // members in `members`
  char members[8];  // the first eight members
};

// Makes the set of the characters of the zero-terminated `characters`. The zero byte is never a
// delimiter: it ends the string.
constexpr DelimiterSet make_delimiter_set(const char* characters) {
  DelimiterSet set{};
  for (const char* c = characters; *c != '\0'; ++c) {
    set.kind[static_cast<unsigned char>(*c)] = kDelimiter;
    if (set.count < 8) set.members[set.count] = *c;
    ++set.count;
  }
  set.kind[0] = kZeroByte;
  return set;
}

// Sets with at most this many members are scanned eight bytes at a time, larger ones byte by byte.
constexpr int kWordScanMembers = 1;

// Returns a word whose bytes have their high bit set where `word` holds a member of `set` or a
// zero byte; exact for the lowest such byte, which is all the reader looks at.
inline std::uint64_t special_bytes(std::uint64_t word, const DelimiterSet& set) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  std::uint64_t found = (word - kOnes) & ~word;
  for (int m = 0; m < set.count; ++m) {
    std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(set.members[m]));
    found |= (x - kOnes) & ~x;
  }
  return found & kHighs;
}

// The index of the first byte in memory that `special` marks.
inline std::size_t first_marked(std::uint64_t special) {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<std::size_t>(std::countr_zero(special)) / 8;
  } else {
    return static_cast<std::size_t>(std::countl_zero(special)) / 8;
  }
}

// read_token() for every case: tokens that cross a refill, reach the end, overflow or hold a zero.
int read_token_general(TextStream* input, char* token, char* delimiter, int max_length,
                       const DelimiterSet& delimiters, std::size_t* text_length);

// Reads the next token from `input` into `token` and returns its status.
// `token` must hold max_length bytes; each character of `delimiters` ends a token (the zero byte
// never does: it is stored like any other character). On Complete `token` holds the characters
// before the delimiter followed by a zero, *delimiter the delimiter, or 0 when the input ran out,
// and *text_length the length of the token's text: its characters up to the first zero byte. On
// Overflow `token` holds max_length characters and no zero. The delimiter itself is consumed;
// after Overflow, the next call starts at the character after the last one stored.
inline int read_token(TextStream* input, char* token, char* delimiter, int max_length,
                      const DelimiterSet& delimiters, std::size_t* text_length) {
  if (!at_end(input)) {
    const unsigned char* bytes = input->buffer + input->position;
    std::size_t count = input->length - input->position;
    // Scanning fewer than max_length characters, this path can never overflow.
    std::size_t most = max_length > 0 ? static_cast<std::size_t>(max_length) - 1 : 0;
    if (count > most) count = most;
    std::size_t i = 0;
    if (delimiters.count <= kWordScanMembers) {
      // Long runs between few delimiters (tag content): a word at a time while it fits.
      for (; i + 8 <= count; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        std::memcpy(token + i, &word, 8);
        if (std::uint64_t special = special_bytes(word, delimiters); special != 0) {
          i += first_marked(special);
          break;
        }
      }
    }
    for (; i < count; ++i) {
      unsigned char c = bytes[i];
      if (unsigned char kind = delimiters.kind[c]; kind != kPlain) {
        if (kind == kZeroByte) break;
        *delimiter = static_cast<char>(c);
        token[i] = '\0';
        *text_length = i;
        consume(input, i + 1);
        return Complete;
      }
      token[i] = static_cast<char>(c);
    }
  }
  // Nothing has been consumed yet: the general path reads the token from its start.
  return read_token_general(input, token, delimiter, max_length, delimiters, text_length);
}

}  // namespace kestrow

#endif  // KESTROW_REFORMAT_READ_TOKEN_H_
