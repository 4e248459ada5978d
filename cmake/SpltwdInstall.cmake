# Installation: headers, both libraries, the driver, sqlsplit, a CMake package
# (find_package(spltwd) -> spltwd::spltwd) and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(spltwd PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR})

install(FILES
    ${PROJECT_SOURCE_DIR}/include/mirx_sql_splt_wd.h
    ${PROJECT_SOURCE_DIR}/include/mirx_sql_mask.h
    ${PROJECT_SOURCE_DIR}/include/mirx_splt_wd_dynamic_string.h
    ${PROJECT_SOURCE_DIR}/include/spltwd_export.h
    ${PROJECT_SOURCE_DIR}/include/spltwd_digest.h
    ${PROJECT_SOURCE_DIR}/include/spltwd_script.h
    ${PROJECT_SOURCE_DIR}/include/spltwd.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(TARGETS spltwd EXPORT spltwdTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS spltwd_static
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS test_split_word
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS sqlsplit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(spltwd_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/spltwd)
install(EXPORT spltwdTargets
  NAMESPACE spltwd::
  DESTINATION ${spltwd_cmake_dir})
configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/spltwdConfig.cmake.in
  ${PROJECT_BINARY_DIR}/spltwdConfig.cmake
  INSTALL_DESTINATION ${spltwd_cmake_dir})
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/spltwdConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/spltwdConfig.cmake
    ${PROJECT_BINARY_DIR}/spltwdConfigVersion.cmake
  DESTINATION ${spltwd_cmake_dir})

# The .pc file finds its folders from its own place, so that an install
# into another prefix (cmake --install --prefix) still describes itself.
set(spltwd_pc_dir ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH spltwd_pc_to_prefix ${spltwd_pc_dir} ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" spltwd_pc_to_prefix ${spltwd_pc_to_prefix})
file(RELATIVE_PATH spltwd_pc_to_includedir ${spltwd_pc_dir} ${CMAKE_INSTALL_FULL_INCLUDEDIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/spltwd.pc.in ${PROJECT_BINARY_DIR}/spltwd.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/spltwd.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
