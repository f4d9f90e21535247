#include "textstream/word_scan.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kestrow {
namespace {

// The first byte equal to the value is found wherever it stands, whatever the bytes before it
// (all different from it, among them the neighbours of the value and zero) and after it (among
// them the value again and bytes that make the arithmetic borrow).
TEST(WordScan, FirstMarkedIsTheFirstEqualByte) {
  const unsigned char values[] = {0x00, 0x01, '\n', ']', 0x7F, 0x80, 0xFF};
  for (unsigned char value : values) {
    const unsigned char before[] = {static_cast<unsigned char>(value + 1),
                                    static_cast<unsigned char>(value - 1),
                                    static_cast<unsigned char>(value ^ 0x80), 0x00, 0xFF};
    const unsigned char after[] = {value, 0x00, 0x01, 0x80, 0xFF};
    for (std::size_t at = 0; at < 8; ++at) {
      for (unsigned char b : before) {
        if (b == value) continue;
        for (unsigned char a : after) {
          unsigned char bytes[8];
          std::memset(bytes, b, at);
          bytes[at] = value;
          std::memset(bytes + at + 1, a, 7 - at);
          std::uint64_t marks = bytes_equal(load_word(bytes), value);
          ASSERT_NE(marks, 0u);
          EXPECT_EQ(first_marked(marks), at)
              << "value " << int{value} << " before " << int{b} << " after " << int{a};
          // Either of two values: the earlier one wins.
          std::uint64_t either = marks | bytes_equal(load_word(bytes), a);
          EXPECT_EQ(first_marked(either), a == b ? 0 : at);
        }
      }
    }
  }
}

TEST(WordScan, NoMarkWithoutTheValue) {
  for (unsigned value = 0; value < 256; ++value) {
    // Steps of 31 from value + 1 come back to the value only after 33 steps: none of the 8 is it.
    unsigned char bytes[8];
    for (std::size_t i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(value + 1 + i * 31);
    EXPECT_EQ(bytes_equal(load_word(bytes), static_cast<unsigned char>(value)), 0u) << value;
  }
}

}  // namespace
}  // namespace kestrow
