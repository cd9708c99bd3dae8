# Installs the build into a folder of the build tree, builds the C host example against the
# installed package (find_package, and pkg-config when it is available), and runs it. The output
# of the find_package build's run is kept in <folder>/host_output.txt.
# Run as: cmake -DBUILD_DIR=<build> -DWORK=<folder> -DEXAMPLE=<examples/host> [-DSANITIZE=ON]
#               [-DWINDOWS=ON -DTOOLCHAIN=<toolchain file> -DEMULATOR=<program runner>] -P install_and_run.cmake
# A Windows build installs DLLs and import libraries; a cross build's host is built with the same
# toolchain file and run through the emulator (Wine), from its own folder, where the library's DLLs
# are copied.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
set(installed include/ekx_file_vor4.h include/ekx_basic.h include/ekx_io.h include/ekx_prg.h include/ekx_path.h
    lib/cmake/ekx_file_vor4/ekx_file_vor4Config.cmake lib/pkgconfig/ekx_file_vor4.pc)
foreach(lib ekx_file_vor4 ekx_basic ekx_io ekx_prg ekx_path)
  if(WINDOWS)
    list(APPEND installed bin/${lib}.dll lib/lib${lib}.dll.a lib/${lib}.def)
  else()
    list(APPEND installed lib/lib${lib}.so)
  endif()
endforeach()
foreach(f IN LISTS installed)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

# Sanitized libraries need a sanitized host program.
set(flags "")
if(SANITIZE)
  set(flags "-fsanitize=address,undefined -fno-omit-frame-pointer")
endif()
set(cross "")
if(TOOLCHAIN)
  set(cross -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()
run(${CMAKE_COMMAND} -S ${EXAMPLE} -B ${WORK}/build -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=${prefix}
    "-DCMAKE_C_FLAGS=${flags}" "-DCMAKE_EXE_LINKER_FLAGS=${flags}" ${cross})
run(${CMAKE_COMMAND} --build ${WORK}/build)

file(MAKE_DIRECTORY ${WORK}/run)
if(WINDOWS)
  # Relative to the folder it runs in, so that no Linux path has to mean something to Windows.
  execute_process(COMMAND ${EMULATOR} ${WORK}/build/ekx_vor4_host.exe ../run WORKING_DIRECTORY ${WORK}/build
                  RESULT_VARIABLE rc OUTPUT_VARIABLE output ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the host program failed (${rc}):\n${output}\n${err}")
  endif()
  string(REPLACE "\r\n" "\n" output "${output}")
else()
  run(${WORK}/build/ekx_vor4_host ${WORK}/run)
endif()
file(WRITE ${WORK}/host_output.txt "${output}")
message(STATUS "${output}")
foreach(expected "creating " "property 0: Depth (\"Depth, m\")" "property 1: Facies" "depth: min " "undone: x0 1000.0"
                 "notifier, the undo: 1 begin-update" "done")
  string(FIND "${output}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the host program did not print \"${expected}\"")
  endif()
endforeach()
foreach(f survey.xml survey.Depth.property survey.Facies.property)
  if(NOT EXISTS ${WORK}/run/${f})
    message(FATAL_ERROR "the host program left no ${f}")
  endif()
endforeach()

# The same program built with the pkg-config file alone (not tried for Windows).
find_program(PKG_CONFIG pkg-config)
find_program(CC NAMES cc gcc)
if(WINDOWS)
  message(STATUS "a Windows build: the pkg-config build is not tried")
elseif(PKG_CONFIG AND CC)
  set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
  run(${PKG_CONFIG} --cflags --libs ekx_file_vor4)
  separate_arguments(pc UNIX_COMMAND "${output}")
  separate_arguments(sflags UNIX_COMMAND "${flags}")
  run(${CC} -std=c99 -Wall -Wextra -Werror ${sflags} ${EXAMPLE}/ekx_vor4_host.c -o ${WORK}/host_pc ${pc} -lm)
  file(MAKE_DIRECTORY ${WORK}/run_pc)
  run(${WORK}/host_pc ${WORK}/run_pc)
else()
  message(STATUS "pkg-config not found: the pkg-config build is not tried")
endif()
