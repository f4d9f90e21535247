// Kestrow's command line, the same on every platform:
//   Kestrow inputfile.pgn outputfile.pgn [/2]
// Checks the argument count, opens the input and then the output, runs the reformatter in the
// layout the switch chooses and closes both files. The platform's entry point (main_posix.cc,
// main_windows.cc) hands its arguments over as bytes and returns the result as the exit status.

#ifndef KESTROW_APP_COMMAND_LINE_H_
#define KESTROW_APP_COMMAND_LINE_H_

namespace kestrow {

// Runs one command line and returns the exit status: 0 after a complete run; 1 on a wrong
// argument count (after printing the usage text), a file that cannot be opened, an output path
// that names the input file, or a read or write failure during the run.
// `argv` holds `argc` zero-terminated arguments, the program's own name first: file names as the
// platform's file layer takes them (bytes on POSIX, WTF-8 on Windows).
int run_command_line(int argc, char** argv);

}  // namespace kestrow

#endif  // KESTROW_APP_COMMAND_LINE_H_
