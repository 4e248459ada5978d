# The statement corpus and its reader, shared by bench/ and fuzz/.
include_guard(GLOBAL)

set(SPLTWD_CORPUS_DIR "${PROJECT_SOURCE_DIR}/../shared/corpus"
    CACHE PATH "Folder of statement corpus files (*.rec) for the benchmarks and the fuzz seeds")

add_library(spltwd_corpus_reader INTERFACE)
target_include_directories(spltwd_corpus_reader INTERFACE ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(spltwd_corpus_reader INTERFACE SPLTWD_CORPUS_DIR="${SPLTWD_CORPUS_DIR}")
