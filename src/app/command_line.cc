#include "app/command_line.h"

#include <cstdio>
#include <cstring>

#include "reformat/reformat.h"
#include "textstream/text_stream.h"

namespace kestrow {

namespace {

// The usage text is the program's own, word for word, and stays so: "/2/2", "splitted" and the
// missing line break at its end included. The tests and the documents show it byte for byte.
constexpr char kUsage[] =
    "Kestrow inputfile.pgn outputfile.pgn [option]\n"
    "option can be nothing (default) or /2/2 means that moves are splitted on two lines "
    "(1. e4    1. ...,e5)";

constexpr char kTwoLineSwitch[] = "/2";

}  // namespace

int run_command_line(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fputs(kUsage, stdout);
    return 1;
  }
  TextStream input;
  TextStream output;
  if (!open_for_reading(&input, argv[1])) return 1;
  // Opening the input itself for writing would empty it before a byte of it is read.
  if (!open_for_writing_apart(&output, argv[2], &input)) {
    close_stream(&input);
    return 1;
  }
  bool two_lines = argc == 4 && std::strcmp(argv[3], kTwoLineSwitch) == 0;

  int status = reformat(&input, &output, two_lines);

  bool written = close_stream(&output);
  bool read = close_stream(&input);
  return written && read ? status : 1;
}

}  // namespace kestrow
