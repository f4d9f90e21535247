// The reformatter's fast path. Each block the input stream reads is classified once into bit
// masks (textstream/byte_masks.h); walk_tokens() then finds the tokens of the block by their masks
// and writes them and their move lines straight into the output's buffer, checking its room once
// per word of kMaskWidth input bytes rather than once per token. A token that runs past the block
// is kept in the buffer while the next block is read after it (refill_keeping), and the walk goes
// on; so is a tag's content. Whatever is rare goes back to the general path, token by token
// through read_token: a zero byte, a token or tag of kTokenSize characters or more, a tag that
// holds a line break or runs past the next block too, the end of the input, and, in the two-line
// layout, a move number longer than kFastNumber.

#ifndef KESTROW_REFORMAT_WALK_TOKENS_H_
#define KESTROW_REFORMAT_WALK_TOKENS_H_

#include <cstddef>

#include "reformat/move_lines.h"
#include "textstream/byte_masks.h"
#include "textstream/text_stream.h"

namespace kestrow {

// The masks of the input's current block, with the start of a token kept from the one before.
struct BlockMasks {
  WordMasks words[(kTokenSize + kStreamBufferSize) / kMaskWidth + 1];
  std::size_t refills;  // the input's refill count when they were made
};

// Classifies the input's current block into `masks`, unless they describe it already.
inline void classify_input(const TextStream* input, BlockMasks* masks) {
  if (masks->refills == input->refills) return;
  classify_block(input->buffer, input->length, masks->words);
  masks->refills = input->refills;
}

// Where walk_tokens() stopped.
enum WalkStop {
  kNextToken,  // the token at the input's position is the general path's to read
  kTagContent  // a tag's "[" has been read and its line break written: the general path copies
               // its content (copy_tag_content)
};

// Reformats the input's tokens from its position on, as far as the fast path goes, and returns
// where it stopped. `masks` must describe the current block, and describe every block the walk
// reads; `table` is the reformatter's table (not marked long_number) and *state its line state.
// Every full kStreamBufferSize bytes of output are written out before it reads and before it
// returns.
WalkStop walk_tokens(TextStream* input, BlockMasks* masks, MoveTable* table, LineState* state,
                     TextStream* output);

}  // namespace kestrow

#endif  // KESTROW_REFORMAT_WALK_TOKENS_H_
