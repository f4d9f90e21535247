// The reference reformatter as a command, for the end-to-end cases:
//   kestrow_reference INPUT OUTPUT [/2] [--reads]
// Writes what Kestrow must write for INPUT into OUTPUT. Exits 0, or 1 when a file fails. With
// --reads it prints, one a line, the output's length at each read Kestrow makes of INPUT.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "reference/reference_reformat.h"

int main(int argc, char** argv) {
  bool print_reads = argc > 3 && std::strcmp(argv[argc - 1], "--reads") == 0;
  if (print_reads) --argc;
  if (argc < 3 || argc > 4) return 1;
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) return 1;
  std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  bool two_lines = argc == 4 && std::strcmp(argv[3], "/2") == 0;
  std::vector<std::size_t> reads;
  std::string output = kestrow_reference::reference_reformat(input, two_lines, &reads);
  if (print_reads) {
    for (std::size_t length : reads) std::printf("%zu\n", length);
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(output.data(), static_cast<std::streamsize>(output.size()));
  return out.good() ? 0 : 1;
}
