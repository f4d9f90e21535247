// The token reader: the only code that reads the input's characters. One call reads characters
// until one of a set of delimiters, a length limit or the end of the input, and tells which of
// these ended the token. It keeps nothing between calls. The common case, a token that ends
// within the bytes the stream has ready, is inline; everything else goes to read_token_general().

#ifndef KESTROW_REFORMAT_READ_TOKEN_H_
#define KESTROW_REFORMAT_READ_TOKEN_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "textstream/text_stream.h"
#include "textstream/word_scan.h"

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

// A set of delimiter characters: as a table, kind[c] for every character c.
struct DelimiterSet {
  unsigned char kind[256];
  int count;  // members of the set
  char sole;  // the member, when there is only one
};

// Makes the set of the characters of the zero-terminated `characters`. The zero byte is never a
// delimiter: it ends the string.
constexpr DelimiterSet make_delimiter_set(const char* characters) {
  DelimiterSet set{};
  for (const char* c = characters; *c != '\0'; ++c) {
    set.kind[static_cast<unsigned char>(*c)] = kDelimiter;
    set.sole = *c;
    ++set.count;
  }
  set.kind[0] = kZeroByte;
  return set;
}

// Returns the index of the first byte of `bytes` that is not plain for `delimiters`: a delimiter or
// a zero byte. There must be one: the stream puts a zero byte after its ready bytes.
inline std::size_t scan_plain(const unsigned char* bytes, const DelimiterSet& delimiters) {
  std::size_t i = 0;
  if (delimiters.count == 1) {
    // A lone delimiter (tag content, long runs between delimiters): a word at a time. Reading a
    // whole word past the zero is safe: the stream's buffer has a block to spare.
    const auto sole = static_cast<unsigned char>(delimiters.sole);
    for (;; i += 8) {
      std::uint64_t word = load_word(bytes + i);
      if (std::uint64_t marks = bytes_equal(word, sole) | bytes_equal(word, 0); marks != 0) {
        return i + first_marked(marks);
      }
    }
  }
  while (delimiters.kind[bytes[i]] == kPlain) ++i;
  return i;
}

// read_token() for every case: tokens that cross a refill, reach the end, overflow or hold a zero.
int read_token_general(TextStream* input, char* token, char* delimiter, int max_length,
                       const DelimiterSet& delimiters, std::size_t* text_length);

// Reads the next token from `input` into `token` and returns its status.
// `token` must hold max_length bytes, and kCopyBlock at least; each character of `delimiters` ends
// a token (the zero byte never does: it is stored like any other character). On Complete `token`
// holds the characters before the delimiter followed by a zero, *delimiter the delimiter, or 0 when
// the input ran out, and *text_length the length of the token's text: its characters up to the
// first zero byte. On Overflow `token` holds max_length characters and no zero. The delimiter
// itself is consumed; after Overflow, the next call starts at the character after the last one
// stored.
inline int read_token(TextStream* input, char* token, char* delimiter, int max_length,
                      const DelimiterSet& delimiters, std::size_t* text_length) {
  // No test of the end-of-file indicator here: once it is up the stream has no ready bytes, so
  // the scan meets the zero at once and the general path answers AtEnd.
  const unsigned char* bytes = input->buffer + input->position;
  std::size_t i = scan_plain(bytes, delimiters);
  // A delimiter found is within the ready bytes: past them stands the zero, never a delimiter.
  const unsigned char found = bytes[i];
  if (delimiters.kind[found] == kDelimiter && static_cast<int>(i) < max_length) {
    // The whole token and its delimiter are in the buffer: copy it in one go.
    copy_block(token, bytes, i);
    token[i] = '\0';
    *delimiter = static_cast<char>(found);
    *text_length = i;
    consume(input, i + 1);
    return Complete;
  }
  // Nothing has been consumed: the general path reads the token from its start. It answers
  // through locals of this call, so that the caller's own stay in registers.
  char end = 0;
  std::size_t text = 0;
  int status = read_token_general(input, token, &end, max_length, delimiters, &text);
  if (status == Complete) {
    *delimiter = end;
    *text_length = text;
  }
  return status;
}

}  // namespace kestrow

#endif  // KESTROW_REFORMAT_READ_TOKEN_H_
