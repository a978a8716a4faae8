# Runs inside cpack before each package is made: in a .deb the man pages are
# gzip-compressed, without a time stamp, as Debian ships them. Other packages
# keep them as installed.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()
find_program(TOVIX_GZIP gzip)
if(NOT TOVIX_GZIP)
    message(FATAL_ERROR "gzip is needed to compress the man pages of the .deb")
endif()
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man[1-9]/*.[1-9]")
foreach(page IN LISTS pages)
    execute_process(COMMAND ${TOVIX_GZIP} -9 -n -f ${page} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "gzip failed on ${page}")
    endif()
endforeach()
