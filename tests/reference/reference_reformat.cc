#include "reference/reference_reformat.h"

#include <algorithm>
#include <cstddef>

#include "reformat/banner.h"

namespace kestrow_reference {

namespace {

// ---- The input file, read as a Windows text stream ----

constexpr int kEnd = -1;
constexpr std::size_t kBlock = 512;

struct Input {
  const std::string* bytes;
  std::size_t next;  // index of the next byte of the file to look at
  bool end_of_file;  // the end-of-file indicator
  // The file's reads, for the caller who asks: the output's length at each.
  std::vector<std::size_t>* reads;
  const std::string* out;
  std::size_t read_to;  // how far the reads so far have brought the file
  bool read_end;        // a read has found the end of the file
};

// Notes the read that looking at the file's byte `next` needs, if it needs one.
void note_read(Input* in) {
  if (in->reads == nullptr || in->next < in->read_to || in->read_end) return;
  in->reads->push_back(in->out->size());
  if (in->next == in->bytes->size()) {
    in->read_end = true;
  } else {
    in->read_to = std::min(in->read_to + kBlock, in->bytes->size());
  }
}

// Returns the next character (0 to 255), or kEnd. Every CR is skipped, the first Ctrl-Z is the
// end of the input, and the indicator is raised by the read that returns kEnd.
int get(Input* in) {
  while (in->next < in->bytes->size()) {
    note_read(in);
    unsigned char c = static_cast<unsigned char>((*in->bytes)[in->next]);
    if (c == 0x1A) break;  // Ctrl-Z: stay on it, so that every later read ends here too
    in->next = in->next + 1;
    if (c != 0x0D) return c;
  }
  if (in->next == in->bytes->size()) note_read(in);
  in->end_of_file = true;
  return kEnd;
}

// ---- The output file, written as a Windows text stream ----

// Appends `text` to `out`, each line feed as CR LF.
void write(std::string* out, const std::string& text) {
  for (char c : text) {
    if (c == '\n') {
      *out += "\r\n";
    } else {
      *out += c;
    }
  }
}

// ---- The token reader ----

enum Status { AtEnd = -1, Complete = 0, Overflow = 1 };

constexpr std::size_t kMaxLength = 512;

// Reads characters into `token` until one of `delimiters`, kMaxLength characters, or the end.
int read_token(Input* in, std::string* token, char* delimiter, const std::string& delimiters) {
  if (in->end_of_file) return AtEnd;
  token->clear();
  for (;;) {
    int c = get(in);
    if (c == kEnd) {
      *delimiter = 0;
      return Complete;
    }
    for (char d : delimiters) {
      // cppcheck-suppress useStlAlgorithm ; a plain loop says plainly what a delimiter is
      if (static_cast<char>(c) == d) {
        *delimiter = d;
        return Complete;
      }
    }
    *token += static_cast<char>(c);  // a zero byte too: it is a character like any other
    if (token->size() == kMaxLength) return Overflow;
  }
}

// The text of a token: its characters up to the first zero byte, which ends it.
std::string text_of(const std::string& token) {
  std::string text;
  for (char c : token) {
    if (c == '\0') break;
    text += c;
  }
  return text;
}

// ---- Tags ----

// True when `content` starts with "Event ", ignoring the case of A to Z only.
bool is_event_tag(const std::string& content) {
  const std::string event = "event ";
  if (content.size() < event.size()) return false;
  for (std::size_t i = 0; i < event.size(); ++i) {
    char c = content[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != event[i]) return false;
  }
  return true;
}

// ---- Move lines ----

enum LineState { Idle, AfterNumber, ExpectWhite, ExpectBlack };

}  // namespace

std::string reference_reformat(const std::string& input, bool two_lines,
                               std::vector<std::size_t>* reads) {
  std::string out;
  Input in{&input, 0, false, reads, &out, 0, false};
  write(&out, kestrow::kBannerCredit);
  write(&out, kestrow::kBannerAddress);

  LineState state = Idle;
  std::string prefix;  // the move number and ". ", then "...," once the number is written
  std::string token;
  char delimiter = ' ';  // not the end marker before the first token
  do {
    int status = read_token(&in, &token, &delimiter, " .[\n");
    if (status == AtEnd) break;
    if (status == Overflow) continue;  // 512 characters without a delimiter are dropped
    std::string text = text_of(token);

    if (delimiter == '.') {
      // A move number: a new line with the number, a full stop and a space.
      prefix = text + ". ";
      state = AfterNumber;
      write(&out, "\n" + prefix);
      prefix += "...,";
    } else if (delimiter == '[') {
      // A tag: a new line, the separator before an Event tag, then the bracketed content. The
      // token before the "[" is dropped; so is a tag of 512 characters or more. A tag cut off by
      // the end of the input gets no "]".
      write(&out, "\n");
      if (read_token(&in, &token, &delimiter, "]") == Complete) {
        std::string content = text_of(token);
        if (is_event_tag(content)) write(&out, "\n" + std::string(44, '_') + "\n");
        write(&out, "[" + content);
        if (delimiter == ']') write(&out, "]");
      }
    } else if (delimiter == ' ' || delimiter == '\n' || !text.empty()) {
      // A space, a line break, or the end of the input after a last token that has text.
      if (state == AfterNumber) {
        write(&out, text);
        state = ExpectWhite;
      } else if (state == ExpectWhite) {
        write(&out, text);
        state = ExpectBlack;
      } else if (state == ExpectBlack) {
        write(&out, two_lines ? "\n" + prefix + text : ", " + text);
        state = Idle;
      } else {
        write(&out, " " + text);
      }
    }
  } while (delimiter != 0);
  return out;
}

}  // namespace kestrow_reference
