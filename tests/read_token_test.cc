#include "reformat/read_token.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_support.h"

namespace kestrow {
namespace {

constexpr char kMoveSet[] = " .[\n";

// One call's result: status, token text and delimiter.
struct Read {
  int status;
  std::string token;
  char delimiter;
};

bool operator==(const Read& a, const Read& b) {
  return a.status == b.status && a.token == b.token && a.delimiter == b.delimiter;
}

std::ostream& operator<<(std::ostream& os, const Read& r) {
  return os << "{" << r.status << ", \"" << r.token << "\" (" << r.token.size() << "), "
            << static_cast<int>(r.delimiter) << "}";
}

class ReadTokenTest : public ::testing::Test {
 protected:
  void open(const std::string& bytes) {
    std::string path = kestrow_test::scratch_path("in");
    kestrow_test::write_file(path, bytes);
    ASSERT_TRUE(open_for_reading(&input_, path.c_str()));
    opened_ = true;
  }
  void TearDown() override {
    if (opened_) close_stream(&input_);
  }

  // Calls read_token once; the token is taken up to its zero, whole after an Overflow, and left
  // empty after AtEnd, which must not have touched the buffer.
  Read next(const char* set = kMoveSet, int max_length = kTokenSize) {
    std::memset(buffer_, '#', sizeof(buffer_));
    char delimiter = '?';
    std::size_t length = 0;
    int status =
        read_token(&input_, buffer_, &delimiter, max_length, make_delimiter_set(set), &length);
    if (status == AtEnd) {
      EXPECT_EQ(buffer_[0], '#') << "AtEnd must not touch the buffer";
      return Read{status, "", delimiter};
    }
    if (status == Complete) {
      EXPECT_EQ(length, std::strlen(buffer_)) << "text length of a Complete token";
    }
    std::size_t whole = static_cast<std::size_t>(max_length);
    return Read{status, status == Overflow ? std::string(buffer_, whole) : std::string(buffer_),
                delimiter};
  }

