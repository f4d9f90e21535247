// Fuzz target: arbitrary bytes through the real text streams (on in-memory files) and the
// reformatter, in both layouts, checking what must hold for every input:
//  - no sanitizer report, and the output begins with the banner;
//  - every CR in the output is followed by LF, and every LF follows a CR;
//  - CR bytes inserted anywhere in the input change nothing;
//  - a Ctrl-Z followed by anything, appended to the input, changes nothing;
//  - the output stays under a linear bound of the input's length (see kMaxGrowth);
//  - the output equals, byte for byte, that of the plain reference reformatter in the test tree,
//    which applies the same rules one character at a time without any of the fast paths.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "reference/reference_reformat.h"
#include "reformat/banner.h"
#include "reformat/reformat.h"
#include "textstream/text_stream.h"

namespace {

// The most output bytes one input byte can cause. A tag "[Event ]" of 8 bytes costs the most:
// its line break (2 bytes on disk), the separator (a line break, 44 underscores and a line break:
// 48) and the 8 bytes copied, 58 in all, under 8 a byte. A move number's line (line break,
// number, ". ") and the two-line layout's repeat of it (line break, number, ". ...,") add up to
// less than 3 bytes for each byte of the number and its delimiters; every other token is written
// once with at most 2 bytes (", ") before it.
constexpr std::size_t kMaxGrowth = 8;
// An input that ends inside an Event tag saves the "]" of the last tag: one byte's worth.
constexpr std::size_t kEndSlack = kMaxGrowth;

void fail(const char* what) {
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

// An anonymous in-memory file holding `bytes`, and a path that opens it.
struct MemoryFile {
  int fd;
  char path[64];
};

MemoryFile make_file(const std::string& bytes) {
  MemoryFile file;
  file.fd = memfd_create("kestrow", 0);
  if (file.fd < 0) fail("memfd_create");
  if (!bytes.empty() &&
      write(file.fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    fail("write to memory file");
  }
  std::snprintf(file.path, sizeof(file.path), "/proc/self/fd/%d", file.fd);
  return file;
}

std::string contents(int fd) {
  std::string bytes;
  char chunk[4096];
  if (lseek(fd, 0, SEEK_SET) != 0) fail("lseek");
  for (ssize_t n; (n = read(fd, chunk, sizeof(chunk))) > 0;) {
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  return bytes;
}

// Runs the reformatter from `input` to bytes, as the program does, through real text streams.
std::string run(const std::string& input, bool two_lines) {
  MemoryFile in_file = make_file(input);
  MemoryFile out_file = make_file("");
  kestrow::TextStream in;
  kestrow::TextStream out;
  if (!kestrow::open_for_reading(&in, in_file.path)) fail("open input");
  if (!kestrow::open_for_writing(&out, out_file.path)) fail("open output");
  if (kestrow::reformat(&in, &out, two_lines) != 0) fail("reformat returned non-zero");
  if (!kestrow::close_stream(&out)) fail("close output");
  if (!kestrow::close_stream(&in)) fail("close input");
  std::string bytes = contents(out_file.fd);
  close(in_file.fd);
  close(out_file.fd);
  return bytes;
}

void check_output(const std::string& input, const std::string& output) {
  std::string banner;
  for (const char* line : {kestrow::kBannerCredit, kestrow::kBannerAddress}) {
    for (const char* c = line; *c != '\0'; ++c) banner += *c == '\n' ? "\r\n" : std::string(1, *c);
  }
  if (output.compare(0, banner.size(), banner) != 0) fail("output does not begin with the banner");
  for (std::size_t i = 0; i < output.size(); ++i) {
    if (output[i] == '\r' && (i + 1 == output.size() || output[i + 1] != '\n')) {
      fail("CR not followed by LF");
    }
    if (output[i] == '\n' && (i == 0 || output[i - 1] != '\r')) fail("LF not after a CR");
  }
  if (output.size() > banner.size() + kMaxGrowth * input.size() + kEndSlack) {
    fail("output longer than the linear bound");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);

  // CRs at places chosen by the input itself, and a Ctrl-Z with the input again after it.
  std::string with_crs;
  for (std::size_t i = 0; i < input.size(); ++i) {
    if ((static_cast<unsigned char>(input[i]) * 31u + i) % 5 == 0) with_crs += '\r';
    with_crs += input[i];
  }
  with_crs += '\r';
  std::string with_tail = input + '\x1a' + input;

  for (bool two_lines : {false, true}) {
    std::string output = run(input, two_lines);
    check_output(input, output);
    if (output != kestrow_reference::reference_reformat(input, two_lines)) {
      fail(two_lines ? "two-line output differs from the reference"
                     : "one-line output differs from the reference");
    }
    if (run(with_crs, two_lines) != output) fail("inserted CRs changed the output");
    if (run(with_tail, two_lines) != output) fail("a Ctrl-Z and what follows changed the output");
  }
  return 0;
}
