# Cross-builds the Windows console program Kestrow.exe with mingw-w64 (Debian:
# g++-mingw-w64-x86-64-posix) and runs what it builds under Wine (Debian: wine64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the C++ runtime and its threads library linked in, no DLL but Windows'.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine quiet: its own diagnostics would mix with what the program prints.
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEDEBUG=-all wine)
