// The two lines that open every output file: the program with its maker's credit, then the
// project's web address. Each is "[", a text, "]" and a line break.

#ifndef KESTROW_REFORMAT_BANNER_H_
#define KESTROW_REFORMAT_BANNER_H_

namespace kestrow {

constexpr const char kBannerCredit[] = "[Kestrow PGN reformatter, by the Kestrow developers]\n";
constexpr const char kBannerAddress[] = "[https://kestrow.example.org/]\n";

}  // namespace kestrow

#endif  // KESTROW_REFORMAT_BANNER_H_
