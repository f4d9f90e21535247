#include "reformat/reformat.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace kestrow {
namespace {

using kestrow_test::crlf;
using kestrow_test::reformatted;

// An input and what follows the banner in each layout, with "\n" for each written line break.
struct LayoutCase {
  const char* name;
  std::string input;
  std::string one_line;
  std::string two_lines;
};

// Names the case instead of dumping its bytes when it fails.
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class MoveLines : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(MoveLines, OneLineLayout) {
  EXPECT_EQ(reformatted(GetParam().input, false), crlf(GetParam().one_line));
}

TEST_P(MoveLines, TwoLineLayout) {
  EXPECT_EQ(reformatted(GetParam().input, true), crlf(GetParam().two_lines));
}

const std::string kX511(511, 'x');
const std::string kX512(512, 'x');
const std::string kNumber511(511, '7');

INSTANTIATE_TEST_SUITE_P(
    Cases, MoveLines,
    ::testing::Values(
        LayoutCase{"Empty", "", "", ""},
        LayoutCase{"WorkedExample", "1. e4 e5 2. Nf3 Nc6\n3. Bb5 a6 1-0\n",
                   "\n1. e4, e5\n2. Nf3, Nc6\n3. Bb5, a6 1-0",
                   "\n1. e4\n1. ...,e5\n2. Nf3\n2. ...,Nc6\n3. Bb5\n3. ...,a6 1-0"},
        LayoutCase{"CrLfInput", "1. e4 e5\r\n2. Nf3 Nc6\r\n", "\n1. e4, e5\n2. Nf3, Nc6",
                   "\n1. e4\n1. ...,e5\n2. Nf3\n2. ...,Nc6"},
        LayoutCase{"NoSpaceAfterNumber", "1.e4 e5 2.Nf3 Nc6\n", "\n1. e4e5\n2. Nf3Nc6",
                   "\n1. e4e5\n2. Nf3Nc6"},
        LayoutCase{"TwoSpacesBeforeBlack", "1. e4  e5\n", "\n1. e4,  e5", "\n1. e4\n1. ..., e5"},
        LayoutCase{"Continuation", "1... e5\n", "\n1. \n. \n. e5", "\n1. \n. \n. e5"},
        LayoutCase{"FullStopInComment", "1. e4 {Good move.} e5\n", "\n1. e4, {Good\nmove. }e5",
                   "\n1. e4\n1. ...,{Good\nmove. }e5"},
        LayoutCase{"EndsAfterWhite", "3. Qh5# 1-0\n", "\n3. Qh5#, 1-0", "\n3. Qh5#\n3. ...,1-0"},
        LayoutCase{"TagBetweenMoves", "1. e4 [Site \"x\"] e5\n", "\n1. e4\n[Site \"x\"],  e5",
                   "\n1. e4\n[Site \"x\"]\n1. ..., e5"},
        LayoutCase{"TabStaysInToken", "1. e4\t! e5\n", "\n1. e4\t!, e5", "\n1. e4\t!\n1. ...,e5"},
        LayoutCase{"ZeroByteEndsTokenText", std::string("1. e4\0zz e5\n", 12), "\n1. e4, e5",
                   "\n1. e4\n1. ...,e5"},
        // The end of the input ends a last token like a line break would.
        LayoutCase{"LastLineWithoutLineBreak", "1. e4 e5", "\n1. e4, e5", "\n1. e4\n1. ...,e5"},
        LayoutCase{"LastResultWithoutLineBreak", "1. e4 e5 1-0", "\n1. e4, e5 1-0",
                   "\n1. e4\n1. ...,e5 1-0"},
        LayoutCase{"LastTokenAfterZeroByteIsEmpty", std::string("1. e4 \0x", 8), "\n1. e4",
                   "\n1. e4"},
        LayoutCase{"Token511Written", kX511 + " 1-0\n", " " + kX511 + " 1-0", " " + kX511 + " 1-0"},
        LayoutCase{"Token512Dropped", kX512 + " 1-0\n", "  1-0", "  1-0"},
        LayoutCase{"Token600KeepsTail", std::string(600, 'x') + "\n", " " + std::string(88, 'x'),
                   " " + std::string(88, 'x')},
        LayoutCase{"OverlongAtEndOfInput", kX512, "", ""},
        // The longest move number still fits in the prefix with ". " and "...,".
        LayoutCase{"LongestMoveNumber", kNumber511 + ". e4 e5\n", "\n" + kNumber511 + ". e4, e5",
                   "\n" + kNumber511 + ". e4\n" + kNumber511 + ". ...,e5"},
        LayoutCase{"StateCarriesAcrossLines", "1. e4\ne5 2. d4\n", "\n1. e4, e5\n2. d4",
                   "\n1. e4\n1. ...,e5\n2. d4"}),
    [](const ::testing::TestParamInfo<LayoutCase>& p) { return p.param.name; });

}  // namespace
}  // namespace kestrow
