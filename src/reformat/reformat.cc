#include "reformat/reformat.h"

#include "reformat/banner.h"
#include "reformat/move_lines.h"
#include "reformat/read_token.h"
#include "reformat/tags.h"
#include "reformat/walk_tokens.h"

namespace kestrow {

namespace {

// Ordinary tokens end at a space, a full stop, a "[" or a line break.
constexpr DelimiterSet kMoveDelimiters = make_delimiter_set(" .[\n");

}  // namespace

int reformat(TextStream* input, TextStream* output, bool two_lines) {
  char token[kTokenSize] = {};  // zeroed: block copies read past the token's text
  std::size_t length = 0;
  char delimiter = ' ';  // anything but the end marker until the first token is read
  MoveTable table;
  init_move_table(&table, two_lines);
  LineState state = Idle;
  BlockMasks masks;
  masks.refills = ~input->refills;  // no block classified yet

  put_text(output, kBannerCredit);
  put_text(output, kBannerAddress);
  for (;;) {
    // The fast path takes the block as far as it can.
    if (!table.long_number) {
      classify_input(input, &masks);
      if (walk_tokens(input, &masks, &table, &state, output) == kTagContent) {
        copy_tag_content(input, output, token, &delimiter);
        if (delimiter == 0) break;
        continue;
      }
    }
    // The general path: one token through read_token. Every byte due is written before it reads.
    settle_number(&state, output);
    int status = read_token(input, token, &delimiter, kTokenSize, kMoveDelimiters, &length);
    if (status == AtEnd) break;
    if (status == Complete) {
      switch (delimiter) {
        case '[':
          copy_tag(input, output, token, &delimiter);
          break;
        case 0:  // the end of the input: a last token without a line break still counts
          if (length > 0) write_move_token(&table, &state, output, ' ', token, length);
          break;
        default:  // a space, a full stop or a line break
          write_move_token(&table, &state, output, static_cast<unsigned char>(delimiter), token,
                           length);
          break;
      }
      // Black's separator is used only after a move number: a long one stops mattering here.
      if (state == Idle) table.long_number = false;
    }
    if (delimiter == 0) break;  // an over-long run of characters was dropped: read on
  }
  settle_number(&state, output);
  return 0;
}

}  // namespace kestrow
