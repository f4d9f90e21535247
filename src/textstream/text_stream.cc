#include "textstream/text_stream.h"

namespace kestrow {

namespace {

constexpr unsigned char kCarriageReturn = 0x0D;
constexpr unsigned char kCtrlZ = 0x1A;

void reset(TextStream* stream, OsFile file, bool output) {
  stream->file = file;
  stream->output = output;
  stream->position = 0;
  stream->length = 0;
  stream->at_end = false;
  stream->stopped = false;
  stream->failed = false;
}

// Writes out the buffered bytes; a failure is remembered and the bytes are dropped.
void flush(TextStream* output) {
  if (output->length > 0 && !output->failed &&
      !os_write(output->file, output->buffer, output->length)) {
    output->failed = true;
  }
  output->length = 0;
}

void put_byte(TextStream* output, unsigned char byte) {
  if (output->length == kStreamBufferSize) flush(output);
  output->buffer[output->length++] = byte;
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

int get_char(TextStream* input) {
  for (;;) {
    if (input->stopped) return kEndOfInput;
    if (input->position == input->length) {
      std::ptrdiff_t n = os_read(input->file, input->buffer, kStreamBufferSize);
      if (n <= 0) {
        input->stopped = true;
        if (n < 0) {
          input->failed = true;
        } else {
          input->at_end = true;
        }
        return kEndOfInput;
      }
      input->position = 0;
      input->length = static_cast<std::size_t>(n);
    }
    unsigned char c = input->buffer[input->position++];
    if (c == kCarriageReturn) continue;
    if (c == kCtrlZ) {
      input->stopped = true;
      input->at_end = true;
      return kEndOfInput;
    }
    return c;
  }
}

void put_char(TextStream* output, char c) {
  if (c == '\n') put_byte(output, kCarriageReturn);
  put_byte(output, static_cast<unsigned char>(c));
}

void put_text(TextStream* output, const char* text) {
  for (; *text != '\0'; ++text) put_char(output, *text);
}

bool close_stream(TextStream* stream) {
  if (stream->output) flush(stream);
  bool closed = os_close(stream->file);
  return closed && !stream->failed;
}

bool names_same_file(const TextStream* stream, const char* path) {
  return os_is_same_file(stream->file, path);
}

}  // namespace kestrow
