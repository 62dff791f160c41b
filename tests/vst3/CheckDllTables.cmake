# Checks the Windows VST 3 binary's tables, read on the build machine: it
# exports exactly GetPluginFactory, InitDll and ExitDll, and imports from
# nothing but Windows' own DLLs.
#   cmake -DOBJDUMP=... -DBINARY=... -P CheckDllTables.cmake
execute_process(COMMAND ${OBJDUMP} -p ${BINARY} OUTPUT_VARIABLE tables RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot read the tables of ${BINARY}")
endif()

string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [A-Za-z_][A-Za-z0-9_@]*" rows "${tables}")
set(exports "")
foreach(row ${rows})
  string(REGEX REPLACE ".*\\] " "" name "${row}")
  list(APPEND exports ${name})
endforeach()
list(SORT exports)
if(NOT exports STREQUAL "ExitDll;GetPluginFactory;InitDll")
  message(FATAL_ERROR "${BINARY} exports '${exports}', expected exactly ExitDll, GetPluginFactory and InitDll")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${tables}")
foreach(import ${imports})
  string(REPLACE "DLL Name: " "" name "${import}")
  string(TOLOWER "${name}" lower)
  if(NOT lower MATCHES "^(kernel32|msvcrt|user32|advapi32|ucrtbase)\\.dll$|^api-ms-win-")
    message(FATAL_ERROR "${BINARY} imports ${name}, which is not part of Windows")
  endif()
endforeach()
message(STATUS "ok: ${BINARY} exports ${exports} and imports ${imports}")
