# The layers hold at link time: each library of a layer is linked whole, with only the layers
# below it (its own link libraries), into a program of its own that does nothing. A call from a
# lower layer into a higher one, which a declaration written by hand in the lower layer would let
# compile, leaves a symbol undefined there and fails the build.
set(korvix_layers korvix_rules korvix_system korvix_io korvix_points korvix_format korvix_gpx
                  korvix_contents korvix_simplify korvix_convert korvix_core runkorvix_core)
file(WRITE ${CMAKE_BINARY_DIR}/layer_alone.cpp
     "// A layer linked alone: every symbol its code uses is its own or a lower layer's.\nint main() {}\n")
foreach(layer IN LISTS korvix_layers)
  if(TARGET ${layer})
    add_executable(${layer}_alone ${CMAKE_BINARY_DIR}/layer_alone.cpp)
    target_link_libraries(${layer}_alone PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${layer}>")
    set_target_properties(${layer}_alone PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                    ${CMAKE_BINARY_DIR}/layers_alone)
  endif()
endforeach()
