// The floor that Kestrow's 512-byte streams set, for the benchmark: reads INPUT 512 bytes a call to
// its end, and writes OUTPUT_BYTES bytes to OUTPUT in 512-byte writes and a last short one, as
// Kestrow's output stream does for an output of that size. It does no other work.
//   stream_floor INPUT OUTPUT OUTPUT_BYTES

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::size_t kBlock = 512;

bool write_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("stream_floor INPUT OUTPUT OUTPUT_BYTES\n", stderr);
    return 2;
  }
  int in = open(argv[1], O_RDONLY);
  int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (in < 0 || out < 0) return 1;
  unsigned long long left = std::strtoull(argv[3], nullptr, 10);
  char block[kBlock] = {};
  // Kestrow reads a block whenever its buffer is empty and writes one whenever its buffer is full;
  // the order of the calls does not change their cost, so all the reads come first.
  while (read(in, block, kBlock) > 0) {
  }
  for (; left >= kBlock; left -= kBlock) {
    if (!write_all(out, block, kBlock)) return 1;
  }
  if (left > 0 && !write_all(out, block, left)) return 1;
  return close(out) == 0 && close(in) == 0 ? 0 : 1;
}
