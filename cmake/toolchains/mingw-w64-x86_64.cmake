# Cross build for 64-bit Windows with Debian's mingw-w64 GCC (packages g++-mingw-w64-x86-64-posix
# and mingw-w64-tools):
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
#
# The -posix variants of the compilers: the win32-thread variant has no std::mutex. The C and C++
# runtimes of GCC (libgcc, libstdc++, winpthread) are linked statically, so that every DLL and
# program imports system DLLs only and runs from any folder. When Wine is installed, programs built
# here run through it (tests, gtest discovery), or through EKX_WINE when that names another one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(EKX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${EKX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${EKX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${EKX_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${EKX_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "archiver")
set(CMAKE_RANLIB ${EKX_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "ranlib")

# Libraries and packages come from the target's own tree (and from CMAKE_PREFIX_PATH, where the
# build puts what it compiled for Windows itself); programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${EKX_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static reaches winpthread too, which -static-libgcc/-static-libstdc++ alone leave as a DLL.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

if(DEFINED ENV{EKX_WINE})
  set(EKX_WINE "$ENV{EKX_WINE}")
else()
  find_program(EKX_WINE NAMES wine wine64 PATHS /usr/bin /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
endif()
if(EKX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${EKX_WINE})
endif()
