# `cmake --install` puts the public headers, the engine and host libraries (the archive
# codec the engine shares with the build tools among them), a CMake
# package (find_package(Orvik) gives Orvik::orvik with its dependencies) and a pkg-config
# file (orvik.pc) under the prefix.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ORVIK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Orvik)

install(TARGETS orvik orvik_host orvik_archive_codec EXPORT OrvikTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/engine/include/orvik DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT OrvikTargets NAMESPACE Orvik:: DESTINATION ${ORVIK_CMAKE_DIR})

# One pkg_check_modules line per recorded dependency, for the package's config file, and
# the module list for the pkg-config file.
get_property(prefixes GLOBAL PROPERTY ORVIK_PKG_PREFIXES)
set(ORVIK_FIND_PKG_DEPENDENCIES "")
set(ORVIK_PC_REQUIRES "")
foreach(prefix IN LISTS prefixes)
  get_property(modules GLOBAL PROPERTY ORVIK_PKG_MODULES_${prefix})
  string(JOIN " " words ${modules})
  string(APPEND ORVIK_FIND_PKG_DEPENDENCIES "pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET ${words})\n")
  string(APPEND ORVIK_PC_REQUIRES " ${words}")
endforeach()
string(STRIP "${ORVIK_PC_REQUIRES}" ORVIK_PC_REQUIRES)
set(ORVIK_PC_SANITIZE "")
if(ORVIK_SANITIZE)
  set(ORVIK_PC_SANITIZE " -fsanitize=address,undefined")
endif()

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/OrvikConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/OrvikConfig.cmake INSTALL_DESTINATION ${ORVIK_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/OrvikConfigVersion.cmake VERSION 1.0
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/OrvikConfig.cmake ${CMAKE_BINARY_DIR}/OrvikConfigVersion.cmake
        DESTINATION ${ORVIK_CMAKE_DIR})

configure_file(${CMAKE_CURRENT_LIST_DIR}/orvik.pc.in ${CMAKE_BINARY_DIR}/orvik.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/orvik.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
