# Settings of the Windows build (the mingw-w64 cross build of cmake/toolchains, or a native one
# with MinGW). Included before the project's warning flags, so that GoogleTest built here keeps its own.

# DLLs and programs in one folder: Windows finds a program's DLLs beside it, so the tests run
# from there without a PATH of their own.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/lib)

# The libraries keep the names a Windows host loads them by (ekx_file_vor4.dll, not
# libekx_file_vor4.dll); the import libraries keep MinGW's lib<name>.dll.a, so -l<name> finds them.
set(CMAKE_SHARED_LIBRARY_PREFIX "")

# The system headers as the sources expect them: Windows 7 and later, no min/max macros, no
# rarely used parts.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)

# The command-line tool and the benchmarks are Linux programs for now.
set(EKX_BUILD_TOOLS OFF CACHE BOOL "Build the vor4 command-line tool" FORCE)

# GoogleTest from its sources (Debian's googletest package), compiled by this build's compiler.
set(EKX_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows build")
if(EKX_BUILD_TESTS AND NOT TARGET GTest::gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${EKX_GTEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

# Test sources about the Linux side alone (inotify's limits). Everything else runs on both.
set(EKX_POSIX_ONLY_TEST_SOURCES
  ek_folder_watcher_inotify_test.cpp
)

# The tests' narrow text, as on Linux, is UTF-8 unless a test says otherwise: Wine gives a locale
# without an ANSI code page of its own (Hindi) the ANSI code page 65001, as Windows does with its
# "UTF-8 for worldwide language support" setting. The text tests run again under 1251 and 1252.
set(EKX_TEST_ENVIRONMENT LC_ALL=hi_IN.UTF-8)

# ekx_windows_def_file(<target>): the DLL's export list as a module-definition file beside it, from
# which an MSVC host makes its own import library (lib /def:<name>.def /machine:x64).
function(ekx_windows_def_file target)
  if(MINGW)
    target_link_options(${target} PRIVATE "-Wl,--output-def,$<TARGET_FILE_DIR:${target}>/${target}.def")
  endif()
endfunction()