  TextStream input_;
  bool opened_ = false;
  char buffer_[kTokenSize + 1];
};

TEST(DelimiterSet, HoldsExactlyTheCharactersOfItsStringAndMarksTheZeroByte) {
  DelimiterSet set = make_delimiter_set(" .[\n");
  for (int c = 1; c < 256; ++c) {
    bool member = c == ' ' || c == '.' || c == '[' || c == '\n';
    EXPECT_EQ(set.kind[c], member ? kDelimiter : kPlain) << c;
  }
  EXPECT_EQ(set.kind[0], kZeroByte);
  EXPECT_EQ(make_delimiter_set("").kind[0], kZeroByte);
}

TEST_F(ReadTokenTest, CutsAtDelimitersAndEnd) {
  open("1. e4");
  EXPECT_EQ(next(), (Read{Complete, "1", '.'}));
  EXPECT_EQ(next(), (Read{Complete, "", ' '}));
  EXPECT_EQ(next(), (Read{Complete, "e4", 0}));
  EXPECT_EQ(next(), (Read{AtEnd, "", '?'})) << "buffer and delimiter untouched at the end";
}

TEST_F(ReadTokenTest, EveryMemberOfTheSetEndsATokenAndTabDoesNot) {
  open("a b\nc[d\te.]");
  EXPECT_EQ(next(), (Read{Complete, "a", ' '}));
  EXPECT_EQ(next(), (Read{Complete, "b", '\n'}));
  EXPECT_EQ(next(), (Read{Complete, "c", '['}));
  EXPECT_EQ(next(), (Read{Complete, "d\te", '.'}));
  EXPECT_EQ(next(), (Read{Complete, "]", 0}));
}

TEST_F(ReadTokenTest, TagSetTakesSpacesFullStopsAndLineBreaks) {
  open("Event \"a. b\nc\"]x y");
  EXPECT_EQ(next("]"), (Read{Complete, "Event \"a. b\nc\"", ']'}));
  EXPECT_EQ(next(), (Read{Complete, "x", ' '}));
}

TEST_F(ReadTokenTest, ZeroByteIsStoredNotADelimiter) {
  open(std::string("ab\0cd e", 7));
  std::memset(buffer_, '#', sizeof(buffer_));
  char delimiter = '?';
  std::size_t length = 99;
  ASSERT_EQ(
      read_token(&input_, buffer_, &delimiter, kTokenSize, make_delimiter_set(kMoveSet), &length),
      Complete);
  EXPECT_EQ(std::string(buffer_, 6), std::string("ab\0cd\0", 6));
  EXPECT_EQ(length, 2u) << "the text ends at the zero byte";
  EXPECT_EQ(delimiter, ' ');
}

TEST_F(ReadTokenTest, CarriageReturnsAndCtrlZNeverReachTheReader) {
  open(
      "e4\r\ne5\r\x1a"
      "f4 ");
  EXPECT_EQ(next(), (Read{Complete, "e4", '\n'}));
  EXPECT_EQ(next(), (Read{Complete, "e5", 0}));
  EXPECT_EQ(next(), (Read{AtEnd, "", '?'}));
}

struct LengthCase {
  std::size_t run;  // characters before the space
  Read first;
  Read second;
};

void PrintTo(const LengthCase& c, std::ostream* os) { *os << c.run << " characters"; }

class ReadTokenLength : public ReadTokenTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(ReadTokenLength, LimitIsMaxLengthCharacters) {
  open(std::string(GetParam().run, 'x') + " ");
  EXPECT_EQ(next(), GetParam().first);
  EXPECT_EQ(next(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ReadTokenLength,
    ::testing::Values(LengthCase{511, {Complete, std::string(511, 'x'), ' '}, {Complete, "", 0}},
                      LengthCase{512, {Overflow, std::string(512, 'x'), '?'}, {Complete, "", ' '}},
                      LengthCase{600,
                                 {Overflow, std::string(512, 'x'), '?'},
                                 {Complete, std::string(88, 'x'), ' '}},
                      LengthCase{1024,
                                 {Overflow, std::string(512, 'x'), '?'},
                                 {Overflow, std::string(512, 'x'), '?'}}),
    [](const ::testing::TestParamInfo<LengthCase>& p) {
      return "Run" + std::to_string(p.param.run);
    });

// Tokens of every length that start at every place around the stream's 512-byte refill, read with
// both the byte-wise set and the word-wise lone-delimiter set, with and without a zero byte.
TEST(ReadTokenPlaces, AnyTokenAtAnyPlaceAroundARefill) {
  const std::string text = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (std::size_t lead = 490; lead <= 530; ++lead) {
    for (std::size_t length : {0u, 1u, 7u, 8u, 9u, 16u, 17u, 36u}) {
      for (bool zero : {false, true}) {
        std::string body = text.substr(0, length);
        if (zero && length > 3) body[3] = '\0';
        std::string path = kestrow_test::scratch_path("in");
        kestrow_test::write_file(path, std::string(lead, ' ') + body + "]" + body + " x");
        TextStream input;
        ASSERT_TRUE(open_for_reading(&input, path.c_str()));
        char token[kTokenSize];
        char delimiter = '?';
        std::size_t got = 0;
        for (std::size_t i = 0; i < lead; ++i) {
          ASSERT_EQ(
              read_token(&input, token, &delimiter, kTokenSize, make_delimiter_set(" "), &got),
              Complete);
        }
        std::size_t text_length = zero && length > 3 ? 3 : length;
        for (const char* set : {"]", " .[\n"}) {
          ASSERT_EQ(
              read_token(&input, token, &delimiter, kTokenSize, make_delimiter_set(set), &got),
              Complete);
          EXPECT_EQ(std::string(token, length), body) << lead << " " << length << " " << set;
          EXPECT_EQ(token[length], '\0');
          EXPECT_EQ(got, text_length);
          EXPECT_EQ(delimiter, set[0] == ']' ? ']' : ' ');
        }
        close_stream(&input);
      }
    }
  }
}

TEST_F(ReadTokenTest, ZeroMaxLengthOverflowsAtOnceReadingNothing) {
  open("ab");
  EXPECT_EQ(next(kMoveSet, 0).status, Overflow);
  EXPECT_EQ(next(), (Read{Complete, "ab", 0}));
}

TEST_F(ReadTokenTest, OverflowThenEndGivesEmptyCompleteThenAtEnd) {
  open(std::string(512, 'x'));
  EXPECT_EQ(next().status, Overflow);
  EXPECT_EQ(next(), (Read{Complete, "", 0}));
  EXPECT_EQ(next(), (Read{AtEnd, "", '?'}));
}

#ifdef __linux__
TEST(ReadToken, FailedReadGivesCompleteWithEndMarkerEveryTime) {
  TextStream input;
  ASSERT_TRUE(open_for_reading(&input, "/proc/self/mem"));
  char token[kTokenSize];
  for (int i = 0; i < 3; ++i) {
    char delimiter = '?';
    std::size_t length = 99;
    EXPECT_EQ(
        read_token(&input, token, &delimiter, kTokenSize, make_delimiter_set(kMoveSet), &length),
        Complete);
    EXPECT_EQ(delimiter, 0);
    EXPECT_STREQ(token, "");
  }
  close_stream(&input);
}
#endif

}  // namespace
}  // namespace kestrow
