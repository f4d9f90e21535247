// Tag pairs: a "[" in the move text starts a tag, which is copied whole onto a line of its own.
// An Event tag, which opens a game, is preceded by the game separator, a line of 44 underscores.
// Both run for every tag and every bracketed comment, so they are inline, in the reformatter's
// loop.

#ifndef KESTROW_REFORMAT_TAGS_H_
#define KESTROW_REFORMAT_TAGS_H_

#include <cstddef>

#include "reformat/read_token.h"
#include "textstream/text_stream.h"

namespace kestrow {

// Inside a tag only "]" ends the content.
inline constexpr DelimiterSet kTagDelimiters = make_delimiter_set("]");

inline constexpr char kGameSeparator[] = "\n____________________________________________\n";

// True when `content` begins with "Event " (any case of the letters a to z, one space after).
inline bool is_event_tag(const char* content) {
  const char kEvent[] = "event ";
  for (int i = 0; kEvent[i] != '\0'; ++i) {
    // Only A to Z are folded. A shorter content stops at its zero, which matches no letter.
    char c = content[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kEvent[i]) return false;
  }
  return true;
}

// Copies the content of a tag whose "[" has been read and whose line break has been written: the
// game separator for an Event tag, then "[", the content up to "]" and "]". `token` (kTokenSize
// bytes) and *delimiter are the reformatter's own; a tag of kTokenSize or more characters is not
// copied, and its content from character kTokenSize + 1 on is left to be read as ordinary tokens.
inline void copy_tag_content(TextStream* input, TextStream* output, char* token, char* delimiter) {
  std::size_t length = 0;
  if (read_token(input, token, delimiter, kTokenSize, kTagDelimiters, &length) != Complete) return;
  if (is_event_tag(token)) put_text(output, kGameSeparator);
  put_char(output, '[');
  put_text_block(output, token, length);  // tag content may span lines
  // A tag cut off by the end of the input is written as far as it goes, without a "]" of our
  // own, so that the output shows where the input stopped.
  if (*delimiter == ']') put_char(output, ']');
}

// Copies the tag whose "[" has just been read: a line break, then its content (copy_tag_content).
// The line break is written before the content is read.
inline void copy_tag(TextStream* input, TextStream* output, char* token, char* delimiter) {
  put_line_break(output);
  copy_tag_content(input, output, token, delimiter);
}

}  // namespace kestrow

#endif  // KESTROW_REFORMAT_TAGS_H_
