#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "reformat/banner.h"
#include "reformat/reformat.h"
#include "textstream/text_stream.h"

namespace kestrow_test {

std::string scratch_path(const std::string& name) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  // Parameterised tests have a "/" in their names.
  std::string own = std::string(test->test_suite_name()) + "_" + test->name() + "_" + name;
  for (char& c : own) {
    if (c == '/') c = '_';
  }
  return ::testing::TempDir() + "kestrow_" + own;
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(file.good()) << path;
}

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string reformatted(const std::string& input, bool two_lines) {
  std::string in_path = scratch_path(two_lines ? "in2" : "in1");
  std::string out_path = scratch_path(two_lines ? "out2" : "out1");
  write_file(in_path, input);
  kestrow::TextStream in;
  kestrow::TextStream out;
  EXPECT_TRUE(kestrow::open_for_reading(&in, in_path.c_str()));
  EXPECT_TRUE(kestrow::open_for_writing(&out, out_path.c_str()));
  EXPECT_EQ(kestrow::reformat(&in, &out, two_lines), 0);
  EXPECT_TRUE(kestrow::close_stream(&out));
  EXPECT_TRUE(kestrow::close_stream(&in));
  std::string bytes = read_file(out_path);
  std::string banner = crlf(std::string(kestrow::kBannerCredit) + kestrow::kBannerAddress);
  EXPECT_EQ(bytes.substr(0, banner.size()), banner);
  return bytes.size() < banner.size() ? bytes : bytes.substr(banner.size());
}

}  // namespace kestrow_test
