// The reformatter: reads a whole PGN input token by token and writes it in Kestrow's layout.
// Every move number starts a line; White's and Black's moves follow it, joined by ", ", or, in
// the two-line layout, Black's move goes on a line of its own after the number and ". ...,".
// Tags are written one to a line, each game's Event tag after the game separator. The output
// opens with the banner. Nothing is allocated: all state lives in one call.

#ifndef KESTROW_REFORMAT_REFORMAT_H_
#define KESTROW_REFORMAT_REFORMAT_H_

#include "textstream/text_stream.h"

namespace kestrow {

// Reformats all of `input` into `output` and returns 0. Both streams are open and stay open;
// read and write failures are left in the streams for the caller to ask about.
int reformat(TextStream* input, TextStream* output, bool two_lines);

}  // namespace kestrow

#endif  // KESTROW_REFORMAT_REFORMAT_H_
