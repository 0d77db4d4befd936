# Fails when a source file includes a header by a path that climbs out of its folder
# (#include "../convert/conversion_mode.h"): each layer sees only the folders of the layers below
# it, by their include paths, and a path would reach around them. Run by the build of every
# configuration (target korvix_include_check), over the sources of the project's own folders.
#
#   cmake -DSOURCE_DIR=<top of the sources> -DSTAMP=<file written when the check passes> -P check_includes.cmake
file(GLOB_RECURSE sources
     ${SOURCE_DIR}/converter/*.cpp ${SOURCE_DIR}/converter/*.h
     ${SOURCE_DIR}/launcher/*.cpp ${SOURCE_DIR}/launcher/*.h
     ${SOURCE_DIR}/rules/*.cpp ${SOURCE_DIR}/rules/*.h
     ${SOURCE_DIR}/testing/*.cpp ${SOURCE_DIR}/testing/*.h
     ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/bench/*.h)
set(found "")
foreach(source IN LISTS sources)
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\./")
  foreach(line IN LISTS lines)
    file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
    string(STRIP "${line}" line)
    string(APPEND found "\n  ${name}: ${line}")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "An include names a path out of its folder; include the header by its name "
                      "from a layer below (docs/layers.md):${found}")
endif()
file(TOUCH ${STAMP})
