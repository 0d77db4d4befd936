# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake
# The posix thread model gives the C++ library std::thread and its locks. Programs link the C and
# C++ runtimes and winpthread statically, so that a .exe runs on its own without mingw's DLLs.
# Tests run under Wine when it is installed (CMAKE_CROSSCOMPILING_EMULATOR).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(korvix_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${korvix_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${korvix_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${korvix_mingw}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Libraries, headers and packages come from the mingw-w64 tree (or their *_DIR given), and
# programs run during the build from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${korvix_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(korvix_wine wine)
  if(korvix_wine)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${korvix_wine})
  endif()
endif()
