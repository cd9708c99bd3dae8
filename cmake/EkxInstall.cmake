# Installation: the document library and the four suite libraries, their public headers, a CMake
# package (find_package(ekx_file_vor4), then link ekx::ekx_file_vor4, which brings the suite
# libraries with it) and a pkg-config file. The layout is relocatable: every file finds the
# others relative to itself.
include(CMakePackageConfigHelpers)

set(EKX_INSTALL_LIBDIR lib)
set(EKX_INSTALL_INCLUDEDIR include)
set(EKX_INSTALL_CMAKEDIR ${EKX_INSTALL_LIBDIR}/cmake/ekx_file_vor4)
set(EKX_INSTALLED_LIBRARIES ekx_file_vor4 ekx_basic ekx_io ekx_prg ekx_path)

foreach(lib IN LISTS EKX_INSTALLED_LIBRARIES)
  # The headers are found in the source tree while building and beside the libraries once
  # installed; the installed libraries find each other in their own folder.
  set_target_properties(${lib} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES
      "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>;$<INSTALL_INTERFACE:${EKX_INSTALL_INCLUDEDIR}>"
    INSTALL_RPATH "$ORIGIN")
endforeach()

if(WIN32)
  # The module-definition files, from which an MSVC host makes its import libraries.
  foreach(lib IN LISTS EKX_INSTALLED_LIBRARIES)
    ekx_windows_def_file(${lib})
    if(MINGW)
      install(FILES $<TARGET_FILE_DIR:${lib}>/${lib}.def DESTINATION ${EKX_INSTALL_LIBDIR})
    endif()
  endforeach()
  set(EKX_PC_RPATH "")
else()
  set(EKX_PC_RPATH "-Wl,-rpath,\${libdir} ")
endif()

install(TARGETS ${EKX_INSTALLED_LIBRARIES} EXPORT ekx_file_vor4Targets
  LIBRARY DESTINATION ${EKX_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${EKX_INSTALL_LIBDIR}
  RUNTIME DESTINATION bin)
install(FILES
  ${PROJECT_SOURCE_DIR}/include/ekx_file_vor4.h
  ${PROJECT_SOURCE_DIR}/include/ekx_basic.h
  ${PROJECT_SOURCE_DIR}/include/ekx_io.h
  ${PROJECT_SOURCE_DIR}/include/ekx_prg.h
  ${PROJECT_SOURCE_DIR}/include/ekx_path.h
  DESTINATION ${EKX_INSTALL_INCLUDEDIR})

install(EXPORT ekx_file_vor4Targets NAMESPACE ekx:: DESTINATION ${EKX_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ekx_file_vor4Config.cmake.in
  ${PROJECT_BINARY_DIR}/ekx_file_vor4Config.cmake INSTALL_DESTINATION ${EKX_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ekx_file_vor4ConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ekx_file_vor4Config.cmake ${PROJECT_BINARY_DIR}/ekx_file_vor4ConfigVersion.cmake
  DESTINATION ${EKX_INSTALL_CMAKEDIR})

configure_file(${PROJECT_SOURCE_DIR}/cmake/ekx_file_vor4.pc.in ${PROJECT_BINARY_DIR}/ekx_file_vor4.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/ekx_file_vor4.pc DESTINATION ${EKX_INSTALL_LIBDIR}/pkgconfig)

# The command-line tool, when it is built: bin/vor4 finds the libraries in lib/.
if(TARGET vor4)
  install(TARGETS vor4 RUNTIME DESTINATION bin)
endif()
