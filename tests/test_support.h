// Helpers for the unit tests: scratch files written and read back as raw bytes, and a whole
// reformatter run from bytes to bytes through real files.

#ifndef KESTROW_TESTS_TEST_SUPPORT_H_
#define KESTROW_TESTS_TEST_SUPPORT_H_

#include <string>

namespace kestrow_test {

// A path in the test's own scratch folder; the same name in one test gives the same path.
std::string scratch_path(const std::string& name);

// Writes `bytes` to `path` exactly, replacing what was there.
void write_file(const std::string& path, const std::string& bytes);

// Returns the bytes of the file at `path`.
std::string read_file(const std::string& path);

// Returns `text` with each line feed turned into carriage return + line feed.
std::string crlf(const std::string& text);

// Runs the reformatter on `input` through real files and returns the output file's bytes with the
// banner checked and taken off the front.
std::string reformatted(const std::string& input, bool two_lines);

}  // namespace kestrow_test

#endif  // KESTROW_TESTS_TEST_SUPPORT_H_
