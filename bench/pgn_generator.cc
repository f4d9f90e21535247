// Writes realistic PGN to standard output, the same bytes for the same arguments:
//   pgn_generator BYTES [crlf]
// Games with a full tag section, clock comments, text comments, variations, numeric annotation
// glyphs and results, as chess sites and databases export them. Moves have the shape of SAN but
// are not legal chess: Kestrow never looks at them. Stops after BYTES bytes (mid-game is fine).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

namespace {

// xorshift64*: small, fast and the same everywhere.
struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 2685821657736338717ULL;
  }
  unsigned below(unsigned n) { return static_cast<unsigned>((next() >> 33) % n); }
  template <std::size_t N>
  const char* pick(const char* const (&items)[N]) {
    return items[below(N)];
  }
};

const char* const kPieces[] = {"", "", "", "N", "B", "R", "Q", "K"};
const char* const kFiles[] = {"a", "b", "c", "d", "e", "f", "g", "h"};
const char* const kRanks[] = {"1", "2", "3", "4", "5", "6", "7", "8"};
const char* const kNags[] = {"$1", "$2", "$3", "$4", "$5", "$6", "$10", "$14", "$16", "$18"};
const char* const kResults[] = {"1-0", "0-1", "1/2-1/2", "*"};
const char* const kComments[] = {"The only move.",
                                 "A novelty at the time.",
                                 "White keeps the initiative.",
                                 "Black should have played for the centre.",
                                 "Inaccuracy. Better was the quiet retreat.",
                                 "After this the position is equal.",
                                 "A fine manoeuvre, typical of the opening."};
const char* const kTerminations[] = {"Normal", "Time forfeit", "Abandoned"};
const char* const kOpenings[] = {"C41", "B90", "D37", "E60", "A45", "C65", "B12", "D02"};

class Writer {
 public:
  Writer(std::uint64_t limit, bool crlf) : limit_(limit), crlf_(crlf) {}
  bool full() const { return written_ >= limit_; }
  void put(const std::string& text) {
    for (char c : text) {
      if (c == '\n' && crlf_) byte('\r');
      byte(c);
    }
  }
  void flush() {
    std::fwrite(buffer_, 1, used_, stdout);
    used_ = 0;
  }

 private:
  void byte(char c) {
    if (full()) return;
    buffer_[used_++] = c;
    ++written_;
    if (used_ == sizeof(buffer_)) flush();
  }
  std::uint64_t limit_;
  bool crlf_;
  std::uint64_t written_ = 0;
  char buffer_[1 << 16];
  std::size_t used_ = 0;
};

// Appends the parts in order (a braced list is evaluated left to right, so the random draws in
// it are too).
void append(std::string& text, std::initializer_list<std::string> parts) {
  for (const std::string& part : parts) text += part;
}

std::string move(Random& r) {
  switch (r.below(40)) {
    case 0:
      return "O-O";
    case 1:
      return "O-O-O";
    default:
      break;
  }
  std::string m = r.pick(kPieces);
  if (r.below(3) == 0) m += m.empty() ? std::string(r.pick(kFiles)) + "x" : "x";
  m += r.pick(kFiles);
  m += r.pick(kRanks);
  if (r.below(8) == 0) m += r.below(3) == 0 ? "#" : "+";
  return m;
}

std::string clock(Random& r) {
  char text[32];
  std::snprintf(text, sizeof(text), "{ [%%clk 0:%02u:%02u] }", r.below(10), r.below(60));
  return text;
}

void game(Writer& w, Random& r, unsigned number) {
  const char* result = r.pick(kResults);
  char tags[1024];
  std::snprintf(tags, sizeof(tags),
                "[Event \"Rated Blitz game\"]\n[Site \"https://www.example.com/game/%u\"]\n"
                "[Date \"2026.%02u.%02u\"]\n[Round \"%u\"]\n[White \"Player %u\"]\n"
                "[Black \"Player %u\"]\n[Result \"%s\"]\n[WhiteElo \"%u\"]\n[BlackElo \"%u\"]\n"
                "[TimeControl \"180+2\"]\n[ECO \"%s\"]\n[Termination \"%s\"]\n\n",
                number, 1 + r.below(12), 1 + r.below(28), 1 + r.below(9), r.below(100000),
                r.below(100000), result, 1200 + r.below(1600), 1200 + r.below(1600),
                r.pick(kOpenings), r.pick(kTerminations));
  w.put(tags);
  bool clocks = r.below(3) != 0;
  unsigned moves = 20 + r.below(60);
  std::string line;
  for (unsigned n = 1; n <= moves; ++n) {
    std::string move_number = std::to_string(n);
    std::string text;
    append(text, {move_number, ". ", move(r)});
    if (clocks) append(text, {" ", clock(r), " ", move_number, "..."});
    append(text, {" ", move(r)});
    if (clocks) append(text, {" ", clock(r)});
    if (r.below(15) == 0) append(text, {" ", r.pick(kNags)});
    if (r.below(25) == 0) append(text, {" { ", r.pick(kComments), " }"});
    if (r.below(30) == 0) append(text, {" ( ", move_number, "... ", move(r), " ", move(r), " )"});
    // Lines of at most about 80 characters, as exporters wrap them.
    if (line.size() + text.size() + 1 > 80) {
      line += "\n";
      w.put(line);
      line.clear();
    }
    line += line.empty() ? text : " " + text;
  }
  append(line, {" ", result, "\n\n"});
  w.put(line);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: pgn_generator BYTES [crlf]\n", stderr);
    return 2;
  }
  std::uint64_t limit = std::strtoull(argv[1], nullptr, 10);
  bool crlf = argc == 3 && std::strcmp(argv[2], "crlf") == 0;
  Writer w(limit, crlf);
  Random r{0x4b657374726f77ULL};
  for (unsigned number = 1; !w.full(); ++number) game(w, r, number);
  w.flush();
  return 0;
}
