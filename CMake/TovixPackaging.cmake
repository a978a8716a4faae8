# CPack: `cpack` in a build directory packs what `cmake --install` installs.
# Linux gets a .deb and a .tar.gz, Windows a .zip, anything else a .tar.gz.
set(CPACK_PACKAGE_NAME Tovix)
set(CPACK_PACKAGE_VENDOR "Tovix developers")
set(CPACK_PACKAGE_CONTACT "Tovix developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Tovix turns a 7a35t FPGA .bit bitstream into C source, a length and an array of 32-bit words. The package also holds the Marlek library that reads the bitstream, and a CMake package whose tovix_add_bitstream() compiles a .bit file into a target at build time.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
    set(CPACK_GENERATOR ZIP)
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    set(CPACK_GENERATOR DEB TGZ)
else()
    set(CPACK_GENERATOR TGZ)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debian ships man pages compressed.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/CPackCompressManPages.cmake)

include(CPack)
