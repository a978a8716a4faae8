# tovix_add_bitstream(<target> <bitfile> [NAME <prefix>])
#
# Compiles a .bit configuration bitstream into <target>. At build time the
# installed Tovix converts <bitfile> into <prefix>.c in the current binary
# directory, again whenever <bitfile> (or Tovix) changes. At configure time
# <prefix>.h is written beside it, declaring
#
#     extern uint32_t <prefix>Length;   /* bytes of configuration data */
#     extern uint32_t <prefix>Image[];  /* <prefix>Length / 4 words */
#
# for C and C++. Both files are added to the target's sources, and their
# directory to its include path. <prefix> defaults to the base name of
# <bitfile> (design.bit gives design) and must be a C identifier. A relative
# <bitfile> is taken from the current source directory. The target must have
# been created in the current directory, and the project must enable C: the
# generated source is C.
include_guard(GLOBAL)

if(CMAKE_VERSION VERSION_LESS 3.20)
    message(FATAL_ERROR "tovix_add_bitstream needs CMake 3.20 or newer (this is ${CMAKE_VERSION})")
endif()

function(tovix_add_bitstream target bitfile)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "NAME" "")
    if(arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "tovix_add_bitstream: unexpected arguments: ${arg_UNPARSED_ARGUMENTS}"
                            " (usage: tovix_add_bitstream(<target> <bitfile> [NAME <prefix>]))")
    endif()
    if("NAME" IN_LIST arg_KEYWORDS_MISSING_VALUES)
        message(FATAL_ERROR "tovix_add_bitstream: NAME needs a value, the prefix of the declarations")
    endif()
    if(NOT TARGET ${target})
        message(FATAL_ERROR "tovix_add_bitstream: '${target}' is not a target")
    endif()
    # A custom command's output is built only for targets of its own directory.
    get_target_property(target_dir ${target} SOURCE_DIR)
    if(NOT target_dir STREQUAL CMAKE_CURRENT_SOURCE_DIR)
        message(FATAL_ERROR "tovix_add_bitstream: call it in the directory that creates '${target}'"
                            " (${target_dir})")
    endif()
    get_property(languages GLOBAL PROPERTY ENABLED_LANGUAGES)
    if(NOT "C" IN_LIST languages)
        message(FATAL_ERROR "tovix_add_bitstream: the generated source is C; enable C in project()"
                            " or with enable_language(C)")
    endif()

    cmake_path(ABSOLUTE_PATH bitfile BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE
               OUTPUT_VARIABLE bit_path)
    # Tovix names the declarations after the C file's base name, verbatim.
    if(DEFINED arg_NAME)
        set(prefix "${arg_NAME}")
        set(origin "NAME '${prefix}'")
    else()
        cmake_path(GET bit_path STEM LAST_ONLY prefix)
        cmake_path(GET bit_path FILENAME bit_name)
        set(origin "the base name '${prefix}' of ${bit_name}")
    endif()
    if(NOT prefix MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
        message(FATAL_ERROR "tovix_add_bitstream: ${origin} is not a C identifier (letters, digits"
                            " and underscores, not starting with a digit), so ${prefix}Length and"
                            " ${prefix}Image cannot be declared; give NAME <prefix>")
    endif()

    set(c_file ${CMAKE_CURRENT_BINARY_DIR}/${prefix}.c)
    set(h_file ${CMAKE_CURRENT_BINARY_DIR}/${prefix}.h)
    get_property(taken DIRECTORY PROPERTY TOVIX_BITSTREAM_PREFIXES)
    if(prefix IN_LIST taken)
        message(FATAL_ERROR "tovix_add_bitstream: ${prefix}.c is already generated in this directory;"
                            " give NAME <prefix> to tell the bitstreams apart")
    endif()
    set_property(DIRECTORY APPEND PROPERTY TOVIX_BITSTREAM_PREFIXES ${prefix})

    string(REPLACE "*/" "*\\/" bit_comment "${bit_path}")
    file(CONFIGURE OUTPUT ${h_file} @ONLY CONTENT [=[
/* Written by tovix_add_bitstream: declares what Tovix generates in @prefix@.c
 * from @bit_comment@ */
#ifndef TOVIX_@prefix@_H
#define TOVIX_@prefix@_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

extern uint32_t @prefix@Length;   /* bytes of configuration data */
extern uint32_t @prefix@Image[];  /* @prefix@Length / 4 words, each four data bytes read little-endian */

#ifdef __cplusplus
}
#endif

#endif
]=])

    # The old output goes first: a failed conversion then leaves no file that
    # could pass for up to date. Tovix prints its own message and exits 1,
    # which fails the build.
    add_custom_command(
        OUTPUT ${c_file}
        COMMAND ${CMAKE_COMMAND} -E rm -f ${prefix}.c
        COMMAND Tovix::Tovix ${bit_path} ${prefix}.c
        DEPENDS ${bit_path} Tovix::Tovix
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        COMMENT "Tovix: converting ${bitfile} into ${prefix}.c"
        VERBATIM)
    target_sources(${target} PRIVATE ${c_file} ${h_file})
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
