#include "textstream/text_stream.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "textstream/byte_masks.h"

namespace kestrow {

namespace {

constexpr unsigned char kCarriageReturn = 0x0D;
constexpr unsigned char kCtrlZ = 0x1A;

void reset(TextStream* stream, OsFile file, bool output) {
  stream->file = file;
  stream->output = output;
  stream->position = 0;
  stream->length = 0;
  stream->refills = 0;
  // Block copies and word scans read past the bytes in use: let them read defined bytes.
  std::memset(stream->buffer, 0, sizeof(stream->buffer));
  stream->at_end = false;
  stream->last_block = false;
  stream->had_line_ends = false;
  stream->stopped = false;
  stream->failed = false;
}

// filter() by searching for each Ctrl-Z and CR byte.
std::size_t filter_by_search(unsigned char* block, std::size_t length, bool* saw_ctrl_z) {
  if (void* z = std::memchr(block, kCtrlZ, length)) {
    length = static_cast<std::size_t>(static_cast<unsigned char*>(z) - block);
    *saw_ctrl_z = true;
  }
  auto* cr = static_cast<unsigned char*>(std::memchr(block, kCarriageReturn, length));
  if (cr == nullptr) return length;
  unsigned char* end = block + length;
  unsigned char* to = cr;
  for (unsigned char* from = cr + 1; from < end;) {
    auto* next = static_cast<unsigned char*>(
        std::memchr(from, kCarriageReturn, static_cast<std::size_t>(end - from)));
    unsigned char* stop = next != nullptr ? next : end;
    std::size_t run = static_cast<std::size_t>(stop - from);
    std::memmove(to, from, run);
    to += run;
    from = stop + 1;
  }
  return static_cast<std::size_t>(to - block);
}

// Moves `count` bytes, from `width` to twice `width`, as two copies of `width` bytes, the first
// from the start and the last up to the end; both are loaded before either is stored.
template <std::size_t width>
inline void move_ends(unsigned char* to, const unsigned char* from, std::size_t count) {
  unsigned char head[width];
  unsigned char tail[width];
  std::memcpy(head, from, width);
  std::memcpy(tail, from + count - width, width);
  std::memcpy(to, head, width);
  std::memcpy(to + count - width, tail, width);
}

// Moves `count` bytes from `from` down to `to`, below it, with fixed-width copies that stop
// exactly at the end: each byte is loaded before any store can reach it, and nothing after the
// bytes moved is touched (the next run may start there). Inline, it spares a call per line.
inline void move_down(unsigned char* to, const unsigned char* from, std::size_t count) {
  if (count > 32) {
    unsigned char tail[16];
    unsigned char next_to_tail[16];
    std::memcpy(next_to_tail, from + count - 32, 16);
    std::memcpy(tail, from + count - 16, 16);
    for (std::size_t i = 0; i + 32 < count; i += 32) {
      unsigned char first[16];
      unsigned char second[16];
      std::memcpy(first, from + i, 16);
      std::memcpy(second, from + i + 16, 16);
      std::memcpy(to + i, first, 16);
      std::memcpy(to + i + 16, second, 16);
    }
    std::memcpy(to + count - 32, next_to_tail, 16);
    std::memcpy(to + count - 16, tail, 16);
  } else if (count >= 16) {
    move_ends<16>(to, from, count);
  } else if (count >= 8) {
    move_ends<8>(to, from, count);
  } else if (count >= 4) {
    move_ends<4>(to, from, count);
  } else if (count > 0) {
    const unsigned char first = from[0];
    const unsigned char middle = from[count / 2];
    const unsigned char last = from[count - 1];
    to[0] = first;
    to[count / 2] = middle;
    to[count - 1] = last;
  }
}

// Cuts a block of at most kStreamBufferSize bytes at its first Ctrl-Z and closes up the CR bytes
// in it; returns the length left. The bytes are marked once where the CPU does that cheaply, and
// searched for otherwise.
std::size_t filter(unsigned char* block, std::size_t length, bool* saw_ctrl_z,
                   bool* had_line_ends) {
  constexpr std::size_t kWords = kStreamBufferSize / kMaskWidth;
  LineEndMasks masks[kWords];
  std::size_t words = (length + kMaskWidth - 1) / kMaskWidth;
  LineEndMasks any{0, 0};
  if (!mark_line_ends(block, words, !*had_line_ends, masks, &any)) {
    return filter_by_search(block, length, saw_ctrl_z);
  }
  *had_line_ends = (any.carriage_returns | any.ctrl_zs) != 0;
  if (!*had_line_ends) return length;  // within whole words: most blocks
  if (length % kMaskWidth != 0) {
    // The last word runs past the block: its bytes there are not the block's.
    const std::uint64_t in_block = (std::uint64_t{1} << (length % kMaskWidth)) - 1;
    masks[words - 1].carriage_returns &= in_block;
    masks[words - 1].ctrl_zs &= in_block;
  }
  for (std::size_t word = 0; any.ctrl_zs != 0 && word < words; ++word) {
    if (const std::uint64_t ctrl_zs = masks[word].ctrl_zs; ctrl_zs != 0) {
      const auto at = static_cast<std::size_t>(std::countr_zero(ctrl_zs));
      length = word * kMaskWidth + at;
      masks[word].carriage_returns &= (std::uint64_t{1} << at) - 1;
      words = word + 1;
      *saw_ctrl_z = true;
      break;
    }
  }
  // Each run of bytes between CRs moves down over the CRs before it.
  std::size_t to = 0;
  std::size_t from = 0;
  for (std::size_t word = 0; word < words; ++word) {
    for (std::uint64_t crs = masks[word].carriage_returns; crs != 0; crs &= crs - 1) {
      const std::size_t cr = word * kMaskWidth + static_cast<std::size_t>(std::countr_zero(crs));
      move_down(block + to, block + from, cr - from);  // the first run stays where it is
      to += cr - from;
      from = cr + 1;
    }
  }
  if (from == 0) return length;
  move_down(block + to, block + from, length - from);
  return to + length - from;
}

// Reads blocks into the buffer at `at` until one leaves bytes once filtered, the file ends or a
// read fails, and returns how many it left. Past the end of the file or a Ctrl-Z, and after a
// failure, it reads nothing more.
std::size_t read_block(TextStream* input, std::size_t at) {
  while (!input->stopped && !input->last_block) {
    std::ptrdiff_t n = os_read(input->file, input->buffer + at, kStreamBufferSize);
    if (n < 0) {
      // A failed read ends the input without raising the indicator.
      input->stopped = true;
      input->failed = true;
      break;
    }
    if (n == 0) {
      input->last_block = true;
      break;
    }
    std::size_t left = filter(input->buffer + at, static_cast<std::size_t>(n), &input->last_block,
                              &input->had_line_ends);
    if (left > 0) return left;  // a block of CRs alone gives nothing: read on
  }
  return 0;
}

// Writes the first `count` buffered bytes of an output; after a failure nothing more is written.
void write_out(TextStream* output, std::size_t count) {
  if (!output->failed && !os_write(output->file, output->buffer, count)) output->failed = true;
}

}  // namespace

bool open_for_reading(TextStream* stream, const char* path) {
  OsFile file;
  if (!os_open_for_reading(path, &file)) return false;
  reset(stream, file, false);
  return true;
}

bool open_for_writing(TextStream* stream, const char* path) {
  OsFile file;
  if (!os_open_for_writing(path, &file)) return false;
  reset(stream, file, true);
  return true;
}

std::size_t refill(TextStream* input) {
  ++input->refills;
  input->position = 0;
  input->length = read_block(input, 0);
  if (input->length == 0 && !input->stopped) {
    // The end value is handed out now, and with it the end-of-file indicator goes up.
    input->stopped = true;
    input->at_end = true;
  }
  std::memset(input->buffer + input->length, 0, kInputPadding);
  return input->length;
}

std::size_t refill_keeping(TextStream* input, std::size_t keep_from) {
  const std::size_t kept = input->length - keep_from;
  std::memmove(input->buffer, input->buffer + keep_from, kept);
  ++input->refills;
  input->position = 0;
  const std::size_t added = read_block(input, kept);
  input->length = kept + added;
  std::memset(input->buffer + input->length, 0, kInputPadding);
  return added;
}

void spill(TextStream* output) {
  write_out(output, kStreamBufferSize);
  output->length -= kStreamBufferSize;
  std::memmove(output->buffer, output->buffer + kStreamBufferSize, output->length);
}

void flush_full(TextStream* output) {
  std::size_t done = 0;
  for (; output->length - done >= kStreamBufferSize; done += kStreamBufferSize) {
    if (!output->failed && !os_write(output->file, output->buffer + done, kStreamBufferSize)) {
      output->failed = true;
    }
  }
  if (done == 0) return;
  output->length -= done;
  std::memmove(output->buffer, output->buffer + done, output->length);
}

void put_bytes(TextStream* output, const char* data, std::size_t count) {
  while (count > 0) {
    std::size_t room = kStreamBufferSize - output->length;
    std::size_t run = count < room ? count : room;
    std::memcpy(output->buffer + output->length, data, run);
    output->length += run;
    data += run;
    count -= run;
    if (output->length == kStreamBufferSize) spill(output);
  }
}

void put_text(TextStream* output, const char* text) {
  while (*text != '\0') {
    std::size_t run = std::strcspn(text, "\n");
    put_bytes(output, text, run);
    text += run;
    if (*text == '\n') {
      put_line_break(output);
      ++text;
    }
  }
}

bool close_stream(TextStream* stream) {
  if (stream->output && stream->length > 0) write_out(stream, stream->length);
  bool closed = os_close(stream->file);
  return closed && !stream->failed;
}

bool names_same_file(const TextStream* stream, const char* path) {
  return os_is_same_file(stream->file, path);
}

bool open_for_writing_apart(TextStream* stream, const char* path, const TextStream* input) {
  OsFile hold = os_hold_against_writing(input->file);
  bool opened = !names_same_file(input, path) && open_for_writing(stream, path);
  os_release_hold(hold);
  return opened;
}

}  // namespace kestrow
