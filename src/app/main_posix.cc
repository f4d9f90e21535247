// The POSIX entry point: arguments are bytes, and are handed on as they are.

#include "app/command_line.h"

int main(int argc, char** argv) { return kestrow::run_command_line(argc, argv); }
