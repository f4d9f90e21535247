#include "reformat/read_token.h"

namespace kestrow {

namespace {

bool is_delimiter(char c, const char* delimiters) {
  for (const char* d = delimiters; *d != '\0'; ++d) {
    if (*d == c) return true;
  }
  return false;
}

}  // namespace

int read_token(TextStream* input, char* token, char* delimiter, int max_length,
               const char* delimiters) {
  // The indicator is tested once, before reading: within the call the end arrives as a character.
  if (at_end(input)) return AtEnd;
  int stored = 0;
  while (stored < max_length) {
    int c = get_char(input);
    if (c == kEndOfInput) {
      *delimiter = 0;
      token[stored] = '\0';
      return Complete;
    }
    if (is_delimiter(static_cast<char>(c), delimiters)) {
      *delimiter = static_cast<char>(c);
      token[stored] = '\0';
      return Complete;
    }
    token[stored++] = static_cast<char>(c);
  }
  return Overflow;
}

}  // namespace kestrow
