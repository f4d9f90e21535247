#include "textstream/byte_masks.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kestrow {
namespace {

// The masks by their definition, one byte at a time.
WordMasks plain_masks(const unsigned char* bytes) {
  WordMasks masks{0, 0};
  for (std::size_t i = 0; i < kMaskWidth; ++i) {
    const unsigned char c = bytes[i];
    if (c == ' ' || c == '.' || c == '\n') masks.ends |= std::uint64_t{1} << i;
    if (c == '[' || c == 0) masks.rares |= std::uint64_t{1} << i;
  }
  return masks;
}

// Every byte value at every place of a word, among neighbours that are the delimiters and their
// near misses (tab, CR, "/", "-", "]", 0xFF): the word scan, the block scan (which may take
// another width on this CPU) and the definition agree.
TEST(ClassifyBlock, MasksFollowTheDefinition) {
  const unsigned char fillers[] = {'a', ' ', '.', '\n', '[', 0, '\t', '\r', '/', '-', ']', 0xFF};
  alignas(64) unsigned char block[2 * kMaskWidth];
  for (unsigned char filler : fillers) {
    for (std::size_t at = 0; at < kMaskWidth; ++at) {
      for (unsigned value = 0; value < 256; ++value) {
        std::memset(block, filler, sizeof(block));
        block[at] = static_cast<unsigned char>(value);
        block[kMaskWidth + (at * 7) % kMaskWidth] = static_cast<unsigned char>(value);
        const WordMasks want = plain_masks(block);
        const WordMasks word = classify_word(block);
        ASSERT_EQ(word.ends, want.ends) << "value " << value << " at " << at;
        ASSERT_EQ(word.rares, want.rares) << "value " << value << " at " << at;
        WordMasks blocks[2];
        classify_block(block, kMaskWidth, blocks);
        ASSERT_EQ(blocks[0].ends, want.ends) << "value " << value << " at " << at;
        ASSERT_EQ(blocks[0].rares, want.rares) << "value " << value << " at " << at;
        const WordMasks second = plain_masks(block + kMaskWidth);
        ASSERT_EQ(blocks[1].ends, second.ends) << "value " << value << " at " << at;
        ASSERT_EQ(blocks[1].rares, second.rares) << "value " << value << " at " << at;
      }
    }
  }
}

// Every byte value at every place of two words, among bare line feeds, text or CRs: where this
// build marks CRs and Ctrl-Z bytes at all, it marks exactly those, also when a whole-block check
// comes first.
TEST(MarkLineEnds, MarksFollowTheDefinition) {
  const unsigned char fillers[] = {'\n', 'a', '\r', 0x0B, 0x20, 0xFF};
  unsigned char bytes[2 * kMaskWidth];
  for (unsigned char filler : fillers) {
    for (std::size_t at = 0; at < 2 * kMaskWidth; at += 3) {
      for (unsigned value = 0; value < 256; ++value) {
        std::memset(bytes, filler, sizeof(bytes));
        bytes[at] = static_cast<unsigned char>(value);
        LineEndMasks want[2] = {{0, 0}, {0, 0}};
        for (std::size_t i = 0; i < sizeof(bytes); ++i) {
          const std::uint64_t bit = std::uint64_t{1} << (i % kMaskWidth);
          if (bytes[i] == '\r') want[i / kMaskWidth].carriage_returns |= bit;
          if (bytes[i] == 0x1A) want[i / kMaskWidth].ctrl_zs |= bit;
        }
        for (bool check_first : {true, false}) {
          LineEndMasks got[2] = {{0, 0}, {0, 0}};
          LineEndMasks any{0, 0};
          if (!mark_line_ends(bytes, 2, check_first, got, &any)) return;  // not marked here
          ASSERT_EQ(any.carriage_returns, want[0].carriage_returns | want[1].carriage_returns)
              << "value " << value << " at " << at;
          ASSERT_EQ(any.ctrl_zs, want[0].ctrl_zs | want[1].ctrl_zs)
              << "value " << value << " at " << at;
          if ((any.carriage_returns | any.ctrl_zs) == 0) continue;  // the masks may be unset
          for (std::size_t word = 0; word < 2; ++word) {
            ASSERT_EQ(got[word].carriage_returns, want[word].carriage_returns)
                << "value " << value << " at " << at;
            ASSERT_EQ(got[word].ctrl_zs, want[word].ctrl_zs) << "value " << value << " at " << at;
          }
        }
      }
    }
  }
}

// A tag's content stops at the first "]", line feed or zero byte, wherever it stands.
TEST(ClassifyBlock, TagStopIsTheFirstStop) {
  for (unsigned char stop : {static_cast<unsigned char>(']'), static_cast<unsigned char>('\n'),
                             static_cast<unsigned char>(0)}) {
    for (std::size_t at = 0; at < 40; ++at) {
      unsigned char bytes[64];
      std::memset(bytes, 'x', sizeof(bytes));
      bytes[at] = stop;
      bytes[at + 1] = ']';
      bytes[48] = 0;
      EXPECT_EQ(find_tag_stop(bytes), at) << "stop " << int{stop} << " at " << at;
    }
  }
}

}  // namespace
}  // namespace kestrow
