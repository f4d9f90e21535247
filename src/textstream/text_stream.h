// Buffered text streams on files, with the line-end rules of Windows text mode applied the same
// way on every platform:
//  - reading drops every carriage return byte wherever it stands, and the first Ctrl-Z byte ends
//    the input (neither it nor anything after it is delivered);
//  - writing turns each line feed into carriage return + line feed and writes every other byte,
//    zero and carriage return included, unchanged.
// Each stream buffers kStreamBufferSize bytes. A stream is used by one thread at a time, and is
// either an input or an output from opening to closing. The per-byte calls are inline: they touch
// only the buffer, and the out-of-line refill() and spill() do the system calls and the filtering,
// once per block.

#ifndef KESTROW_TEXTSTREAM_TEXT_STREAM_H_
#define KESTROW_TEXTSTREAM_TEXT_STREAM_H_

#include <cstddef>
#include <cstring>

#include "textstream/os_file.h"
#include "textstream/word_scan.h"

namespace kestrow {

constexpr std::size_t kStreamBufferSize = 512;

// put_block() copies whole blocks of this many bytes, and may run over the bytes in use.
constexpr std::size_t kCopyBlock = 16;

// The room in a stream's buffer. An input holds one block of kStreamBufferSize bytes, after less
// than kStreamBufferSize bytes kept from the block before (refill_keeping), and zeroed for
// kInputPadding bytes after it. An output may run past kStreamBufferSize: the reformatter's fast
// path writes a stretch of tokens and then spills what is full (flush_full), so between calls it
// holds less than kStreamBufferSize bytes.
constexpr std::size_t kStreamRoom = 9 * kStreamBufferSize;
constexpr std::size_t kInputPadding = 64;

// Copies `count` bytes from `from` to `to`; a short run goes as one whole block, so both must
// have kCopyBlock bytes, however small `count` is, and `to` gets bytes past `count`.
inline void copy_block(void* to, const void* from, std::size_t count) {
  if (count <= kCopyBlock) {
    std::memcpy(to, from, kCopyBlock);
  } else {
    std::memcpy(to, from, count);
  }
}

// The value get_char returns when there is nothing more to read.
constexpr int kEndOfInput = -1;

struct TextStream {
  alignas(64) unsigned char buffer[kStreamRoom];  // first: aligned for the block scans
  OsFile file;
  bool output;           // opened for writing
  std::size_t position;  // next byte of `buffer` to hand out (input only)
  std::size_t length;    // bytes held in `buffer`: on input already free of CR and Ctrl-Z, and
                         // followed by kInputPadding zero bytes; on output less than
                         // kStreamBufferSize between calls
  std::size_t refills;   // input: how many times the buffer was refilled, to tell blocks apart
  bool at_end;           // the end-of-file indicator
  bool last_block;       // input: a Ctrl-Z or the end of the file stands after `buffer`
  bool had_line_ends;    // input: the last block read held a CR or a Ctrl-Z byte
  bool stopped;          // input: the end value has been returned and will be again
  bool failed;           // a read or a write has failed
};

// Opens `path` for reading. Returns false, with nothing left open, when the file cannot be opened
// or is a directory.
bool open_for_reading(TextStream* stream, const char* path);

// Opens `path` for writing, creating the file or truncating it. Returns false when it cannot.
bool open_for_writing(TextStream* stream, const char* path);

// Refills an input whose buffer is used up; returns the count of bytes now ready, 0 at the end.
std::size_t refill(TextStream* input);

// Refills an input whose bytes from `keep_from` on (less than kStreamBufferSize) are the start of
// a token: they are moved to the front of the buffer, the position goes to 0, and the next block
// follows them. Returns the count of bytes added, 0 when the input has ended or a read failed;
// then the end value is left for a later refill() to hand out, once the kept bytes are read.
std::size_t refill_keeping(TextStream* input, std::size_t keep_from);

// Makes bytes ready to read and returns how many, pointing *bytes at them; refills an input whose
// buffer is used up. A zero byte always follows the ready bytes (a scan for special bytes stops
// there without counting), and kCopyBlock bytes may be read from *bytes whatever the count. Returns
// 0 at the end of the input, with the end-of-file indicator raised as by get_char returning
// kEndOfInput. consume() then takes the bytes actually used.
inline std::size_t ready_bytes(TextStream* input, const unsigned char** bytes) {
  std::size_t count = input->length - input->position;
  if (count == 0) count = refill(input);
  *bytes = input->buffer + input->position;
  return count;
}

// Takes `count` of the bytes that ready_bytes() offered.
inline void consume(TextStream* input, std::size_t count) { input->position += count; }

// Returns the next byte of the input (0 to 255), or kEndOfInput. The end-of-file indicator is
// raised by the call that first returns kEndOfInput for the end of the input or a Ctrl-Z. A failed
// read also returns kEndOfInput, without raising the indicator, and so does every later call.
inline int get_char(TextStream* input) {
  if (input->position == input->length && refill(input) == 0) return kEndOfInput;
  return input->buffer[input->position++];
}

// The end-of-file indicator.
inline bool at_end(const TextStream* input) { return input->at_end; }

// Writes out the first kStreamBufferSize bytes of an output buffer that holds that many or more,
// and keeps the rest; the bytes written out are dropped when the write fails.
void spill(TextStream* output);

// Writes out every full kStreamBufferSize bytes of an output buffer, one write each, and keeps
// the rest (less than kStreamBufferSize bytes).
void flush_full(TextStream* output);

// Writes `count` bytes of `data`, taken as they are (line feeds included), without a block copy.
void put_bytes(TextStream* output, const char* data, std::size_t count);

// Each put reads the stream's length once and stores it once: the bytes it stores might, as far
// as the compiler knows, overwrite the length, so a second read would be a second load.

// Writes a line break: carriage return + line feed.
inline void put_line_break(TextStream* output) {
  std::size_t at = output->length;
  std::memcpy(output->buffer + at, "\r\n", 2);
  output->length = at + 2;
  if (at + 2 >= kStreamBufferSize) spill(output);
}

// Writes one byte, a line feed as carriage return + line feed.
inline void put_char(TextStream* output, char c) {
  if (c == '\n') {
    put_line_break(output);
    return;
  }
  std::size_t at = output->length;
  output->buffer[at] = static_cast<unsigned char>(c);
  output->length = at + 1;
  if (at + 1 == kStreamBufferSize) spill(output);
}

// Writes `count` bytes of `data`, which holds no line feed among them.
// `data` must have at least kCopyBlock readable bytes, however small `count` is.
inline void put_block(TextStream* output, const char* data, std::size_t count) {
  if (count > kCopyBlock) {
    put_bytes(output, data, count);
    return;
  }
  std::size_t at = output->length;
  std::memcpy(output->buffer + at, data, kCopyBlock);
  output->length = at + count;
  if (at + count >= kStreamBufferSize) spill(output);
}

// Writes the zero-terminated `text`, each line feed as carriage return + line feed.
void put_text(TextStream* output, const char* text);

// Writes the zero-terminated `text` of `count` characters, each line feed as carriage return +
// line feed. Like put_block's data, `text` must have kCopyBlock readable bytes.
inline void put_text_block(TextStream* output, const char* text, std::size_t count) {
  static_assert(kCopyBlock == 16, "two words make one block");
  if (count <= kCopyBlock) {
    std::uint64_t first = bytes_equal(load_word(text), '\n');
    std::uint64_t second = bytes_equal(load_word(text + 8), '\n');
    bool line_feed = (first != 0 && first_marked(first) < count) ||
                     (second != 0 && 8 + first_marked(second) < count);
    if (!line_feed) {
      put_block(output, text, count);  // the common case: a short text on one line
      return;
    }
  }
  put_text(output, text);
}

// True when a read or a write on the stream has failed so far.
inline bool has_failed(const TextStream* stream) { return stream->failed; }

// Writes out what an output stream still buffers, then closes the file. Returns false when any
// read or write on the stream failed, or when closing did.
bool close_stream(TextStream* stream);

// True when `path` names the file open in `stream` (another spelling, a hard or symbolic link):
// opening it for writing would empty that file.
bool names_same_file(const TextStream* stream, const char* path);

// Opens `path` for writing like open_for_writing, unless it names the file open in `input`: then
// returns false and leaves that file as it was. Where the system allows, `input` is held against
// every open for writing meanwhile, which catches what the comparison of IDs cannot (on Windows,
// a file reached through two drive letters or network shares that report different volumes).
bool open_for_writing_apart(TextStream* stream, const char* path, const TextStream* input);

}  // namespace kestrow

#endif  // KESTROW_TEXTSTREAM_TEXT_STREAM_H_
