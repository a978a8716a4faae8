# The man page is clean for groff and states every message that the README's
# "Messages and exit status" section lists, word for word.
#
#     cmake [-DGROFF=<groff>] -DMAN_PAGE=<page> -DREADME=<README.md> -P CheckManPage.cmake
if(NOT GROFF)
    find_program(GROFF groff)
endif()
if(NOT GROFF)
    message("groff not found: the man page is not checked")
    return()
endif()

execute_process(COMMAND ${GROFF} -man -ww -z ${MAN_PAGE}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
    message(FATAL_ERROR "groff -man -ww -z ${MAN_PAGE} (exit ${status}):\n${out}${err}")
endif()

# The page as plain text, one long line per paragraph, blanks collapsed.
execute_process(COMMAND ${GROFF} -man -Tascii -P-cbou -rLL=250n ${MAN_PAGE}
                RESULT_VARIABLE status OUTPUT_VARIABLE page)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "groff could not render ${MAN_PAGE}")
endif()
string(REGEX REPLACE "[ \t\r\n]+" " " page "${page}")

file(READ ${README} readme)
string(FIND "${readme}" "### Messages and exit status" start)
if(start EQUAL -1)
    message(FATAL_ERROR "${README} has no \"Messages and exit status\" section")
endif()
string(SUBSTRING "${readme}" ${start} -1 section)
string(FIND "${section}" "\n## " end)
string(SUBSTRING "${section}" 0 ${end} section)

set(expected "Tovix <bitfile> <cfile>")
string(REGEX MATCHALL "\\*\\*\\*\\* Tovix - [^`\n]+" messages "${section}")
list(APPEND expected ${messages})
string(REGEX MATCHALL "\n\\| `0x[0-9a-f]+` \\| [^|\n]+\\|" rows "${section}")
foreach(row IN LISTS rows)
    string(REGEX MATCH "`(0x[0-9a-f]+)` \\| ([^|\n]+[^ |\n]) *\\|" row "${row}")
    list(APPEND expected "${CMAKE_MATCH_1} : \"${CMAKE_MATCH_2}\"")
endforeach()
list(LENGTH messages message_count)
list(LENGTH rows row_count)
if(message_count LESS 3 OR row_count EQUAL 0)
    message(FATAL_ERROR "found too few messages in ${README}: ${expected}")
endif()

set(missing "")
foreach(text IN LISTS expected)
    string(FIND "${page}" "${text}" at)
    if(at EQUAL -1)
        string(APPEND missing "\n  ${text}")
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "${MAN_PAGE} lacks these messages of ${README}:${missing}")
endif()
list(LENGTH expected count)
message("${MAN_PAGE}: clean for groff, states all ${count} messages of the README")
