# Compiler settings and helpers shared by every target of the project.

add_compile_options(-Wall -Wextra -Werror)

# Each platform file of the sources exists as <name>_posix.cpp and <name>_windows.cpp.
if(WIN32)
  set(EKX_PLATFORM windows)
else()
  set(EKX_PLATFORM posix)
endif()

if(EKX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# ekx_add_gtest(<name> SOURCES <files...> LIBS <libs...> [ENVIRONMENT <VAR=value...>] [PREFIX <p>])
# ENVIRONMENT runs the discovered tests with those variables; PREFIX keeps their names apart from
# another program built from the same sources.
function(ekx_add_gtest name)
  cmake_parse_arguments(T "" "PREFIX" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if(EKX_PENDING_TEST_SOURCES)
    set(all_sources ${T_SOURCES})
    # Test sources that do not build on this platform yet stay out of its test programs.
    foreach(src IN LISTS T_SOURCES)
      get_filename_component(file ${src} NAME)
      if(file IN_LIST EKX_PENDING_TEST_SOURCES)
        list(REMOVE_ITEM T_SOURCES ${src})
        message(STATUS "not built on this platform yet: ${CMAKE_CURRENT_SOURCE_DIR}/${file}")
      endif()
    endforeach()
    if(NOT T_SOURCES)
      # Kept as a target that is never built, so that the callers' settings still find it.
      add_executable(${name} EXCLUDE_FROM_ALL ${all_sources})
      return()
    endif()
  endif()
  if(NOT TARGET GTest::gtest)
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(T_ENVIRONMENT)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES TEST_PREFIX "${T_PREFIX}" PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES TEST_PREFIX "${T_PREFIX}")
  endif()
endfunction()

# ekx_add_bench(<name> SOURCES <files...> LIBS <libs...>)
function(ekx_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
endfunction()
