#include "reformat/tags.h"

#include "reformat/read_token.h"

namespace kestrow {

namespace {

// Inside a tag only "]" ends the content.
constexpr DelimiterSet kTagDelimiters = make_delimiter_set("]");

constexpr char kGameSeparator[] = "\n____________________________________________\n";

char to_lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool is_event_tag(const char* content) {
  const char kEvent[] = "event ";
  for (int i = 0; kEvent[i] != '\0'; ++i) {
    // A shorter content stops at its zero, which matches no letter of the word.
    if (to_lower_ascii(content[i]) != kEvent[i]) return false;
  }
  return true;
}

void copy_tag(TextStream* input, TextStream* output, char* token, char* delimiter) {
  put_char(output, '\n');
  std::size_t length = 0;
  if (read_token(input, token, delimiter, kTokenSize, kTagDelimiters, &length) != Complete) return;
  if (is_event_tag(token)) put_text(output, kGameSeparator);
  put_char(output, '[');
  put_text_block(output, token, length);  // tag content may span lines
  // A tag cut off by the end of the input is written as far as it goes, without a "]" of our
  // own, so that the output shows where the input stopped.
  if (*delimiter == ']') put_char(output, ']');
}

}  // namespace kestrow
