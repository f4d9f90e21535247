#include "reformat/tags.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace kestrow {
namespace {

using kestrow_test::crlf;
using kestrow_test::reformatted;

TEST(IsEventTag, FirstSixCharactersAgainstEventSpaceIgnoringAsciiCase) {
  struct {
    const char* content;
    bool event;
  } cases[] = {
      {"Event \"Casual Game\"", true},
      {"event \"x\"", true},
      {"EVENT \"x\"", true},
      {"eVeNt ", true},
      {"EventDate \"x\"", false},
      {"Event", false},
      {"Even", false},
      {"", false},
      {"Event\t\"x\"", false},
      {" Event \"x\"", false},
      {"Site \"x\"", false},
      {"\xC9vent \"x\"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_event_tag(c.content), c.event) << c.content;
}

const std::string kSeparator = "\n____________________________________________\n";

// Tags do not depend on the layout: each case gives what follows the banner in both.
struct TagCase {
  const char* name;
  std::string input;
  std::string output;
};

// Names the case instead of dumping its bytes when it fails.
void PrintTo(const TagCase& c, std::ostream* os) { *os << c.name; }

class Tags : public ::testing::TestWithParam<TagCase> {};

TEST_P(Tags, BothLayouts) {
  EXPECT_EQ(reformatted(GetParam().input, false), crlf(GetParam().output));
  EXPECT_EQ(reformatted(GetParam().input, true), crlf(GetParam().output));
}

const std::string kA511(511, 'a');
const std::string kA512(512, 'a');

INSTANTIATE_TEST_SUITE_P(
    Cases, Tags,
    ::testing::Values(
        TagCase{"WorkedExample",
                "[Event \"Casual Game\"]\n[Site \"Berlin GER\"]\n[Result \"1-0\"]\n\n",
                "\n" + kSeparator +
                    "[Event \"Casual Game\"] \n[Site \"Berlin GER\"] \n[Result \"1-0\"]  "},
        TagCase{"EventSpellings",
                "[event \"x\"][EVENT \"y\"][EventDate \"z\"][Event][Event\t\"t\"]",
                "\n" + kSeparator + "[event \"x\"]\n" + kSeparator +
                    "[EVENT \"y\"]\n[EventDate \"z\"]\n[Event]\n[Event\t\"t\"]"},
        TagCase{"BracketInsideValue", "[Event \"a]b\"]\n", "\n" + kSeparator + "[Event \"a] b\"]"},
        TagCase{"TextBeforeBracketDropped", "abc[Site \"x\"]", "\n[Site \"x\"]"},
        TagCase{"TagSpansLines", "[Annotator \"a.\nb c\"]\n", "\n[Annotator \"a.\nb c\"] "},
        TagCase{"Content511Copied", "[" + kA511 + "]\n", "\n[" + kA511 + "] "},
        TagCase{"Content512NotATag", "[" + kA512 + "]\n", "\n ]"},
        TagCase{"Content600TailAsTokens", "[Event " + std::string(594, 'b') + "]\n",
                "\n " + std::string(88, 'b') + "]"},
        // Input cut off inside a tag: written as far as it goes, no "]" added.
        TagCase{"EndInsideTag", "[Event \"Cut", "\n" + kSeparator + "[Event \"Cut"},
        TagCase{"EndInsidePlainTag", "[Site \"x\n", "\n[Site \"x\n"}),
    [](const ::testing::TestParamInfo<TagCase>& p) { return p.param.name; });

TEST(Tags, TwoGamesEachGetASeparator) {
  std::string input =
      "[Event \"A\"]\n[Result \"1-0\"]\n\n1. e4 e5 1-0\n\n"
      "[Event \"B\"]\n[Result \"0-1\"]\n\n1. d4 d5 0-1\n";
  EXPECT_EQ(reformatted(input, false),
            crlf("\n" + kSeparator + "[Event \"A\"] \n[Result \"1-0\"]  \n1. e4, e5 1-0 \n" +
                 kSeparator + "[Event \"B\"] \n[Result \"0-1\"]  \n1. d4, d5 0-1"));
  EXPECT_EQ(reformatted(input, true),
            crlf("\n" + kSeparator + "[Event \"A\"] \n[Result \"1-0\"]  \n1. e4\n1. ...,e5 1-0 \n" +
                 kSeparator + "[Event \"B\"] \n[Result \"0-1\"]  \n1. d4\n1. ...,d5 0-1"));
}

}  // namespace
}  // namespace kestrow
