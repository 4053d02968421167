# Fails unless Tavik.dll is a 32-bit PE file that exports exactly the ten entry
# points under their plain names, imports nothing but system DLLs and carries the
# project version in its version resource.
cmake_policy(SET CMP0057 NEW)  # if(IN_LIST) in script mode
execute_process(COMMAND ${OBJDUMP} -f ${DLL} OUTPUT_VARIABLE header RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT header MATCHES "file format pei-i386")
  message(FATAL_ERROR "${DLL} is not PE32 for i386:\n${header}")
endif()

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump -p failed on ${DLL}")
endif()

# The name table follows "[Ordinal/Name Pointer] Table", a row per name: "\t[   0] AddData0".
string(FIND "${listing}" "[Ordinal/Name Pointer] Table" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${DLL} has no export name table")
endif()
string(SUBSTRING "${listing}" ${start} -1 table)
string(REGEX REPLACE "\n[ \t]*\n.*" "" table "${table}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" rows "${table}")
set(names)
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${row}")
  string(STRIP "${name}" name)
  list(APPEND names ${name})
endforeach()
list(SORT names)
set(expected AddData0 CheckCall0 GetExchgCount0 GetNumberOfSets GetResult0 GetSetName
    IsValidExchg0 RemoveData0 ResetStats0 SetupSet0)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exports are [${names}], expected [${expected}]")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${listing}")
set(allowed kernel32.dll user32.dll ole32.dll oleaut32.dll version.dll msvcrt.dll gdi32.dll
    advapi32.dll comctl32.dll shell32.dll)
set(seen)
foreach(line IN LISTS imports)
  string(REGEX REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  list(APPEND seen ${dll})
  if(NOT dll IN_LIST allowed)
    message(FATAL_ERROR "${DLL} imports ${dll}, which is not a system DLL")
  endif()
endforeach()
message(STATUS "exports: ${names}; imports: ${seen}")

# The version resource, as the file's properties show it.
execute_process(COMMAND ${WINDRES} -i ${DLL} -O rc OUTPUT_VARIABLE resources RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "windres could not read the resources of ${DLL}")
endif()
string(REPLACE "." ", " numbers "${VERSION}")
foreach(expected
    "FILEVERSION ${numbers}, 0\n" "PRODUCTVERSION ${numbers}, 0\n"
    "VALUE \"FileVersion\", \"${VERSION}\"" "VALUE \"ProductVersion\", \"${VERSION}\""
    "VALUE \"ProductName\", \"Tavik\"" "VALUE \"OriginalFilename\", \"Tavik.dll\""
    "VALUE \"FileDescription\", \"CIS DX PSK contest scoring plugin\"")
  string(FIND "${resources}" "${expected}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "the version resource of ${DLL} lacks ${expected}:\n${resources}")
  endif()
endforeach()
message(STATUS "version resource: ${VERSION}")
