# expat, the XML parser through which korvix reads GPX files, as the static library korvix_expat:
# korvix links it in, as it links its runtime (see converter/CMakeLists.txt), so that a run maps
# no shared library.
#
# On Debian the library of libexpat1-dev (scripts/install-deps). For Windows, expat is built here
# from Debian's source package, which scripts/install-deps windows unpacks into the build tree
# and names in KORVIX_EXPAT_SOURCE_DIR: its three C files, with the settings that its own build
# writes into expat_config.h given here instead (cmake/expat_config.h).
if(TARGET korvix_expat)
  return()
endif()

set(KORVIX_EXPAT_SOURCE_DIR "" CACHE PATH "expat's source tree, built into korvix (Windows)")
if(KORVIX_EXPAT_SOURCE_DIR)
  enable_language(C)
  set(expat_lib ${KORVIX_EXPAT_SOURCE_DIR}/lib)
  if(NOT EXISTS ${expat_lib}/xmlparse.c AND EXISTS ${KORVIX_EXPAT_SOURCE_DIR}/expat/lib/xmlparse.c)
    set(expat_lib ${KORVIX_EXPAT_SOURCE_DIR}/expat/lib)
  endif()
  add_library(korvix_expat STATIC ${expat_lib}/xmlparse.c ${expat_lib}/xmlrole.c
                                  ${expat_lib}/xmltok.c)
  target_include_directories(korvix_expat PUBLIC ${expat_lib}
                             PRIVATE ${CMAKE_CURRENT_LIST_DIR}/expat_config)
  target_compile_definitions(korvix_expat PUBLIC XML_STATIC PRIVATE HAVE_EXPAT_CONFIG_H)
  # expat's own code, not korvix's: its warnings are its makers'.
  target_compile_options(korvix_expat PRIVATE -w)
else()
  find_path(KORVIX_EXPAT_INCLUDE_DIR expat.h REQUIRED)
  # The static library where there is one (libexpat1-dev has it), else the shared one.
  find_library(KORVIX_EXPAT_LIBRARY NAMES libexpat.a expat REQUIRED)
  add_library(korvix_expat INTERFACE)
  target_include_directories(korvix_expat INTERFACE ${KORVIX_EXPAT_INCLUDE_DIR})
  target_link_libraries(korvix_expat INTERFACE ${KORVIX_EXPAT_LIBRARY})
endif()
