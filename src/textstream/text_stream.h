// Buffered text streams on files, with the line-end rules of Windows text mode applied the same
// way on every platform:
//  - reading drops every carriage return byte wherever it stands, and the first Ctrl-Z byte ends
//    the input (neither it nor anything after it is delivered);
//  - writing turns each line feed into carriage return + line feed and writes every other byte,
//    zero and carriage return included, unchanged.
// Each stream buffers kStreamBufferSize bytes. A stream is used by one thread at a time, and is
// either an input or an output from opening to closing.

#ifndef KESTROW_TEXTSTREAM_TEXT_STREAM_H_
#define KESTROW_TEXTSTREAM_TEXT_STREAM_H_

#include <cstddef>

#include "textstream/os_file.h"

namespace kestrow {

constexpr std::size_t kStreamBufferSize = 512;

// The value get_char returns when there is nothing more to read.
constexpr int kEndOfInput = -1;

struct TextStream {
  OsFile file;
  bool output;  // opened for writing
  unsigned char buffer[kStreamBufferSize];
  std::size_t position;  // next byte of `buffer` to hand out (input only)
  std::size_t length;    // bytes held in `buffer`
  bool at_end;           // the end-of-file indicator
  bool stopped;          // the input has ended: by its end, a Ctrl-Z or a failed read
  bool failed;           // a read or a write has failed
};

// Opens `path` for reading. Returns false, with nothing left open, when the file cannot be opened
// or is a directory.
bool open_for_reading(TextStream* stream, const char* path);

// Opens `path` for writing, creating the file or truncating it. Returns false when it cannot.
bool open_for_writing(TextStream* stream, const char* path);

// Returns the next byte of the input (0 to 255), or kEndOfInput. The end-of-file indicator is
// raised by the call that first returns kEndOfInput for the end of the input or a Ctrl-Z. A failed
// read also returns kEndOfInput, without raising the indicator, and so does every later call.
int get_char(TextStream* input);

// The end-of-file indicator.
inline bool at_end(const TextStream* input) { return input->at_end; }

// Writes one byte, a line feed as carriage return + line feed.
void put_char(TextStream* output, char c);

// Writes the zero-terminated `text`, each line feed as carriage return + line feed.
void put_text(TextStream* output, const char* text);

// True when a read or a write on the stream has failed so far.
inline bool has_failed(const TextStream* stream) { return stream->failed; }

// Writes out what an output stream still buffers, then closes the file. Returns false when any
// read or write on the stream failed, or when closing did.
bool close_stream(TextStream* stream);

// True when `path` names the file open in `stream` (another spelling, a hard or symbolic link):
// opening it for writing would empty that file.
bool names_same_file(const TextStream* stream, const char* path);

}  // namespace kestrow

#endif  // KESTROW_TEXTSTREAM_TEXT_STREAM_H_
