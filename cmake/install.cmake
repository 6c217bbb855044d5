# What `cmake --install` puts where, and the Debian package that `cpack -G DEB`
# makes of it. Only the program and its documents are installed: the tests,
# benchmarks and fuzzers have no install rules.
include(GNUInstallDirs)

install(TARGETS vastrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(EXISTS ${PROJECT_SOURCE_DIR}/LICENSE)
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

# vastrel_install_gzipped(<file> <destination>): installs <file> compressed
# as Debian wants it, without a time stamp (gzip -n), so that a rebuild gives
# the same bytes; as it is where there is no gzip.
find_program(VASTREL_GZIP gzip)
function(vastrel_install_gzipped file destination)
  set(source ${PROJECT_SOURCE_DIR}/${file})
  if(NOT VASTREL_GZIP)
    install(FILES ${source} DESTINATION ${destination})
    return()
  endif()
  set(copy ${PROJECT_BINARY_DIR}/${file})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${VASTREL_GZIP} -9nf ${copy}
    DEPENDS ${source}
    VERBATIM)
  string(MAKE_C_IDENTIFIER ${file} target)
  add_custom_target(${target} ALL DEPENDS ${copy}.gz)
  install(FILES ${copy}.gz DESTINATION ${destination})
endfunction()

# The release history, in Debian's changelog format.
vastrel_install_gzipped(doc/changelog ${CMAKE_INSTALL_DOCDIR})
# The manual page is for the Linux build.
if(NOT WIN32)
  vastrel_install_gzipped(doc/vastrel.1 ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME vastrel)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tells what a software installation changed in a Wine prefix")
# Debian shows the description as it is written: lines of at most 80 columns.
set(CPACK_PACKAGE_DESCRIPTION "vastrel -c captures a snapshot of a Wine prefix before an installation:
its registry, the trees of its Windows and program-files folders and its
system INI files. vastrel -d compares the prefix with the snapshot afterwards
and writes reports of every key, value, file, folder and INI entry that is
new, modified or removed: REGEDIT4 files, path lists and INI files. It reads
the prefix's files directly and does not need Wine to run.")
set(VASTREL_PACKAGE_MAINTAINER "vastrel maintainers <maintainers@vastrel.invalid>"
  CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VASTREL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS wine)
set(CPACK_STRIP_FILES ON)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
endif()
include(CPack)
