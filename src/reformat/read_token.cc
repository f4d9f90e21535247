#include "reformat/read_token.h"

namespace kestrow {

int read_token(TextStream* input, char* token, char* delimiter, int max_length,
               const DelimiterSet& delimiters) {
  // The indicator is tested once, before reading: within the call the end arrives as a character.
  if (at_end(input)) return AtEnd;
  std::size_t stored = 0;
  const std::size_t limit = max_length > 0 ? static_cast<std::size_t>(max_length) : 0;
  // Scan the bytes the stream has ready, block by block, copying up to the first delimiter.
  while (stored < limit) {
    const unsigned char* bytes;
    std::size_t count = ready_bytes(input, &bytes);
    if (count == 0) {
      *delimiter = 0;
      token[stored] = '\0';
      return Complete;
    }
    if (count > limit - stored) count = limit - stored;
    std::size_t i = 0;
    while (i < count && !delimiters.member[bytes[i]]) {
      token[stored + i] = static_cast<char>(bytes[i]);
      ++i;
    }
    stored += i;
    if (i < count) {
      *delimiter = static_cast<char>(bytes[i]);
      token[stored] = '\0';
      consume(input, i + 1);
      return Complete;
    }
    consume(input, i);
  }
  return Overflow;
}

}  // namespace kestrow
