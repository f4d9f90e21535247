#include "reformat/reformat.h"

#include <cstring>

#include "reformat/banner.h"
#include "reformat/read_token.h"
#include "reformat/tags.h"

namespace kestrow {

namespace {

// Ordinary tokens end at a space, a full stop, a "[" or a line break.
constexpr DelimiterSet kMoveDelimiters = make_delimiter_set(" .[\n");

constexpr char kNumberEnd[] = ". ";
constexpr char kBlackMark[] = "...,";
// What stands between White's and Black's move in the one-line layout, padded for put_block.
constexpr char kMoveJoin[kCopyBlock] = ", ";

// The prefix holds the longest move number, then ". " and "...," and its zero, and has room for
// the block copy of put_block.
constexpr std::size_t kPrefixSize = kTokenSize - 1 + sizeof(kNumberEnd) - 1 + sizeof(kBlackMark);

// The reformatter's position within a numbered move.
enum LineState { Idle, AfterNumber, ExpectWhite, ExpectBlack };

struct MoveLine {
  LineState state;
  bool two_lines;
  std::size_t prefix_length;
  char prefix[kPrefixSize];  // the move number, ". " and, once written, "...,"
};

// Writes a token that a space or a line break ended, by the line state.
void write_move_token(MoveLine* line, TextStream* output, const char* token, std::size_t length) {
  switch (line->state) {
    case AfterNumber:
      put_block(output, token, length);
      line->state = ExpectWhite;
      break;
    case ExpectWhite:
      put_block(output, token, length);
      line->state = ExpectBlack;
      break;
    case ExpectBlack:
      if (line->two_lines) {
        put_line_break(output);
        put_block(output, line->prefix, line->prefix_length);
      } else {
        put_block(output, kMoveJoin, 2);
      }
      put_block(output, token, length);
      line->state = Idle;
      break;
    case Idle:
      put_char(output, ' ');
      put_block(output, token, length);
      break;
  }
}

// Starts a new move line for the move number `token` of `length` characters.
void write_move_number(MoveLine* line, TextStream* output, const char* token, std::size_t length) {
  // Move numbers are short: one block copy takes them whole (the token buffer holds a block).
  copy_block(line->prefix, token, length);
  std::memcpy(line->prefix + length, kNumberEnd, sizeof(kNumberEnd));
  line->state = AfterNumber;
  put_line_break(output);
  put_block(output, line->prefix, length + sizeof(kNumberEnd) - 1);
  std::memcpy(line->prefix + length + sizeof(kNumberEnd) - 1, kBlackMark, sizeof(kBlackMark));
  line->prefix_length = length + sizeof(kNumberEnd) - 1 + sizeof(kBlackMark) - 1;
}

}  // namespace

int reformat(TextStream* input, TextStream* output, bool two_lines) {
  char token[kTokenSize] = {};  // zeroed: block copies read past the token's text
  std::size_t length = 0;
  char delimiter = ' ';  // anything but the end marker until the first token is read
  MoveLine line;
  line.state = Idle;
  line.two_lines = two_lines;
  line.prefix_length = 0;
  std::memset(line.prefix, 0, sizeof(line.prefix));

  put_text(output, kBannerCredit);
  put_text(output, kBannerAddress);
  do {
    int status = read_token(input, token, &delimiter, kTokenSize, kMoveDelimiters, &length);
    if (status == AtEnd) break;
    if (status == Overflow) continue;  // an over-long run of characters is dropped
    switch (delimiter) {
      case '.':
        write_move_number(&line, output, token, length);
        break;
      case '[':
        copy_tag(input, output, token, &delimiter);
        break;
      case 0:  // the end of the input: a last token without a line break still counts
        if (length == 0) break;
        [[fallthrough]];
      default:  // a space or a line break
        write_move_token(&line, output, token, length);
        break;
    }
  } while (delimiter != 0);
  return 0;
}

}  // namespace kestrow
