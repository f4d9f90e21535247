// The Windows entry point: the arguments arrive as Windows delivers them, in UTF-16, and are
// handed on in WTF-8, which spells every one of them, an unpaired surrogate included, and which the
// file layer turns back into the same UTF-16 name.

#include <string>
#include <vector>

#include "app/command_line.h"
#include "textstream/windows_path.h"

// The MinGW runtime expands wildcards in the command line unless this is zero; Kestrow takes its
// arguments exactly as typed, so an argument holding "*" or "?" reaches the command line unchanged.
extern "C" {
int _dowildcard = 0;
}

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(kestrow::wtf8_from_wide(argv[i]));
  std::vector<char*> pointers;
  for (std::size_t i = 0; i < arguments.size(); ++i) pointers.push_back(&arguments[i][0]);
  pointers.push_back(nullptr);
  return kestrow::run_command_line(argc, pointers.data());
}
