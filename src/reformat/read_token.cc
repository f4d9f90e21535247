#include "reformat/read_token.h"

namespace kestrow {

int read_token_general(TextStream* input, char* token, char* delimiter, int max_length,
                       const DelimiterSet& delimiters, std::size_t* text_length) {
  // The indicator is tested once, before reading: within the call the end arrives as a character.
  if (at_end(input)) return AtEnd;
  const std::size_t limit = max_length > 0 ? static_cast<std::size_t>(max_length) : 0;
  std::size_t stored = 0;
  std::size_t text = limit;  // where the text ends: the first zero byte, if any
  // Scan the bytes the stream has ready, block by block, copying up to the first delimiter.
  while (stored < limit) {
    const unsigned char* bytes;
    std::size_t count = ready_bytes(input, &bytes);
    if (count == 0) {
      *delimiter = 0;
      break;
    }
    if (count > limit - stored) count = limit - stored;
    std::size_t i = 0;
    for (; i < count; ++i) {
      unsigned char kind = delimiters.kind[bytes[i]];
      if (kind == kDelimiter) break;
      if (kind == kZeroByte && text == limit) text = stored + i;
      token[stored + i] = static_cast<char>(bytes[i]);
    }
    stored += i;
    if (i < count) {
      *delimiter = static_cast<char>(bytes[i]);
      consume(input, i + 1);
      break;
    }
    consume(input, i);
  }
  if (stored == limit) return Overflow;  // also for a limit of 0, with nothing read
  token[stored] = '\0';
  *text_length = text < stored ? text : stored;
  return Complete;
}

}  // namespace kestrow
