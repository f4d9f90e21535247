// Tag pairs: a "[" in the move text starts a tag, which is copied whole onto a line of its own.
// An Event tag, which opens a game, is preceded by the game separator, a line of 44 underscores.

#ifndef KESTROW_REFORMAT_TAGS_H_
#define KESTROW_REFORMAT_TAGS_H_

#include "textstream/text_stream.h"

namespace kestrow {

// True when `content` begins with "Event " (any case of the letters a to z, one space after).
bool is_event_tag(const char* content);

// Copies the tag whose "[" has just been read: a line break, the game separator for an Event
// tag, then "[", the content up to "]" and "]". `token` (kTokenSize bytes) and *delimiter are the
// reformatter's own; a tag of kTokenSize or more characters is not copied, and its content from
// character kTokenSize + 1 on is left to be read as ordinary tokens.
void copy_tag(TextStream* input, TextStream* output, char* token, char* delimiter);

}  // namespace kestrow

#endif  // KESTROW_REFORMAT_TAGS_H_
