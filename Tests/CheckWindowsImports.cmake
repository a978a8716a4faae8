# cmake -DOBJDUMP=<objdump> -DEXECUTABLE=<file.exe> -P CheckWindowsImports.cmake
#
# Fails unless every DLL that the executable imports comes with Windows:
# KERNEL32, the C runtime (msvcrt or the UCRT) and the api-ms-win-* sets.
# A MinGW runtime DLL (libstdc++, libgcc_s, libwinpthread) fails the check.
execute_process(COMMAND ${OBJDUMP} -p ${EXECUTABLE}
    OUTPUT_VARIABLE dump ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${EXECUTABLE} failed (${result}): ${errors}")
endif()

string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
set(imports "")
set(foreign "")
foreach(line IN LISTS lines)
    string(REGEX REPLACE "^DLL Name: +" "" dll "${line}")
    string(STRIP "${dll}" dll)
    list(APPEND imports ${dll})
    string(TOLOWER "${dll}" name)
    if(NOT name MATCHES "^(kernel32|msvcrt|ucrtbase)\\.dll$" AND NOT name MATCHES "^api-ms-win-.+\\.dll$")
        list(APPEND foreign ${dll})
    endif()
endforeach()

if(NOT imports)
    message(FATAL_ERROR "no DLL imports found in ${EXECUTABLE}; is it a Windows executable?")
endif()
if(foreign)
    message(FATAL_ERROR "${EXECUTABLE} imports DLLs that Windows does not ship: ${foreign} (all imports: ${imports})")
endif()
message(STATUS "${EXECUTABLE} imports only: ${imports}")
