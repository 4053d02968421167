# Fails unless the library exports exactly the ten entry points.
execute_process(COMMAND nm -D --defined-only ${LIB}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIB}")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ [A-Za-z] [^\n]+" lines "${listing}")
set(names)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-fA-F]+ [A-Za-z] " "" name "${line}")
  list(APPEND names ${name})
endforeach()
list(SORT names)
set(expected AddData0 CheckCall0 GetExchgCount0 GetNumberOfSets GetResult0 GetSetName
    IsValidExchg0 RemoveData0 ResetStats0 SetupSet0)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exports are [${names}], expected [${expected}]")
endif()
message(STATUS "exports: ${names}")
