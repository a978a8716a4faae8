# Install rules and the CMake package: `find_package(Tovix CONFIG)` then gives
# Tovix::Tovix, Tovix::Marlek and tovix_add_bitstream(). Only the converter,
# the library with its one public header, the man page and the package files
# are installed; tests and tools (MakeSampleBit) stay in the build tree.
include(CMakePackageConfigHelpers)

set(TOVIX_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tovix)

install(TARGETS Tovix Marlek
    EXPORT TovixTargets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT TovixTargets
    NAMESPACE Tovix::
    DESTINATION ${TOVIX_CMAKE_INSTALL_DIR})

configure_package_config_file(
    ${CMAKE_CURRENT_LIST_DIR}/TovixConfig.cmake.in
    ${PROJECT_BINARY_DIR}/TovixConfig.cmake
    INSTALL_DESTINATION ${TOVIX_CMAKE_INSTALL_DIR})
write_basic_package_version_file(
    ${PROJECT_BINARY_DIR}/TovixConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/TovixConfig.cmake
    ${PROJECT_BINARY_DIR}/TovixConfigVersion.cmake
    ${CMAKE_CURRENT_LIST_DIR}/TovixAddBitstream.cmake
    DESTINATION ${TOVIX_CMAKE_INSTALL_DIR})

# The man page carries the project's version in its title line.
set(TOVIX_MAN_PAGE ${PROJECT_BINARY_DIR}/Docs/Tovix.1)
configure_file(${PROJECT_SOURCE_DIR}/Docs/Tovix.1.in ${TOVIX_MAN_PAGE} @ONLY)
install(FILES ${TOVIX_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
