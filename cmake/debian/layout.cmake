# Run by CPack once it has installed Kestrow into its staging folder, before it makes a package
# of it. For the Debian package it puts the staging folder in Debian's order: the manual page
# gzipped, the license as the package's copyright file, and a changelog beside it, both in the
# folder named after the package. Other packages are left as they are.

if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${root}/share/doc/${CPACK_DEBIAN_PACKAGE_NAME}")

# gzip -9n: the best compression, and no name or time stamp, so that the same files give the
# same package.
function(gzip_file file)
  execute_process(COMMAND gzip -9nf "${file}" COMMAND_ERROR_IS_FATAL ANY)
endfunction()

file(GLOB pages "${root}/share/man/man1/*.1")
foreach(page IN LISTS pages)
  gzip_file("${page}")
endforeach()

file(RENAME "${root}/share/doc/${CPACK_PACKAGE_NAME}" "${root}/share/doc/staged")
file(RENAME "${root}/share/doc/staged" "${doc}")
file(RENAME "${doc}/LICENSE" "${doc}/copyright")
configure_file("${CMAKE_CURRENT_LIST_DIR}/changelog.in" "${doc}/changelog" @ONLY)
gzip_file("${doc}/changelog")
