#include "reformat/walk_tokens.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "reformat/tags.h"

namespace kestrow {

namespace {

constexpr char kBlackMark[] = ". ...,";
constexpr unsigned char kLineBreak[] = {'\r', '\n'};
constexpr unsigned char kNumberEnd[] = {'.', ' '};
constexpr char kSeparatorLine[] = "\r\n____________________________________________\r\n";
constexpr std::size_t kShortToken = 16;

// The index of the lowest bit set in `mask` (not zero).
inline std::size_t first_bit(std::uint64_t mask) {
  return static_cast<std::size_t>(std::countr_zero(mask)) & (kMaskWidth - 1);
}

// The mask of the bytes of a word from `position` (within the word) on.
inline std::uint64_t from_position(std::size_t position) {
  return ~std::uint64_t{0} << (position % kMaskWidth);
}

// Copies `length` bytes, with a fixed-width copy for a short run: `to` and `from` must have
// kShortToken bytes to spare.
inline unsigned char* put_run(unsigned char* to, const unsigned char* from, std::size_t length) {
  std::memcpy(to, from, kShortToken);
  if (length > kShortToken) std::memcpy(to, from, length);
  return to + length;
}

// Writes out what is full of the output whose end is `out`; returns the new end.
inline unsigned char* flush_output(TextStream* output, const unsigned char* out) {
  output->length = static_cast<std::size_t>(out - output->buffer);
  flush_full(output);
  return output->buffer + output->length;
}

// Sets Black's separator for a move number of at most kFastNumber characters: `number` must have
// kStepText bytes readable.
inline void set_short_black_separator(MoveTable* table, const unsigned char* number,
                                      std::size_t length) {
  MoveStep& black = table->steps[ExpectBlack][0];
  std::memcpy(black.separator + 2, number, kFastNumber);
  std::memcpy(black.separator + 2 + length, kBlackMark, sizeof(kBlackMark) - 1);
  black.length = static_cast<std::uint16_t>(2 + length + sizeof(kBlackMark) - 1);
}

// True for the delimiters that end a move: a space or a line break.
inline bool is_space(unsigned char c) { return c == ' ' || c == '\n'; }

// Writes an empty token ended by a space or a line break, in the line state whose row is *row,
// and moves the state on. `kCopy` bytes of the step are copied.
template <std::size_t kCopy>
inline unsigned char* put_empty_token(unsigned char* out, const unsigned char** row) {
  const auto* const step = reinterpret_cast<const MoveStep*>(*row);
  std::memcpy(out, step, kCopy);
  *row = *row + step->next;
  return out + step->length;
}

// Writes the pending ". " of a move number, if the line state, whose row is *row, has one.
// Returns the new end of the output.
inline unsigned char* settle_number(unsigned char* out, const unsigned char* steps,
                                    const unsigned char** row) {
  if (*row != steps + NumberPending * kRowSize) return out;
  std::memcpy(out, kNumberEnd, sizeof(kNumberEnd));
  *row = steps + AfterNumber * kRowSize;
  return out + 2;
}

// Settles a pending ". " and writes out what is full of the output: what is due before a read.
inline unsigned char* settle_and_flush(TextStream* output, unsigned char* out,
                                       const unsigned char* steps, const unsigned char** row) {
  return flush_output(output, settle_number(out, steps, row));
}

// Writes the rest of a tag whose content, `length` bytes at `content`, ends with "]" in the
// ready bytes: the game separator before an Event tag, then the bracketed content. Returns the
// new end of the output.
inline unsigned char* put_tag_content(unsigned char* out, const unsigned char* content,
                                      std::size_t length) {
  if ((content[0] | 0x20) == 'e' && is_event_tag(reinterpret_cast<const char*>(content))) {
    std::memcpy(out, kSeparatorLine, sizeof(kSeparatorLine) - 1);
    out += sizeof(kSeparatorLine) - 1;
  }
  *out++ = '[';
  out = put_run(out, content, length);
  *out++ = ']';
  return out;
}

template <bool kTwoLines>
WalkStop walk(TextStream* input, BlockMasks* masks, MoveTable* table, LineState* line_state,
              TextStream* output) {
  // One-line separators are at most four bytes; two-line ones may be a whole move number's line.
  constexpr std::size_t kSeparatorCopy = kTwoLines ? sizeof(MoveStep) : 8;
  const unsigned char* const block = input->buffer;
  const unsigned char* start = block + input->position;  // the token being read
  unsigned char* const out_begin = output->buffer;
  unsigned char* out = out_begin + output->length;
  // The line state, as its row of the table.
  const unsigned char* const steps = reinterpret_cast<const unsigned char*>(table->steps);
  const unsigned char* row = steps + *line_state * kRowSize;
  unsigned char* const out_full = out_begin + kStreamBufferSize;
  // The word being walked: its first byte and its masks.
  const unsigned char* base = block + input->position / kMaskWidth * kMaskWidth;
  const WordMasks* masks_at = masks->words + input->position / kMaskWidth;
  std::uint64_t from = from_position(input->position);
  WalkStop stop = kNextToken;
  for (;;) {
    // Room for the tokens of one word: what is full is written out first.
    if (out >= out_full) out = flush_output(output, out);
    const WordMasks word_masks = *masks_at;
    std::uint64_t rares = word_masks.rares & from;
    // The delimiters before the first rare byte, if any.
    std::uint64_t ends = word_masks.ends & from & ((rares & (~rares + 1)) - 1);
    for (;;) {
      while (ends != 0) {
        const unsigned char* const end = base + first_bit(ends);
        ends &= ends - 1;
        const unsigned char delimiter = *end;
        const auto* const step =
            reinterpret_cast<const MoveStep*>(row + (delimiter & 4u) * (kRowSize / 8));
        unsigned char* const separator_at = out;
        std::memcpy(out, step, kSeparatorCopy);
        out += step->length;
        const auto length = static_cast<std::size_t>(end - start);
        std::memcpy(out, start, kShortToken);
        if (length > kShortToken) {
          if (length >= kTokenSize) {
            out = separator_at;  // a token that long is dropped: the general path's to read
            goto done;
          }
          std::memcpy(out, start, length);
        }
        out += length;
        row = reinterpret_cast<const unsigned char*>(step) + step->next;
        if constexpr (kTwoLines) {
          if (delimiter == '.') {
            if (length > kFastNumber) {
              set_black_separator(table, start, length);  // marks the table long_number
              start = end + 1;
              goto done;
            }
            set_short_black_separator(table, start, length);
            // A move number is nearly always followed by a space: the empty token it ends is
            // written here, with the number. The space must be in this word.
            if (end - base < static_cast<std::ptrdiff_t>(kMaskWidth - 1) && is_space(end[1])) {
              ends &= ends - 1;
              out = put_empty_token<kSeparatorCopy>(out, &row);
              start = end + 2;
              continue;
            }
          }
        }
        start = end + 1;
      }
      if (rares == 0) {
        base += kMaskWidth;
        ++masks_at;
        from = ~std::uint64_t{0};
        break;
      }
      const unsigned char* const at = base + first_bit(rares);
      if (*at != '[') {
        // A zero byte: within the token, or after the ready bytes.
        if (at != block + input->length || at - start >= static_cast<std::ptrdiff_t>(kTokenSize))
          goto done;
        // The token runs past the ready bytes: keep it and read the next block after it. Whatever
        // is due is written first.
        out = settle_and_flush(output, out, steps, &row);
        const std::size_t added = refill_keeping(input, static_cast<std::size_t>(start - block));
        start = block;
        if (added == 0) goto done;  // the end of the input, or a failed read: the general path's
        classify_input(input, masks);
        base = block;
        masks_at = masks->words;
        from = ~std::uint64_t{0};
        break;
      }
      // A tag: the token before its "[" is dropped. Its line break is written before its content
      // is read, as the general path does.
      if (out >= out_full) out = flush_output(output, out);
      out = settle_number(out, steps, &row);
      std::memcpy(out, kLineBreak, sizeof(kLineBreak));
      out += 2;
      const unsigned char* content = at + 1;
      std::size_t length = find_tag_stop(content);
      bool new_block = false;
      if (content[length] != ']' || length >= kTokenSize) {
        if (content + length == block + input->length && length < kTokenSize) {
          // The content runs past the ready bytes: keep it and read the next block after it.
          out = flush_output(output, out);
          const std::size_t added =
              refill_keeping(input, static_cast<std::size_t>(content - block));
          content = block;
          if (added > 0) {
            classify_input(input, masks);
            length = find_tag_stop(content);
            new_block = true;
          }
        }
        if (content[length] != ']' || length >= kTokenSize) {
          // A line break or a zero byte in the content, a tag that runs on, or the end of the
          // input: the general path's.
          start = content;
          stop = kTagContent;
          goto done;
        }
      }
      out = put_tag_content(out, content, length);
      start = content + length + 1;
      // A tag is nearly always followed by a space or a line break: the empty token it ends is
      // written here, with the tag (a zero byte stands after the ready bytes).
      if (is_space(*start)) {
        out = put_empty_token<kSeparatorCopy>(out, &row);
        ++start;
      }
      const auto position = static_cast<std::size_t>(start - block);
      from = from_position(position);
      if (new_block || start - base >= static_cast<std::ptrdiff_t>(kMaskWidth)) {
        // The tag ended in a later word, or in a new block.
        base = block + position / kMaskWidth * kMaskWidth;
        masks_at = masks->words + position / kMaskWidth;
        break;
      }
      rares = word_masks.rares & from;
      ends = word_masks.ends & from & ((rares & (~rares + 1)) - 1);
    }
  }
done:
  *line_state = static_cast<LineState>(static_cast<std::size_t>(row - steps) / kRowSize);
  input->position = static_cast<std::size_t>(start - block);
  output->length = static_cast<std::size_t>(out - out_begin);
  flush_full(output);
  return stop;
}

}  // namespace

WalkStop walk_tokens(TextStream* input, BlockMasks* masks, MoveTable* table, LineState* state,
                     TextStream* output) {
  return table->two_lines ? walk<true>(input, masks, table, state, output)
                          : walk<false>(input, masks, table, state, output);
}

}  // namespace kestrow
