#include "splt_wd_scanner_memory.h"

#include <cstdio>
#include <cstdlib>

#include "splt_wd_alloc.h"

namespace spltwd {

bool (*allocation_fails)(std::size_t size) = nullptr;

void scanner_fatal(const char* message) {
    std::fprintf(stderr, "%s\n", message);
    std::exit(2);
}

void* allocate_or_die(std::size_t size, const char* message) {
    void* p = splt_wdalloc(size);
    if (!p) scanner_fatal(message);
    return p;
}

}  // namespace spltwd

extern "C" {

void* splt_wdalloc(size_t size) {
    if (spltwd::allocation_fails && spltwd::allocation_fails(size)) return nullptr;
    return std::malloc(size);
}

void* splt_wdrealloc(void* ptr, size_t size) {
    if (spltwd::allocation_fails && spltwd::allocation_fails(size)) return nullptr;
    return std::realloc(ptr, size);
}

void splt_wdfree(void* ptr) { std::free(ptr); }

}  // extern "C"
