// Kestrow's command line: Kestrow inputfile.pgn outputfile.pgn [/2]
// Exit status 0 after a complete run; 1 on a wrong argument count, a file that cannot be opened,
// an output path that names the input file, or a read or write failure during the run.

#include <cstdio>
#include <cstring>

#include "reformat/reformat.h"
#include "textstream/text_stream.h"

namespace {

constexpr char kUsage[] =
    "Kestrow inputfile.pgn outputfile.pgn [option]\n"
    "option can be nothing (default) or /2/2 means that moves are splitted on two lines "
    "(1. e4    1. ...,e5)";

constexpr char kTwoLineSwitch[] = "/2";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fputs(kUsage, stdout);
    return 1;
  }
  kestrow::TextStream input;
  kestrow::TextStream output;
  if (!kestrow::open_for_reading(&input, argv[1])) return 1;
  // Opening the input itself for writing would empty it before a byte of it is read.
  if (kestrow::names_same_file(&input, argv[2]) || !kestrow::open_for_writing(&output, argv[2])) {
    kestrow::close_stream(&input);
    return 1;
  }
  bool two_lines = argc == 4 && std::strcmp(argv[3], kTwoLineSwitch) == 0;

  int status = kestrow::reformat(&input, &output, two_lines);

  bool written = kestrow::close_stream(&output);
  bool read = kestrow::close_stream(&input);
  return written && read ? status : 1;
}
