#include "textstream/text_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace kestrow {
namespace {

using kestrow_test::read_file;
using kestrow_test::scratch_path;
using kestrow_test::write_file;

// Reads the whole input through get_char and returns what was delivered.
std::string read_all(TextStream* input) {
  std::string got;
  for (int c = get_char(input); c != kEndOfInput; c = get_char(input)) {
    EXPECT_GE(c, 0);
    EXPECT_LE(c, 255);
    got += static_cast<char>(c);
  }
  return got;
}

std::string delivered(const std::string& bytes) {
  std::string path = scratch_path("in");
  write_file(path, bytes);
  TextStream input;
  EXPECT_TRUE(open_for_reading(&input, path.c_str()));
  std::string got = read_all(&input);
  EXPECT_TRUE(at_end(&input));
  EXPECT_TRUE(close_stream(&input));
  return got;
}

struct ReadCase {
  const char* name;
  std::string file;
  std::string delivered;
};

// Names the case instead of dumping its bytes when it fails.
void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class TextStreamRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(TextStreamRead, DeliversTextModeBytes) {
  EXPECT_EQ(delivered(GetParam().file), GetParam().delivered);
}

std::string block(char c, std::size_t n) { return std::string(n, c); }

INSTANTIATE_TEST_SUITE_P(
    Cases, TextStreamRead,
    ::testing::Values(
        ReadCase{"Empty", "", ""},
        ReadCase{"CrLfBecomesLf", "1. e4\r\n2. d4\r\n", "1. e4\n2. d4\n"},
        ReadCase{"LoneCrVanishes", "a\rb\r\rc\r", "abc"},
        ReadCase{"CtrlZEndsInput",
                 std::string("ab\x1a"
                             "cd\r\nef",
                             8),
                 "ab"},
        ReadCase{"CtrlZFirst",
                 std::string("\x1a"
                             "abc",
                             4),
                 ""},
        ReadCase{"ZeroAndHighBytesPass", std::string("a\0\xff\x80z", 5),
                 std::string("a\0\xff\x80z", 5)},
        // Buffer boundaries: the 512-byte refill must not lose, repeat or misfilter a byte.
        ReadCase{"CrAcrossRefills", block('\r', 511) + "x" + block('\r', 1025) + "y", "xy"},
        ReadCase{"CtrlZAfterFullBuffer", block('a', 512) + "\x1a" + "b", block('a', 512)},
        ReadCase{"ManyBuffers", block('q', 5000), block('q', 5000)}),
    [](const ::testing::TestParamInfo<ReadCase>& p) { return p.param.name; });

// Runs of every length between CRs, lone and doubled CRs, in files with bare line feeds before
// and after (so that a block may be taken for one without CRs), and a Ctrl-Z at many places: what
// is delivered is the file without its CRs, up to its first Ctrl-Z.
TEST(TextStream, ClosesUpCarriageReturnsAndStopsAtCtrlZ) {
  unsigned seed = 7;
  auto next = [&seed](unsigned range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % range;
  };
  for (int round = 0; round < 60; ++round) {
    std::string file;
    if (round % 3 == 0) file += block('\n', 700);  // a first block with no CR
    while (file.size() < 3000) {
      const std::size_t run = next(4) == 0 ? next(140) : next(70);
      for (std::size_t k = 0; k < run; ++k) file += static_cast<char>('a' + (file.size() % 26));
      file += next(5) == 0 ? "\r\r" : "\r\n";
      if (next(40) == 0) file += block(' ', 600);  // a block with no CR amid CRs
    }
    if (round % 2 == 1) file.insert(next(static_cast<unsigned>(file.size())), 1, '\x1a');
    std::string want;
    for (char c : file) {
      if (c == '\x1a') break;
      if (c != '\r') want += c;
    }
    ASSERT_EQ(delivered(file), want) << "round " << round;
  }
}

TEST(TextStream, EndIndicatorRisesWithTheEndValueNotBefore) {
  std::string path = scratch_path("in");
  write_file(path, "ab");
  TextStream input;
  ASSERT_TRUE(open_for_reading(&input, path.c_str()));
  EXPECT_FALSE(at_end(&input));
  EXPECT_EQ(get_char(&input), 'a');
  EXPECT_EQ(get_char(&input), 'b');
  EXPECT_FALSE(at_end(&input)) << "raised when the last byte was handed out";
  EXPECT_EQ(get_char(&input), kEndOfInput);
  EXPECT_TRUE(at_end(&input));
  EXPECT_EQ(get_char(&input), kEndOfInput);
  EXPECT_TRUE(at_end(&input));
  EXPECT_FALSE(has_failed(&input));
  EXPECT_TRUE(close_stream(&input));
}

TEST(TextStream, CtrlZRaisesEndIndicator) {
  std::string path = scratch_path("in");
  write_file(path,
             "a\x1a"
             "b");
  TextStream input;
  ASSERT_TRUE(open_for_reading(&input, path.c_str()));
  EXPECT_EQ(get_char(&input), 'a');
  EXPECT_FALSE(at_end(&input));
  EXPECT_EQ(get_char(&input), kEndOfInput);
  EXPECT_TRUE(at_end(&input));
  EXPECT_EQ(get_char(&input), kEndOfInput);
  EXPECT_TRUE(close_stream(&input));
}

#ifdef __linux__
// Reading the start of a process's own memory file fails with an I/O error on Linux: a real
// failed read on a file that opens fine.
TEST(TextStream, FailedReadGivesEndWithoutIndicatorAndSticks) {
  TextStream input;
  ASSERT_TRUE(open_for_reading(&input, "/proc/self/mem"));
  EXPECT_EQ(get_char(&input), kEndOfInput);
  EXPECT_FALSE(at_end(&input));
  EXPECT_TRUE(has_failed(&input));
  EXPECT_EQ(get_char(&input), kEndOfInput);
  EXPECT_FALSE(at_end(&input));
  EXPECT_FALSE(close_stream(&input)) << "a failed read must be reported on closing";
}
#endif

TEST(TextStream, OpenForReadingRefusesMissingFileAndDirectory) {
  TextStream input;
  EXPECT_FALSE(open_for_reading(&input, scratch_path("missing").c_str()));
  EXPECT_FALSE(open_for_reading(&input, ::testing::TempDir().c_str()));
}

TEST(TextStream, WritingTurnsLfIntoCrLfAndKeepsOtherBytes) {
  std::string path = scratch_path("out");
  TextStream output;
  ASSERT_TRUE(open_for_writing(&output, path.c_str()));
  put_text(&output, "a\nb");
  put_char(&output, '\r');
  put_char(&output, '\0');
  put_char(&output, '\n');
  put_char(&output, '\xff');
  EXPECT_EQ(read_file(path), "") << "nothing is written before the buffer fills or is closed";
  EXPECT_TRUE(close_stream(&output));
  EXPECT_EQ(read_file(path), std::string("a\r\nb\r\0\r\n\xff", 9));
}

// Every kind of write, in lengths that make line breaks and blocks straddle the end of the
// buffer at every offset, must reach the file whole and in order.
TEST(TextStream, WritingAcrossBuffersKeepsEveryByte) {
  std::string path = scratch_path("out");
  TextStream output;
  ASSERT_TRUE(open_for_writing(&output, path.c_str()));
  std::string expected;
  char block[64] = {};
  unsigned seed = 1;
  for (std::size_t i = 0; i < 5000; ++i) {
    seed = seed * 1103515245u + 12345u;
    std::size_t count = (seed >> 16) % 40;
    for (std::size_t k = 0; k < count; ++k) block[k] = static_cast<char>('a' + (i + k) % 26);
    block[count] = '\0';
    switch ((seed >> 8) % 5) {
      case 0:
        put_char(&output, block[0] == 'a' ? '\n' : block[0]);
        expected += block[0] == 'a' ? "\r\n" : std::string(1, block[0]);
        break;
      case 1:
        put_line_break(&output);
        expected += "\r\n";
        break;
      case 2:
        put_block(&output, block, count);
        expected.append(block, count);
        break;
      case 3:
        if (count > 0) block[count / 2] = '\n';
        put_text_block(&output, block, count);
        for (std::size_t k = 0; k < count; ++k) {
          expected += block[k] == '\n' ? std::string("\r\n") : std::string(1, block[k]);
        }
        break;
      default:
        put_bytes(&output, block, count);
        expected.append(block, count);
        break;
    }
  }
  EXPECT_TRUE(close_stream(&output));
  EXPECT_EQ(read_file(path), expected);
}

TEST(TextStream, OpenForWritingTruncates) {
  std::string path = scratch_path("out");
  write_file(path, "old contents that must go");
  TextStream output;
  ASSERT_TRUE(open_for_writing(&output, path.c_str()));
  EXPECT_EQ(read_file(path), "");
  EXPECT_TRUE(close_stream(&output));
  EXPECT_EQ(read_file(path), "");
}

#ifdef __linux__
TEST(TextStream, WriteFailureIsReportedOnClose) {
  TextStream output;
  ASSERT_TRUE(open_for_writing(&output, "/dev/full"));
  put_text(&output, "x");
  EXPECT_FALSE(close_stream(&output));
}
#endif

TEST(TextStream, NamesSameFile) {
  std::string path = scratch_path("in");
  write_file(path, "x");
  TextStream input;
  ASSERT_TRUE(open_for_reading(&input, path.c_str()));
  EXPECT_TRUE(names_same_file(&input, path.c_str()));
  std::string dir = ::testing::TempDir();
  std::string respelt = dir + "./" + path.substr(dir.size());
  EXPECT_TRUE(names_same_file(&input, respelt.c_str()));
  EXPECT_FALSE(names_same_file(&input, scratch_path("other").c_str()));
  write_file(scratch_path("other"), "x");
  EXPECT_FALSE(names_same_file(&input, scratch_path("other").c_str()));
  EXPECT_TRUE(close_stream(&input));
}

}  // namespace
}  // namespace kestrow
