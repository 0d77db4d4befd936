# The Debian package of korvix and runkorvix, made by `cpack -G DEB` in a Linux build
# (scripts/package): both programs, the launcher's desktop entry and icons, korvix's manual page,
# the README and the licence as the package's copyright file.
if(NOT UNIX)
  return()
endif()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

set(CPACK_PACKAGE_NAME korvix)
set(CPACK_PACKAGE_VENDOR "the korvix developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert between routes and tracks inside MapSource GDB files")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # korvix_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the korvix developers")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON) # the C++ and Qt libraries that the programs use
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "korvix reads a GDB file of MapSource or BaseCamp (versions 1 to 3) and writes a new one in
which every route has become a track, every track numbered waypoints and a route, or every via
a user or hidden via. runkorvix is a small dialog that picks the files and the option and runs
korvix.")
include(CPack)
