// Move lines, written from a table. Every token of move text is written as a separator and then
// the token itself; which separator, and which line state follows, depend only on the line state
// and on the kind of delimiter that ended the token (a space or a line break, or a full stop). The
// table holds one step for each pair, with the separator's text in it, so that the fast path
// copies it with one fixed-width copy.
//
// The ". " after a move number is left pending (NumberPending) and becomes the start of the next
// separator, so that a move number costs no more than any other token. settle_number() writes it
// when something other than a token comes next: a tag, the end of the input, or a read of the
// input, so that every write is made before the read that follows it.
//
// In the two-line layout the separator before Black's move is a line break, the move number and
// ". ...,", set at each move number. One longer than a step holds (a move number of more than
// kFastNumber characters) stands in MoveTable::long_black, and the table is marked long_number
// until it no longer matters.

#ifndef KESTROW_REFORMAT_MOVE_LINES_H_
#define KESTROW_REFORMAT_MOVE_LINES_H_

#include <cstddef>
#include <cstdint>

#include "reformat/read_token.h"
#include "textstream/text_stream.h"

namespace kestrow {

// The reformatter's position within a numbered move.
enum LineState : std::uint8_t {
  Idle,           // not within a numbered move
  NumberPending,  // a move number has been written, its ". " not yet
  AfterNumber,    // a move number and its ". " have been written
  ExpectWhite,    // the next token is White's move
  ExpectBlack,    // the next token is Black's move
  kLineStates
};

// The kinds of delimiter, 0 for a space or a line break and 1 for a full stop: bit 2 of the
// character tells them apart.
constexpr std::size_t delimiter_kind(unsigned char delimiter) { return (delimiter >> 2) & 1; }
static_assert(delimiter_kind(' ') == 0 && delimiter_kind('\n') == 0 && delimiter_kind('.') == 1);

// What a step holds of its separator's text; the fast path copies the whole step.
constexpr std::size_t kStepText = 28;
// A line break, the move number and ". ...," within kStepText bytes.
constexpr std::size_t kFastNumber = kStepText - 8;

// One step: the separator to write before a token, and the line state after it.
struct alignas(32) MoveStep {
  unsigned char separator[kStepText];  // its text, or the start of it when it is longer
  std::uint16_t length;                // its length
  std::int16_t next;                   // the next line state's row, in bytes from this step
};
static_assert(sizeof(MoveStep) == 32);
// A row of the table: the steps of one line state, by kind of delimiter.
constexpr std::size_t kRowSize = 2 * sizeof(MoveStep);
// The step of a delimiter within its row, in bytes: its bit 2 times half a row.
static_assert(delimiter_kind('.') * sizeof(MoveStep) == ('.' & 4u) * (kRowSize / 8));

struct MoveTable {
  MoveStep steps[kLineStates][2];  // by line state and kind of delimiter
  bool two_lines;
  bool long_number;  // Black's separator is longer than a step holds: it is in long_black
  unsigned char long_black[kTokenSize + 8];
};

// Fills the table for the layout; the line state starts at Idle.
void init_move_table(MoveTable* table, bool two_lines);

// Sets Black's separator of the two-line layout for the move number `number` of `length` bytes
// (kCopyBlock bytes readable).
void set_black_separator(MoveTable* table, const unsigned char* number, std::size_t length);

// Writes a token that `delimiter` (space, line feed or full stop) ended, with its separator, and
// moves *state on. `token` must have kCopyBlock readable bytes.
void write_move_token(MoveTable* table, LineState* state, TextStream* output,
                      unsigned char delimiter, const char* token, std::size_t length);

// Writes the pending ". " of a move number, if any.
inline void settle_number(LineState* state, TextStream* output) {
  if (*state != NumberPending) return;
  put_block(output, ". \0\0\0\0\0\0\0\0\0\0\0\0\0", 2);
  *state = AfterNumber;
}

}  // namespace kestrow

#endif  // KESTROW_REFORMAT_MOVE_LINES_H_
