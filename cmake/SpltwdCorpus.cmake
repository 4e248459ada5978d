# The statement corpus of the tests, the benchmarks and the fuzz seeds: the
# files corpusgen writes from the scanner's rules, one per dialect, always;
# beside them the *.rec files under SPLTWD_CORPUS_DIR when that folder is
# there, so that a checkout alone tests everything and a larger corpus only
# adds to it.
#
# Linking spltwd_corpus_reader gives corpus_reader.h and corpus_files.h
# (corpus::kFiles: every file by a name that does not depend on where the
# build is) and builds the generated files first.
include_guard(GLOBAL)

set(SPLTWD_CORPUS_DIR "${PROJECT_SOURCE_DIR}/../shared/corpus"
    CACHE PATH "Folder of further statement corpus files (*.rec), used beside the generated ones when it exists")

set(corpus_build_dir "${PROJECT_BINARY_DIR}/corpus")
set(corpus_rules "${PROJECT_SOURCE_DIR}/src/spltwd/rules/splt_wd.rules")
set(corpus_generated "")
set(corpus_entries "")

# Names and paths end up in C++ string literals.
function(spltwd_corpus_entry name path)
  string(REPLACE "\\" "\\\\" path "${path}")
  string(REPLACE "\"" "\\\"" path "${path}")
  set(corpus_entries "${corpus_entries}    {\"${name}\", \"${path}\"},\n" PARENT_SCOPE)
endfunction()

foreach(dialect IN ITEMS 0:generic 1:oracle 2:sqlserver 8:db2 32:mysql 64:postgresql 1024:informix)
  string(REPLACE ":" ";" dialect "${dialect}")
  list(GET dialect 0 code)
  list(GET dialect 1 name)
  set(file "${corpus_build_dir}/generated/${name}.rec")
  add_custom_command(
    OUTPUT "${file}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${corpus_build_dir}/generated"
    COMMAND corpusgen "${corpus_rules}" ${code} "${file}"
    DEPENDS corpusgen "${corpus_rules}"
    COMMENT "Generating the ${name} statement corpus"
    VERBATIM)
  list(APPEND corpus_generated "${file}")
  spltwd_corpus_entry("generated/${name}" "${file}")
endforeach()
add_custom_target(spltwd_generated_corpus DEPENDS ${corpus_generated})

set(corpus_shared "")
if(IS_DIRECTORY "${SPLTWD_CORPUS_DIR}")
  file(GLOB_RECURSE corpus_shared CONFIGURE_DEPENDS "${SPLTWD_CORPUS_DIR}/*.rec")
  list(SORT corpus_shared)
endif()
foreach(file IN LISTS corpus_shared)
  file(RELATIVE_PATH name "${SPLTWD_CORPUS_DIR}" "${file}")
  string(REGEX REPLACE "\\.rec$" "" name "${name}")
  spltwd_corpus_entry("${name}" "${file}")
endforeach()
list(LENGTH corpus_shared corpus_shared_count)
message(STATUS "Statement corpus: the generated files and ${corpus_shared_count} under ${SPLTWD_CORPUS_DIR}")

file(CONFIGURE OUTPUT "${corpus_build_dir}/include/corpus_files.h" @ONLY CONTENT
"// The statement corpus files of this build, written by cmake/SpltwdCorpus.cmake.
#ifndef SPLTWD_CORPUS_FILES_H
#define SPLTWD_CORPUS_FILES_H

namespace corpus {

struct File {
    const char* name;  // \"generated/DIALECT\", or the path under the corpus folder without \".rec\"
    const char* path;
};

inline constexpr File kFiles[] = {
@corpus_entries@};

}  // namespace corpus

#endif  // SPLTWD_CORPUS_FILES_H
")

add_library(spltwd_corpus_reader INTERFACE)
target_include_directories(spltwd_corpus_reader INTERFACE "${PROJECT_SOURCE_DIR}/bench" "${corpus_build_dir}/include")
add_dependencies(spltwd_corpus_reader spltwd_generated_corpus)
