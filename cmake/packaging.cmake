# The Debian package of korvix and runkorvix, made by `cpack --preset package-linux` in a Linux
# build (scripts/package): both programs, the launcher's desktop entry and icons, the manual pages
# korvix(1) and runkorvix(1), the README, the changelog and the copyright file in Debian's
# machine-readable format.
if(NOT UNIX)
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/gzipped_install.cmake)
set(KORVIX_CONTACT "korvix developers <korvix@vantory.example>")

# The changelog's newest entry names the version being packaged: a new project version needs its
# entry in packaging/debian/changelog first.
set(changelog ${PROJECT_SOURCE_DIR}/packaging/debian/changelog)
file(STRINGS ${changelog} changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^korvix \\(([^)]+)\\) ")
  message(FATAL_ERROR "${changelog}: the first line is no Debian changelog entry: ${changelog_top}")
elseif(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "${changelog}: the newest entry is for ${CMAKE_MATCH_1}, the project is "
                      "${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION} on top")
endif()
# A native package (its version has no Debian revision) keeps its changelog as changelog.gz.
korvix_install_gzipped(packaging/debian/changelog ${CMAKE_INSTALL_DOCDIR})

# The copyright file: the holder and the licence text of LICENSE, in the fields of Debian's
# format, where a licence text is indented by one blank and an empty line is " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
if(NOT licence MATCHES "\nCopyright \\(c\\) ([^\n]+)\n\n(.+[^\n])\n*$")
  message(FATAL_ERROR "LICENSE: no line \"Copyright (c) ...\" followed by the licence text")
endif()
set(KORVIX_COPYRIGHT ${CMAKE_MATCH_1})
string(REPLACE "\n\n" "\n.\n" KORVIX_LICENCE_TEXT " ${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " KORVIX_LICENCE_TEXT "${KORVIX_LICENCE_TEXT}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/copyright.in copyright @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Why korvix is a static program (see converter/CMakeLists.txt), for lintian.
install(FILES packaging/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME korvix)

set(CPACK_PACKAGE_NAME korvix)
set(CPACK_PACKAGE_VENDOR "the korvix developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert between routes and tracks inside MapSource GDB files")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # korvix_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KORVIX_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON) # the C++ and Qt libraries that the programs use
# Lines of at most 79 characters, as Debian's tools show them.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "korvix reads a GDB file of MapSource or BaseCamp (versions 1 to 3) and
writes a new one in which every route has become a track, every track
numbered waypoints and a route, or every via a user or hidden via.
runkorvix is a small dialog that picks the files and the option and runs
korvix.")
include(CPack)
