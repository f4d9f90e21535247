// A plain reference reformatter, the oracle that the fuzzer and the expected files are checked
// against. It takes the bytes of an input file and returns the bytes of the output file, applying
// the rules one character at a time: the Windows text-mode reading and writing rules, the token
// reader, the move lines and the tags. It is slow and shares no code with Kestrow's own reader,
// streams or reformatter (only the banner texts), so that a fault in their fast paths shows up as
// a difference. It is never linked into Kestrow.

#ifndef KESTROW_TESTS_REFERENCE_REFERENCE_REFORMAT_H_
#define KESTROW_TESTS_REFERENCE_REFERENCE_REFORMAT_H_

#include <cstddef>
#include <string>
#include <vector>

namespace kestrow_reference {

// Returns the output file that Kestrow must write for an input file holding `input`, in the
// two-line layout when `two_lines` is true. When `reads` is given, it receives, for each read
// that Kestrow's input stream makes of the file (512 bytes asked, made when the reader needs a
// byte that the reads so far have not brought, the last one finding the end of the file), the
// length of the output at that moment: so many bytes, in whole 512-byte writes, must have been
// written out before that read.
std::string reference_reformat(const std::string& input, bool two_lines,
                               std::vector<std::size_t>* reads = nullptr);

}  // namespace kestrow_reference

#endif  // KESTROW_TESTS_REFERENCE_REFERENCE_REFORMAT_H_
