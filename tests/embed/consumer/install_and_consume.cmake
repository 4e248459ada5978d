# Installs a build tree into a scratch prefix and checks that a program can
# use what was installed: built once through find_package(spltwd) and once
# through pkg-config, and run.  Also checks the shared library's SONAME.
#
# cmake -D BUILD_DIR=... -D WORK_DIR=... -D CONSUMER_DIR=... -D CONFIG=...
#       -D LIBDIR=... -D VERSION=... -D SOVERSION=... -D CXX=... -D CXX_FLAGS=...
#       -P install_and_consume.cmake
cmake_minimum_required(VERSION 3.20)

foreach(required BUILD_DIR WORK_DIR CONSUMER_DIR LIBDIR VERSION SOVERSION CXX)
  if("${${required}}" STREQUAL "")
    message(FATAL_ERROR "${required} is not set")
  endif()
endforeach()
if(IS_ABSOLUTE "${LIBDIR}")
  message(FATAL_ERROR "the library folder ${LIBDIR} is absolute: the install would leave the scratch prefix")
endif()

# Runs a command; stops the test with its output if it fails.  The output
# is left in run_output.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command}\nfailed (${status}):\n${output}")
  endif()
  set(run_output "${output}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
set(libdir ${prefix}/${LIBDIR})
file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --config ${CONFIG})

foreach(installed
    include/mirx_sql_splt_wd.h include/mirx_sql_mask.h include/spltwd.hpp
    ${LIBDIR}/libspltwd.a ${LIBDIR}/libspltwd.so.${SOVERSION} bin/test_split_word)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "${installed} was not installed")
  endif()
endforeach()

find_program(READELF readelf REQUIRED)
run(${READELF} -d ${libdir}/libspltwd.so)
if(NOT run_output MATCHES "\\(SONAME\\)[^\n]*\\[libspltwd\\.so\\.${SOVERSION}\\]")
  message(FATAL_ERROR "libspltwd.so has no SONAME libspltwd.so.${SOVERSION}:\n${run_output}")
endif()

separate_arguments(consumer_flags UNIX_COMMAND "${CXX_FLAGS}")

set(cmake_consumer ${WORK_DIR}/cmake-consumer)
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${cmake_consumer}
  -D CMAKE_PREFIX_PATH=${prefix}
  -D CMAKE_CXX_COMPILER=${CXX}
  "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
  -D SPLTWD_EXPECTED_VERSION=${VERSION})
run(${CMAKE_COMMAND} --build ${cmake_consumer})
run(${cmake_consumer}/consumer)

set(pkg_config ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${libdir}/pkgconfig pkg-config)
run(${pkg_config} --modversion spltwd)
string(STRIP "${run_output}" pc_version)
if(NOT pc_version STREQUAL VERSION)
  message(FATAL_ERROR "spltwd.pc gives version ${pc_version}, expected ${VERSION}")
endif()
run(${pkg_config} --cflags --libs spltwd)
separate_arguments(pc_flags UNIX_COMMAND "${run_output}")
set(pc_consumer ${WORK_DIR}/pkg-config-consumer)
run(${CXX} -std=c++20 -Wall -Wextra -Werror ${consumer_flags}
  ${CONSUMER_DIR}/main.cpp ${pc_flags} -o ${pc_consumer})
run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir} ${pc_consumer})
