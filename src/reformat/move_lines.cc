#include "reformat/move_lines.h"

#include <cstring>

namespace kestrow {

namespace {

constexpr char kBlackMark[] = ". ...,";
constexpr unsigned char kLineBreak[] = {'\r', '\n'};

// Sets the step of `state` at delimiters of `kind` to write `separator` and go to `next`.
void set_step(MoveTable* table, LineState state, std::size_t kind, const char* separator,
              LineState next) {
  MoveStep& step = table->steps[state][kind];
  step.length = static_cast<std::uint16_t>(std::strlen(separator));
  std::memcpy(step.separator, separator, step.length);
  step.next = static_cast<std::int16_t>(static_cast<std::ptrdiff_t>(next * kRowSize) -
                                        (reinterpret_cast<const unsigned char*>(&step) -
                                         reinterpret_cast<const unsigned char*>(table->steps)));
}

}  // namespace

void init_move_table(MoveTable* table, bool two_lines) {
  std::memset(table, 0, sizeof(*table));
  table->two_lines = two_lines;
  // A space or a line break: the moves of a numbered move, then ordinary tokens after a space.
  // Black's separator is set again at each move number.
  set_step(table, Idle, 0, " ", Idle);
  set_step(table, NumberPending, 0, ". ", ExpectWhite);
  set_step(table, AfterNumber, 0, "", ExpectWhite);
  set_step(table, ExpectWhite, 0, "", ExpectBlack);
  set_step(table, ExpectBlack, 0, two_lines ? "\r\n. ...," : ", ", Idle);
  // A full stop ends a move number: a new line, whatever the state.
  set_step(table, Idle, 1, "\r\n", NumberPending);
  set_step(table, NumberPending, 1, ". \r\n", NumberPending);
  set_step(table, AfterNumber, 1, "\r\n", NumberPending);
  set_step(table, ExpectWhite, 1, "\r\n", NumberPending);
  set_step(table, ExpectBlack, 1, "\r\n", NumberPending);
}

void set_black_separator(MoveTable* table, const unsigned char* number, std::size_t length) {
  MoveStep& black = table->steps[ExpectBlack][0];
  const std::size_t black_length = 2 + length + sizeof(kBlackMark) - 1;
  table->long_number = black_length > kStepText;
  unsigned char* text = table->long_number ? table->long_black : black.separator;
  std::memcpy(text, kLineBreak, sizeof(kLineBreak));
  std::memcpy(text + 2, number, length);
  std::memcpy(text + 2 + length, kBlackMark, sizeof(kBlackMark) - 1);
  black.length = static_cast<std::uint16_t>(black_length);
}

void write_move_token(MoveTable* table, LineState* state, TextStream* output,
                      unsigned char delimiter, const char* token, std::size_t length) {
  const MoveStep& step = table->steps[*state][delimiter_kind(delimiter)];
  const unsigned char* separator = step.length > kStepText ? table->long_black : step.separator;
  put_bytes(output, reinterpret_cast<const char*>(separator), step.length);
  put_block(output, token, length);
  *state = static_cast<LineState>(
      static_cast<std::size_t>(reinterpret_cast<const unsigned char*>(&step) + step.next -
                               reinterpret_cast<const unsigned char*>(table->steps)) /
      kRowSize);
  if (delimiter == '.' && table->two_lines) {
    set_black_separator(table, reinterpret_cast<const unsigned char*>(token), length);
  }
}

}  // namespace kestrow
