# Fails unless the shared library exports exactly the names of NAMES, one
# per line: the public interface and nothing of the library's insides.
#   cmake -DNM=nm -DLIBRARY=libspltwd.so -DNAMES=exported_names.txt -P exported_names.cmake
cmake_policy(SET CMP0007 NEW)
execute_process(COMMAND "${NM}" -D --defined-only "${LIBRARY}" OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
# "address type name" per line; the names alone, sorted.
string(REGEX REPLACE "[0-9a-f]+ [A-Za-z] ([^\n]+)\n" "\\1;" exported "${symbols}")
# A sanitized build adds names of the sanitizers' own.
list(FILTER exported EXCLUDE REGEX "^_*(odr_asan|asan|ubsan|tsan|sanitizer)")
list(SORT exported)
file(STRINGS "${NAMES}" public)
list(SORT public)
set(extra ${exported})
list(REMOVE_ITEM extra ${public})
set(missing ${public})
list(REMOVE_ITEM missing ${exported})
if(extra OR missing)
  message(FATAL_ERROR "${LIBRARY} exports what it should not: ${extra}\nand lacks: ${missing}")
endif()
list(LENGTH public count)
message(STATUS "${LIBRARY} exports the ${count} public names and nothing else")
