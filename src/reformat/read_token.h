// The token reader: the only code that reads the input's characters. One call reads characters
// until one of a set of delimiters, a length limit or the end of the input, and tells which of
// these ended the token. It keeps nothing between calls.

#ifndef KESTROW_REFORMAT_READ_TOKEN_H_
#define KESTROW_REFORMAT_READ_TOKEN_H_

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

// A set of delimiter characters as a table: member[c] is true for each character of the set.
struct DelimiterSet {
  bool member[256];
};

// Makes the set of the characters of the zero-terminated `characters`. The zero byte is never a
// member: it ends the string.
constexpr DelimiterSet make_delimiter_set(const char* characters) {
  DelimiterSet set{};
  for (const char* c = characters; *c != '\0'; ++c)
    set.member[static_cast<unsigned char>(*c)] = true;
  return set;
}

// Reads the next token from `input` into `token` and returns its status.
// `token` must hold max_length bytes; each character of `delimiters` ends a token (the zero byte
// never does: it is stored like any other character). On Complete
// `token` holds the characters before the delimiter followed by a zero, and *delimiter the
// delimiter, or 0 when the input ran out. On Overflow `token` holds max_length characters and no
// zero. The delimiter itself is consumed; after Overflow, the next call starts at the character
// after the last one stored.
int read_token(TextStream* input, char* token, char* delimiter, int max_length,
               const DelimiterSet& delimiters);

}  // namespace kestrow

#endif  // KESTROW_REFORMAT_READ_TOKEN_H_
