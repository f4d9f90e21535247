# The Debian package, made by `cpack --preset deb` from the tool's build (build-tool/): Kestrow in
# /usr/bin, its manual page gzipped in /usr/share/man/man1, and the license as the package's
# copyright file. Included from the top CMakeLists.txt on Linux before CPack.

set(KESTROW_MAINTAINER "${KESTROW_VENDOR} <developers@kestrow.example.org>")
set(CPACK_PACKAGE_CONTACT "${KESTROW_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_NAME kestrow)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KESTROW_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kestrow.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reformat chess games in PGN for reading and printing")
# The extended description, as the control file shows it: CPack puts a space before each line.
set(CPACK_PACKAGE_DESCRIPTION
  "Kestrow reads a chess game file in Portable Game Notation (PGN) and writes a
reformatted copy: every move number starts a new line, with White's and
Black's moves on it (or, with /2, Black's move on a line of its own), each
tag stands on a line of its own, and a line of underscores stands before
every game. The copy is for reading and printing; chess programs will not
read it back as PGN. Kestrow writes every line break as CR LF, the way of
Windows text files, on every platform.")
set(CPACK_STRIP_FILES ON)

# Before the package is made, the staging folder is put in Debian's order (cmake/debian/).
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian/layout.cmake)
