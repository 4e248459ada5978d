#include "ku_error.h"

#include <cstdarg>
#include <cstdio>

void Ku_PrintError(const char *format, ...)
{
    std::fputs("test_split_word: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}
